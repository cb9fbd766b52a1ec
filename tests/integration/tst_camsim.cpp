// The simulator as the ground station sees it: a real process on loopback,
// its replies and reports decoded by the program's own device state.

#include "CamsimHarness.h"
#include "common/TestMain.h"
#include "link/Payload.h"
#include "state/GimbalState.h"

#include <QFile>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace camsim_test;

namespace
{

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

const QByteArray Query = bytes({0x01, 0x00});

QByteArray photoCommand()
{
    return QByteArray(54, '\0');
}

double attitudeYaw(const Received &r)
{
    return Payload::readS16(r.frame.payload, 0) / 100.0;
}

} // namespace

class CamsimProtocolTest : public QObject
{
    Q_OBJECT

private slots:
    void readBacksDecodeInTheProgramsState()
    {
        CAMSIM_START(sim, QStringLiteral("--model"), QStringLiteral("Heron"));
        Client c(sim.port);
        GimbalState state;

        QByteArray r = c.request(0x0018, Query);
        QCOMPARE(result(r), quint16(0));
        state.updateGimbalVersion(r);
        QCOMPARE(state.property("gimbalHwVersion").toString(), QStringLiteral("1.2.0"));
        QCOMPARE(state.property("gimbalSwVersion").toString(), QStringLiteral("3.4.17"));
        state.updateCameraVersion(c.request(0x0317, Query));
        state.updateKernelVersion(c.request(0x033A, Query));
        state.updateDeviceSn(c.request(0x0337, Query));
        state.updateCoreTemp(c.request(0x0325, Query));
        QCOMPARE(state.property("cameraVersion").toString(), QStringLiteral("2.6.31"));
        QCOMPARE(state.property("kernelVersion").toString(), QStringLiteral("5.10.120"));
        QVERIFY(state.property("deviceSn").toString().startsWith(QStringLiteral("SKHERON")));
        QVERIFY(state.property("coreTemp").toDouble() > 30.0);

        // Settings are remembered and read back.
        QCOMPARE(result(c.request(0x0342, bytes({2, 0}))), quint16(0));
        state.updateUartProtocol(c.request(0x0343, Query));
        QCOMPARE(state.property("uartProtocol").toInt(), 2);

        QCOMPARE(result(c.request(0x0311, bytes({0, 10, 1, 2, 3, 255, 255, 0, 0, 10, 1, 2, 1}))),
                 quint16(0));
        state.updateCameraIpConfig(c.request(0x0312, Query));
        QCOMPARE(state.property("cameraIp").toString(), QStringLiteral("10.1.2.3"));
        QCOMPARE(state.property("cameraMask").toString(), QStringLiteral("255.255.0.0"));
        QCOMPARE(state.property("cameraGateway").toString(), QStringLiteral("10.1.2.1"));

        QCOMPARE(result(c.request(0x0334, bytes({1, 127, 0, 0, 1, 0x09, 0x1A, 0}))), quint16(0));
        state.updatePlaybackClientConfig(1, c.request(0x0339, bytes({2, 0})));
        QCOMPARE(state.property("downloadClientIp").toString(), QStringLiteral("127.0.0.1"));
        QCOMPARE(state.property("downloadClientPort").toInt(), 6665);

        c.request(0x0500, bytes({0xD0, 0x07, 0x64, 0x00, 0x00}));
        c.request(0x0501, bytes({0, 1, 2, 3, 4, 5, 6, 9}));
        c.request(0x0503, bytes({1, 0}));
        state.updateSbusConfig(c.request(0x0502, Query));
        QCOMPARE(state.property("sbusMax").toInt(), 2000);
        QCOMPARE(state.property("sbusMin").toInt(), 100);
        QCOMPARE(state.property("sbusCenterChannel").toInt(), 6);
        QCOMPARE(state.property("sbusIrPaletteChannel").toInt(), 9);
        QVERIFY(state.property("sbusEnabled").toBool());

        // OSD read-back: exactly 31 bytes and no result code in front.
        c.request(0x0329, bytes({0x85, 4, 2, 2, 0}));
        r = c.request(0x0335, Query);
        QCOMPARE(r.size(), 31);
        state.updateOsdConfig(r);
        const QVariantMap item5 = state.property("osdConfigs").toList().at(4).toMap();
        QCOMPARE(item5.value(QStringLiteral("enabled")).toBool(), true);
        QCOMPARE(item5.value(QStringLiteral("position")).toInt(), 4);
        QCOMPARE(item5.value(QStringLiteral("color")).toInt(), 2);

        QByteArray ai = bytes({1, 0, 0x05, 0x02});
        ai.append(QByteArray(14, '\0'));
        c.request(0x0319, ai);
        state.updateAiCategoriesConfig(c.request(0x0336, Query));
        QVERIFY(state.property("aiRecognitionEnabled").toBool());
        QCOMPARE(state.property("aiSelectedCategories").toList(), (QVariantList{1, 3, 10}));

        c.request(0x0202, bytes({0, 21}));
        c.request(0x0212, bytes({1, 3, 7, 0}));
        r = c.request(0x0200, Query);
        QVERIFY(r.size() >= 21);
        QVERIFY(state.updateVisibleParams(r));
        QCOMPARE(state.property("photoResolution").toInt(), 21);
        QCOMPARE(state.property("visFusionEnabled").toBool(), true);
        QCOMPARE(state.property("visFusionIrWeight").toInt(), 3);

        c.request(0x0106, bytes({5, 0}));
        c.request(0x0108, bytes({1, 0})); // measurement off
        c.request(0x0105, bytes({2, 0}));
        c.request(0x010E, bytes({7, 0}));
        c.request(0x010D, bytes({1, 30, 0}));
        c.request(0x0127, bytes({1, 6, 4, 0}));
        r = c.request(0x0100, Query);
        QVERIFY(r.size() >= 23);
        QVERIFY(state.updateInfraredParams(r));
        QCOMPARE(state.property("irPalette").toInt(), 5);
        QCOMPARE(state.property("irTempEnabled").toBool(), false);
        QCOMPARE(state.property("irZoom").toInt(), 2);
        QCOMPARE(state.property("irEnhanceEnabled").toBool(), true);
        QCOMPARE(state.property("irEnhanceLevel").toInt(), 7);
        QCOMPARE(state.property("irDenoiseEnabled").toBool(), true);
        QCOMPARE(state.property("irDenoiseLevel").toInt(), 30);
        QCOMPARE(state.property("irFusionVisWeight").toInt(), 6);

        // Single ranging: the distance follows the reply's result code.
        c.request(0x0012, bytes({1, 0x88, 0x13, 2, 0, 0, 0})); // pitch -50°
        QTRY_VERIFY_WITH_TIMEOUT((state.updateLaserDistance(c.request(0x0400, Query)),
                                  qAbs(state.property("laserDistance").toDouble() - 130.5) < 1.0),
                                 8000);
    }

