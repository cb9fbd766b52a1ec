// The controller facade: link handshake timing over real UDP and serial links,
// inbound dispatch into the device state, acknowledgement result rules, the
// split-screen tracking rule and the AI-recognition confirmation.

#include "common/TestMain.h"

#include "catalog/GimbalModel.h"
#include "commands/GimbalController.h"
#include "link/FrameCodec.h"
#include "link/SerialTransport.h"
#include "link/TransportManager.h"
#include "link/UdpTransport.h"
#include "state/GimbalState.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QUdpSocket>
#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace
{

// Collects the frames a camera stand-in receives, with the time each arrived.
class FramePeer : public QObject
{
    Q_OBJECT
public:
    struct Seen {
        quint16 code;
        QByteArray payload;
        qint64 at;
    };

    explicit FramePeer(const QElapsedTimer &clock) : m_clock(clock) {}

    void feed(const QByteArray &bytes)
    {
        m_buffer += bytes;
        for (;;) {
            int consumed = 0;
            const ParsedFrame frame = FrameCodec::decodeShortFrame(m_buffer, consumed);
            if (consumed <= 0)
                break;
            m_buffer.remove(0, consumed);
            if (!frame.valid)
                continue;
            const quint16 code = FrameCodec::commandCode(frame.messageId);
            seen.append({code, frame.payload, m_clock.elapsed()});
            emit frameSeen(code);
        }
    }
    int count(quint16 code) const
    {
        return int(std::count_if(seen.begin(), seen.end(),
                                 [code](const Seen &s) { return s.code == code; }));
    }
    qint64 firstAt(quint16 code) const
    {
        for (const Seen &s : seen) {
            if (s.code == code)
                return s.at;
        }
        return -1;
    }

    QVector<Seen> seen;

signals:
    void frameSeen(quint16 code);

private:
    const QElapsedTimer &m_clock;
    QByteArray m_buffer;
};

class UdpPeer : public FramePeer
{
    Q_OBJECT
public:
    explicit UdpPeer(const QElapsedTimer &clock) : FramePeer(clock)
    {
        m_socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
        connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
            while (m_socket.hasPendingDatagrams()) {
                QByteArray datagram(int(m_socket.pendingDatagramSize()), '\0');
                m_socket.readDatagram(datagram.data(), datagram.size());
                feed(datagram);
            }
        });
    }
    quint16 port() const { return m_socket.localPort(); }

private:
    QUdpSocket m_socket;
};

// The master side of a pseudo-terminal; the program opens the slave as its
// serial port.
class PtyPeer : public FramePeer
{
    Q_OBJECT
public:
    explicit PtyPeer(const QElapsedTimer &clock) : FramePeer(clock)
    {
        char name[128] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        termios raw{};
        tcgetattr(m_slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(m_slave, TCSANOW, &raw);
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_slaveName = QString::fromLocal8Bit(name);
        m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            char bytes[512];
            const ssize_t n = ::read(m_master, bytes, sizeof bytes);
            if (n > 0)
                feed(QByteArray(bytes, int(n)));
        });
    }
    ~PtyPeer() override
    {
        delete m_notifier;
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }
    QString slaveName() const { return m_slaveName; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slaveName;
    QSocketNotifier *m_notifier = nullptr;
};

