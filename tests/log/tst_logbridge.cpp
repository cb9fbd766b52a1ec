#include "common/LogFileLines.h"
#include "common/TestMain.h"
#include "log/LogBridge.h"
#include "log/LogDirectory.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTemporaryDir>

namespace
{

void resetSettings()
{
    QSettings().remove(QStringLiteral("log/rawCapture"));
    skyrig_test::setChinese(false);
}

// "<prefix>-<stamp>.log" for the seconds around now: the file a log object
// opens now has one of these names.
QStringList upcomingNames(const QString &dir, const QString &prefix)
{
    QStringList names;
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = -1; s <= 6; ++s)
        names << QDir(dir).filePath(
            QStringLiteral("%1-%2.log")
                .arg(prefix, now.addSecs(s).toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    return names;
}

void linkUpcomingNames(const QString &dir, const QString &prefix, const QString &target)
{
    for (const QString &name : upcomingNames(dir, prefix))
        QFile::link(target, name);
}

const QRegularExpression isoStamp(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}$"));

int countStartingWith(const QStringList &lines, const QString &start)
{
    return int(std::count_if(lines.begin(), lines.end(),
                             [&](const QString &l) { return l.startsWith(start); }));
}

// Log file names carry a second-resolution stamp, which the clean-up relies on.
bool namedLike(const QString &path, const QString &prefix)
{
    return QRegularExpression(QStringLiteral("^%1-\\d{8}-\\d{6}\\.log$").arg(prefix))
        .match(QFileInfo(path).fileName())
        .hasMatch();
}

QString lastLine(const LogBridge &log)
{
    return log.lineAt(log.lineCount() - 1);
}

} // namespace

class LogBridgeSessionTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { resetSettings(); }

    void sessionFileHeaderAndLines()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.filePath(QStringLiteral("logs"));
        // Start-up prunes logs past their age.
        QVERIFY(QDir().mkpath(dir));
        QFile stale(QDir(dir).filePath(QStringLiteral("session-old.log")));
        QVERIFY(stale.open(QIODevice::WriteOnly) &&
                stale.setFileTime(QDateTime::currentDateTime().addDays(-8),
                                  QFileDevice::FileModificationTime));
        stale.close();
        QStringListModel model;
        LogBridge log(&model, dir);
        QVERIFY(!stale.exists());
        const QString path = log.logFilePath();
        QVERIFY2(namedLike(path, QStringLiteral("session")), qPrintable(path));

        log.append(QStringLiteral("  [Video/Error] Cannot open RTSP stream: x  "));
        log.appendDebug(QStringLiteral("  frame 1  "));
        log.appendDebug(QStringLiteral("   "));
        log.append(QStringLiteral("[通信/链路] 已打开"));
        log.clear();