    void refusalsCarryNonZeroResults()
    {
        CAMSIM_START(sim, QStringLiteral("--model"), QStringLiteral("Otter"),
                     QStringLiteral("--ack-result"), QStringLiteral("0x0302=5"),
                     QStringLiteral("--ack-result"), QStringLiteral("771=7"));
        Client c(sim.port);
        QCOMPARE(result(c.request(0x0ABC, Query)), quint16(1));          // unknown code
        QCOMPARE(result(c.request(0x0336, Query)), quint16(2));          // Otter has no AI
        QCOMPARE(result(c.request(0x0343, Query)), quint16(2));          // nor UART protocol choice
        QCOMPARE(result(c.request(0x030A, bytes({9, 0}))), quint16(3));  // no such resolution
        QCOMPARE(result(c.request(0x0302, photoCommand())), quint16(5)); // forced
        QCOMPARE(result(c.request(0x0303, QByteArray(54, '\1'))), quint16(7));
        // A forced refusal does not carry the command out: no progress report.
        c.collect(900);
        QVERIFY(c.framesOf(0x0302, 0).isEmpty());
    }

    void statusReportsArriveAtTheirRates()
    {
        CAMSIM_START(sim);
        Client c(sim.port);
        c.send(0x0018, Query); // makes the simulator know us
        c.collect(2000);
        const int attitude = c.framesOf(0x0002, 0).size();
        QVERIFY2(attitude >= 30 && attitude <= 50, qPrintable(QString::number(attitude)));
        for (quint16 code : {0x0001, 0x0003}) {
            const int n = c.framesOf(code, 0).size();
            QVERIFY2(n >= 1 && n <= 4, qPrintable(QStringLiteral("%1: %2").arg(code).arg(n)));
        }
        for (quint16 code : {0x0004, 0x0005}) {
            const int n = c.framesOf(code, 0).size();
            QVERIFY2(n >= 3 && n <= 6, qPrintable(QStringLiteral("%1: %2").arg(code).arg(n)));
        }
        GimbalState state;
        state.updateAttitude(c.framesOf(0x0002).last().frame.payload);
        state.updateGimbalStatus(c.framesOf(0x0001).last().frame.payload);
        state.updateCameraSystemStatus(c.framesOf(0x0003).last().frame.payload);
        state.updateIrStatus(c.framesOf(0x0004).last().frame.payload);
        QVERIFY(state.property("connected").toBool());
        QVERIFY(state.property("laserOK").toBool());
        QVERIFY(state.property("irCoreOK").toBool());
        QCOMPARE(state.property("sdStatus").toInt(), 0);
        QVERIFY(state.property("sdTotalMB").toInt() > 0);
        QVERIFY(state.property("irMaxTemp").toDouble() > state.property("irMinTemp").toDouble());
        QVERIFY(state.property("irMaxTempX").toInt() >= 0);
    }

