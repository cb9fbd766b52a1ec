#pragma once

#include <QObject>

class QEvent;

// Re-emits every plain key press and release of the application, so the
// gimbal shortcuts work whichever control has focus. Keys held with Control,
// Alt or Meta belong to other shortcuts and are not reported. Events are never
// consumed.
class AppKeyFilter : public QObject
{
    Q_OBJECT
public:
    explicit AppKeyFilter(QObject *parent = nullptr);
    ~AppKeyFilter() override;

signals:
    void pressed(int key, bool autoRepeat);
    void released(int key, bool autoRepeat);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
