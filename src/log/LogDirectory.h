#pragma once

#include <QDateTime>
#include <QString>

// Where the program's log files live and how old ones are pruned. Usable
// without a log object: start-up writes its own start-up log there before any
// other object exists.
class LogDirectory
{
public:
    // Pruning limits: files older than this are removed at start...
    static constexpr int MaxAgeDays = 7;
    // ...and when all logs together exceed this, the oldest go...
    static constexpr qint64 MaxTotalBytes = 209715200; // 200 MiB
    // ...until no more than this remains.
    static constexpr qint64 TargetTotalBytes = 157286400; // 150 MiB

    // The "logs" folder next to the executable when the program may write
    // there (see ProgramFolder), otherwise the per-user one.
    static QString choose();
    // Same choice with an explicit first candidate.
    static QString chooseFrom(const QString &preferred);
    // The per-user "logs" folder (created by the caller).
    static QString userDataLogs();

    // Removes session and raw-capture logs older than MaxAgeDays, then the
    // oldest ones while the total passes MaxTotalBytes. The files currently
    // written (either path may be empty) are never removed. Returns the number
    // of files deleted.
    static int cleanUp(const QString &directory, const QString &currentSession,
                       const QString &currentRaw, const QDateTime &now);

    // True when both paths name the same file; an empty path matches nothing.
    static bool samePath(const QString &a, const QString &b);
};
