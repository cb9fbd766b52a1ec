#include "common/TestMain.h"
#include "log/LogBridge.h"
#include "log/LogDirectory.h"
#include "log/LogTestUtil.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QStringListModel>
#include <QTemporaryDir>

using namespace logtest;

namespace
{

const QRegularExpression isoStamp(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}$"));

// Links "<prefix>-<stamp>.log" for the next few seconds to `target`, so the
// file a log object opens "now" is that target.
void linkUpcomingNames(const QString &dir, const QString &prefix, const QString &target)
{
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = -1; s <= 6; ++s) {
        const QString stamp = now.addSecs(s).toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QFile::link(target, QDir(dir).filePath(QStringLiteral("%1-%2.log").arg(prefix, stamp)));
    }
}

int countStartingWith(const LogBridge &log, const QString &start)
{
    int n = 0;
    for (int i = 0; i < log.lineCount(); ++i)
        n += log.lineAt(i).startsWith(start) ? 1 : 0;
    return n;
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
        QStringListModel model;
        LogBridge log(&model, dir);
        QCOMPARE(log.logDirectory(), dir);
        const QString path = log.logFilePath();
        QCOMPARE(QFileInfo(path).absolutePath(), dir);
        QVERIFY2(QRegularExpression(QStringLiteral("^session-\\d{8}-\\d{6}\\.log$"))
                     .match(QFileInfo(path).fileName())
                     .hasMatch(),
                 qPrintable(path));

        log.append(QStringLiteral("  [Video/Error] Cannot open RTSP stream: x  "));
        log.appendDebug(QStringLiteral("  frame 1  "));
        log.appendDebug(QStringLiteral("   "));
        log.append(QStringLiteral("[通信/链路] 已打开"));
        log.clear();

        // Every line is on disk at once, before the object goes away.
        const QStringList lines = bodies(path);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.at(0), QStringLiteral("# Skyrig session log"));
        QVERIFY(lines.at(1).startsWith(QStringLiteral("# started ")));
        QVERIFY2(isoStamp.match(lines.at(1).mid(10)).hasMatch(), qPrintable(lines.at(1)));
        QCOMPARE(lines.at(2), QStringLiteral("# directory ") + dir);
        QCOMPARE(lines.at(3), QStringLiteral("[Video/Error] Cannot open RTSP stream: x"));
        QCOMPARE(lines.at(4), QStringLiteral("[debug] frame 1"));
        QCOMPARE(lines.at(5), QStringLiteral("[通信/链路] 已打开"));
        QCOMPARE(lines.at(6), QStringLiteral("# UI log cleared"));
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
        QCOMPARE(log.lineCount(), 500);
        QCOMPARE(appended.count(), 500);
        QCOMPARE(appended.last().at(0).toInt(), 499);
        QCOMPARE(changed.count(), 0);

        log.append(QStringLiteral(" line 500 "));
        QCOMPARE(log.lineCount(), 500);
        QCOMPARE(appended.count(), 500);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(log.lineAt(0), QStringLiteral("line 1"));
        QCOMPARE(log.lineAt(499), QStringLiteral("line 500"));
        QCOMPARE(messages.count(), 501);
        QCOMPARE(messages.last().at(0).toString(), QStringLiteral("line 500"));

        QCOMPARE(log.lineAt(-1), QString());
        QCOMPARE(log.lineAt(500), QString());

        const int fileLines = bodies(log.logFilePath()).size();
        log.append(QStringLiteral("   \t "));
        QCOMPARE(log.lineCount(), 500);
        QCOMPARE(appended.count() + changed.count() + messages.count(), 500 + 1 + 501);
        QCOMPARE(bodies(log.logFilePath()).size(), fileLines);

        log.clear();
        QCOMPARE(log.lineCount(), 0);
        QCOMPARE(changed.count(), 2);
        log.append(QStringLiteral("after"));
        QCOMPARE(appended.last().at(0).toInt(), 0);
    }

    void withoutModelOnlyTheFile()
    {
        QTemporaryDir tmp;
        LogBridge log(nullptr, tmp.path());
        QSignalSpy appended(&log, &LogBridge::lineAppended);
        QSignalSpy changed(&log, &LogBridge::linesChanged);
        QSignalSpy messages(&log, &LogBridge::messageAppended);
        log.append(QStringLiteral("headless line"));
        QCOMPARE(log.lineCount(), 0);
        QCOMPARE(log.lineAt(0), QString());
        QCOMPARE(appended.count(), 0);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.at(0).at(0).toString(), QStringLiteral("headless line"));
        QCOMPARE(bodies(log.logFilePath()).last(), QStringLiteral("headless line"));
    }

    void directoryChoiceAndFallback()
    {
        QTemporaryDir tmp;
        QFile blocker(tmp.filePath(QStringLiteral("afile")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString unusable = tmp.filePath(QStringLiteral("afile/logs"));

        QVERIFY(!LogDirectory::isWritable(QString()));
        QVERIFY(!LogDirectory::isWritable(unusable));
        const QString usable = tmp.filePath(QStringLiteral("a/b/logs"));
        QVERIFY(LogDirectory::isWritable(usable));
        QVERIFY(!QFile::exists(usable + QStringLiteral("/.write_probe")));
        QCOMPARE(LogDirectory::chooseFrom(usable), usable);
        QCOMPARE(LogDirectory::chooseFrom(unusable), LogDirectory::userDataLogs());
        QVERIFY(!LogDirectory::userDataLogs().isEmpty());

        QStringListModel model;
        QString fallbackFile;
        {
            LogBridge log(&model, unusable);
            QCOMPARE(log.logDirectory(), LogDirectory::userDataLogs());
            fallbackFile = log.logFilePath();
            QVERIFY(fallbackFile.startsWith(log.logDirectory()));
            QVERIFY(QFileInfo(fallbackFile).isFile());
            log.append(QStringLiteral("still logged"));
            QCOMPARE(log.lineCount(), 1);
        }
        QCOMPARE(bodies(fallbackFile).last(), QStringLiteral("still logged"));
        QFile::remove(fallbackFile);
    }

    void earlierLogOfTheSameSecondIsKept()
    {
        QTemporaryDir tmp;
        const QDateTime now = QDateTime::currentDateTime();
        QStringList earlier;
        for (int s = -1; s <= 6; ++s) {
            QFile f(
                tmp.filePath(QStringLiteral("session-%1.log")
                                 .arg(now.addSecs(s).toString(QStringLiteral("yyyyMMdd-HHmmss")))));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier run\n");
            earlier << f.fileName();
        }
        LogBridge log(nullptr, tmp.path());
        QVERIFY(!earlier.contains(log.logFilePath()));
        QVERIFY2(log.logFilePath().endsWith(QStringLiteral("-2.log")),
                 qPrintable(log.logFilePath()));
        for (const QString &path : earlier) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("earlier run\n"));
        }
    }

    void sessionWriteFailureReportedOnce()
    {
        if (!QFileInfo(QStringLiteral("/dev/full")).exists())
            QSKIP("no /dev/full on this system");
        QTemporaryDir tmp;
        linkUpcomingNames(tmp.path(), QStringLiteral("session"), QStringLiteral("/dev/full"));
        QStringListModel model;
        LogBridge log(&model, tmp.path());
        QVERIFY(QFileInfo(log.logFilePath()).isSymLink());
        for (int i = 0; i < 20; ++i)
            log.append(QStringLiteral("line %1").arg(i));
        log.appendDebug(QStringLiteral("detail"));
        QCOMPARE(countStartingWith(log, QStringLiteral("[System] Log file write failed: ")), 1);
        QCOMPARE(log.lineCount(), 21);
        QCOMPARE(log.lineAt(20), QStringLiteral("line 19"));
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
        QVERIFY(!log.rawCaptureEnabled());
        QSignalSpy enabled(&log, &LogBridge::rawCaptureEnabledChanged);
        QSignalSpy pathChanged(&log, &LogBridge::rawLogFilePathChanged);

        log.appendRaw(QStringLiteral("RX"), QStringLiteral("UART"), QStringLiteral("x"),
                      QByteArray("\x01", 1));
        log.setRawCaptureEnabled(true);
        QVERIFY(log.rawCaptureEnabled());
        QCOMPARE(enabled.count(), 1);
        QVERIFY(QSettings().value(QStringLiteral("log/rawCapture")).toBool());
        const QString raw = log.rawLogFilePath();
        QCOMPARE(QFileInfo(raw).absolutePath(), QFileInfo(tmp.path()).absoluteFilePath());
        QVERIFY2(QRegularExpression(QStringLiteral("^raw-\\d{8}-\\d{6}\\.log$"))
                     .match(QFileInfo(raw).fileName())
                     .hasMatch(),
                 qPrintable(raw));
        QCOMPARE(log.lineAt(log.lineCount() - 1),
                 QStringLiteral("[System] Raw capture enabled: ") + raw);

        log.appendRaw(QStringLiteral("RX"), QStringLiteral("UART"), QStringLiteral("Serial COM3"),
                      QByteArray::fromHex("fd0a00"));
        log.appendRaw(QStringLiteral(" tx "), QStringLiteral("udp"), QStringLiteral("  "),
                      QByteArray::fromHex("01AB"));
        log.appendRaw(QStringLiteral("RX"), QStringLiteral("UART"), QStringLiteral("%1 %2"),
                      QByteArray::fromHex("ff"));
        log.appendRaw(QStringLiteral("RX"), QStringLiteral("UART"), QStringLiteral("x"),
                      QByteArray());
        QStringList lines = bodies(raw);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.at(0), QStringLiteral("# Skyrig raw transport capture"));
        QCOMPARE(lines.at(1), QStringLiteral("# format: [MEDIUM DIR] channel  Len=N  Data=<hex>"));
        QCOMPARE(lines.at(2), QStringLiteral("# MEDIUM=UART|UDP  DIR=TX|RX"));
        QVERIFY2(isoStamp.match(lines.at(3).mid(10)).hasMatch(), qPrintable(lines.at(3)));
        QCOMPARE(lines.at(4), QStringLiteral("[UART RX] Serial COM3  Len=3  Data=fd 0a 00"));
        QCOMPARE(lines.at(5), QStringLiteral("[UDP TX] -  Len=2  Data=01 ab"));
        QCOMPARE(lines.at(6), QStringLiteral("[UART RX] %1 %2  Len=1  Data=ff"));

        // Switching on again changes nothing.
        const int modelLines = log.lineCount();
        log.setRawCaptureEnabled(true);
        QCOMPARE(enabled.count(), 1);
        QCOMPARE(log.lineCount(), modelLines);
        QCOMPARE(log.rawLogFilePath(), raw);

        const int pathSignals = pathChanged.count();
        log.setRawCaptureEnabled(false);
        QVERIFY(!log.rawCaptureEnabled());
        QCOMPARE(enabled.count(), 2);
        QCOMPARE(pathChanged.count(), pathSignals + 1);
        QVERIFY(log.rawLogFilePath().isEmpty());
        QVERIFY(!QSettings().value(QStringLiteral("log/rawCapture")).toBool());
        QCOMPARE(log.lineAt(log.lineCount() - 1),
                 QStringLiteral("[System] Raw capture disabled: ") + raw);
        lines = bodies(raw);
        QCOMPARE(lines.size(), 8);
        QVERIFY(lines.last().startsWith(QStringLiteral("# stopped ")));
        QVERIFY2(isoStamp.match(lines.last().mid(10)).hasMatch(), qPrintable(lines.last()));

        log.appendRaw(QStringLiteral("RX"), QStringLiteral("UART"), QStringLiteral("x"),
                      QByteArray("\x02", 1));
        QCOMPARE(bodies(raw).size(), 8);

        // On again at once: a new file, the earlier capture stays intact.
        log.setRawCaptureEnabled(true);
        QVERIFY(log.rawCaptureEnabled());
        QVERIFY(log.rawLogFilePath() != raw);
        QCOMPARE(bodies(raw).size(), 8);
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
        QSignalSpy pathChanged(&log, &LogBridge::rawLogFilePathChanged);
        log.setRawCaptureEnabled(true);
        QVERIFY(!log.rawCaptureEnabled());
        QVERIFY(log.rawLogFilePath().isEmpty());
        QCOMPARE(enabled.count(), 1);
        QCOMPARE(pathChanged.count(), 1);
        QVERIFY(QSettings().contains(QStringLiteral("log/rawCapture")));
        QVERIFY(!QSettings().value(QStringLiteral("log/rawCapture")).toBool());
        QCOMPARE(log.lineAt(log.lineCount() - 1),
                 QStringLiteral("[System] Failed to open raw capture log file"));

        setChinese(true);
        log.setRawCaptureEnabled(true);
        QCOMPARE(log.lineAt(log.lineCount() - 1),
                 QStringLiteral("[系统] 原始数据记录开启失败：无法创建日志文件"));
    }

    void persistedSwitchReopensSilently()
    {
        QTemporaryDir tmp;
        QSettings().setValue(QStringLiteral("log/rawCapture"), true);
        QStringListModel model;
        QString raw;
        {
            LogBridge log(&model, tmp.path());
            QVERIFY(log.rawCaptureEnabled());
            raw = log.rawLogFilePath();
            QVERIFY(QFileInfo(raw).isFile());
            QCOMPARE(log.lineCount(), 0);
            log.appendRaw(QStringLiteral("RX"), QStringLiteral("UART"), QStringLiteral("c"),
                          QByteArray("\x05", 1));
        }
        const QStringList lines = bodies(raw);
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.at(4), QStringLiteral("[UART RX] c  Len=1  Data=05"));
        QVERIFY(lines.at(5).startsWith(QStringLiteral("# stopped ")));
    }

    void persistedSwitchWithoutFileThenOff()
    {
        QTemporaryDir tmp;
        // Capture names of this moment lead nowhere, so the silent reopen fails.
        linkUpcomingNames(tmp.path(), QStringLiteral("raw"),
                          tmp.filePath(QStringLiteral("missing/dir/raw.log")));
        QSettings().setValue(QStringLiteral("log/rawCapture"), true);
        QStringListModel model;
        LogBridge log(&model, tmp.path());
        QVERIFY(log.rawCaptureEnabled());
        QVERIFY(log.rawLogFilePath().isEmpty());
        QCOMPARE(log.lineCount(), 0);
        log.appendRaw(QStringLiteral("RX"), QStringLiteral("UART"), QStringLiteral("c"),
                      QByteArray("\x05", 1));

        setChinese(true);
        QSignalSpy pathChanged(&log, &LogBridge::rawLogFilePathChanged);
        log.setRawCaptureEnabled(false);
        QCOMPARE(pathChanged.count(), 0);
        QCOMPARE(log.lineAt(log.lineCount() - 1), QStringLiteral("[系统] 原始数据记录已关闭"));
        setChinese(false);
    }

    void chineseSwitchMessages()
    {
        QTemporaryDir tmp;
        setChinese(true);
        QStringListModel model;
        LogBridge log(&model, tmp.path());
        log.setRawCaptureEnabled(true);
        const QString raw = log.rawLogFilePath();
        QCOMPARE(log.lineAt(log.lineCount() - 1),
                 QStringLiteral("[系统] 原始数据记录已开启: ") + raw);
        log.setRawCaptureEnabled(false);
        QCOMPARE(log.lineAt(log.lineCount() - 1),
                 QStringLiteral("[系统] 原始数据记录已关闭: ") + raw);
        setChinese(false);
    }

    void captureWriteFailureReportedOnce()
    {
        if (!QFileInfo(QStringLiteral("/dev/full")).exists())
            QSKIP("no /dev/full on this system");
        QTemporaryDir tmp;
        QStringListModel model;
        LogBridge log(&model, tmp.path());
        linkUpcomingNames(tmp.path(), QStringLiteral("raw"), QStringLiteral("/dev/full"));
        setChinese(true);
        log.setRawCaptureEnabled(true);
        QVERIFY(log.rawCaptureEnabled());
        for (int i = 0; i < 10; ++i)
            log.appendRaw(QStringLiteral("TX"), QStringLiteral("UART"), QStringLiteral("c"),
                          QByteArray(64, '\x55'));
        QCOMPARE(countStartingWith(log, QStringLiteral("[系统] 原始数据记录写入失败: ")), 1);
        log.setRawCaptureEnabled(false);
        QVERIFY(!log.rawCaptureEnabled());
        setChinese(false);
        // The session log is unaffected and recorded the report.
        int reports = 0;
        for (const QString &line : bodies(log.logFilePath()))
            reports += line.startsWith(QStringLiteral("[系统] 原始数据记录写入失败: ")) ? 1 : 0;
        QCOMPARE(reports, 1);
    }

    void modelGoneBeforeLog()
    {
        if (!QFileInfo(QStringLiteral("/dev/full")).exists())
            QSKIP("no /dev/full on this system");
        QTemporaryDir tmp;
        auto *model = new QStringListModel;
        auto *log = new LogBridge(model, tmp.path());
        linkUpcomingNames(tmp.path(), QStringLiteral("raw"), QStringLiteral("/dev/full"));
        log->setRawCaptureEnabled(true);
        delete model;
        log->append(QStringLiteral("after the model"));
        QCOMPARE(log->lineCount(), 0);
        delete log; // the closing capture line fails too: no report, no crash
    }
};
SKYRIG_REGISTER_TEST(LogRawCaptureTest)

#include "tst_logbridge.moc"
