// Decoding rate of the busiest status reports, signals included: attitude
// and camera system status arrive continuously while a device is connected.

#include "link/Payload.h"
#include "state/GimbalState.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTextStream>

#include <functional>

namespace
{

struct Figure {
    double perSecond;
    quint64 signalCount;
};

Figure measure(const std::function<void(int)> &update, const quint64 &signalCount, int rounds)
{
    // Warm up so the first allocations of the signal machinery are not counted.
    for (int i = 0; i < 1000; ++i)
        update(i);
    const quint64 before = signalCount;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        update(i);
    const qint64 ns = qMax<qint64>(timer.nsecsElapsed(), 1);
    return {double(rounds) * 1e9 / double(ns), signalCount - before};
}

} // namespace

int main()
{
    constexpr int rounds = 2000000;
    QTextStream out(stdout);
    GimbalState state;
    quint64 signalCount = 0;
    const auto count = [&signalCount] { ++signalCount; };
    QObject::connect(&state, &GimbalState::attitudeChanged, count);
    QObject::connect(&state, &GimbalState::stateChanged, count);
    QObject::connect(&state, &GimbalState::cameraStatusChanged, count);
    QObject::connect(&state, &GimbalState::photoStatusChanged, count);
    QObject::connect(&state, &GimbalState::recordStatusChanged, count);

    QByteArray attitude;
    for (int i = 0; i < 9; ++i)
        Payload::appendS16(attitude, qint16(-4500 + 1000 * i));
    const Figure a = measure(
        [&](int i) {
            attitude[0] = char(i); // a fresh value each time, as on the wire
            state.updateAttitude(attitude);
        },
        signalCount, rounds);
    out << "updateAttitude: " << qRound64(a.perSecond) << " reports/s, "
        << double(a.signalCount) / rounds << " signals/report\n";

    QByteArray camera;
    for (int i = 0; i < 9; ++i)
        Payload::appendU8(camera, i == 8 ? 0 : i);
    Payload::appendU16(camera, 0xFFFF);
    Payload::appendU16(camera, 3000);
    Payload::appendU16(camera, 200);
    Payload::appendU8(camera, 0);
    const Figure c = measure(
        [&](int i) {
            camera[11] = char(i);
            state.updateCameraSystemStatus(camera);
        },
        signalCount, rounds);
    out << "updateCameraSystemStatus: " << qRound64(c.perSecond) << " reports/s, "
        << double(c.signalCount) / rounds << " signals/report\n";
    return 0;
}