ParsedFrame frameOf(quint8 kind, quint16 code, const QByteArray &payload)
{
    ParsedFrame frame;
    frame.valid = true;
    frame.messageId = (quint32(kind) << 16) | code;
    frame.payload = payload;
    return frame;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QStringList texts(const QSignalSpy &spy)
{
    QStringList out;
    for (const QList<QVariant> &args : spy)
        out.append(args.at(0).toString());
    return out;
}

// Every frame the transport manager wrote, as (code, payload), in order.
QVector<QPair<quint16, QByteArray>> sentFrames(const QSignalSpy &commandSent)
{
    QVector<QPair<quint16, QByteArray>> out;
    for (const QList<QVariant> &args : commandSent) {
        int consumed = 0;
        const ParsedFrame frame = FrameCodec::decodeShortFrame(args.at(2).toByteArray(), consumed);
        out.append({FrameCodec::commandCode(frame.messageId), frame.payload});
    }
    return out;
}

QVector<quint16> sentCodes(const QSignalSpy &commandSent)
{
    QVector<quint16> codes;
    for (const auto &frame : sentFrames(commandSent))
        codes.append(frame.first);
    return codes;
}

// A controller on a real UDP link to a loopback peer.
struct UdpRig {
    QElapsedTimer clock;
    UdpPeer peer{clock};
    TransportManager manager;
    UdpTransport transport;
    GimbalController controller;

    bool start()
    {
        transport.setTarget(QHostAddress::LocalHost, peer.port());
        if (!transport.open())
            return false;
        controller.setTransportManager(&manager);
        clock.start();
        manager.setTransport(&transport);
        return true;
    }
};

// A log text in either language: which one a line takes depends on the
// language setting at the moment it is made, which this test does not own.
struct Text {
    QString en;
    QString zh;
    bool matches(const QString &line) const { return line == en || line == zh; }
    int countIn(const QStringList &lines) const
    {
        return int(std::count_if(lines.begin(), lines.end(),
                                 [this](const QString &line) { return matches(line); }));
    }
    bool in(const QStringList &lines) const { return countIn(lines) > 0; }
};

const Text TrackingRefused{
    QStringLiteral("[Tracking/Hint] Tracking is not allowed in split-screen mode"),
    QStringLiteral("[追踪/提示] 分屏模式下不能开启跟踪")};
const Text NoTransportManager{QStringLiteral("[Comm/Dropped] Controller has no transport manager"),
                              QStringLiteral("[通信/未发送] 控制器未绑定通信管理器")};
const Text AiTimeoutHint{
    QStringLiteral("[Recognition/Hint] No AI-set ACK; reading device config to verify"),
    QStringLiteral("[识别/提示] 超时未收到 AI 识别设置 ACK，正在回读机端配置确认")};
const Text AiStillOffHint{
    QStringLiteral("[Recognition/Hint] Device still OFF. Stop tracking first, then enable "
                   "recognition"),
    QStringLiteral("[识别/提示] 回读仍为关闭：设备未生效。请先点视频区「停止追踪」后再开识别")};
const Text AiByReport{QStringLiteral("[Recognition] Target report received (set took effect)"),
                      QStringLiteral("[识别] 已收到识别目标上报（设置已生效）")};
const Text AiByStatus{QStringLiteral("[Recognition] Status frame received (set took effect)"),
                      QStringLiteral("[识别] 已收到识别状态帧（设置已生效）")};

constexpr quint16 TimeSyncCode = 0x030E;

} // namespace

// ---------------------------------------------------------------------------

class ControllerHandshakeTest : public QObject
{
    Q_OBJECT
private slots:
    void delaysAreTheDeviceTimings()
    {
        QCOMPARE(GimbalController::Delays::HandshakeUart, 1000);
        QCOMPARE(GimbalController::Delays::HandshakeUdp, 300);
        QCOMPARE(GimbalController::Delays::ReadyAfterTimeSync, 200);
        QCOMPARE(GimbalController::Delays::ResyncAfterPeerChange, 300);
        QCOMPARE(GimbalController::Delays::AiConfirmTimeout, 1500);
        QCOMPARE(GimbalController::Delays::AiReadBackHint, 800);
    }

    void udpLinkSyncsTimeThenBecomesReady()
    {
        UdpRig rig;
        qint64 readyAt = -1;
        QObject::connect(&rig.controller, &GimbalController::handshakeReadyChanged, [&] {
            if (rig.controller.handshakeReady())
                readyAt = rig.clock.elapsed();
        });
        QVERIFY(rig.start());
        QVERIFY(!rig.controller.handshakeReady());
        QTRY_VERIFY_WITH_TIMEOUT(readyAt >= 0, 5000);
        QTRY_COMPARE(rig.peer.count(TimeSyncCode), 1);

        const qint64 syncAt = rig.peer.firstAt(TimeSyncCode);
        QVERIFY2(syncAt >= 299, qPrintable(QString::number(syncAt)));
        QVERIFY2(syncAt < 300 + 1500, qPrintable(QString::number(syncAt)));
        QVERIFY2(readyAt >= 499, qPrintable(QString::number(readyAt)));
        QVERIFY2(readyAt < 500 + 2000, qPrintable(QString::number(readyAt)));
        // The time sync is the first thing the device hears.
        QCOMPARE(rig.peer.seen.first().code, TimeSyncCode);
        QCOMPARE(rig.peer.seen.first().payload.size(), 16);
    }

