#include "common/TestMain.h"

#include "commands/CommandCatalog.h"
#include "commands/CommandLabelRegistry.h"
#include "commands/CommandLoggers.h"
#include "commands/DownloadStatusView.h"
#include "link/ITransport.h"
#include "link/TransportManager.h"
#include "log/LogBridge.h"

#include <QRegularExpression>
#include <QSettings>
#include <QStringListModel>
#include <QTemporaryDir>

#include <memory>

// A link that keeps what it was asked to write and fails on demand.
class LoggerTestTransport : public ITransport
{
    Q_OBJECT
public:
    using ITransport::ITransport;
    bool open() override { return opened = true; }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    bool write(const QByteArray &bytes) override
    {
        if (failWrites)
            return false;
        written << bytes;
        return true;
    }
    QString errorString() const override { return error; }
    QString displayName() const override { return QStringLiteral("Serial COM3"); }

    bool opened = true;
    bool failWrites = false;
    QString error;
    QList<QByteArray> written;
};

struct FakeAlbum : DownloadStatusView {
    bool busy = false;
    double progress = 0;
    bool downloading() const override { return busy; }
    double downloadProgress() const override { return progress; }
};

class CommandLoggersTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> tmp;
    std::unique_ptr<QStringListModel> model;
    std::unique_ptr<LogBridge> log;
    std::unique_ptr<TransportManager> manager;
    std::unique_ptr<LoggerTestTransport> transport;
    std::unique_ptr<CommandLoggers> loggers;
    FakeAlbum album;

    void setChinese(bool chinese)
    {
        QSettings().setValue(QStringLiteral("startup/isChinese"), chinese);
    }

    QString lastLine() const { return log->lineAt(log->lineCount() - 1); }

    // Lines of a log file after the time stamp, from the given line on.
    static QStringList fileLines(const QString &path)
    {
        static const QRegularExpression prefix(
            QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}  "));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList out;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
            if (!line.isEmpty())
                out << QString(line).remove(prefix);
        return out;
    }
    QString lastDebug() const { return fileLines(log->logFilePath()).last(); }

    static void drainLabels()
    {
        for (quint16 code : {0x0010, 0x0012, 0x032E, 0x0400, 0x0406, 0x0ABC})
            while (!CommandLabelRegistry::instance().takeLabel(code).isEmpty()) {
            }
    }

