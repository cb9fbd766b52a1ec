// The simulator as the ground station sees it: a real process on loopback,
// its replies and reports decoded by the program's own device state.

#include "CamsimHarness.h"
#include "camsim/ShortFrameReader.h"
#include "commands/GimbalController.h"
#include "commands/PlaybackController.h"
#include "common/TestMain.h"
#include "link/Payload.h"
#include "state/GimbalState.h"

#include <QFile>
#include <QSocketNotifier>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace camsim_test;

namespace
{

const QByteArray Query = bytes({0x01, 0x00});
const QByteArray PhotoCommand(54, '\0');

} // namespace

class CamsimProtocolTest : public QObject
{
    Q_OBJECT

private slots:
    void readBacksDecodeInTheProgramsState()
    {
        CAMSIM_START(sim, "--model Heron");
        Client c(sim.port);
        // Replies go through the controller's dispatch, as they do in the program.
        GimbalController controller;
        const auto is = [&](const char *names) {
            return skyrig_test::props(*controller.state(), names);
        };
        const auto ask = [&](quint16 code, const QByteArray &payload) {
            ParsedFrame reply;
            reply.valid = true;
            reply.messageId = (1u << 16) | code;
            reply.payload = c.request(code, payload);
            controller.onFrameReceived(reply);
            return reply.payload;
        };

        QCOMPARE(result(ask(0x0018, Query)), quint16(0));
        QCOMPARE(is("gimbalHwVersion gimbalSwVersion"), QVariantList({"1.2.0", "3.4.17"}));
        for (quint16 code : {0x0317, 0x033A, 0x0337, 0x0325})
            ask(code, Query);
        QCOMPARE(is("cameraVersion kernelVersion"), QVariantList({"2.6.31", "5.10.120"}));
        QVERIFY(is("deviceSn").first().toString().startsWith(QStringLiteral("SKHERON")));
        QVERIFY(is("coreTemp").first().toDouble() > 30.0);

        // Settings are remembered and read back.
        QCOMPARE(result(c.request(0x0342, bytes({2, 0}))), quint16(0));
        ask(0x0343, Query);
        QCOMPARE(is("uartProtocol"), QVariantList{2});

        c.request(0x0311, bytes({0, 10, 1, 2, 3, 255, 255, 0, 0, 10, 1, 2, 1}));
        ask(0x0312, Query);
        QCOMPARE(is("cameraIp cameraGateway"), QVariantList({"10.1.2.3", "10.1.2.1"}));

        c.request(0x0334, bytes({1, 127, 0, 0, 1, 0x09, 0x1A, 0}));
        controller.playback()->playbackClientGet(1); // which client the next reply is about
        ask(0x0339, bytes({2, 0}));
        QCOMPARE(is("downloadClientIp downloadClientPort"), QVariantList({"127.0.0.1", 6665}));

        c.request(0x0500, bytes({0xD0, 0x07, 0x64, 0x00, 0x00}));
        c.request(0x0501, bytes({0, 1, 2, 3, 4, 5, 6, 9}));
        c.request(0x0503, bytes({1, 0}));
        ask(0x0502, Query);
        QCOMPARE(is("sbusMax sbusMin sbusIrPaletteChannel sbusEnabled"),
                 QVariantList({2000, 100, 9, true}));

        // OSD read-back: exactly 31 bytes and no result code in front.
        c.request(0x0329, bytes({0x85, 4, 2, 2, 0}));
        QCOMPARE(ask(0x0335, Query).size(), 31);
        const QVariantMap item5 = is("osdConfigs").first().toList().at(4).toMap();
        QCOMPARE(item5.value(QStringLiteral("position")).toInt(), 4);
        QCOMPARE(item5.value(QStringLiteral("color")).toInt(), 2);

        c.request(0x0319, bytes({1, 0, 0x05, 0x02}) + QByteArray(14, '\0'));
        ask(0x0336, Query);
        QCOMPARE(is("aiSelectedCategories").first().toList(), (QVariantList{1, 3, 10}));

        c.request(0x0202, bytes({0, 21}));
        c.request(0x0212, bytes({1, 3, 7, 0}));
        ask(0x0200, Query);
        QCOMPARE(is("photoResolution visFusionIrWeight"), QVariantList({21, 3}));

        c.request(0x0106, bytes({5, 0}));
        c.request(0x0108, bytes({1, 0})); // measurement off
        c.request(0x010D, bytes({1, 30, 0}));
        c.request(0x0127, bytes({1, 6, 4, 0}));
        ask(0x0100, Query);
        QCOMPARE(is("irPalette irTempEnabled irDenoiseLevel irFusionVisWeight"),
                 QVariantList({5, false, 30, 6}));

        // Single ranging: the distance follows the pitch (-50°).
        c.request(0x0012, bytes({1, 0x88, 0x13, 2, 0, 0, 0}));
        QTRY_VERIFY_WITH_TIMEOUT(
            (ask(0x0400, Query), qAbs(is("laserDistance").first().toDouble() - 130.5) < 1.0),
            SlowWorkMs);
    }

