#pragma once

#include "commands/BaseGimbalController.h"

// Triggers the laser range finder, once or periodically. The distance comes
// back in acknowledgements and reports handled elsewhere.
class LaserController : public BaseGimbalController
{
    Q_OBJECT
public:
    explicit LaserController(QObject *parent = nullptr);

    Q_INVOKABLE void laserRange();
    Q_INVOKABLE void laserPeriodicRange(bool on);
};
