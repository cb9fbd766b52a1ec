#include "app/AppCore.h"
#include "catalog/CameraModelBridge.h"
#include "commands/GimbalController.h"
#include "common/TestMain.h"
#include "common/TestTransport.h"
#include "link/ConnectionBridge.h"
#include "link/FrameCodec.h"
#include "link/ITransport.h"
#include "link/Payload.h"
#include "link/TransportManager.h"
#include "log/LogBridge.h"
#include "state/GimbalState.h"
#include "video/VideoUrlHistory.h"

#include <QFile>
#include <QSettings>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace
{

// Codes of the commands the program wrote to the link so far, in order.
QList<quint16> writtenCodes(const TestTransport &link)
{
    QList<quint16> codes;
    for (const QByteArray &frame : link.writes) {
        int consumed = 0;
        const ParsedFrame parsed = FrameCodec::decodeShortFrame(frame, consumed);
        if (parsed.valid)
            codes.append(FrameCodec::commandCode(parsed.messageId));
    }
    return codes;
}

QByteArray deviceFrame(quint8 kind, quint16 code, const QByteArray &payload)
{
    quint8 sequence = 7;
    return FrameCodec::encodeShortFrame(sequence, 0x04, 0x01, (quint32(kind) << 16) | code,
                                        payload);
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll())
                                                            : QString();
}

} // namespace

class AppCoreWiringTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_logs;
    std::unique_ptr<QObject> m_owner;
    AppCore *m_core = nullptr;
    TestTransport *m_link = nullptr;

    void build(bool chinese)
    {
        skyrig_test::setChinese(chinese);
        m_logs = std::make_unique<QTemporaryDir>();
        m_owner = std::make_unique<QObject>();
        m_core = new AppCore(m_owner.get(), m_logs->path());
    }

    void attachLink()
    {
        m_link = (new TestTransport(QStringLiteral("LOOP"), false, m_owner.get()))->opened();
        m_core->transportManager()->setTransport(m_link);
    }

    QStringList lines() const { return m_core->logModel()->stringList(); }

