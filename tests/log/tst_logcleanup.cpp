#include "common/TestMain.h"
#include "log/LogDirectory.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace
{

constexpr qint64 MiB = 1024 * 1024;

// A file named like a log with the given size (sparse) and modification time.
bool makeLog(const QString &path, qint64 size, const QDateTime &modified)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !file.resize(size))
        return false;
    file.close();
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(modified, QFileDevice::FileModificationTime);
}

} // namespace

class LogCleanupTest : public QObject
{
    Q_OBJECT
private slots:
    void agePassSparesCurrentAndForeignFiles()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        QVERIFY(dir.mkdir(QStringLiteral("other")));
        const QDateTime now = QDateTime::currentDateTime();
        struct File {
            const char *name;
            int ageDays;
            bool kept;
        };
        const File files[] = {{"session-old.log", 8, false},   {"raw-old.log", 8, false},
                              {"session-recent.log", 6, true}, {"notes-old.log", 30, true},
                              {"session-old.txt", 30, true},   {"session-current.log", 20, true},
                              {"raw-current.log", 9, true},    {"other/kept.log", 30, true}};
        for (const File &f : files)
            QVERIFY(makeLog(dir.filePath(QLatin1String(f.name)), 10, now.addDays(-f.ageDays)));
        // A link to an old log elsewhere is neither followed nor removed.
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("other/kept.log")),
                            dir.filePath(QStringLiteral("session-link.log"))));

        // The current file given in another spelling still counts as current.
        QCOMPARE(LogDirectory::cleanUp(tmp.path(),
                                       tmp.path() + QStringLiteral("/other/../session-current.log"),
                                       dir.filePath(QStringLiteral("raw-current.log")), now),
                 2);
        for (const File &f : files)
            QVERIFY2(dir.exists(QLatin1String(f.name)) == f.kept, f.name);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("session-link.log"))).isSymLink());

        QCOMPARE(LogDirectory::cleanUp(dir.filePath(QStringLiteral("absent")), QString(), QString(),
                                       now),
                 0);
        QCOMPARE(LogDirectory::cleanUp(QString(), QString(), QString(), now), 0);
    }

    void sizePassDeletesOldestDownToTarget_data()
    {
        QTest::addColumn<QList<qint64>>("sizes"); // oldest first, a day apart
        QTest::addColumn<int>("current");
        QTest::addColumn<QList<int>>("deleted");
        QTest::newRow("at the limit") << QList<qint64>{100 * MiB, 100 * MiB} << -1 << QList<int>{};
        QTest::newRow("one byte over")
            << QList<qint64>{100 * MiB, 100 * MiB, 1} << -1 << QList<int>{0};
        QTest::newRow("current oldest spared")
            << QList<qint64>{50 * MiB, 50 * MiB, 50 * MiB, 50 * MiB, 50 * MiB} << 0
            << QList<int>{1, 2};
    }

    void sizePassDeletesOldestDownToTarget()
    {
        QFETCH(QList<qint64>, sizes);
        QFETCH(int, current);
        QFETCH(QList<int>, deleted);
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        const QDateTime now = QDateTime::currentDateTime();
        QStringList names;
        for (int i = 0; i < sizes.size(); ++i) {
            names << QStringLiteral("%1-%2.log").arg(i % 2 ? "raw" : "session").arg(i);
            QVERIFY(makeLog(dir.filePath(names.last()), sizes.at(i), now.addDays(-5 + i)));
        }
        // Files that are not logs neither count nor go.
        QVERIFY(makeLog(dir.filePath(QStringLiteral("video.mp4")), 300 * MiB, now.addDays(-6)));

        QCOMPARE(LogDirectory::cleanUp(tmp.path(),
                                       current < 0 ? QString() : dir.filePath(names.at(current)),
                                       QString(), now),
                 deleted.size());
        for (int i = 0; i < names.size(); ++i)
            QVERIFY2(dir.exists(names.at(i)) != deleted.contains(i), qPrintable(names.at(i)));
        QVERIFY(dir.exists(QStringLiteral("video.mp4")));
    }
};
SKYRIG_REGISTER_TEST(LogCleanupTest)

#include "tst_logcleanup.moc"
