#include "app/AppCore.h"
#include "catalog/AppSettingsBridge.h"
#include "catalog/CameraModelBridge.h"
#include "commands/CommandLoggers.h"
#include "commands/GimbalController.h"
#include "common/TestMain.h"
#include "link/ConnectionBridge.h"
#include "link/FrameCodec.h"
#include "link/ITransport.h"
#include "link/Payload.h"
#include "link/TransportManager.h"
#include "log/LogBridge.h"
#include "state/GimbalState.h"

#include <QFile>
#include <QHostAddress>
#include <QSettings>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace
{

// A link that stays inside the test: records what the program writes and
// lets the test play the camera's side.
class LoopTransport : public ITransport
{
    Q_OBJECT
public:
    using ITransport::ITransport;

    bool open() override
    {
        m_open = true;
        emit connectionChanged(true);
        return true;
    }
    void close() override
    {
        if (!m_open)
            return;
        m_open = false;
        emit connectionChanged(false);
    }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &bytes) override
    {
        written.append(bytes);
        return true;
    }
    QString errorString() const override { return QString(); }
    QString displayName() const override { return QStringLiteral("LOOP"); }

    void deliver(const QByteArray &bytes) { emit dataReceived(bytes); }

    // Codes of the commands written so far, in order.
    QList<quint16> writtenCodes() const
    {
        QList<quint16> codes;
        for (const QByteArray &frame : written) {
            int consumed = 0;
            const ParsedFrame parsed = FrameCodec::decodeShortFrame(frame, consumed);
            if (parsed.valid)
                codes.append(FrameCodec::commandCode(parsed.messageId));
        }
        return codes;
    }

    QList<QByteArray> written;

private:
    bool m_open = false;
};

QByteArray deviceFrame(quint8 kind, quint16 code, const QByteArray &payload)
{
    quint8 sequence = 7;
    return FrameCodec::encodeShortFrame(sequence, 0x04, 0x01, (quint32(kind) << 16) | code,
                                        payload);
}

QString readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

class AppCoreWiringTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_logs;
    std::unique_ptr<QObject> m_owner;
    AppCore *m_core = nullptr;

    void build(bool chinese)
    {
        QSettings().setValue(QStringLiteral("startup/isChinese"), chinese);
        m_logs = std::make_unique<QTemporaryDir>();
        QVERIFY(m_logs->isValid());
        m_owner = std::make_unique<QObject>();
        m_core = new AppCore(m_owner.get(), m_logs->path());
    }

    QStringList lines() const { return m_core->logModel()->stringList(); }
    QString sessionLog() const { return readAll(m_core->logBridge()->logFilePath()); }

