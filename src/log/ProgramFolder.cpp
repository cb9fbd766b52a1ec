#include "log/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace
{

QString &overridePath()
{
    static QString folder;
    return folder;
}

// Resolved through symbolic links where the folder exists, so /bin (a link to
// /usr/bin on current systems) counts as what it is.
QString resolved(const QString &folder)
{
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

bool isSameOrBelow(const QString &folder, const QString &root)
{
    return folder == root || folder.startsWith(root + QLatin1Char('/'));
}

} // namespace

QString ProgramFolder::path()
{
    if (!overridePath().isEmpty())
        return overridePath();
    return QCoreApplication::applicationDirPath();
}

void ProgramFolder::setPathForTests(const QString &folder)
{
    overridePath() = folder;
}

bool ProgramFolder::isInstalledLocation(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    const QString real = resolved(folder);
    // /usr (and /bin, /sbin where they are not links into it) holds what
    // packages install, /opt self-contained add-ons; all are meant to be
    // read-only while programs run.
    for (const char *root : {"/usr", "/opt", "/bin", "/sbin"}) {
        if (isSameOrBelow(real, QLatin1String(root)))
            return true;
    }
#ifdef SKYRIG_INSTALL_BINDIR
    // Also a user's own prefix, for example ~/.local/bin.
    const QString configured = QStringLiteral(SKYRIG_INSTALL_BINDIR);
    if (!configured.isEmpty() && real == resolved(configured))
        return true;
#endif
    return false;
}

QString ProgramFolder::candidate(const QString &sub)
{
    const QString folder = path();
    if (folder.isEmpty() || isInstalledLocation(folder))
        return QString();
    return sub.isEmpty() ? folder : QDir(folder).filePath(sub);
}

bool ProgramFolder::canWrite(const QString &folder)
{
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return false;
    QFile probe(folder + QStringLiteral("/.write_probe"));
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const qint64 written = probe.write("ok", 2);
    const bool flushed = probe.flush();
    probe.close();
    probe.remove();
    return written > 0 && flushed;
}