    void serialLinkWaitsLonger()
    {
        QElapsedTimer clock;
        PtyPeer peer(clock);
        QVERIFY(!peer.slaveName().isEmpty());
        TransportManager manager;
        SerialTransport transport;
        transport.setPortName(peer.slaveName());
        transport.setBaudRate(115200);
        GimbalController controller;
        controller.setTransportManager(&manager);
        qint64 readyAt = -1;
        QObject::connect(&controller, &GimbalController::handshakeReadyChanged, [&] {
            if (controller.handshakeReady())
                readyAt = clock.elapsed();
        });
        QVERIFY2(transport.open(), qPrintable(transport.errorString()));
        clock.start();
        manager.setTransport(&transport);
        QCOMPARE(manager.mediumName(), QStringLiteral("UART"));

        QTRY_VERIFY_WITH_TIMEOUT(readyAt >= 0, 6000);
        QTRY_COMPARE(peer.count(TimeSyncCode), 1);
        const qint64 syncAt = peer.firstAt(TimeSyncCode);
        QVERIFY2(syncAt >= 999, qPrintable(QString::number(syncAt)));
        QVERIFY2(syncAt < 1000 + 2000, qPrintable(QString::number(syncAt)));
        QVERIFY2(readyAt >= 1199, qPrintable(QString::number(readyAt)));
        QVERIFY2(readyAt >= syncAt, qPrintable(QString::number(readyAt)));
        transport.close();
    }

    void closingEarlyCancelsTheHandshake()
    {
        UdpRig rig;
        QSignalSpy ready(&rig.controller, &GimbalController::handshakeReadyChanged);
        QVERIFY(rig.start());
        QTimer::singleShot(100, &rig.transport, [&rig] { rig.transport.close(); });
        // Well past the point where the time sync and readiness would have come.
        QVERIFY(!ready.wait(900));
        QVERIFY(!rig.controller.handshakeReady());
        QCOMPARE(rig.peer.count(TimeSyncCode), 0);
    }

    void droppingTheLinkClearsReadiness()
    {
        UdpRig rig;
        QVERIFY(rig.start());
        QTRY_VERIFY_WITH_TIMEOUT(rig.controller.handshakeReady(), 5000);
        QSignalSpy ready(&rig.controller, &GimbalController::handshakeReadyChanged);
        rig.transport.close();
        QVERIFY(!rig.controller.handshakeReady());
        QCOMPARE(ready.count(), 1);

        // Reopening starts over from not-ready; detaching the manager clears it too.
        QVERIFY(rig.transport.open());
        QTRY_VERIFY_WITH_TIMEOUT(rig.controller.handshakeReady(), 5000);
        rig.controller.setTransportManager(nullptr);
        QVERIFY(!rig.controller.handshakeReady());
    }

    void managerAttachedToAnOpenLinkStartsTheHandshake()
    {
        QElapsedTimer clock;
        UdpPeer peer(clock);
        TransportManager manager;
        UdpTransport transport;
        transport.setTarget(QHostAddress::LocalHost, peer.port());
        QVERIFY(transport.open());
        manager.setTransport(&transport);
        GimbalController controller;
        controller.setTransportManager(&manager);
        QTRY_VERIFY_WITH_TIMEOUT(controller.handshakeReady(), 5000);
        QCOMPARE(peer.count(TimeSyncCode), 1);
    }

    void timeSyncOnRequestOnlyWhenReady()
    {
        UdpRig rig;
        QVERIFY(rig.start());
        // Not ready yet: ignored, and it must not disturb the running handshake.
        rig.controller.requestTimeSync();
        QTRY_VERIFY_WITH_TIMEOUT(rig.controller.handshakeReady(), 5000);
        QTRY_COMPARE(rig.peer.count(TimeSyncCode), 1);

        QElapsedTimer sinceRequest;
        sinceRequest.start();
        rig.controller.requestTimeSync();
        QTRY_COMPARE_WITH_TIMEOUT(rig.peer.count(TimeSyncCode), 2, 3000);
        QVERIFY2(sinceRequest.elapsed() >= 299,
                 qPrintable(QString::number(sinceRequest.elapsed())));
        QVERIFY(rig.controller.handshakeReady());
    }
};
SKYRIG_REGISTER_TEST(ControllerHandshakeTest)

// ---------------------------------------------------------------------------

