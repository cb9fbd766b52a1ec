#include "common/TestMain.h"
#include "log/LogBridge.h"
#include "log/LogDirectory.h"
#include "log/LogTestUtil.h"

#include <QTemporaryDir>

using namespace logtest;

namespace
{

constexpr qint64 MiB = 1024 * 1024;

} // namespace

class LogCleanupTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { resetSettings(); }

    void agePassSparesCurrentAndForeignFiles()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        QVERIFY(dir.mkdir(QStringLiteral("other")));
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime old = now.addDays(-8);
        QVERIFY(makeLog(dir.filePath(QStringLiteral("session-old.log")), 10, old));
        QVERIFY(makeLog(dir.filePath(QStringLiteral("raw-old.log")), 10, old));
        QVERIFY(makeLog(dir.filePath(QStringLiteral("session-recent.log")), 10, now.addDays(-6)));
        QVERIFY(makeLog(dir.filePath(QStringLiteral("notes-old.log")), 10, now.addDays(-30)));
        QVERIFY(makeLog(dir.filePath(QStringLiteral("session-old.txt")), 10, now.addDays(-30)));
        QVERIFY(makeLog(dir.filePath(QStringLiteral("session-current.log")), 10, now.addDays(-20)));
        QVERIFY(makeLog(dir.filePath(QStringLiteral("raw-current.log")), 10, now.addDays(-9)));
        const QString target = dir.filePath(QStringLiteral("other/kept.log"));
        QVERIFY(makeLog(target, 10, now.addDays(-30)));
        QVERIFY(QFile::link(target, dir.filePath(QStringLiteral("session-link.log"))));

        // The current file given in another spelling still counts as current.
        const int deleted = LogDirectory::cleanUp(
            tmp.path(), tmp.path() + QStringLiteral("/other/../session-current.log"),
            dir.filePath(QStringLiteral("raw-current.log")), now);
        QCOMPARE(deleted, 2);
        QVERIFY(!dir.exists(QStringLiteral("session-old.log")));
        QVERIFY(!dir.exists(QStringLiteral("raw-old.log")));
        for (const char *kept : {"session-recent.log", "notes-old.log", "session-old.txt",
                                 "session-current.log", "raw-current.log", "other/kept.log"})
            QVERIFY2(dir.exists(QString::fromLatin1(kept)), kept);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("session-link.log"))).isSymLink());

        QCOMPARE(LogDirectory::cleanUp(dir.filePath(QStringLiteral("absent")), QString(), QString(),
                                       now),
                 0);
        QCOMPARE(LogDirectory::cleanUp(QString(), QString(), QString(), now), 0);
    }

    void sizePassDeletesOldestDownToTarget()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        const QDateTime now = QDateTime::currentDateTime();
        // 250 MiB of recent logs; the oldest is the one being written.
        const QStringList names = {QStringLiteral("session-a.log"), QStringLiteral("raw-b.log"),
                                   QStringLiteral("session-c.log"), QStringLiteral("session-d.log"),
                                   QStringLiteral("raw-e.log")};
        for (int i = 0; i < names.size(); ++i)
            QVERIFY(makeLog(dir.filePath(names.at(i)), 50 * MiB, now.addDays(-5 + i)));
        // Files that are not logs neither count nor go.
        QVERIFY(makeLog(dir.filePath(QStringLiteral("video.mp4")), 300 * MiB, now.addDays(-6)));

        QCOMPARE(LogDirectory::cleanUp(tmp.path(), dir.filePath(names.at(0)), QString(), now), 2);
        QVERIFY(dir.exists(names.at(0)));
        QVERIFY(!dir.exists(names.at(1)));
        QVERIFY(!dir.exists(names.at(2)));
        QVERIFY(dir.exists(names.at(3)));
        QVERIFY(dir.exists(names.at(4)));
        QVERIFY(dir.exists(QStringLiteral("video.mp4")));
    }

    void sizePassLimitIsInclusive()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(makeLog(dir.filePath(QStringLiteral("session-a.log")), 100 * MiB, now.addDays(-2)));
        QVERIFY(makeLog(dir.filePath(QStringLiteral("session-b.log")), 100 * MiB, now.addDays(-1)));
        QCOMPARE(LogDirectory::cleanUp(tmp.path(), QString(), QString(), now), 0);
        QVERIFY(makeLog(dir.filePath(QStringLiteral("raw-c.log")), 1, now));
        QCOMPARE(LogDirectory::cleanUp(tmp.path(), QString(), QString(), now), 1);
        QVERIFY(!dir.exists(QStringLiteral("session-a.log")));
    }

    void startupPrunesOldLogs()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(makeLog(dir.filePath(QStringLiteral("session-20000101-000000.log")), 100,
                        now.addDays(-8)));
        QVERIFY(
            makeLog(dir.filePath(QStringLiteral("raw-20000101-000000.log")), 100, now.addDays(-1)));
        LogBridge log(nullptr, tmp.path());
        QVERIFY(!dir.exists(QStringLiteral("session-20000101-000000.log")));
        QVERIFY(dir.exists(QStringLiteral("raw-20000101-000000.log")));
        QVERIFY(QFileInfo(log.logFilePath()).isFile());
    }

    void samePathRules()
    {
        QTemporaryDir tmp;
        QVERIFY(!LogDirectory::samePath(QString(), QString()));
        QVERIFY(!LogDirectory::samePath(tmp.path(), QString()));
        QVERIFY(LogDirectory::samePath(tmp.filePath(QStringLiteral("x/../none.log")),
                                       tmp.filePath(QStringLiteral("none.log"))));
        QVERIFY(!LogDirectory::samePath(tmp.filePath(QStringLiteral("a.log")),
                                        tmp.filePath(QStringLiteral("b.log"))));
    }
};
SKYRIG_REGISTER_TEST(LogCleanupTest)

#include "tst_logcleanup.moc"
