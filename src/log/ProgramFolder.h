#pragma once

#include <QString>

// The folder the running program was started from, and whether the program
// may keep its own files (logs, screenshots, recordings) there.
//
// A program run from its build or unpacked folder keeps them beside itself
// when that folder can be written. An installed program never does, even when
// it runs as root and could: a folder under /usr or /opt, or the one
// `cmake --install` puts programs in, belongs to the system, so everything goes
// to the user's folders instead. Callers ask candidate() and fall back to
// their per-user folder on an empty answer.
class ProgramFolder
{
public:
    // The executable's folder, or the one given to setPathForTests().
    static QString path();
    // Makes path() answer `folder` (tests: a folder that cannot be written, or
    // one that looks installed); an empty folder restores the executable's.
    static void setPathForTests(const QString &folder);

    // True for folders that belong to an installation: anything under /usr,
    // /opt, /bin or /sbin (also through symbolic links) and the install folder
    // this build was configured for.
    static bool isInstalledLocation(const QString &folder);

    // The program folder (joined with `sub` when given) if the program may keep
    // files there at all, without touching the disk; empty when the folder is
    // unknown or installed.
    static QString candidate(const QString &sub = QString());

    // Creates `folder` with its parents and writes, then removes, a small probe
    // file in it. An empty folder is not writable.
    static bool canWrite(const QString &folder);
};