    // Refusals carry non-zero results (a forced one carries nothing out), and
    // reports come in the chosen kind, only for what the model has.
    void refusalsAndReportsFollowTheOptions()
    {
        CAMSIM_START(sim,
                     "--status-kind 2 --model Lynx-2 --ack-result 0x0302=5 --ack-result 771=7");
        Client c(sim.port);
        QCOMPARE(result(c.request(0x0ABC, Query)), quint16(1));                // unknown code
        QCOMPARE(result(c.request(0x0100, Query)), quint16(2));                // no infrared camera
        QCOMPARE(result(c.request(0x0400, Query)), quint16(2));                // and no laser
        QCOMPARE(result(c.request(0x030A, bytes({9, 0}))), quint16(3));        // no such resolution
        QCOMPARE(result(c.request(0x0302, PhotoCommand)), quint16(5));         // forced, hex code
        QCOMPARE(result(c.request(0x0303, QByteArray(54, '\1'))), quint16(7)); // decimal code
        // Two visible reports: an infrared one, at the same rate, would be in too.
        QVERIFY(c.until([&] { return c.framesOf(0x0005, 2).size() >= 2; }));
        QVERIFY(!c.framesOf(0x0002, 2).isEmpty());
        QVERIFY(c.framesOf(0x0002, 0).isEmpty());
        QVERIFY(c.framesOf(0x0004).isEmpty());    // no infrared status either
        QVERIFY(c.framesOf(0x0302, 2).isEmpty()); // the forced refusal took no photo
    }

    // Reports at their rates while a photo is taken: its progress, and the
    // card giving up its room.
    void statusReportsAndAPhoto()
    {
        CAMSIM_START(sim, "");
        Client c(sim.port);
        const auto freeUnits = [&c] {
            return Payload::readU16(c.framesOf(0x0003, 0).last().frame.payload, 11);
        };
        const auto count = [&c](quint16 code) { return c.framesOf(code, 0).size(); };
        c.send(0x0018, Query); // makes the simulator know us
        QVERIFY(c.until([&] { return count(0x0003) > 0; }));
        const int freeBefore = freeUnits();
        QCOMPARE(result(c.request(0x0302, PhotoCommand)), quint16(0));
        QVector<int> steps;
        QVERIFY(c.until([&] {
            steps.clear();
            for (const Received &r : c.framesOf(0x0302, 0))
                steps.append(quint8(r.frame.payload.at(1)));
            return steps.size() >= 4;
        }));
        QCOMPARE(steps, (QVector<int>{1, 2, 3, 0}));
        // The next camera-system report shows one photo = 10 MB = one unit less.
        const int systemReports = count(0x0003);
        QVERIFY(c.until([&] { return count(0x0003) > systemReports; }));
        QCOMPARE(freeUnits(), freeBefore - 1);

        // Rates against the 1 Hz gimbal status, over four of its periods:
        // attitude at 20 Hz, IR and visible at 2 Hz, the camera system at
        // 1 Hz. A loaded machine delays every timer of the simulator alike,
        // so the ratios hold where counts over a wall-clock window would not.
        const int statusAt = count(0x0001);
        QHash<quint16, int> from;
        for (quint16 code : {0x0002, 0x0003, 0x0004, 0x0005})
            from[code] = count(code);
        QVERIFY(c.until([&] { return count(0x0001) >= statusAt + 4; }));
        const QVector<QPair<quint16, QPair<int, int>>> perStatus{
            {0x0002, {40, 100}}, {0x0003, {2, 6}}, {0x0004, {5, 12}}, {0x0005, {5, 12}}};
        for (const auto &rate : perStatus) {
            const int n = count(rate.first) - from[rate.first];
            QVERIFY2(n >= rate.second.first && n <= rate.second.second,
                     qPrintable(QStringLiteral("%1: %2 in four seconds").arg(rate.first).arg(n)));
        }

        GimbalState state;
        state.updateAttitude(c.framesOf(0x0002).last().frame.payload);
        state.updateGimbalStatus(c.framesOf(0x0001).last().frame.payload);
        state.updateCameraSystemStatus(c.framesOf(0x0003).last().frame.payload);
        state.updateIrStatus(c.framesOf(0x0004).last().frame.payload);
        state.updatePhotoStatus(c.framesOf(0x0302, 0).first().frame.payload);
        QCOMPARE(skyrig_test::props(state, "connected laserOK sdStatus photoStatus"),
                 QVariantList({true, true, 0, 1}));
        QVERIFY(state.property("sdTotalMB").toInt() > 0);
        QVERIFY(state.property("irMaxTemp").toDouble() > state.property("irMinTemp").toDouble());
    }

