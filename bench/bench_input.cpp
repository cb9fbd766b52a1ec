// Game controller to the wire: how long a stick change takes to become a
// command datagram (p50/p95, goal p95 < 25 ms), and how many commands per
// second a stick held still sends, against the pad held down (goal: no more).
// The controller is SDL's virtual one, read by the program's own poller on
// its own thread; the commands go out over a real UDP link to a loopback
// socket.

#include "catalog/CameraModelBridge.h"
#include "commands/GimbalController.h"
#include "input/GamepadService.h"
#include "input/GimbalSteering.h"
#include "input/InputRouter.h"
#include "link/FrameCodec.h"
#include "link/TransportManager.h"
#include "link/UdpTransport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <functional>

namespace
{

struct Arrival {
    quint16 code;
    QByteArray payload;
    qint64 ns;
};

bool runUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done();
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double percentile(QVector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[qMin(v.size() - 1, int(p * v.size()))];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTextStream out(stdout);

    QUdpSocket wire;
    wire.bind(QHostAddress(QHostAddress::LocalHost), 0);
    QElapsedTimer clock;
    clock.start();
    QVector<Arrival> arrivals;
    QObject::connect(&wire, &QUdpSocket::readyRead, [&] {
        while (wire.hasPendingDatagrams()) {
            const QByteArray d = wire.receiveDatagram().data();
            int used = 0;
            const ParsedFrame f = FrameCodec::decodeShortFrame(d, used);
            if (f.valid)
                arrivals.append(
                    {FrameCodec::commandCode(f.messageId), f.payload, clock.nsecsElapsed()});
        }
    });

    TransportManager manager;
    UdpTransport udp;
    udp.setTarget(QHostAddress::LocalHost, wire.localPort());
    if (!udp.open()) {
        out << "cannot open the UDP link: " << udp.errorString() << "\n";
        return 1;
    }
    manager.setTransport(&udp);
    GimbalController controller;
    controller.setTransportManager(&manager);
    CameraModelBridge camera(&controller);
    GimbalSteering steering(&controller, controller.state(), &camera);
    steering.setLinkUp(true);
    GamepadService pads;
    InputRouter router(&steering, &pads);

    bool attached = false;
    QObject::connect(&pads, &GamepadService::started, [&](bool ok) {
        if (ok)
            pads.attachVirtual();
    });
    QObject::connect(&pads, &GamepadService::virtualAttached,
                     [&](bool ok, const QString &) { attached = ok; });
    pads.start(true);
    const bool ready = runUntil(
        [&] {
            if (!attached || pads.devices().isEmpty())
                return false;
            for (const AxisCalibration &c : pads.devices().first().calibration) {
                if (c.state() == AxisCalibration::Settling)
                    return false;
            }
            return true;
        },
        5000);
    if (!ready) {
        out << "the virtual controller did not come up: " << pads.errorText() << "\n";
        return 1;
    }
    QString error;
    const auto set = [&](double leftx) { pads.setVirtual(QStringLiteral("leftx"), leftx, &error); };
    const auto count = [&](qint64 fromNs) {
        return int(std::count_if(arrivals.begin(), arrivals.end(), [fromNs](const Arrival &a) {
            return a.ns >= fromNs && (a.code == 0x0010 || a.code == 0x0017);
        }));
    };

    // Latency: the stick from rest to 80 % and back, each change timed from
    // the moment it is set on the controller to the datagram's arrival.
    const int changes = 200;
    QVector<double> latencies;
    QVector<double> stops; // centred: the stop
    for (int i = 0; i < changes; ++i) {
        const bool push = i % 2 == 0;
        const QByteArray wanted =
            push ? QByteArray::fromHex("00010200") : QByteArray::fromHex("00020200");
        const qint64 t0 = clock.nsecsElapsed();
        set(push ? 0.8 : 0.0);
        const bool seen = runUntil(
            [&] {
                return std::any_of(arrivals.begin(), arrivals.end(), [&](const Arrival &a) {
                    return a.ns >= t0 && a.code == 0x0010 && a.payload == wanted;
                });
            },
            1000);
        if (seen) {
            const auto hit = std::find_if(arrivals.begin(), arrivals.end(), [&](const Arrival &a) {
                return a.ns >= t0 && a.code == 0x0010 && a.payload == wanted;
            });
            latencies.append((hit->ns - t0) / 1e6);
            if (!push)
                stops.append(latencies.last());
        }
        // Let the stop's repeats pass before the next change.
        runFor(push ? 60 : 150);
    }
    out << "stick change -> command on the wire (" << latencies.size() << " of " << changes
        << " changes seen): p50 " << QString::number(percentile(latencies, 0.5), 'f', 1)
        << " ms, p95 " << QString::number(percentile(latencies, 0.95), 'f', 1) << " ms, max "
        << QString::number(percentile(latencies, 1.0), 'f', 1) << " ms (goal p95 < 25 ms); "
        << "centred -> stop: p95 " << QString::number(percentile(stops, 0.95), 'f', 1)
        << " ms, max " << QString::number(percentile(stops, 1.0), 'f', 1)
        << " ms (goal: within 100 ms)\n";

    const int holdMs = 3000;
    const auto perSecond = [holdMs](int n) { return QString::number(n * 1000.0 / holdMs, 'f', 1); };

    // Held still at 70 %.
    set(0.7);
    runFor(500);
    qint64 from = clock.nsecsElapsed();
    runFor(holdMs);
    const int still = count(from);
    set(0);
    runFor(300);

    // Held by a thumb: the stick wanders 2 % either way around 70 %.
    set(0.7);
    runFor(500);
    from = clock.nsecsElapsed();
    QTimer wobble;
    QObject::connect(&wobble, &QTimer::timeout, [&] {
        set(0.7 + (QRandomGenerator::global()->generateDouble() - 0.5) * 0.04);
    });
    wobble.start(10);
    runFor(holdMs);
    wobble.stop();
    const int wandering = count(from);
    set(0);
    runFor(300);

    // The on-screen pad held down.
    steering.padPress(QStringLiteral("right"));
    runFor(500);
    from = clock.nsecsElapsed();
    runFor(holdMs);
    const int pad = count(from);
    steering.padRelease();
    runFor(300);

    out << "commands per second, stick held still: " << perSecond(still)
        << "; stick held by a thumb (+-2 %): " << perSecond(wandering)
        << "; pad held: " << perSecond(pad) << " (goal: the stick no more than the pad)\n";
    pads.detachVirtual();
    return 0;
}