class ControllerDispatchTest : public QObject
{
    Q_OBJECT
private slots:
    void statusFramesOfBothKindsFeedTheState()
    {
        for (quint8 kind : {quint8(0), quint8(2)}) {
            GimbalController c;
            GimbalState *s = c.state();
            c.onFrameReceived(frameOf(kind, 0x0001, bytes({0x3A, 5, 0x05, 0, 0})));
            QCOMPARE(s->property("gimbalConnStatus").toInt(), 10);
            QByteArray attitude(18, '\0');
            attitude[0] = char(0xD2); // 1234 -> 12.34 degrees
            attitude[1] = char(0x04);
            c.onFrameReceived(frameOf(kind, 0x0002, attitude));
            QCOMPARE(s->property("yawJoint").toFloat(), 12.34f);
            QByteArray system(16, '\0');
            system[3] = 6;
            c.onFrameReceived(frameOf(kind, 0x0003, system));
            QCOMPARE(s->property("streamMode").toInt(), 6);
            QByteArray ir(10, '\0');
            ir[0] = char(0xFB); // 251 -> 25.1 degrees
            c.onFrameReceived(frameOf(kind, 0x0004, ir));
            QCOMPARE(s->property("irMaxTemp").toFloat(), 25.1f);
            QByteArray vis(12, '\0');
            vis[6] = char(0x90); // ISO 400
            vis[7] = char(0x01);
            c.onFrameReceived(frameOf(kind, 0x0005, vis));
            QCOMPARE(s->property("isoValue").toInt(), 400);
            c.onFrameReceived(frameOf(kind, 0x0302, bytes({0, 2})));
            QCOMPARE(s->property("photoStatus").toInt(), 2);
            c.onFrameReceived(frameOf(kind, 0x0303, bytes({0, 1, 30, 0})));
            QCOMPARE(s->property("recordStatus").toInt(), 1);
            QCOMPARE(s->property("recordDuration").toInt(), 30);
            c.onFrameReceived(frameOf(kind, 0x0008, bytes({1, 2, 3}))); // accepted, changes nothing
        }
    }

    void secondKindOnlyCodes()
    {
        GimbalController c;
        GimbalState *s = c.state();
        const QByteArray laser = bytes({0, 0, 0x39, 0x30}); // 12345 -> 1234.5 m
        c.onFrameReceived(frameOf(0, 0x0400, laser));
        c.onFrameReceived(frameOf(0, 0x0406, laser));
        QCOMPARE(s->property("laserDistance").toFloat(), 0.0f);
        c.onFrameReceived(frameOf(2, 0x0400, laser));
        QCOMPARE(s->property("laserDistance").toFloat(), 1234.5f);
        c.onFrameReceived(frameOf(2, 0x0406, bytes({0, 0, 10, 0})));
        QCOMPARE(s->property("laserDistance").toFloat(), 1.0f);

        const QByteArray playback = bytes({1, 2, 0x10, 0x27, 0, 0, 7, 0, 0, 0});
        c.onFrameReceived(frameOf(0, 0x0333, playback));
        QCOMPARE(s->property("playbackPosition").toInt(), 0);
        c.onFrameReceived(frameOf(2, 0x0333, playback));
        QCOMPARE(s->property("playbackPosition").toInt(), 7000);
        QCOMPARE(s->property("playbackTotalMs").toInt(), 10000);
    }

    void rawLinesForPhotoAndRecordStatus()
    {
        GimbalController c;
        QSignalSpy log(&c, &GimbalController::logMessage);
        c.onFrameReceived(frameOf(2, 0x0302, bytes({0x00, 0xAB})));
        c.onFrameReceived(frameOf(0, 0x0303, QByteArray()));
        c.onFrameReceived(frameOf(0, 0x0002, QByteArray(18, '\0')));
        QCOMPARE(texts(log),
                 QStringList({QStringLiteral("[Status Raw] type=0x02 MsgID=0x00000302 Len=2 "
                                             "Data=00 ab"),
                              QStringLiteral("[Status Raw] type=0x00 MsgID=0x00000303 Len=0 "
                                             "Data=")}));
    }

    void unknownKindsAreIgnoredSilently()
    {
        GimbalController c;
        QSignalSpy log(&c, &GimbalController::logMessage);
        QSignalSpy acks(&c, &GimbalController::ackReceived);
        QSignalSpy attitude(c.state(), &GimbalState::attitudeChanged);
        for (quint8 kind : {quint8(3), quint8(0x7F), quint8(0xFF)}) {
            c.onFrameReceived(frameOf(kind, 0x0002, QByteArray(18, '\x10')));
            c.onFrameReceived(frameOf(kind, 0x0302, bytes({0, 1})));
            c.onFrameReceived(frameOf(kind, 0x0018, bytes({0, 0})));
        }
        QCOMPARE(log.count(), 0);
        QCOMPARE(acks.count(), 0);
        QCOMPARE(attitude.count(), 0);
    }

    void ackResultRules()
    {
        GimbalController c;
        QSignalSpy acks(&c, &GimbalController::ackReceived);
        QSignalSpy log(&c, &GimbalController::logMessage);
        c.onFrameReceived(frameOf(1, 0x0ABC, QByteArray()));
        c.onFrameReceived(frameOf(1, 0x0308, bytes({7})));
        c.onFrameReceived(frameOf(1, 0x0308, bytes({0x05, 0x01, 0xFF})));
        QCOMPARE(acks.count(), 3);
        QCOMPARE(acks.at(0).at(0).toUInt(), 0x0ABCu);
        QCOMPARE(acks.at(0).at(1).toUInt(), 0u);
        QCOMPARE(acks.at(1).at(1).toUInt(), 0u); // too short to carry a result
        QCOMPARE(acks.at(2).at(1).toUInt(), 0x0105u);
        QCOMPARE(texts(log).at(2),
                 QStringLiteral("[ACK Raw] MsgID=0x00000308  Len=3  Data=05 01 ff"));
        QCOMPARE(texts(log).at(0), QStringLiteral("[ACK Raw] MsgID=0x00000abc  Len=0  Data="));
    }