private slots:
    void init()
    {
        drainLabels();
        QSettings().remove(QStringLiteral("log/rawCapture"));
        setChinese(false);
        tmp.reset(new QTemporaryDir);
        model.reset(new QStringListModel);
        log.reset(new LogBridge(model.get(), tmp->path()));
        manager.reset(new TransportManager);
        transport.reset(new LoggerTestTransport);
        manager->setTransport(transport.get());
        album = FakeAlbum();
        loggers.reset(new CommandLoggers(manager.get(), log.get(), &album));
        connect(manager.get(), &TransportManager::commandSent, loggers.get(),
                &CommandLoggers::onCommandSent);
        connect(manager.get(), &TransportManager::commandDropped, loggers.get(),
                &CommandLoggers::onCommandDropped);
    }

    void cleanup()
    {
        loggers.reset();
        manager.reset();
        transport.reset();
        log.reset();
        model.reset();
        tmp.reset();
        drainLabels();
        setChinese(false);
    }

    void sentLinesAndCapture()
    {
        log->setRawCaptureEnabled(true);
        const int before = log->lineCount();
        manager->sendCommand(0x0012, QByteArray::fromHex("0a0b0c"));
        QCOMPARE(transport->written.size(), 1);
        const QByteArray frame = transport->written.first();
        const QString hex = QString::fromLatin1(frame.toHex(' '));
        QVERIFY(!hex.contains(QRegularExpression(QStringLiteral("[A-F]"))));
        QCOMPARE(log->lineCount(), before + 1);
        QCOMPARE(
            lastLine(),
            QStringLiteral("[Serial COM3 TX] Sent Gimbal angle control (%1B)").arg(frame.size()));
        QCOMPARE(lastDebug(),
                 QStringLiteral("[debug] [Serial COM3 TX] MsgID=0x00000012  Gimbal angle control  "
                                "Len=%1  Data=%2")
                     .arg(frame.size())
                     .arg(hex));
        QCOMPARE(
            fileLines(log->rawLogFilePath()).last(),
            QStringLiteral("[UART TX] Serial COM3  Len=%1  Data=%2").arg(frame.size()).arg(hex));

        setChinese(true);
        manager->sendCommand(0x0302, QByteArray());
        QCOMPARE(lastLine(), QStringLiteral("[Serial COM3 TX] 已发送拍照 (%1B)")
                                 .arg(transport->written.last().size()));
        QVERIFY(lastDebug().contains(QStringLiteral("MsgID=0x00000302  拍照  Len=")));
    }

    void speedControlIsDetailOnly()
    {
        log->setRawCaptureEnabled(true);
        const int before = log->lineCount();
        CommandLabelRegistry::instance().pushLabel(0x0010, QStringLiteral("Pitch up"));
        manager->sendCommand(0x0010, QByteArray(4, '\0'));
        QCOMPARE(log->lineCount(), before);
        QVERIFY2(lastDebug().startsWith(
                     QStringLiteral("[debug] [Serial COM3 TX] MsgID=0x00000010  Pitch up  Len=")),
                 qPrintable(lastDebug()));
        QVERIFY(fileLines(log->rawLogFilePath()).last().startsWith(QStringLiteral("[UART TX] ")));
        // The transmit logger only peeks: the label waits for the answer.
        QCOMPARE(CommandLabelRegistry::instance().peekLabel(0x0010), QStringLiteral("Pitch up"));
    }

    void droppedReasonsInBothLanguages()
    {
        transport->opened = false;
        manager->sendCommand(0x0012, QByteArray());
        QCOMPARE(lastLine(), QStringLiteral("[Serial COM3 TX] Did not send Gimbal angle control "
                                            "\u2014 Link is not open"));
        QCOMPARE(lastDebug(),
                 QStringLiteral("[debug] [Serial COM3 TX Dropped] MsgID=0x00000012  Gimbal angle "
                                "control  link_closed"));

        transport->opened = true;
        manager->sendCommand(0x0302, QByteArray(70000, 'x'));
        QCOMPARE(lastLine(), QStringLiteral("[Serial COM3 TX] Did not send Take photo \u2014 "
                                            "Payload exceeds protocol limit"));

        transport->failWrites = true;
        manager->sendCommand(0x0302, QByteArray());
        QCOMPARE(lastLine(),
                 QStringLiteral("[Serial COM3 TX] Did not send Take photo \u2014 Send failed"));
        QVERIFY(lastDebug().endsWith(QStringLiteral("  Take photo  send_failed")));

        // A transport's own error text is shown as it is, in both lines.
        transport->error = QStringLiteral("Network unreachable %1");
        manager->sendCommand(0x0302, QByteArray());
        QCOMPARE(lastLine(), QStringLiteral("[Serial COM3 TX] Did not send Take photo \u2014 "
                                            "Network unreachable %1"));
        QVERIFY(lastDebug().endsWith(QStringLiteral("  Take photo  Network unreachable %1")));

        setChinese(true);
        transport->error.clear();
        manager->sendCommand(0x0302, QByteArray());
        QCOMPARE(lastLine(), QStringLiteral("[Serial COM3 TX] 未发送拍照 \u2014 发送失败"));
        transport->failWrites = false;
        transport->opened = false;
        manager->sendCommand(0x0302, QByteArray());
        QCOMPARE(lastLine(), QStringLiteral("[Serial COM3 TX] 未发送拍照 \u2014 链路未打开"));
        transport->opened = true;
        manager->sendCommand(0x0302, QByteArray(70000, 'x'));
        QCOMPARE(lastLine(),
                 QStringLiteral("[Serial COM3 TX] 未发送拍照 \u2014 payload 长度超出协议限制"));

        // Without a transport the channel is "-".
        manager->setTransport(nullptr);
        setChinese(false);
        manager->sendCommand(0x0302, QByteArray());
        QCOMPARE(lastLine(),
                 QStringLiteral("[- TX] Did not send Take photo \u2014 Link is not open"));
    }

    void acknowledgements()
    {
        loggers->onAckReceived(0x0302, 0);
        QCOMPARE(lastLine(), QStringLiteral("Received reply for Take photo command"));
        QCOMPARE(lastDebug(), QStringLiteral("[debug] [ACK] MsgID=0x00000302  Code=0  Take photo"));

        loggers->onAckReceived(0x0302, 0x1A);
        QCOMPARE(lastLine(), QStringLiteral("Take photo command failed (code=0x001a)"));
        QCOMPARE(lastDebug(),
                 QStringLiteral("[debug] [ACK] MsgID=0x00000302  Code=26  Take photo"));

        loggers->onAckReceived(0x0ABC, 0);
        QCOMPARE(lastLine(),
                 QStringLiteral("Received reply for Unknown command (0x000abc) command"));

        setChinese(true);
        loggers->onAckReceived(0x0302, 0);
        QCOMPARE(lastLine(), QStringLiteral("收到拍照指令的回复"));
        loggers->onAckReceived(0x0302, 3);
        QCOMPARE(lastLine(), QStringLiteral("拍照指令执行失败 (code=0x0003)"));
        loggers->onAckReceived(0x0ABC, 0);
        QCOMPARE(lastLine(), QStringLiteral("收到未知指令 (0x000abc)指令的回复"));
    }

    void downloadRefusalsIgnored_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<double>("progress");
        QTest::addColumn<bool>("ignored");
        QTest::newRow("continue any case") << "Download CONTINUE a.mp4" << false << 0.0 << true;
        QTest::newRow("stop") << "Stop download" << false << 0.0 << true;
        QTest::newRow("stop lower case") << "stop download" << false << 0.0 << true;
        QTest::newRow("thumbnail") << "Get Thumbnail x" << false << 0.0 << true;
        QTest::newRow("chinese stop") << "停止下载" << false << 0.0 << true;
        QTest::newRow("chinese resume") << "续传 a.mp4" << false << 0.0 << true;
        QTest::newRow("chinese thumbnail") << "下载缩略图" << false << 0.0 << true;
        QTest::newRow("running download") << "Download a.mp4" << true << 12.5 << true;
        QTest::newRow("download not started") << "Download a.mp4" << true << 0.0 << false;
        QTest::newRow("idle") << "Download a.mp4" << false << 50.0 << false;
        QTest::newRow("no label") << "" << false << 0.0 << false;
    }

    void downloadRefusalsIgnored()
    {
        QFETCH(QString, label);
        QFETCH(bool, busy);
        QFETCH(double, progress);
        QFETCH(bool, ignored);
        album.busy = busy;
        album.progress = progress;
        CommandLabelRegistry::instance().pushLabel(0x032E, label);
        const QString name = label.isEmpty() ? QStringLiteral("Download media file") : label;
        const int before = log->lineCount();
        loggers->onAckReceived(0x032E, 7);
        if (ignored) {
            QCOMPARE(log->lineCount(), before);
            QCOMPARE(
                lastDebug(),
                QStringLiteral("[debug] [ACK] MsgID=0x0000032e  Code=7  %1 (ignored)").arg(name));
        } else {
            QCOMPARE(lastLine(), QStringLiteral("%1 command failed (code=0x0007)").arg(name));
            QCOMPARE(lastDebug(),
                     QStringLiteral("[debug] [ACK] MsgID=0x0000032e  Code=7  %1").arg(name));
        }
        // The rule is for this one code only.
        CommandLabelRegistry::instance().pushLabel(0x0400, QStringLiteral("Stop ranging"));
        loggers->onAckReceived(0x0400, 7);
        QCOMPARE(lastLine(), QStringLiteral("Stop ranging command failed (code=0x0007)"));
    }

    void withoutAlbumNoDownloadException()
    {
        loggers->setDownloadStatusView(nullptr);
        loggers->onAckReceived(0x032E, 2);
        QCOMPARE(lastLine(), QStringLiteral("Download media file command failed (code=0x0002)"));
    }

    void labelsAreTakenInOrder()
    {
        CommandLabelRegistry &labels = CommandLabelRegistry::instance();
        labels.pushLabel(0x0400, QStringLiteral("  Range once  "));
        labels.pushLabel(0x0400, QStringLiteral("   "));
        labels.pushLabel(0x0400, QStringLiteral("Range again"));

        // Sending peeks and leaves the queue alone.
        manager->sendCommand(0x0400, QByteArray(1, '\x01'));
        QVERIFY(lastLine().startsWith(QStringLiteral("[Serial COM3 TX] Sent Range once (")));
        manager->sendCommand(0x0400, QByteArray(1, '\x01'));
        QVERIFY(lastLine().startsWith(QStringLiteral("[Serial COM3 TX] Sent Range once (")));

        loggers->onAckReceived(0x0400, 0);
        QCOMPARE(lastLine(), QStringLiteral("Received reply for Range once command"));
        transport->opened = false;
        manager->sendCommand(0x0400, QByteArray(1, '\x01'));
        QCOMPARE(
            lastLine(),
            QStringLiteral("[Serial COM3 TX] Did not send Range again \u2014 Link is not open"));
        loggers->onAckReceived(0x0400, 0);
        QCOMPARE(lastLine(), QStringLiteral("Received reply for Laser range set command"));
    }

    void catalogueNames()
    {
        QCOMPARE(CommandCatalog::englishName(0x0001), QStringLiteral("Gimbal status report"));
        QCOMPARE(CommandCatalog::chineseName(0x032A), QStringLiteral("设置 OSD 自定义文字"));
        QCOMPARE(CommandCatalog::englishName(0x0505), QStringLiteral("Get SBUS zoom ext"));
        QCOMPARE(CommandCatalog::chineseName(0x0505), QStringLiteral("读取 SBUS 变倍扩展"));
        QCOMPARE(CommandCatalog::englishName(0x0006), QString());
        int known = 0;
        for (int code = 0; code <= 0xFFFF; ++code)
            known += CommandCatalog::isKnown(quint16(code)) ? 1 : 0;
        QCOMPARE(known, 110);

        QCOMPARE(commandDisplayName(0x0006), QStringLiteral("Unknown command (0x000006)"));
        QCOMPARE(commandDisplayName(0xFFFF), QStringLiteral("Unknown command (0x00ffff)"));
        QCOMPARE(commandDisplayName(0x030E), QStringLiteral("Time sync"));
        setChinese(true);
        QCOMPARE(commandDisplayName(0x030E), QStringLiteral("时间同步"));
        QCOMPARE(commandDisplayName(0x0ABC), QStringLiteral("未知指令 (0x000abc)"));
    }
};
SKYRIG_REGISTER_TEST(CommandLoggersTest)

#include "tst_loggers.moc"