private slots:
    void init() { QSettings().clear(); }

    void cleanup()
    {
        m_owner.reset();
        m_core = nullptr;
        m_logs.reset();
        QSettings().clear();
    }

    void startsWithTheLinkClosed()
    {
        build(true);
        QVERIFY(!m_core->transportManager()->isOpen());
        QVERIFY(!m_core->connectionBridge()->property("connected").toBool());
        QCOMPARE(m_core->controller()->transportManager(), m_core->transportManager());
        QCOMPARE(m_core->logBridge()->parent(), m_owner.get());

        // Without an owner the core keeps its objects itself.
        AppCore alone(nullptr, m_logs->path());
        QCOMPARE(alone.transportManager()->parent(), &alone);
    }

    void sessionLogIsAnnouncedInTheCurrentLanguage_data()
    {
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("zh") << true << QStringLiteral("[系统] 本次运行日志文件: ");
        QTest::newRow("en") << false << QStringLiteral("[System] Session log file: ");
    }

    void sessionLogIsAnnouncedInTheCurrentLanguage()
    {
        QFETCH(bool, chinese);
        QFETCH(QString, prefix);
        build(chinese);
        const QString path = m_core->logBridge()->logFilePath();
        QVERIFY(!path.isEmpty());
        QCOMPARE(lines(), QStringList{prefix + path});
        QVERIFY(sessionLog().contains(prefix + path));
    }

    void controllerDetailLinesStayOutOfThePane()
    {
        build(false);
        GimbalController *controller = m_core->controller();
        const int before = lines().size();

        emit controller->logMessage(QStringLiteral("[ACK Raw] Code=0x0302 Len=2"));
        emit controller->logMessage(QStringLiteral("[Status Raw] Code=0x0002 Len=18"));
        emit controller->logMessage(QStringLiteral("[TX Raw] fd 00"));
        QCOMPARE(lines().size(), before);
        const QString file = sessionLog();
        QVERIFY(file.contains(QStringLiteral("[ACK Raw] Code=0x0302 Len=2")));
        QVERIFY(file.contains(QStringLiteral("[Status Raw] Code=0x0002 Len=18")));
        QVERIFY(file.contains(QStringLiteral("[TX Raw] fd 00")));

        // Only the exact prefixes are detail lines.
        emit controller->logMessage(QStringLiteral("[Gimbal/Hint] Pitch cannot be empty"));
        emit controller->logMessage(QStringLiteral("[ack raw] lower case is ordinary"));
        emit controller->logMessage(QStringLiteral("Note: [ACK Raw] inside a line"));
        QCOMPARE(lines().mid(before),
                 (QStringList{QStringLiteral("[Gimbal/Hint] Pitch cannot be empty"),
                              QStringLiteral("[ack raw] lower case is ordinary"),
                              QStringLiteral("Note: [ACK Raw] inside a line")}));
    }

    void linkOpenAndCloseAreLogged_data()
    {
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("closed");
        QTest::newRow("zh") << true << QStringLiteral("[通信/链路] 已打开")
                            << QStringLiteral("[通信/链路] 已关闭");
        QTest::newRow("en") << false << QStringLiteral("[Comm/Link] Opened")
                            << QStringLiteral("[Comm/Link] Closed");
    }

    void linkOpenAndCloseAreLogged()
    {
        QFETCH(bool, chinese);
        QFETCH(QString, opened);
        QFETCH(QString, closed);
        build(chinese);
        const int before = lines().size();

        LoopTransport link;
        link.open();
        m_core->transportManager()->setTransport(&link);
        QCOMPARE(lines().mid(before), QStringList{opened});
        link.close();
        QCOMPARE(lines().mid(before), (QStringList{opened, closed}));
        m_core->transportManager()->setTransport(nullptr);
    }

    void linkLossResetsTheDeviceState()
    {
        build(false);
        GimbalState *state = m_core->gimbalState();
        LoopTransport link;
        link.open();
        m_core->transportManager()->setTransport(&link);

        QByteArray attitude;
        for (qint16 v : {1234, 0, -567, 0, 0, 0, 0, 0, 0})
            Payload::appendS16(attitude, v);
        link.deliver(deviceFrame(0, 0x0002, attitude));
        QVERIFY(state->connected());
        QCOMPARE(state->yawJoint(), 12.34f);
        QCOMPARE(state->pitchJoint(), -5.67f);

        link.close();
        QVERIFY(!state->connected());
        m_core->transportManager()->setTransport(nullptr);
    }

    void connectFailuresAreLogged()
    {
        build(false);
        const int before = lines().size();
        ConnectionBridge *bridge = m_core->connectionBridge();

        bridge->connectSerial(QStringLiteral("No serial ports found"), 115200);
        QCOMPARE(lines().mid(before),
                 QStringList{QStringLiteral("[Comm/Connect Failed] No serial ports available")});

        // A local port that is already taken: the bind fails and the
        // transport's own reason is logged. Only the loopback address is used.
        QUdpSocket blocker;
        QVERIFY(blocker.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
        const int cameraPort = int(blocker.localPort()) - 1;
        bridge->connectUdp(QStringLiteral("127.0.0.1"), cameraPort);
        QCOMPARE(lines().size(), before + 2);
        QVERIFY2(lines().last().startsWith(QStringLiteral("[Comm/Connect Failed] ")),
                 qPrintable(lines().last()));
        QVERIFY(!m_core->transportManager()->isOpen());
        bridge->disconnect();

        QSettings().setValue(QStringLiteral("startup/isChinese"), true);
        bridge->connectSerial(QStringLiteral("   "), 115200);
        QCOMPARE(lines().last(), QStringLiteral("[通信/连接失败] 未发现可用串口"));
    }

    void commandsRepliesAndRawTrafficAreLogged()
    {
        build(false);
        m_core->logBridge()->setRawCaptureEnabled(true);
        QVERIFY(!m_core->logBridge()->rawLogFilePath().isEmpty());
        GimbalController *controller = m_core->controller();

        // No link: the drop logger reports it.
        int before = lines().size();
        controller->gimbalVersionGet();
        QCOMPARE(lines().mid(before),
                 QStringList{
                     QStringLiteral("[- TX] Did not send Get gimbal version — Link is not open")});

        LoopTransport link;
        link.open();
        m_core->transportManager()->setTransport(&link);
        before = lines().size();
        controller->gimbalVersionGet();
        QCOMPARE(link.writtenCodes(), QList<quint16>{0x0018});
        QCOMPARE(lines().mid(before), QStringList{QString("[LOOP TX] Sent Get gimbal version (%1B)")
                                                      .arg(link.written.first().size())});

        // The device answers: the acknowledgement logger writes the reply.
        before = lines().size();
        const QByteArray ack = deviceFrame(1, 0x0018, QByteArray(2, '\0'));
        link.deliver(ack);
        QCOMPARE(lines().mid(before),
                 QStringList{QStringLiteral("Received reply for Get gimbal version command")});

        // Both directions reach the raw capture.
        const QString raw = readAll(m_core->logBridge()->rawLogFilePath());
        QVERIFY2(raw.contains(QStringLiteral("[UART TX] LOOP")), qPrintable(raw));
        QVERIFY2(raw.contains(QStringLiteral("[UART RX] LOOP  Len=%1").arg(ack.size())),
                 qPrintable(raw));
        m_core->transportManager()->setTransport(nullptr);
    }

    void newCameraAddressTriggersATimeSync()
    {
        build(false);
        LoopTransport link;
        link.open();
        m_core->transportManager()->setTransport(&link);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->controller()->handshakeReady(), 5000);
        link.written.clear();

        emit m_core->connectionBridge()->peerEndpointReady();
        QTRY_COMPARE_WITH_TIMEOUT(link.writtenCodes(), QList<quint16>{0x030E}, 5000);
        m_core->transportManager()->setTransport(nullptr);
    }

    void linkSettingsFollowTheProduct()
    {
        build(false);
        CameraModelBridge *camera = m_core->cameraModel();
        ConnectionBridge *bridge = m_core->connectionBridge();
        QCOMPARE(bridge->modelId(), camera->modelId());

        QSignalSpy changed(camera, &CameraModelBridge::changed);
        const QString current = camera->modelId();
        const QString other =
            current == QStringLiteral("Ibis") ? QStringLiteral("Otter") : QStringLiteral("Ibis");
        // The per-product endpoint of the new product is loaded on the switch.
        QSettings().setValue(QStringLiteral("Connection/%1_udpIp").arg(other),
                             QStringLiteral("127.0.0.1"));
        m_core->controller()->setModel(other);
        QVERIFY(changed.count() > 0);
        QCOMPARE(camera->modelId(), other);
        QCOMPARE(bridge->modelId(), other);
        QCOMPARE(bridge->property("udpIp").toString(), QStringLiteral("127.0.0.1"));
    }
};

SKYRIG_REGISTER_TEST(AppCoreWiringTest)

#include "tst_appcore.moc"