    void readBacksOnlyOnSuccess()
    {
        GimbalController c;
        GimbalState *s = c.state();
        c.onFrameReceived(frameOf(1, 0x0317, bytes({1, 0, 4, 5, 6})));
        QCOMPARE(s->property("cameraVersion").toString(), QString());
        c.onFrameReceived(frameOf(1, 0x0317, bytes({0, 0, 4, 5, 6})));
        QVERIFY(s->property("cameraVersion").toString().contains(QLatin1Char('4')));
        c.onFrameReceived(frameOf(1, 0x0018, bytes({0, 0, 1, 2, 3, 4, 5, 6, 0})));
        QVERIFY(!s->property("gimbalHwVersion").toString().isEmpty());
        c.onFrameReceived(frameOf(1, 0x0325, bytes({0, 0, 0xC8, 0x01}))); // 456 -> 45.6
        QCOMPARE(s->property("coreTemp").toFloat(), 45.6f);
        c.onFrameReceived(frameOf(1, 0x0343, bytes({0, 0, 2})));
        QCOMPARE(s->property("uartProtocol").toInt(), 2);
        c.onFrameReceived(frameOf(1, 0x0400, bytes({0, 0, 100, 0})));
        QCOMPARE(s->property("laserDistance").toFloat(), 10.0f);
        c.onFrameReceived(
            frameOf(1, 0x0312, bytes({0, 0, 10, 0, 0, 7, 255, 255, 255, 0, 10, 0, 0, 1})));
        QCOMPARE(s->property("cameraIp").toString(), QStringLiteral("10.0.0.7"));
    }

    void playbackClientReplyUsesTheLastRequestedType()
    {
        GimbalController c;
        GimbalState *s = c.state();
        const QString playbackIp = s->property("playbackClientIp").toString();
        const QString downloadIp = s->property("downloadClientIp").toString();
        const int downloadPort = s->property("downloadClientPort").toInt();
        c.playbackClientGet(1); // no link: dropped, but the type is remembered
        c.onFrameReceived(
            frameOf(1, 0x0339, bytes({0, 0, 127, 0, 0, 5, 0x09, 0x1A, 0, 0, 0, 0, 0, 0})));
        QVERIFY(s->property("downloadClientIp").toString() != downloadIp ||
                s->property("downloadClientPort").toInt() != downloadPort);
        QCOMPARE(s->property("playbackClientIp").toString(), playbackIp);
    }

    void osdAndAiCategoryRepliesAreAlwaysDecoded()
    {
        GimbalController c;
        QSignalSpy acks(&c, &GimbalController::ackReceived);
        QSignalSpy osd(c.state(), &GimbalState::osdConfigChanged);
        QByteArray osdReply(31, '\0');
        osdReply[2] = 1;
        c.onFrameReceived(frameOf(1, 0x0335, osdReply));
        QCOMPARE(acks.last().at(1).toUInt(), 0u);
        QCOMPARE(osd.count(), 1);
        c.onFrameReceived(frameOf(1, 0x0335, QByteArray(30, '\x01')));
        QCOMPARE(acks.last().at(1).toUInt(), 1u);

        QSignalSpy ai(c.state(), &GimbalState::aiRecognitionConfigChanged);
        c.onFrameReceived(frameOf(1, 0x0336, QByteArray()));
        QCOMPARE(acks.last().at(1).toUInt(), 1u);
        // Too short to carry a result code: the configuration starts at once
        // (on, categories 1 and 3).
        c.onFrameReceived(frameOf(1, 0x0336, bytes({1, 0x05})));
        QCOMPARE(acks.last().at(1).toUInt(), 0u);
        QCOMPARE(ai.count(), 1);
        QVERIFY(c.state()->property("aiRecognitionEnabled").toBool());
        QCOMPARE(c.state()->property("aiSelectedCategories").toList(), QVariantList({1, 3}));
    }

