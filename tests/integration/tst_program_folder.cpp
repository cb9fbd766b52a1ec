// Everything the program writes goes to the user's folders when its own folder
// cannot be used: a read-only one (as a packaged program's is; here a /proc
// folder, or a read-only bind mount even root cannot write) or an installed
// one (which root could write but must not). The interface program runs as on
// a machine without a display or GPU.

#include "CamsimHarness.h"
#include "MediaHarness.h"
#include "app/StartupLog.h"
#include "common/TestMain.h"
#include "log/LogBridge.h"
#include "log/LogDirectory.h"
#include "log/ProgramFolder.h"
#include "video/QmlVideoPlayer.h"
#include "video/VideoFrameItem.h"
#include "video/VideoStreamServers.h"
#include "video/VideoTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>

#include <functional>

namespace
{

// What one writer did: the file it wrote, or why it could not run here.
struct Written {
    QString path;
    QString skipped;
};

struct NamedWriter {
    const char *name;
    QStandardPaths::StandardLocation userLocation; // where the user's folder for it lies
    std::function<Written()> run;                  // with whatever program folder is in force
};

// Every part of the program that writes files. Downloads join here with one
// row when the album lands.
QVector<NamedWriter> writers()
{
    return {
        {"start-up log", QStandardPaths::AppDataLocation,
         [] {
             StartupLog log(LogDirectory::choose());
             log.writeLine(QStringLiteral("QML root object count: 1"));
             log.flush();
             return Written{log.isOpen() ? log.filePath() : QString(), {}};
         }},
        {"session log", QStandardPaths::AppDataLocation,
         [] {
             LogBridge log(nullptr);
             log.append(QStringLiteral("[System] written"));
             return Written{log.logFilePath(), {}};
         }},
        {"raw capture", QStandardPaths::AppDataLocation,
         [] {
             LogBridge log(nullptr);
             log.setRawCaptureEnabled(true);
             log.appendRaw(QStringLiteral("TX"), QStringLiteral("UDP"), QStringLiteral("x"),
                           QByteArray("\x55\x66", 2));
             const QString path = log.rawLogFilePath();
             log.setRawCaptureEnabled(false);
             return Written{path, {}};
         }},
        {"screenshot", QStandardPaths::PicturesLocation,
         [] {
             VideoFrameItem item;
             item.setFrame(video_test::quadrantFrame());
             QmlVideoPlayer player;
             player.setTarget(&item);
             return Written{player.captureFrame(), {}};
         }},
        {"recording", QStandardPaths::MoviesLocation,
         [] {
             QString error;
             const QString stream = video_test::fixture(QStringLiteral("loop.h264"), &error);
             if (stream.isEmpty())
                 return Written{{}, QStringLiteral("no test stream: ") + error};
             video_test::LoopingServer server(media_test::readFile(stream));
             QmlVideoPlayer player;
             player.start(server.url());
             player.startRecording(QString());
             // The file is written from the first keyframe on.
             const bool ready = QTest::qWaitFor([&] { return player.recordingReady(); }, 30000);
             player.stopRecording();
             player.stop();
             return Written{ready ? player.lastOutput() : QString(), {}};
         }},
    };
}

enum FolderKind {
    OwnFolder,     // a writable folder of the program's own: files stay there
    KernelRefuses, // nobody can create files there, root included
    Installed,     // would be writable by root, but belongs to an installation
};

bool isInside(const QString &path, const QString &folder)
{
    const QString dir = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath()).startsWith(dir + QLatin1Char('/'));
}

// The per-user data folder of a child program (not in test mode).
QString childUserData(const QString &application)
{
    return QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + QStringLiteral("/Skyrig/") +
           application;
}

// A way to run a program with its folder mounted read-only, or an empty list
// when this machine allows no private mount namespace.
QStringList readOnlyMountPrefix(const QString &folder)
{
    const QString mount = QStringLiteral(R"(mount --bind -o ro "$1" "$1" && shift && exec "$@")");
    const QStringList run{"--propagation", "private", "sh", "-c", mount, "sh", folder};
    // As root a private mount namespace is enough; otherwise a user
    // namespace may give one.
    for (const QStringList &unshare : {QStringList{"-m"}, QStringList{"-r", "-m"}}) {
        QProcess probe;
        probe.start(QStringLiteral("unshare"), unshare + run + QStringList{"true"});
        if (probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0)
            return QStringList{QStringLiteral("unshare")} + unshare + run;
    }
    return {};
}

} // namespace

class ProgramFolderTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ProgramFolder::setPathForTests(QString()); }

    void installedLocations_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("installed");
        QTest::newRow("package") << "/usr/bin" << true;
        QTest::newRow("local prefix") << "/usr/local/bin" << true;
        QTest::newRow("add-on") << "/opt/skyrig/bin" << true;
        QTest::newRow("old root bin") << "/bin" << true;
        QTest::newRow("up and out of /usr") << "/usr/../tmp/bin" << false;
        QTest::newRow("name only starts like /usr") << "/usrlocal/bin" << false;
        QTest::newRow("unpacked copy") << QDir::tempPath() + QStringLiteral("/skyrig/bin") << false;
        QTest::newRow("unknown") << "" << false;
    }

    void installedLocations()
    {
        QFETCH(QString, folder);
        QFETCH(bool, installed);
        QCOMPARE(ProgramFolder::isInstalledLocation(folder), installed);
        ProgramFolder::setPathForTests(folder.isEmpty() ? QStringLiteral("/nonexistent") : folder);
        // An installed program offers no folder of its own, so nothing is
        // even probed there.
        if (installed) {
            QVERIFY(ProgramFolder::candidate().isEmpty());
            QVERIFY(ProgramFolder::candidate(QStringLiteral("logs")).isEmpty());
        }
    }

    void writersUseUserFolders_data()
    {
        QTest::addColumn<int>("writer");
        QTest::addColumn<int>("kind");
        const QVector<NamedWriter> all = writers();
        for (int i = 0; i < all.size(); ++i) {
            QTest::addRow("%s, own folder", all[i].name) << i << int(OwnFolder);
            QTest::addRow("%s, read-only folder", all[i].name) << i << int(KernelRefuses);
            QTest::addRow("%s, installed folder", all[i].name) << i << int(Installed);
        }
    }

    void writersUseUserFolders()
    {
        QFETCH(int, writer);
        QFETCH(int, kind);
        QTemporaryDir own;
        QVERIFY(own.isValid());
        // An empty folder that root can write (elsewhere it cannot be made,
        // and the writers fall back anyway): anything in it afterwards was
        // written where it must not be.
        const QString installed =
            QStringLiteral("/opt/skyrig-test-%1/bin").arg(QCoreApplication::applicationPid());
        if (kind == Installed)
            QDir().mkpath(installed);
        const QString folder = kind == OwnFolder       ? own.path()
                               : kind == KernelRefuses ? QStringLiteral("/proc/self")
                                                       : installed;
        ProgramFolder::setPathForTests(folder);

        const NamedWriter named = writers().at(writer);
        const Written result = named.run();
        const QString &written = result.path;
        const bool leaked = !QDir(installed)
                                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                                 .isEmpty();
        QDir(QFileInfo(installed).path()).removeRecursively();
        if (!result.skipped.isEmpty())
            QSKIP(qPrintable(result.skipped));

        QVERIFY2(!leaked,
                 qPrintable(QStringLiteral("wrote into the installed folder: ") + written));
        QVERIFY2(!written.isEmpty(), "the writer wrote nothing");
        QVERIFY2(QFileInfo(written).size() > 0, qPrintable(written));
        if (kind == OwnFolder) {
            QVERIFY2(isInside(written, folder), qPrintable(written));
        } else {
            QVERIFY2(!isInside(written, folder), qPrintable(written));
            const QString user = QStandardPaths::writableLocation(named.userLocation);
            QVERIFY2(isInside(written, user),
                     qPrintable(written + QStringLiteral(" not in ") + user));
        }
        QFile::remove(written);
    }

    // The headless front end started from a read-only copy of its folder
    // writes its log in the user's folders.
    void frontEndFromReadOnlyFolder()
    {
        const QString bin = QStringLiteral(SKYRIG_BIN_DIR);
        const QStringList prefix = readOnlyMountPrefix(bin);
        if (prefix.isEmpty())
            QSKIP("no private mount namespace here (needs root or user namespaces)");
        const QStringList command =
            prefix + QStringList{camsim_test::ctlPath(), "state", "appLog.logDirectory",
                                 "appLog.logFilePath"};
        const camsim_test::Run run = camsim_test::runProgram(command.first(), command.mid(1));
        QCOMPARE(run.exitCode, 0);
        const QJsonObject state = QJsonDocument::fromJson(run.out.last().toUtf8()).object();
        const QString user = childUserData(QStringLiteral("skyrigctl"));
        for (const char *key : {"appLog.logDirectory", "appLog.logFilePath"})
            QVERIFY2(isInside(state.value(QLatin1String(key)).toString(), user),
                     qPrintable(run.all()));
        QVERIFY(QFileInfo(state.value(QStringLiteral("appLog.logFilePath")).toString()).size() > 0);
    }

    // The interface program without a display or GPU, started from a
    // read-only copy of its folder where this machine allows one: it says it
    // runs offscreen, draws in software, loads its scene, writes its logs in
    // the user's folders and keeps running until it is stopped.
    void interfaceProgramHeadlessAndReadOnly()
    {
        const QString bin = QStringLiteral(SKYRIG_BIN_DIR);
        const QString program = bin + QStringLiteral("/skyrig");
        if (!QFileInfo::exists(program))
            QSKIP("the interface program is not built");
        const QStringList prefix = readOnlyMountPrefix(bin);
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("QT_QUICK_BACKEND"));
        env.remove(QStringLiteral("DISPLAY"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        const QStringList command = prefix + QStringList{program};
        process.start(command.first(), command.mid(1));
        QVERIFY(process.waitForStarted(30000));
        QString output;
        // Ready once the scene is loaded (its root-object count is written).
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         output += QString::fromLocal8Bit(process.readAll());
                         return output.contains(QLatin1String("QML root object count: 1")) ||
                                process.state() != QProcess::Running;
                     },
                     30000),
                 qPrintable(output));
        QVERIFY2(output.contains(QLatin1String("QML root object count: 1")), qPrintable(output));
        QVERIFY2(output.contains(QLatin1String("running offscreen")), qPrintable(output));
        if (!prefix.isEmpty()) {
            const QString logs = childUserData(QStringLiteral("Skyrig")) + QStringLiteral("/logs");
            QVERIFY(QFile::exists(logs + QStringLiteral("/qml-startup.log")));
            QVERIFY2(
                !QDir(logs).entryList({QStringLiteral("session-*.log")}, QDir::Files).isEmpty(),
                qPrintable(logs));
        }
        // Still running after the first window was shown (the zero-delay show
        // has run by the time another event-loop round trip comes back).
        QVERIFY(!process.waitForFinished(300));
        QCOMPARE(process.state(), QProcess::Running);
        process.terminate();
        QVERIFY(process.waitForFinished(30000));
    }
};
SKYRIG_REGISTER_TEST(ProgramFolderTest)

#include "tst_program_folder.moc"