        // Every line is on disk at once, before the object goes away.
        const QStringList lines = logFileLines(path);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.at(0), QStringLiteral("# Skyrig session log"));
        QVERIFY2(isoStamp.match(lines.at(1).mid(10)).hasMatch(), qPrintable(lines.at(1)));
        QCOMPARE(
            lines.mid(2),
            (QStringList{QStringLiteral("# directory ") + dir,
                         QStringLiteral("[Video/Error] Cannot open RTSP stream: x"),
                         QStringLiteral("[debug] frame 1"), QStringLiteral("[通信/链路] 已打开"),
                         QStringLiteral("# UI log cleared")}));
        QCOMPARE(log.lineCount(), 0);
    }

    void modelCapAndSignals()
    {
        QTemporaryDir tmp;
        QStringListModel model;
        LogBridge log(&model, tmp.path());
        QSignalSpy appended(&log, &LogBridge::lineAppended);
        QSignalSpy changed(&log, &LogBridge::linesChanged);
        QSignalSpy messages(&log, &LogBridge::messageAppended);

        for (int i = 0; i < LogBridge::LineLimit; ++i)
            log.append(QStringLiteral("line %1").arg(i));
        QCOMPARE(appended.last().at(0).toInt(), 499);

        // Past the cap the oldest line goes and the whole list is announced.
        log.append(QStringLiteral(" line 500 "));
        QCOMPARE(log.lineCount(), 500);
        QCOMPARE(appended.count(), 500);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(log.lineAt(0), QStringLiteral("line 1"));
        QCOMPARE(log.lineAt(499), QStringLiteral("line 500"));
        QCOMPARE(log.lineAt(500), QString());

        // Blank lines go nowhere.
        const int fileLines = logFileLines(log.logFilePath()).size();
        log.append(QStringLiteral("   \t "));
        QCOMPARE(appended.count() + changed.count() + messages.count(), 500 + 1 + 501);
        QCOMPARE(logFileLines(log.logFilePath()).size(), fileLines);

        log.clear();
        QCOMPARE(changed.count(), 2);
        log.append(QStringLiteral("after"));
        QCOMPARE(appended.last().at(0).toInt(), 0);
    }

    void directoryChoiceAndFallback()
    {
        QTemporaryDir tmp;
        QFile blocker(tmp.filePath(QStringLiteral("afile")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString unusable = tmp.filePath(QStringLiteral("afile/logs"));
        const QString usable = tmp.filePath(QStringLiteral("a/b/logs"));
        QCOMPARE(LogDirectory::chooseFrom(usable), usable);
        QVERIFY(!QFile::exists(usable + QStringLiteral("/.write_probe")));
        LogBridge log(nullptr, unusable);
        QCOMPARE(log.logDirectory(), LogDirectory::userDataLogs());
        log.append(QStringLiteral("still logged"));
        QCOMPARE(logFileLines(log.logFilePath()).last(), QStringLiteral("still logged"));
    }

    void earlierLogOfTheSameSecondIsKept()
    {
        QTemporaryDir tmp;
        const QStringList earlier = upcomingNames(tmp.path(), QStringLiteral("session"));
        for (const QString &path : earlier) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("earlier run\n") == 12);
        }
        LogBridge log(nullptr, tmp.path());
        QVERIFY2(log.logFilePath().endsWith(QStringLiteral("-2.log")),
                 qPrintable(log.logFilePath()));
        for (const QString &path : earlier)
            QCOMPARE(QFileInfo(path).size(), 12);
    }

    void writeFailuresReportedOnceAndModelGone()
    {
        if (!QFileInfo::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full on this system");
        QTemporaryDir tmp;
        for (const QString &prefix : {QStringLiteral("session"), QStringLiteral("raw")})
            linkUpcomingNames(tmp.path(), prefix, QStringLiteral("/dev/full"));
        skyrig_test::setChinese(true);
        auto *model = new QStringListModel;
        auto *log = new LogBridge(model, tmp.path());
        QVERIFY(QFileInfo(log->logFilePath()).isSymLink());
        log->setRawCaptureEnabled(true);
        QVERIFY(log->rawCaptureEnabled());
        for (int i = 0; i < 10; ++i) {
            log->append(QStringLiteral("line %1").arg(i));
            log->appendRaw(QStringLiteral("TX"), QStringLiteral("UART"), QStringLiteral("c"),
                           QByteArray(64, '\x55'));
        }
        // Each file's failure is reported once; the lines still reach the pane.
        const QStringList pane = model->stringList();
        QCOMPARE(countStartingWith(pane, QStringLiteral("[系统] 日志文件写入失败: ")), 1);
        QCOMPARE(countStartingWith(pane, QStringLiteral("[系统] 原始数据记录写入失败: ")), 1);
        QCOMPARE(pane.last(), QStringLiteral("line 9"));

        delete model;
        QSignalSpy messages(log, &LogBridge::messageAppended);
        log->append(QStringLiteral("after the model"));
        QCOMPARE(log->lineCount(), 0);
        QCOMPARE(messages.count(), 1);
        delete log; // the closing capture line fails too: no report, no crash
    }
};
SKYRIG_REGISTER_TEST(LogBridgeSessionTest)

class LogRawCaptureTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { resetSettings(); }

    void captureRecordsAndSwitching()
    {
        QTemporaryDir tmp;
        QStringListModel model;
        LogBridge log(&model, tmp.path());
        QSignalSpy enabled(&log, &LogBridge::rawCaptureEnabledChanged);

        log.setRawCaptureEnabled(true);
        QCOMPARE(enabled.count(), 1);
        QVERIFY(QSettings().value(QStringLiteral("log/rawCapture")).toBool());
        const QString raw = log.rawLogFilePath();
        QVERIFY2(namedLike(raw, QStringLiteral("raw")), qPrintable(raw));
        QCOMPARE(lastLine(log), QStringLiteral("[System] Raw capture enabled: ") + raw);

        const auto rx = [&](const QString &dir, const QString &medium, const QString &channel,
                            const char *hex) {
            log.appendRaw(dir, medium, channel, QByteArray::fromHex(hex));
        };
        rx(QStringLiteral("RX"), QStringLiteral("UART"), QStringLiteral("Serial COM3"), "fd0a00");
        rx(QStringLiteral(" tx "), QStringLiteral("udp"), QStringLiteral("  "), "01AB");
        rx(QStringLiteral("RX"), QStringLiteral("UART"), QStringLiteral("%1 %2"), "ff");
        rx(QStringLiteral("RX"), QStringLiteral("UART"), QStringLiteral("x"), "");
        QStringList lines = logFileLines(raw);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.mid(0, 3),
                 (QStringList{QStringLiteral("# Skyrig raw transport capture"),
                              QStringLiteral("# format: [MEDIUM DIR] channel  Len=N  Data=<hex>"),
                              QStringLiteral("# MEDIUM=UART|UDP  DIR=TX|RX")}));
        QVERIFY2(isoStamp.match(lines.at(3).mid(10)).hasMatch(), qPrintable(lines.at(3)));
        QCOMPARE(lines.mid(4),
                 (QStringList{QStringLiteral("[UART RX] Serial COM3  Len=3  Data=fd 0a 00"),
                              QStringLiteral("[UDP TX] -  Len=2  Data=01 ab"),
                              QStringLiteral("[UART RX] %1 %2  Len=1  Data=ff")}));

        // Switching on again changes nothing.
        const int modelLines = log.lineCount();
        log.setRawCaptureEnabled(true);
        QCOMPARE(enabled.count(), 1);
        QCOMPARE(log.lineCount(), modelLines);

        log.setRawCaptureEnabled(false);
        QCOMPARE(enabled.count(), 2);
        QVERIFY(log.rawLogFilePath().isEmpty());
        QVERIFY(!QSettings().value(QStringLiteral("log/rawCapture")).toBool());
        QCOMPARE(lastLine(log), QStringLiteral("[System] Raw capture disabled: ") + raw);
        rx(QStringLiteral("RX"), QStringLiteral("UART"), QStringLiteral("x"), "02");
        lines = logFileLines(raw);
        QCOMPARE(lines.size(), 8);
        QVERIFY2(lines.last().startsWith(QStringLiteral("# stopped ")) &&
                     isoStamp.match(lines.last().mid(10)).hasMatch(),
                 qPrintable(lines.last()));

        // On again at once: a new file, the earlier capture stays intact.
        log.setRawCaptureEnabled(true);
        QVERIFY(log.rawLogFilePath() != raw);
        QCOMPARE(logFileLines(raw).size(), 8);
    }

    void switchingOnInUnusableDirectoryFails()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.filePath(QStringLiteral("logs"));
        QStringListModel model;
        LogBridge log(&model, dir);
        // The log folder disappears under the program and a file takes its place.
        QVERIFY(QDir(dir).removeRecursively());
        QFile blocker(dir);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        QSignalSpy enabled(&log, &LogBridge::rawCaptureEnabledChanged);
        log.setRawCaptureEnabled(true);
        QVERIFY(!log.rawCaptureEnabled());
        QVERIFY(log.rawLogFilePath().isEmpty());
        QCOMPARE(enabled.count(), 1);
        QVERIFY(!QSettings().value(QStringLiteral("log/rawCapture")).toBool());
        QCOMPARE(lastLine(log), QStringLiteral("[System] Failed to open raw capture log file"));

        skyrig_test::setChinese(true);
        log.setRawCaptureEnabled(true);
        QCOMPARE(lastLine(log), QStringLiteral("[系统] 原始数据记录开启失败：无法创建日志文件"));
    }

    void persistedSwitchReopensSilently_data()
    {
        QTest::addColumn<bool>("reachable");
        QTest::newRow("file opens") << true;
        QTest::newRow("file cannot open") << false;
    }

    void persistedSwitchReopensSilently()
    {
        QFETCH(bool, reachable);
        QTemporaryDir tmp;
        if (!reachable) // capture names of this moment lead nowhere
            linkUpcomingNames(tmp.path(), QStringLiteral("raw"),
                              tmp.filePath(QStringLiteral("missing/dir/raw.log")));
        QSettings().setValue(QStringLiteral("log/rawCapture"), true);
        QStringListModel model;
        LogBridge log(&model, tmp.path());
        QVERIFY(log.rawCaptureEnabled());
        const QString raw = log.rawLogFilePath();
        QCOMPARE(raw.isEmpty(), !reachable);
        QCOMPARE(log.lineCount(), 0);
        log.appendRaw(QStringLiteral("RX"), QStringLiteral("UART"), QStringLiteral("c"),
                      QByteArray("\x05", 1));

        skyrig_test::setChinese(true);
        QSignalSpy pathChanged(&log, &LogBridge::rawLogFilePathChanged);
        log.setRawCaptureEnabled(false);
        QCOMPARE(pathChanged.count(), reachable ? 1 : 0);
        QCOMPARE(lastLine(log), reachable ? QStringLiteral("[系统] 原始数据记录已关闭: ") + raw
                                          : QStringLiteral("[系统] 原始数据记录已关闭"));
        if (reachable) {
            const QStringList lines = logFileLines(raw);
            QCOMPARE(lines.size(), 6);
            QCOMPARE(lines.at(4), QStringLiteral("[UART RX] c  Len=1  Data=05"));
        }
    }
};
SKYRIG_REGISTER_TEST(LogRawCaptureTest)

#include "tst_logbridge.moc"