    void photoAckIsFedBeforeTheResultGate()
    {
        GimbalController c;
        GimbalState *s = c.state();
        c.onFrameReceived(frameOf(0, 0x0003, QByteArray(16, '\0'))); // card ready
        QSignalSpy acks(&c, &GimbalController::ackReceived);
        c.onFrameReceived(frameOf(1, 0x0302, bytes({9, 0, 0, 0}))); // failed, 4 bytes
        QCOMPARE(acks.last().at(1).toUInt(), 9u);
        QCOMPARE(s->property("photoStatus").toInt(), 0);
        c.onFrameReceived(frameOf(1, 0x0302, bytes({3, 5, 0, 0})));
        QCOMPARE(s->property("photoStatus").toInt(), 5);
        c.onFrameReceived(frameOf(1, 0x0302, bytes({0, 4, 0}))); // too short to be a status
        QCOMPARE(s->property("photoStatus").toInt(), 5);
        c.onFrameReceived(frameOf(1, 0x0303, QByteArray(17, '\x01'))); // too long
        QCOMPARE(s->property("recordStatus").toInt(), 0);
        c.onFrameReceived(frameOf(1, 0x0303, bytes({0, 3, 9, 0})));
        QCOMPARE(s->property("recordStatus").toInt(), 3);
    }

    void allParamsRejectionTexts()
    {
        GimbalController c;
        QSignalSpy log(&c, &GimbalController::logMessage);
        c.onFrameReceived(frameOf(1, 0x0200, bytes({0, 0})));
        c.onFrameReceived(frameOf(1, 0x0100, bytes({0, 0, 1})));
        c.onFrameReceived(frameOf(1, 0x0100, bytes({2, 0, 1}))); // failed: no read-back at all
        const QStringList lines = texts(log);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(1), QStringLiteral("[VIS] all-params ACK rejected (len=2)"));
        QCOMPARE(lines.at(3),
                 QStringLiteral("[IR] all-params ACK rejected (len=3, need >=10, result=00 00)"));
    }

    void recognitionAnswersAndTargetReports()
    {
        GimbalController c;
        QSignalSpy acks(&c, &GimbalController::ackReceived);
        QSignalSpy targets(c.state(), &GimbalState::aiTargetsChanged);
        c.onFrameReceived(frameOf(0, 0x0319, bytes({1, 0})));
        QCOMPARE(acks.count(), 1);
        QCOMPARE(acks.last().at(0).toUInt(), 0x0319u);
        QCOMPARE(acks.last().at(1).toUInt(), 1u);
        QCOMPARE(targets.count(), 0);

        QByteArray report(12, '\0');
        report[10] = 1; // one target announced
        report[11] = 2; // detection status
        c.onFrameReceived(frameOf(0, 0x0324, report));
        QCOMPARE(targets.count(), 1);
        QVERIFY(c.state()->property("aiTrackingActive").toBool());
        QCOMPARE(c.state()->property("aiTargets").toList().size(), 1);
        c.onFrameReceived(frameOf(0, 0x0319, report));
        QVERIFY(!c.state()->property("aiTrackingActive").toBool());
        // The second status kind is always a report, even with two bytes.
        c.onFrameReceived(frameOf(2, 0x0324, bytes({0, 4})));
        QCOMPARE(targets.count(), 3);
        QCOMPARE(c.state()->property("aiDetectStatus").toInt(), 4);
        QCOMPARE(acks.count(), 1);
    }
};
SKYRIG_REGISTER_TEST(ControllerDispatchTest)

// ---------------------------------------------------------------------------

class ControllerCommandTest : public QObject
{
    Q_OBJECT
private slots:
    void splitScreenStopsTrackingAndRefusesIt()
    {
        UdpRig rig;
        QVERIFY(rig.start());
        GimbalController &c = rig.controller;
        QSignalSpy sent(&rig.manager, &TransportManager::commandSent);
        QSignalSpy split(&c, &GimbalController::splitScreenModeChanged);
        QSignalSpy log(&c, &GimbalController::logMessage);

        c.imageModeSet(7);
        auto frames = sentFrames(sent);
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames.at(0).first, quint16(0x0324));
        QCOMPARE(frames.at(0).second, bytes({2, 0, 0, 0, 0, 1, 0, 1, 0, 0}));
        QCOMPARE(frames.at(1).first, quint16(0x0318));
        QCOMPARE(frames.at(1).second, bytes({7, 0}));
        QVERIFY(c.splitScreenMode());
        QCOMPARE(split.count(), 1);

        sent.clear();
        c.targetTrackingSet(true, 10, 20, 30, 40);
        QCOMPARE(sent.count(), 0);
        QVERIFY(TrackingRefused.in(texts(log)));
        c.targetTrackingSet(false, 0, 0, 1, 1); // stopping is always allowed
        QCOMPARE(sentCodes(sent), QVector<quint16>({0x0324}));

