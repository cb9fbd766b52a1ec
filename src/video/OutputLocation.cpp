#include "video/OutputLocation.h"

#include "log/ProgramFolder.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

QString OutputLocation::fileName(Kind kind, const QDateTime &when)
{
    return QStringLiteral("Skyrig_%1.%2")
        .arg(when.toString(QStringLiteral("yyyyMMdd_HHmmss_zzz")),
             kind == Recording ? QStringLiteral("mp4") : QStringLiteral("png"));
}

bool OutputLocation::isWritableFolder(const QString &folder)
{
    if (folder.isEmpty() || !QDir(folder).exists())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".skyrig-write-XXXXXX")));
    return probe.open();
}

QString OutputLocation::folderFor(Kind kind, const QString &programFolder)
{
    if (isWritableFolder(programFolder))
        return programFolder;
    const QString base = QStandardPaths::writableLocation(
        kind == Recording ? QStandardPaths::MoviesLocation : QStandardPaths::PicturesLocation);
    if (base.isEmpty())
        return QString();
    const QString folder = QDir(base).filePath(QStringLiteral("Skyrig"));
    if (!QDir().mkpath(folder))
        return QString();
    return folder;
}

QString OutputLocation::pathFor(Kind kind, const QDateTime &when)
{
    // An installed program offers no folder of its own (ProgramFolder), so
    // its pictures and videos always go to the user's folders.
    const QString folder = folderFor(kind, ProgramFolder::candidate());
    // No writable folder: nothing is written, least of all into whatever
    // the working directory happens to be.
    return folder.isEmpty() ? QString() : QDir(folder).filePath(fileName(kind, when));
}
