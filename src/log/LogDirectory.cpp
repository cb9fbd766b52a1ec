#include "log/LogDirectory.h"
#include "log/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace
{

const QString logsFolder = QStringLiteral("logs");

} // namespace

QString LogDirectory::choose()
{
    // An installed program offers no candidate of its own: its logs always go
    // to the user's folder.
    return chooseFrom(ProgramFolder::candidate(logsFolder));
}

QString LogDirectory::chooseFrom(const QString &preferred)
{
    if (ProgramFolder::canWrite(preferred))
        return preferred;
    return userDataLogs();
}

QString LogDirectory::userDataLogs()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (base.isEmpty())
        return QDir(QDir::homePath()).filePath(QStringLiteral(".skyrig/") + logsFolder);
    return QDir(base).filePath(logsFolder);
}

bool LogDirectory::samePath(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    if (!ca.isEmpty() && ca == cb)
        return true;
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) ==
           QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

int LogDirectory::cleanUp(const QString &directory, const QString &currentSession,
                          const QString &currentRaw, const QDateTime &now)
{
    if (directory.isEmpty() || !QFileInfo(directory).isDir())
        return 0;
    const QDir dir(directory);
    const QFileInfoList found =
        dir.entryInfoList({QStringLiteral("session-*.log"), QStringLiteral("raw-*.log")},
                          QDir::Files | QDir::NoSymLinks, QDir::Unsorted);

    auto isCurrent = [&](const QFileInfo &info) {
        const QString path = info.absoluteFilePath();
        return samePath(path, currentSession) || samePath(path, currentRaw);
    };

    int deleted = 0;
    const QDateTime cutOff = now.addDays(-MaxAgeDays);
    QFileInfoList kept;
    for (const QFileInfo &info : found) {
        if (!isCurrent(info) && info.lastModified() < cutOff &&
            QFile::remove(info.absoluteFilePath())) {
            ++deleted;
            continue;
        }
        kept.append(info);
    }

    qint64 total = 0;
    for (const QFileInfo &info : kept)
        total += info.size();
    if (total <= MaxTotalBytes)
        return deleted;

    std::stable_sort(kept.begin(), kept.end(), [](const QFileInfo &x, const QFileInfo &y) {
        return x.lastModified() < y.lastModified();
    });
    for (const QFileInfo &info : kept) {
        if (total <= TargetTotalBytes)
            break;
        if (isCurrent(info))
            continue;
        if (QFile::remove(info.absoluteFilePath())) {
            total -= info.size();
            ++deleted;
        }
    }
    return deleted;
}
