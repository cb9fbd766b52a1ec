#include "input/GamepadService.h"

#include "input/GamepadPoller.h"

GamepadService::GamepadService(QObject *parent) : QObject(parent)
{
    GamepadReading::registerMetaType();
    m_thread.setObjectName(QStringLiteral("Game controllers"));
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, &GamepadService::settle);
}

GamepadService::~GamepadService()
{
    if (m_poller) {
        // The controller layer is shut on the thread that opened it.
        QMetaObject::invokeMethod(m_poller, &GamepadPoller::stop, Qt::BlockingQueuedConnection);
    }
    m_thread.quit();
    m_thread.wait();
    // Its thread is over: nothing else can touch it now.
    delete m_poller;
}

void GamepadService::start(bool virtualOnly)
{
    if (m_poller)
        return;
    m_poller = new GamepadPoller(virtualOnly);
    m_poller->moveToThread(&m_thread);
    connect(m_poller, &GamepadPoller::readingsChanged, this, &GamepadService::onReadings);
    connect(m_poller, &GamepadPoller::virtualAttached, this, &GamepadService::virtualAttached);
    connect(m_poller, &GamepadPoller::started, this, [this](bool ok, const QString &error) {
        m_error = ok ? QString() : error;
        emit started(ok);
    });
    m_thread.start();
    QMetaObject::invokeMethod(m_poller, &GamepadPoller::start, Qt::QueuedConnection);
}

const GamepadService::Device *GamepadService::device(int id) const
{
    for (const Device &d : m_devices) {
        if (d.raw.id == id)
            return &d;
    }
    return nullptr;
}

void GamepadService::onReadings(const QVector<GamepadReading> &readings)
{
    QVector<Device> next;
    next.reserve(readings.size());
    bool listChanged = readings.size() != m_devices.size();
    for (const GamepadReading &r : readings) {
        Device d;
        if (const Device *known = device(r.id)) {
            d = *known;
        } else {
            listChanged = true;
            for (int a = 0; a < GamepadControl::AxisCount; ++a)
                d.calibration[size_t(a)] = AxisCalibration(GamepadControl::isTriggerAxis(a));
        }
        d.raw = r;
        d.calibrated = r;
        for (int a = 0; a < GamepadControl::AxisCount; ++a)
            d.calibrated.axes[size_t(a)] = d.calibration[size_t(a)].feed(r.axes[size_t(a)], r.ms);
        next.append(d);
    }
    m_devices = next;
    if (listChanged)
        emit devicesChanged();
    emit readingsChanged();
    scheduleSettle();
}

void GamepadService::scheduleSettle()
{
    for (const Device &d : qAsConst(m_devices)) {
        for (const AxisCalibration &c : d.calibration) {
            if (c.state() == AxisCalibration::Settling) {
                if (!m_settle.isActive())
                    m_settle.start(int(AxisCalibration::SettleMs) + 5);
                return;
            }
        }
    }
}

void GamepadService::settle()
{
    QVector<GamepadReading> again;
    const qint64 now = GamepadReading::monotonicMs();
    for (const Device &d : qAsConst(m_devices)) {
        again.append(d.raw);
        again.last().ms = qMax(now, d.raw.ms);
    }
    onReadings(again);
}

void GamepadService::attachVirtual()
{
    if (!m_poller) {
        emit virtualAttached(false, QStringLiteral("game controllers are not started"));
        return;
    }
    QMetaObject::invokeMethod(m_poller, &GamepadPoller::attachVirtual, Qt::QueuedConnection);
}

void GamepadService::detachVirtual()
{
    if (m_poller)
        QMetaObject::invokeMethod(m_poller, &GamepadPoller::detachVirtual, Qt::QueuedConnection);
}

bool GamepadService::checkVirtual(const QString &name, double value, GamepadControl *control,
                                  QString *error)
{
    const GamepadControl c = GamepadControl::parse(name);
    if (c.type() != GamepadControl::Button && c.type() != GamepadControl::Axis) {
        *error = QStringLiteral("\"%1\" is no controller button or axis").arg(name);
        return false;
    }
    double low = -1;
    double high = 1;
    if (c.type() == GamepadControl::Button) {
        if (value != 0 && value != 1) {
            *error = QStringLiteral("button %1 takes 0 or 1, not %2").arg(name).arg(value);
            return false;
        }
    } else {
        if (GamepadControl::isTriggerAxis(c.index()))
            low = 0;
        if (!(value >= low && value <= high)) {
            *error = QStringLiteral("axis %1 takes %2…%3, not %4")
                         .arg(name)
                         .arg(low)
                         .arg(high)
                         .arg(value);
            return false;
        }
    }
    *control = c;
    return true;
}

bool GamepadService::setVirtual(const QString &name, double value, QString *error)
{
    GamepadControl control;
    if (!checkVirtual(name, value, &control, error))
        return false;
    if (!m_poller) {
        *error = QStringLiteral("game controllers are not started");
        return false;
    }
    QMetaObject::invokeMethod(
        m_poller,
        [poller = m_poller.data(), type = int(control.type()), index = control.index(), value] {
            poller->setVirtual(type, index, value);
        },
        Qt::QueuedConnection);
    return true;
}