    void secondStatusKindAndVisibleOnlyModel()
    {
        CAMSIM_START(sim, QStringLiteral("--status-kind"), QStringLiteral("2"),
                     QStringLiteral("--model"), QStringLiteral("Lynx-2"));
        Client c(sim.port);
        c.send(0x0018, Query);
        c.collect(1200);
        QVERIFY(!c.framesOf(0x0002, 2).isEmpty());
        QVERIFY(c.framesOf(0x0002, 0).isEmpty());
        QVERIFY(!c.framesOf(0x0005, 2).isEmpty());
        QVERIFY(c.framesOf(0x0004).isEmpty()); // no infrared camera, no infrared status
        QCOMPARE(result(c.request(0x0100, Query)), quint16(2));
        QCOMPARE(result(c.request(0x0400, Query)), quint16(2)); // and no laser
    }

    void speedCommandsMoveWhileTheyKeepComing()
    {
        CAMSIM_START(sim);
        Client c(sim.port);
        c.send(0x0017, bytes({30, 30, 0}));
        // Yaw right, repeated every 100 ms for one second.
        qint64 lastCommand = 0;
        for (int i = 0; i < 10; ++i) {
            c.send(0x0010, bytes({0x00, 1, 2, 0}));
            lastCommand = c.clock.elapsed();
            c.collect(100);
        }
        c.collect(500);
        const QVector<Received> att = c.framesOf(0x0002);
        QVERIFY(att.size() > 20);
        const double moved = attitudeYaw(att.last());
        QVERIFY2(moved > 20.0 && moved < 45.0, qPrintable(QString::number(moved)));
        // Stopped about 200 ms after the last command: later reports agree.
        for (const Received &r : att)
            if (r.atMs > lastCommand + 350)
                QCOMPARE(attitudeYaw(r), moved);

        // An angle beyond the model's pitch limit stops at the limit (+30°).
        c.send(0x0012, bytes({0, 0x40, 0x1F, 2, 0, 0, 0})); // pitch +80°
        QTRY_VERIFY_WITH_TIMEOUT(
            (c.pump(20), c.framesOf(0x0002).size() > 0 &&
                             Payload::readS16(c.framesOf(0x0002).last().frame.payload, 4) == 3000),
            6000);
    }

    void photoReportsProgressAndUsesTheCard()
    {
        CAMSIM_START(sim);
        Client c(sim.port);
        c.send(0x0018, Query);
        c.collect(1100);
        const int freeBefore = Payload::readU16(c.framesOf(0x0003).last().frame.payload, 11);
        QCOMPARE(result(c.request(0x0302, photoCommand())), quint16(0));
        c.collect(2200);
        QVector<int> steps;
        for (const Received &r : c.framesOf(0x0302, 0))
            steps.append(quint8(r.frame.payload.at(1)));
        QCOMPARE(steps, (QVector<int>{1, 2, 3, 0}));
        const int freeAfter = Payload::readU16(c.framesOf(0x0003).last().frame.payload, 11);
        QCOMPARE(freeAfter, freeBefore - 1); // one photo = 10 MB = one unit

        GimbalState state;
        state.updateCameraSystemStatus(c.framesOf(0x0003).last().frame.payload);
        state.updatePhotoStatus(c.framesOf(0x0302, 0).first().frame.payload);
        QCOMPARE(state.property("photoStatus").toInt(), 1);
    }

