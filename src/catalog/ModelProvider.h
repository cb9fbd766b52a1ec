#pragma once

#include <QObject>

class GimbalModel;

// Whatever holds the currently selected product. The catalogue's bridges
// follow it through this interface so they need not know the controller.
class ModelProvider : public QObject
{
    Q_OBJECT
public:
    explicit ModelProvider(QObject *parent = nullptr);
    ~ModelProvider() override;

    // May be null. The pointer is only valid until the next modelChanged.
    virtual GimbalModel *model() const = 0;

signals:
    void modelChanged();
};