        // The requested mode wins over what the device still reports.
        QByteArray system(16, '\0');
        system[3] = 7;
        c.onFrameReceived(frameOf(0, 0x0003, system));
        c.imageModeSet(1);
        QVERIFY(!c.splitScreenMode());
        sent.clear();
        c.targetTrackingSet(true, 10, 20, 30, 40);
        QCOMPARE(sentCodes(sent), QVector<quint16>({0x0324}));
        QCOMPARE(sentFrames(sent).at(0).second.at(0), char(1));
    }

    void deviceReportedSplitScreenCountsWithoutOverride()
    {
        GimbalController c;
        QSignalSpy split(&c, &GimbalController::splitScreenModeChanged);
        QSignalSpy log(&c, &GimbalController::logMessage);
        QByteArray system(16, '\0');
        system[3] = 7;
        c.onFrameReceived(frameOf(0, 0x0003, system));
        QVERIFY(c.splitScreenMode());
        QVERIFY(split.count() >= 1);
        c.targetTrackingSet(true, 1, 1, 2, 2);
        QCOMPARE(log.count(), 1);
        QVERIFY(TrackingRefused.in(texts(log)));
    }

    void stateEchoesAtOnce()
    {
        GimbalController c; // no link: the commands are dropped, the echo still shows
        GimbalState *s = c.state();
        c.irBrightnessSet(150);
        QCOMPARE(s->property("irBrightness").toInt(), 100);
        c.irContrastSet(42);
        QCOMPARE(s->property("irContrast").toInt(), 42);
        c.irTempSwitch(true);
        QVERIFY(s->property("irTempEnabled").toBool());
        c.irDenoiseSet(true, 55);
        QCOMPARE(s->property("irDenoiseLevel").toInt(), 55);
        c.irEnhanceSet(3);
        QCOMPARE(s->property("irEnhanceLevel").toInt(), 3);
        c.irFusionSet(true, 3, 9);
        QCOMPARE(s->property("irFusionVisWeight").toInt(), 3);
        c.irFusionGraySet(true);
        QVERIFY(s->property("irFusionGray").toBool());
        c.irAiSuperResSet(true);
        QVERIFY(s->property("irAiSuperResEnabled").toBool());
        c.visFusionSet(true, 4, 0);
        QCOMPARE(s->property("visFusionIrWeight").toInt(), 4);
        c.visFusionGraySet(true);
        QVERIFY(s->property("visFusionGray").toBool());
    }

    void forwardsWithShortForms()
    {
        UdpRig rig;
        QVERIFY(rig.start());
        QSignalSpy sent(&rig.manager, &TransportManager::commandSent);
        GimbalController &c = rig.controller;
        QVERIFY(QMetaObject::invokeMethod(&c, "takePhoto", Q_ARG(int, 0), Q_ARG(int, 1)));
        QVERIFY(QMetaObject::invokeMethod(&c, "recordVideo", Q_ARG(int, 0), Q_ARG(int, 1),
                                          Q_ARG(QString, QStringLiteral("DCIM"))));
        QVERIFY(QMetaObject::invokeMethod(&c, "focusControl", Q_ARG(int, 1)));
        QVERIFY(QMetaObject::invokeMethod(&c, "focusControl", Q_ARG(int, 1), Q_ARG(int, 2),
                                          Q_ARG(int, 3)));
        c.gimbalControl(0, 2, 0);
        c.gimbalStabilize(true); // part of the interface, sends nothing
        c.gimbalLockFollow(1);
        c.videoPlaybackSeek(QStringLiteral("/a.mp4"), 90);
        c.sbusChannelConfig(1, 2, 3, 4, 5, 6, 7, 8);
        const auto frames = sentFrames(sent);
        QCOMPARE(sentCodes(sent),
                 QVector<quint16>({0x0302, 0x0303, 0x0313, 0x0313, 0x0010, 0x0332, 0x0501}));
        QCOMPARE(frames.at(2).second, bytes({1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(frames.at(3).second, bytes({1, 2, 0, 3, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(frames.at(4).second, bytes({0, 2, 0, 0}));
        QCOMPARE(frames.at(6).second, bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    }

    void groupLogLinesAreRelayed()
    {
        GimbalController c; // no transport manager: every group reports the drop
        QSignalSpy log(&c, &GimbalController::logMessage);
        c.gimbalCalibration();
        c.irZoomSet(2);
        c.visIsoSet(100);
        c.tfFormat();
        c.ipGet();
        c.laserRange();
        c.sbusSwitch(true);
        QCOMPARE(log.count(), 7);
        QCOMPARE(NoTransportManager.countIn(texts(log)), 7);
    }

    void modelCanBeReplaced()
    {
        GimbalController c;
        QVERIFY(c.model());
        QCOMPARE(c.model()->id(), QStringLiteral("Otter"));
        QSignalSpy changed(&c, &ModelProvider::modelChanged);
        c.setModel(QStringLiteral("MartenClassic"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(c.model()->id(), QStringLiteral("Marten"));
        c.setModel(QStringLiteral("no such product"));
        QCOMPARE(c.model()->id(), QStringLiteral("Otter"));
    }

    void aiSettingSendsAndEchoes()
    {
        UdpRig rig;
        QVERIFY(rig.start());
        QSignalSpy sent(&rig.manager, &TransportManager::commandSent);
        rig.controller.aiRecognitionSet(true, 0, {0, 3, -1, 5});
        QCOMPARE(sentCodes(sent), QVector<quint16>({0x0324, 0x0319}));
        QCOMPARE(sentFrames(sent).at(0).second.at(0), char(2)); // stop tracking first
        GimbalState *s = rig.controller.state();
        QVERIFY(s->property("aiRecognitionEnabled").toBool());
        QCOMPARE(s->property("aiSelectedCategories").toList(), QVariantList({3, 5}));

        sent.clear();
        rig.controller.aiRecognitionSetList(false, 0, {QVariant(2), QVariant(0)});
        QCOMPARE(sentCodes(sent), QVector<quint16>({0x0319}));
        QVERIFY(!s->property("aiRecognitionEnabled").toBool());
        QCOMPARE(s->property("aiSelectedCategories").toList(), QVariantList({2}));
    }

    // All confirmation paths run side by side so one wait covers them.
    void aiConfirmationAndTimeOut()
    {
        GimbalController byAck, byAnswer, byReport, byStatus, stillOn;
        QList<GimbalController *> confirmed = {&byAck, &byAnswer, &byReport, &byStatus};
        QList<QSignalSpy *> logs;
        for (GimbalController *c : confirmed + QList<GimbalController *>{&stillOn}) {
            logs.append(new QSignalSpy(c, &GimbalController::logMessage));
            c->aiRecognitionSet(true, 0, {1});
        }
        UdpRig off;
        QVERIFY(off.start());
        QSignalSpy offLog(&off.controller, &GimbalController::logMessage);
        QSignalSpy offSent(&off.manager, &TransportManager::commandSent);
        QElapsedTimer clock;
        clock.start();
        off.controller.aiRecognitionSet(false, 0, {});
        qint64 timeoutAt = -1;
        qint64 offHintAt = -1;
        QObject::connect(&off.controller, &GimbalController::logMessage, [&](const QString &m) {
            if (AiTimeoutHint.matches(m))
                timeoutAt = clock.elapsed();
            if (AiStillOffHint.matches(m))
                offHintAt = clock.elapsed();
        });

        QByteArray report(12, '\0');
        byAck.onFrameReceived(frameOf(1, 0x0319, bytes({0, 0})));
        byAnswer.onFrameReceived(frameOf(0, 0x0319, bytes({0, 0})));
        byReport.onFrameReceived(frameOf(0, 0x0319, report));
        byStatus.onFrameReceived(frameOf(2, 0x0319, report));
        QVERIFY(AiByReport.in(texts(*logs.at(2))));
        QVERIFY(AiByStatus.in(texts(*logs.at(3))));
        // Only one confirmation is reported.
        byStatus.onFrameReceived(frameOf(2, 0x0319, report));
        QCOMPARE(AiByStatus.countIn(texts(*logs.at(3))), 1);

        QTRY_VERIFY2_WITH_TIMEOUT(offHintAt >= 0, qPrintable(texts(offLog).join(QLatin1Char('\n'))),
                                  5000);
        QVERIFY2(timeoutAt >= 1499, qPrintable(QString::number(timeoutAt)));
        QVERIFY2(offHintAt - timeoutAt >= 799, qPrintable(QString::number(offHintAt - timeoutAt)));
        // The read-back went out at the time-out.
        QCOMPARE(sentCodes(offSent).last(), quint16(0x0336));

        for (int i = 0; i < confirmed.size(); ++i) {
            QVERIFY2(!AiTimeoutHint.in(texts(*logs.at(i))), qPrintable(QString::number(i)));
        }
        // Recognition still on after the read-back: the time-out hint only.
        QVERIFY(AiTimeoutHint.in(texts(*logs.last())));
        QVERIFY(!AiStillOffHint.in(texts(*logs.last())));
        qDeleteAll(logs);
    }
};
SKYRIG_REGISTER_TEST(ControllerCommandTest)

#include "tst_controller.moc"
