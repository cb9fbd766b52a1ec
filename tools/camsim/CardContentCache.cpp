#include "camsim/CardContentCache.h"

#include "camsim/MediaLibraryGenerator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTemporaryDir>

CardContentCache::CardContentCache(const QString &root)
    : m_root(root.isEmpty()
                 ? QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                       QStringLiteral("/skyrig-camsim")
                 : root)
{
}

CardContentCache::~CardContentCache() = default;

QString CardContentCache::folder(QStringList *notes, QString *error)
{
    const QString kept = m_root + QStringLiteral("/card-") + MediaLibraryGenerator::contentKey();
    if (QFileInfo(kept).isDir())
        return kept;

    // One maker at a time; the others find the content when they get the lock.
    // The lock is never taken for stale while its maker runs, however slow; a
    // maker that seems stuck is left alone and the content made apart.
    std::unique_ptr<QLockFile> lock;
    if (QDir().mkpath(m_root)) {
        lock = std::make_unique<QLockFile>(kept + QStringLiteral(".lock"));
        lock->setStaleLockTime(0);
        QElapsedTimer waited;
        waited.start();
        while (!lock->tryLock(250)) {
            if (QFileInfo(kept).isDir())
                return kept; // made meanwhile
            if (waited.hasExpired(MakerPatienceMs)) {
                lock.reset();
                break;
            }
        }
        if (lock && QFileInfo(kept).isDir())
            return kept;
    }

    // Left by a maker that was stopped halfway: only the lock's holder makes
    // content here, so nobody is using it.
    if (lock) {
        const QString prefix = QFileInfo(kept).fileName() + QStringLiteral("-*");
        for (const QString &left : QDir(m_root).entryList({prefix}, QDir::Dirs))
            QDir(m_root + QLatin1Char('/') + left).removeRecursively();
    }
    // Made beside its final place, so the rename that publishes it is atomic.
    m_scratch = std::make_unique<QTemporaryDir>(
        (lock ? kept : QDir::tempPath() + QStringLiteral("/skyrig-camsim-content")) +
        QStringLiteral("-XXXXXX"));
    if (!m_scratch->isValid()) {
        *error = QStringLiteral("cannot create a folder for the card's content: %1")
                     .arg(m_scratch->errorString());
        return {};
    }
    QElapsedTimer clock;
    clock.start();
    MediaLibraryGenerator::Result made;
    QString failure;
    if (!MediaLibraryGenerator::makeContent(m_scratch->path(), &made, &failure))
        made.notes.prepend(failure); // the card goes with what could be made
    if (made.photos + made.clips < MediaLibraryGenerator::expectedCount()) {
        *notes << QStringLiteral("Card incomplete: %1").arg(made.notes.join(QStringLiteral("; ")));
        return m_scratch->path();
    }
    if (lock && QDir().rename(m_scratch->path(), kept)) {
        m_scratch->setAutoRemove(false);
        m_scratch.reset();
        *notes << QStringLiteral("card content made in %1 s and kept in %2")
                      .arg(clock.elapsed() / 1000.0, 0, 'f', 1)
                      .arg(kept);
        return kept;
    }
    return m_scratch->path();
}