private slots:
    void init() { QSettings().clear(); }

    void cleanup()
    {
        if (m_core)
            m_core->transportManager()->setTransport(nullptr);
        m_owner.reset();
        m_core = nullptr;
        m_link = nullptr;
        m_logs.reset();
    }

    void linkLifeIsLoggedInTheCurrentLanguage_data()
    {
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QStringList>("texts"); // session, opened, closed, no port
        QTest::newRow("zh") << true
                            << QStringList{"[系统] 本次运行日志文件: ", "[通信/链路] 已打开",
                                           "[通信/链路] 已关闭", "[通信/连接失败] 未发现可用串口"};
        QTest::newRow("en") << false
                            << QStringList{"[System] Session log file: ", "[Comm/Link] Opened",
                                           "[Comm/Link] Closed",
                                           "[Comm/Connect Failed] No serial ports available"};
    }

    void linkLifeIsLoggedInTheCurrentLanguage()
    {
        QFETCH(bool, chinese);
        QFETCH(QStringList, texts);
        build(chinese);
        // Starting opens no link; the session log is announced in pane and file.
        QVERIFY(!m_core->transportManager()->isOpen());
        const QString announce = texts.at(0) + m_core->logBridge()->logFilePath();
        QCOMPARE(lines(), QStringList{announce});
        QVERIFY(readAll(m_core->logBridge()->logFilePath()).contains(announce));

        attachLink();
        QByteArray attitude;
        for (qint16 v : {1234, 0, -567, 0, 0, 0, 0, 0, 0})
            Payload::appendS16(attitude, v);
        m_link->deliver(deviceFrame(0, 0x0002, attitude));
        GimbalState *state = m_core->gimbalState();
        QVERIFY(state->connected());
        QCOMPARE(state->yawJoint(), 12.34f);
        QCOMPARE(state->pitchJoint(), -5.67f);
        // Losing the link resets the device state; the link is reported
        // closed once, though the transport says so and is then detached.
        m_link->close();
        QVERIFY(!state->connected());
        m_core->transportManager()->setTransport(nullptr);

        m_core->connectionBridge()->connectSerial(QStringLiteral("No serial ports found"), 115200);
        QCOMPARE(lines().mid(1), texts.mid(1));
    }

    // Detail lines of the controller go to the file only; commands, replies
    // and (when captured) the raw traffic both ways are logged.
    void commandsRepliesAndRawTrafficAreLogged()
    {
        build(false);
        const QStringList detail = {"[ACK Raw] Code=0x0302 Len=2",
                                    "[Status Raw] Code=0x0002 Len=18", "[TX Raw] fd 00"};
        // Only the exact prefixes are detail lines.
        const QStringList ordinary = {"[Gimbal/Hint] Pitch cannot be empty",
                                      "[ack raw] lower case is ordinary",
                                      "Note: [ACK Raw] inside a line"};
        int before = lines().size();
        for (const QString &text : detail + ordinary)
            emit m_core->controller()->logMessage(text);
        QCOMPARE(lines().mid(before), ordinary);
        const QString file = readAll(m_core->logBridge()->logFilePath());
        for (const QString &text : detail)
            QVERIFY2(file.contains(text), qPrintable(text));

        LogBridge *log = m_core->logBridge();
        log->setRawCaptureEnabled(true);
        GimbalController *controller = m_core->controller();

        before = lines().size();
        controller->gimbalVersionGet();
        QCOMPARE(lines().mid(before),
                 QStringList{
                     QStringLiteral("[- TX] Did not send Get gimbal version — Link is not open")});

        attachLink();
        before = lines().size();
        controller->gimbalVersionGet();
        QCOMPARE(writtenCodes(*m_link), QList<quint16>{0x0018});
        const QByteArray ack = deviceFrame(1, 0x0018, QByteArray(2, '\0'));
        m_link->deliver(ack);
        QCOMPARE(lines().mid(before),
                 (QStringList{QStringLiteral("[LOOP TX] Sent Get gimbal version (%1B)")
                                  .arg(m_link->writes.first().size()),
                              QStringLiteral("Received reply for Get gimbal version command")}));

        // Both directions reach the raw capture.
        const QString raw = readAll(log->rawLogFilePath());
        QVERIFY2(raw.contains(QStringLiteral("[UART TX] LOOP")), qPrintable(raw));
        QVERIFY2(raw.contains(QStringLiteral("[UART RX] LOOP  Len=%1").arg(ack.size())),
                 qPrintable(raw));
    }

    void newCameraAddressTriggersATimeSync()
    {
        build(false);
        attachLink();
        // The camera answers the handshake's time sync and reports.
        QTRY_VERIFY_WITH_TIMEOUT(writtenCodes(*m_link).contains(0x030E), 5000);
        m_link->deliver(deviceFrame(1, 0x030E, QByteArray(2, '\0')) +
                        deviceFrame(0, 0x0002, QByteArray(18, '\0')));
        QTRY_VERIFY_WITH_TIMEOUT(m_core->controller()->handshakeReady(), 5000);
        m_link->writes.clear();
        emit m_core->connectionBridge()->peerEndpointReady();
        QTRY_COMPARE_WITH_TIMEOUT(writtenCodes(*m_link), QList<quint16>{0x030E}, 5000);
    }

    void linkSettingsFollowTheProduct()
    {
        build(false);
        CameraModelBridge *camera = m_core->cameraModel();
        ConnectionBridge *bridge = m_core->connectionBridge();
        QCOMPARE(bridge->modelId(), camera->modelId());
        const QString other = camera->modelId() == QStringLiteral("Ibis") ? QStringLiteral("Otter")
                                                                          : QStringLiteral("Ibis");
        // The per-product endpoint of the new product is loaded on the switch.
        QSettings().setValue(QStringLiteral("Connection/%1_udpIp").arg(other),
                             QStringLiteral("127.0.0.1"));
        m_core->controller()->setModel(other);
        QCOMPARE(camera->modelId(), other);
        QCOMPARE(bridge->modelId(), other);
        QCOMPARE(bridge->property("udpIp").toString(), QStringLiteral("127.0.0.1"));
        // So does the stream address history.
        QCOMPARE(m_core->videoUrlHistory()->modelId(), other);
    }
};

SKYRIG_REGISTER_TEST(AppCoreWiringTest)

#include "tst_appcore.moc"
