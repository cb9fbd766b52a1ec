// Transmit, drop and reply lines of the command loggers, on a real log bridge
// writing into a temporary folder.

#include "common/LogFileLines.h"
#include "common/TestMain.h"

#include "commands/CommandLoggers.h"
#include "commands/DownloadStatusView.h"
#include "common/TestTransport.h"
#include "link/ITransport.h"
#include "link/TransportManager.h"
#include "log/LogBridge.h"

#include <QRegularExpression>
#include <QSettings>
#include <QStringListModel>
#include <QTemporaryDir>

namespace
{

struct FakeAlbum : DownloadStatusView {
    bool busy = false;
    double progress = 0;
    bool downloading() const override { return busy; }
    double downloadProgress() const override { return progress; }
};

using skyrig_test::setChinese;

struct LogRig {
    QTemporaryDir tmp;
    QStringListModel model;
    LogBridge log{&model, tmp.path()};
    TestTransport transport{QStringLiteral("Serial COM3"), true};
    TransportManager manager;
    FakeAlbum album;
    CommandLoggers loggers{&manager, &log, &album};

    LogRig()
    {
        manager.setTransport(&transport);
        QObject::connect(&manager, &TransportManager::commandSent, &loggers,
                         &CommandLoggers::onCommandSent);
        QObject::connect(&manager, &TransportManager::commandDropped, &loggers,
                         &CommandLoggers::onCommandDropped);
    }
    QString lastLine() const { return log.lineAt(log.lineCount() - 1); }
    QString lastDebug() const { return logFileLines(log.logFilePath()).last(); }
};

} // namespace

class CommandLoggersTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QSettings().remove(QStringLiteral("log/rawCapture"));
        setChinese(false);
    }

    void cleanup() { setChinese(false); }

    void sentLinesAndCapture()
    {
        LogRig r;
        r.log.setRawCaptureEnabled(true);
        const int before = r.log.lineCount();
        r.manager.sendCommand(0x0012, QByteArray::fromHex("0a0b0c"));
        QCOMPARE(r.transport.writes.size(), 1);
        const QByteArray frame = r.transport.writes.first();
        const QString hex = QString::fromLatin1(frame.toHex(' '));
        QVERIFY(!hex.contains(QRegularExpression(QStringLiteral("[A-F]"))));
        QCOMPARE(r.log.lineCount(), before + 1);
        QCOMPARE(
            r.lastLine(),
            QStringLiteral("[Serial COM3 TX] Sent Gimbal angle control (%1B)").arg(frame.size()));
        QCOMPARE(r.lastDebug(),
                 QStringLiteral("[debug] [Serial COM3 TX] MsgID=0x00000012  Gimbal angle control  "
                                "Len=%1  Data=%2")
                     .arg(frame.size())
                     .arg(hex));
        QCOMPARE(
            logFileLines(r.log.rawLogFilePath()).last(),
            QStringLiteral("[UART TX] Serial COM3  Len=%1  Data=%2").arg(frame.size()).arg(hex));

        setChinese(true);
        r.manager.sendCommand(0x0302, QByteArray());
        QCOMPARE(r.lastLine(), QStringLiteral("[Serial COM3 TX] 已发送拍照 (%1B)")
                                   .arg(r.transport.writes.last().size()));
        QVERIFY(r.lastDebug().contains(QStringLiteral("MsgID=0x00000302  拍照  Len=")));

        // Speed control goes to the detailed log and the capture only.
        const int shown = r.log.lineCount();
        r.manager.sendCommand(0x0010, QByteArray(4, '\0'), QStringLiteral("Pitch up"));
        QCOMPARE(r.log.lineCount(), shown);
        QVERIFY2(r.lastDebug().startsWith(
                     QStringLiteral("[debug] [Serial COM3 TX] MsgID=0x00000010  Pitch up  Len=")),
                 qPrintable(r.lastDebug()));
        QVERIFY(
            logFileLines(r.log.rawLogFilePath()).last().startsWith(QStringLiteral("[UART TX] ")));
    }

    // A transport's own error text is shown as it is; without a transport the
    // channel is "-".
    void droppedReasons_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QStringList>("shown"); // English, Chinese
        const QStringList closed{"Link is not open", "链路未打开"};
        const QString own = QStringLiteral("Network unreachable %1");
        QTest::newRow("closed") << "link_closed" << closed;
        QTest::newRow("too large")
            << "payload_too_large"
            << QStringList{"Payload exceeds protocol limit", "payload 长度超出协议限制"};
        QTest::newRow("failed") << "send_failed" << QStringList{"Send failed", "发送失败"};
        QTest::newRow("transport's text") << own << QStringList{own, own};
        QTest::newRow("no transport") << "link_closed" << closed;
    }

    void droppedReasons()
    {
        QFETCH(QString, reason);
        QFETCH(QStringList, shown);
        LogRig r;
        const bool attached = QTest::currentDataTag() != QByteArray("no transport");
        const QString channel = attached ? QStringLiteral("Serial COM3") : QStringLiteral("-");
        if (!attached)
            r.manager.setTransport(nullptr);
        if (reason == QLatin1String("link_closed"))
            r.transport.close();
        r.transport.failWrites = reason != QLatin1String("payload_too_large");
        r.transport.errorText = reason.contains(QLatin1Char(' ')) ? reason : QString();
        const QByteArray payload(reason == QLatin1String("payload_too_large") ? 70000 : 0, 'x');
        for (bool chinese : {false, true}) {
            setChinese(chinese);
            r.manager.sendCommand(0x0302, payload);
            QCOMPARE(r.lastLine(),
                     (chinese ? QStringLiteral("[%1 TX] 未发送拍照 \u2014 ")
                              : QStringLiteral("[%1 TX] Did not send Take photo \u2014 "))
                             .arg(channel) +
                         shown.at(chinese));
            QCOMPARE(r.lastDebug(),
                     QStringLiteral("[debug] [%1 TX Dropped] MsgID=0x00000302  %2  %3")
                         .arg(channel,
                              chinese ? QStringLiteral("拍照") : QStringLiteral("Take photo"),
                              reason));
        }
    }

    void acknowledgements()
    {
        LogRig r;
        r.loggers.onAckReceived(0x0302, 0);
        QCOMPARE(r.lastLine(), QStringLiteral("Received reply for Take photo command"));
        QCOMPARE(r.lastDebug(),
                 QStringLiteral("[debug] [ACK] MsgID=0x00000302  Code=0  Take photo"));
        r.loggers.onAckReceived(0x0302, 0x1A);
        QCOMPARE(r.lastLine(), QStringLiteral("Take photo command failed (code=0x001a)"));
        QCOMPARE(r.lastDebug(),
                 QStringLiteral("[debug] [ACK] MsgID=0x00000302  Code=26  Take photo"));
        r.loggers.onAckReceived(0x0ABC, 0);
        QCOMPARE(r.lastLine(),
                 QStringLiteral("Received reply for Unknown command (0x000abc) command"));

        setChinese(true);
        r.loggers.onAckReceived(0x0302, 0);
        QCOMPARE(r.lastLine(), QStringLiteral("收到拍照指令的回复"));
        r.loggers.onAckReceived(0x0302, 3);
        QCOMPARE(r.lastLine(), QStringLiteral("拍照指令执行失败 (code=0x0003)"));
        r.loggers.onAckReceived(0xFFFF, 0);
        QCOMPARE(r.lastLine(), QStringLiteral("收到未知指令 (0x00ffff)指令的回复"));
    }

    void downloadRefusalsIgnored_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<double>("progress");
        QTest::addColumn<bool>("ignored");
        QTest::newRow("continue any case") << "Download CONTINUE a.mp4" << false << 0.0 << true;
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
        LogRig r;
        r.album.busy = busy;
        r.album.progress = progress;
        r.manager.sendCommand(0x032E, QByteArray(), label);
        const QString name = label.isEmpty() ? QStringLiteral("Download media file") : label;
        const int before = r.log.lineCount();
        r.loggers.onAckReceived(0x032E, 7);
        if (ignored) {
            QCOMPARE(r.log.lineCount(), before);
            QCOMPARE(
                r.lastDebug(),
                QStringLiteral("[debug] [ACK] MsgID=0x0000032e  Code=7  %1 (ignored)").arg(name));
        } else {
            QCOMPARE(r.lastLine(), QStringLiteral("%1 command failed (code=0x0007)").arg(name));
        }
        // The rule is for this one code only.
        r.manager.sendCommand(0x0400, QByteArray(), QStringLiteral("Stop ranging"));
        r.loggers.onAckReceived(0x0400, 7);
        QCOMPARE(r.lastLine(), QStringLiteral("Stop ranging command failed (code=0x0007)"));
        // Without an album there is no running download to excuse a refusal.
        r.loggers.setDownloadStatusView(nullptr);
        r.loggers.onAckReceived(0x032E, 2);
        QCOMPARE(r.lastLine(), QStringLiteral("Download media file command failed (code=0x0002)"));
    }

    // Every line names the frame it is about: a transmit line its own frame's
    // action, a reply the frame it answers (the one with the reply's sequence
    // number when the camera echoes it, else the oldest unanswered one of the
    // code). Repeated replies are one line with a count.
    void eachLineNamesItsOwnFrame()
    {
        LogRig r;
        const auto send = [&r](const char *label) {
            r.manager.sendCommand(0x0010, QByteArray(4, '\0'), QString::fromUtf8(label));
            return int(quint8(r.transport.writes.last().at(4))); // its sequence number
        };
        send("Pitch down");
        send("Pitch down");
        const int stop = send("Stop motion");
        QVERIFY2(r.lastDebug().contains(QStringLiteral("  Stop motion  Len=")),
                 qPrintable(r.lastDebug()));
        // A camera that echoes the sequence answers the stop first.
        r.loggers.onAckReceived(0x0010, 0, stop);
        QCOMPARE(r.lastLine(), QStringLiteral("Received reply for Stop motion command"));
        // Without it, in order; the same reply again is counted, not repeated.
        const int before = r.log.lineCount();
        r.loggers.onAckReceived(0x0010, 0, (stop + 100) % 256);
        r.loggers.onAckReceived(0x0010, 0);
        QCOMPARE(r.log.lineCount(), before + 1);
        QCOMPARE(r.lastLine(), QStringLiteral("Received reply for Pitch down command (\u00d72)"));
        // Nothing left to answer: the code's own name.
        r.loggers.onAckReceived(0x0010, 0);
        QCOMPARE(r.lastLine(), QStringLiteral("Received reply for Gimbal speed control command"));

        // A frame that was never sent waits for no reply.
        r.transport.close();
        r.manager.sendCommand(0x0400, QByteArray(1, '\x01'), QStringLiteral("Range again"));
        QCOMPARE(
            r.lastLine(),
            QStringLiteral("[Serial COM3 TX] Did not send Range again \u2014 Link is not open"));
        r.loggers.onAckReceived(0x0400, 0);
        QCOMPARE(r.lastLine(), QStringLiteral("Received reply for Laser range set command"));
    }
};
SKYRIG_REGISTER_TEST(CommandLoggersTest)

#include "tst_loggers.moc"