    void noCardRefusesCapture()
    {
        CAMSIM_START(sim, QStringLiteral("--sd"), QStringLiteral("none"));
        Client c(sim.port);
        QCOMPARE(result(c.request(0x0302, photoCommand())), quint16(4));
        c.collect(1100);
        GimbalState state;
        state.updateCameraSystemStatus(c.framesOf(0x0003).last().frame.payload);
        QCOMPARE(state.property("sdStatus").toInt(), 3);
        QCOMPARE(state.property("sdTotalMB").toInt(), 0);
    }

    void serialOverPseudoTerminal()
    {
        const QString link = QDir::tempPath() + QStringLiteral("/camsim-tst-%1").arg(getpid());
        CAMSIM_START(sim, QStringLiteral("--pty"), link, QStringLiteral("--udp-port=-1"));
        QVERIFY(sim.readyLine.contains(QStringLiteral("pty=") + link));
        const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        termios tio{};
        ::tcgetattr(fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
        ::tcflush(fd, TCIFLUSH);
        quint8 seq = 0;
        const QByteArray cmd = FrameCodec::encodeShortFrame(seq, 4, 1, 0x0317, Query);
        QCOMPARE(::write(fd, cmd.constData(), size_t(cmd.size())), ssize_t(cmd.size()));
        QByteArray buffer;
        bool gotAck = false, gotAttitude = false;
        QElapsedTimer t;
        t.start();
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
        while (t.elapsed() < 3000 && !(gotAck && gotAttitude)) {
            char chunk[512];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n > 0)
                buffer.append(chunk, int(n));
            else
                QTest::qWait(10);
            for (;;) {
                int consumed = 0;
                const ParsedFrame f = FrameCodec::decodeShortFrame(buffer, consumed);
                buffer.remove(0, consumed);
                if (f.valid && f.messageId == 0x010317u)
                    gotAck = f.payload.size() == 5;
                if (f.valid && f.messageId == 0x0002u)
                    gotAttitude = true;
                if (consumed == 0)
                    break;
            }
        }
        ::close(fd);
        QVERIFY(gotAck);
        QVERIFY(gotAttitude);
        sim.process.terminate();
        QVERIFY(sim.process.waitForFinished(3000));
        QVERIFY(!QFileInfo(link).isSymLink()); // removed on a clean stop
    }

    void refusesRemoteAddressesUnlessAllowed()
    {
        if (!simulatorBuilt())
            QSKIP("the simulator is not built");
        QProcess p;
        // Only parsed, never bound: the simulator refuses before opening anything.
        p.start(simulatorPath(), {QStringLiteral("--bind"), QStringLiteral("192.168.144.20"),
                                  QStringLiteral("--udp-port"), QStringLiteral("0")});
        QVERIFY(p.waitForFinished(5000));
        QVERIFY(p.exitCode() != 0);
        QVERIFY(p.readAllStandardError().contains("--allow-remote"));
        p.start(simulatorPath(), {QStringLiteral("--loss"), QStringLiteral("1.5")});
        QVERIFY(p.waitForFinished(5000));
        QVERIFY(p.exitCode() != 0);
        QVERIFY(p.readAllStandardError().contains("--loss"));
    }
};
SKYRIG_REGISTER_TEST(CamsimProtocolTest)

// Line faults measured through sequence numbers: the simulator numbers every
// frame it builds, so gaps are losses and repeats are duplicates.
class CamsimFaultTest : public QObject
{
    Q_OBJECT

    struct Stats {
        int built = 0, distinct = 0, repeats = 0, badCrc = 0, noisy = 0, datagrams = 0;
    };

