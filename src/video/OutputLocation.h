#pragma once

#include <QDateTime>
#include <QString>

// Where screenshots and recordings go: the program's own folder when it can be
// written to (a developer's build), otherwise the user's pictures or videos
// folder under "Skyrig" (an installed program's folder is read-only).
class OutputLocation
{
public:
    enum Kind { Screenshot, Recording };

    // The folder for `kind`, given the program's folder; created if missing.
    // Empty when no writable place exists.
    static QString folderFor(Kind kind, const QString &programFolder);

    // "Skyrig_yyyyMMdd_HHmmss_zzz.png" or ".mp4" in folderFor(kind, the
    // running program's folder), stamped with `when`.
    static QString pathFor(Kind kind, const QDateTime &when = QDateTime::currentDateTime());

    static QString fileName(Kind kind, const QDateTime &when);

    // True when a file can be created in `folder` (tried, not guessed from
    // permission bits, which a read-only mount or root would mislead).
    static bool isWritableFolder(const QString &folder);
};
