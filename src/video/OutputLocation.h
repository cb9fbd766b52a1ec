#pragma once

#include <QDateTime>
#include <QString>

// Where screenshots and recordings go: the program's own folder when it can be
// written to (a developer's build), otherwise the user's pictures or videos
// folder under "Skyrig". An installed program never uses its own folder, even
// when running as root could write there.
class OutputLocation
{
public:
    enum Kind { Screenshot, Recording };

    // The folder for `kind`, given the program's folder; created if missing.
    // Empty when no writable place exists.
    static QString folderFor(Kind kind, const QString &programFolder);

    // "Skyrig_yyyyMMdd_HHmmss_zzz.png" or ".mp4" in folderFor(kind, the
    // running program's folder unless it is installed), stamped with `when`;
    // empty when no folder can be written.
    static QString pathFor(Kind kind, const QDateTime &when = QDateTime::currentDateTime());

    static QString fileName(Kind kind, const QDateTime &when);

    // True when a file can be created in `folder` (tried, not guessed from
    // permission bits, which a read-only mount or root would mislead).
    static bool isWritableFolder(const QString &folder);
};