    static Stats measure(Client &c)
    {
        Stats s;
        QSet<int> seen;
        int last = -1, unwrapped = 0, first = -1;
        for (const QByteArray &d : c.datagrams) {
            ++s.datagrams;
            if (!d.startsWith(char(0xFD)))
                ++s.noisy;
            const int start = d.indexOf(char(0xFD));
            QByteArray buffer = d.mid(start);
            int consumed = 0;
            const ParsedFrame f = FrameCodec::decodeShortFrame(buffer, consumed);
            if (!f.valid) {
                ++s.badCrc;
                continue;
            }
            int seq = f.sequence;
            if (last >= 0) {
                int step = (seq - last + 256) % 256;
                if (step > 200) // a duplicate arriving late, not a wrap
                    step = 0;
                unwrapped += step;
            }
            last = seq;
            if (first < 0)
                first = unwrapped;
            if (seen.contains(unwrapped))
                ++s.repeats;
            seen.insert(unwrapped);
        }
        s.built = unwrapped - first + 1;
        s.distinct = seen.size();
        return s;
    }

private slots:
    void faultsAtTheirRates()
    {
        if (!simulatorBuilt())
            QSKIP("the simulator is not built");
        const QStringList base{QStringLiteral("--attitude-hz"), QStringLiteral("250"),
                               QStringLiteral("--seed"), QStringLiteral("7")};
        const QStringList faults{QStringLiteral("--loss"), QStringLiteral("--duplicate"),
                                 QStringLiteral("--corrupt"), QStringLiteral("--garbage")};
        // All four simulators run at once, each with one fault at 10 %.
        std::vector<std::unique_ptr<SimProcess>> sims;
        std::vector<std::unique_ptr<Client>> clients;
        for (const QString &fault : faults) {
            sims.emplace_back(new SimProcess);
            QString error;
            QVERIFY2(sims.back()->start(base + QStringList{fault, QStringLiteral("0.1")}, &error),
                     qPrintable(error));
            clients.emplace_back(new Client(sims.back()->port));
            clients.back()->send(0x0018, Query);
        }
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 2500)
            for (auto &c : clients)
                c->pump(5);
        const auto near = [](double measured, double expected) {
            return measured > expected * 0.5 && measured < expected * 1.6;
        };
        const Stats loss = measure(*clients[0]);
        const Stats dup = measure(*clients[1]);
        const Stats corrupt = measure(*clients[2]);
        const Stats noise = measure(*clients[3]);
        const QString summary = QStringLiteral("loss %1/%2, dup %3/%4, crc %5/%6, noise %7/%8")
                                    .arg(loss.built - loss.distinct)
                                    .arg(loss.built)
                                    .arg(dup.repeats)
                                    .arg(dup.distinct)
                                    .arg(corrupt.badCrc)
                                    .arg(corrupt.datagrams)
                                    .arg(noise.noisy)
                                    .arg(noise.datagrams);
        qInfo("%s", qPrintable(summary));
        QVERIFY2(loss.built > 300, qPrintable(summary));
        QVERIFY2(near(double(loss.built - loss.distinct) / loss.built, 0.1), qPrintable(summary));
        QVERIFY2(near(double(dup.repeats) / dup.distinct, 0.1), qPrintable(summary));
        QVERIFY2(near(double(corrupt.badCrc) / corrupt.datagrams, 0.1), qPrintable(summary));
        QVERIFY2(near(double(noise.noisy) / noise.datagrams, 0.1), qPrintable(summary));
        // Fault-free counterparts: nothing lost, repeated, broken or noisy.
        QCOMPARE(dup.built, dup.distinct);
        QCOMPARE(loss.repeats + loss.badCrc + loss.noisy, 0);
        QCOMPARE(noise.badCrc, 0); // noise never swallows the frame behind it
    }

    void incomingLossDropsCommands()
    {
        CAMSIM_START(sim, QStringLiteral("--loss"), QStringLiteral("0.3"),
                     QStringLiteral("--attitude-hz"), QStringLiteral("1"),
                     QStringLiteral("--status-hz"), QStringLiteral("1"));
        Client c(sim.port);
        for (int i = 0; i < 200; ++i) {
            c.send(0x0317, Query);
            c.pump(2);
        }
        c.collect(800);
        // Both ways at 30 %: about half of the questions get an answer.
        const int answered = c.framesOf(0x0317, 1).size();
        QVERIFY2(answered > 70 && answered < 130, qPrintable(QString::number(answered)));
    }

    void sameSeedSameFaults()
    {
        if (!simulatorBuilt())
            QSKIP("the simulator is not built");
        QVector<QSet<int>> patterns;
        for (int run = 0; run < 2; ++run) {
            SimProcess sim;
            QString error;
            QVERIFY2(sim.start({QStringLiteral("--loss"), QStringLiteral("0.3"),
                                QStringLiteral("--attitude-hz"), QStringLiteral("100"),
                                QStringLiteral("--seed"), QStringLiteral("42")},
                               &error),
                     qPrintable(error));
            Client c(sim.port);
            c.send(0x0018, Query);
            c.collect(1500);
            QSet<int> seqs; // the first 100 sequence numbers that made it
            for (const Received &r : c.frames)
                if (r.frame.sequence < 100 && seqs.size() < 200)
                    seqs.insert(r.frame.sequence);
            patterns.append(seqs);
        }
        QVERIFY(patterns[0].size() > 40);
        QCOMPARE(patterns[0], patterns[1]);
    }
};
SKYRIG_REGISTER_TEST(CamsimFaultTest)

#include "tst_camsim.moc"