    void serialOverPseudoTerminal()
    {
        const QString link = QDir::tempPath() + QStringLiteral("/camsim-tst-%1").arg(getpid());
        CAMSIM_START(sim, qPrintable(QStringLiteral("--udp-port=-1 --pty ") + link));
        QVERIFY(sim.readyLine.contains(QStringLiteral("pty=") + link));
        const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        termios tio{};
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
        quint8 seq = 0;
        const QByteArray cmd = FrameCodec::encodeShortFrame(seq, 4, 1, 0x0317, Query);
        QCOMPARE(::write(fd, cmd.constData(), size_t(cmd.size())), ssize_t(cmd.size()));
        QByteArray buffer;
        bool gotAck = false, gotAttitude = false;
        QSocketNotifier readable(fd, QSocketNotifier::Read);
        connect(&readable, &QSocketNotifier::activated, this, [&] {
            char chunk[512];
            for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;)
                buffer.append(chunk, int(n));
            for (const ParsedFrame &f : ShortFrameReader::take(buffer)) {
                gotAck = gotAck || (f.messageId == 0x010317u && f.payload.size() == 5);
                gotAttitude = gotAttitude || f.messageId == 0x0002u;
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(gotAck && gotAttitude, SlowWorkMs);
        readable.setEnabled(false);
        ::close(fd);
        sim.process.terminate();
        QVERIFY(sim.process.waitForFinished(SlowWorkMs));
        QVERIFY(!QFileInfo(link).isSymLink()); // removed on a clean stop
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

    static Stats measure(const Client &c)
    {
        Stats s;
        QSet<int> seen;
        int last = -1, unwrapped = 0;
        for (const QByteArray &d : c.datagrams) {
            ++s.datagrams;
            s.noisy += !d.startsWith(char(0xFD));
            QByteArray buffer = d.mid(d.indexOf(char(0xFD)));
            int consumed = 0;
            const ParsedFrame f = FrameCodec::decodeShortFrame(buffer, consumed);
            if (!f.valid) {
                ++s.badCrc;
                continue;
            }
            if (last >= 0) {
                const int step = (f.sequence - last + 256) % 256;
                unwrapped += step > 200 ? 0 : step; // a late duplicate, not a wrap
            }
            last = f.sequence;
            s.repeats += seen.contains(unwrapped);
            seen.insert(unwrapped);
        }
        s.built = unwrapped + 1;
        s.distinct = seen.size();
        return s;
    }

private slots:
    void faultsAtTheirRates()
    {
        if (!QFileInfo(simulatorPath()).isExecutable())
            QSKIP("the simulator is not built");
        // All four simulators run at once, each with one fault at 10 % and a fixed seed.
        const QStringList faults = words("--loss --duplicate --corrupt --garbage");
        std::vector<std::unique_ptr<SimProcess>> sims;
        std::vector<std::unique_ptr<Client>> clients;
        for (const QString &fault : faults) {
            sims.emplace_back(new SimProcess);
            QString error;
            QVERIFY2(
                sims.back()->start(words("--attitude-hz 250 --seed 7") << fault << "0.1", &error),
                qPrintable(error));
            clients.emplace_back(new Client(sims.back()->port));
            clients.back()->send(0x0018, Query);
        }
        // The lossy one is also asked 200 questions, one every 10 ms: lost on
        // the way in or their answers on the way out.
        QElapsedTimer t;
        t.start();
        for (int asked = 0; asked < 200 || t.elapsed() < 2500;) {
            for (; asked < 200 && asked * 10 <= t.elapsed(); ++asked)
                clients[0]->send(0x0317, Query);
            for (auto &c : clients)
                c->pump(5);
        }
        // Answers come in order: once one to a later question is in, every
        // answer that was not lost is.
        const int fences = clients[0]->framesOf(0x0018, 1).size();
        QVERIFY(QTest::qWaitFor(
            [&] {
                clients[0]->send(0x0018, Query);
                clients[0]->pump(100);
                return clients[0]->framesOf(0x0018, 1).size() > fences;
            },
            SlowWorkMs));
        const Stats loss = measure(*clients[0]), dup = measure(*clients[1]),
                    corrupt = measure(*clients[2]), noise = measure(*clients[3]);
        const double rates[] = {
            double(loss.built - loss.distinct) / loss.built, double(dup.repeats) / dup.distinct,
            double(corrupt.badCrc) / corrupt.datagrams, double(noise.noisy) / noise.datagrams};
        QVERIFY2(loss.built > 300, qPrintable(QString::number(loss.built)));
        for (int i = 0; i < 4; ++i)
            QVERIFY2(rates[i] > 0.05 && rates[i] < 0.16,
                     qPrintable(faults[i] + QStringLiteral(" at ") + QString::number(rates[i])));
        // Each fault alone: nothing lost, repeated, broken or noisy besides it.
        QCOMPARE(dup.built, dup.distinct);
        QCOMPARE(loss.repeats + loss.badCrc + loss.noisy, 0);
        QCOMPARE(noise.badCrc, 0); // noise never swallows the frame behind it
        // 10 % each way: about 81 % of the questions get an answer.
        const int answered = clients[0]->framesOf(0x0317, 1).size();
        QVERIFY2(answered > 135 && answered < 190, qPrintable(QString::number(answered)));
    }
};
SKYRIG_REGISTER_TEST(CamsimFaultTest)

#include "tst_camsim.moc"
