#pragma once

#include <QObject>

class QTimer;

// Whether the camera is reporting: a status report arrived within the last
// few seconds. A camera that falls silent (restarted, unplugged, forgot us)
// must not leave its last numbers on screen as if they were live.
class ReportingState : public QObject
{
    Q_OBJECT
public:
    // A camera reports several times a second; this much silence means it stopped.
    static constexpr int WindowMs = 3000;

    explicit ReportingState(QObject *parent = nullptr);

    bool reporting() const { return m_reporting; }

    void noteReport();
    // The link went down: nothing can be reporting any more.
    void reset();

signals:
    void reportingChanged();

private:
    void setReporting(bool reporting);

    QTimer *m_silence;
    bool m_reporting = false;
};
