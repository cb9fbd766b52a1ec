#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// Watches the free space where recordings go: below WarnBelow the operator
// is warned, below StopBelow a recording stops (its file finished) rather
// than run into a full disk mid-write. The free-space source can be replaced
// (tests; a source that cannot tell answers a negative number, which never
// stops anything).
class DiskGuard
{
public:
    static constexpr qint64 WarnBelow = 1024LL * 1024 * 1024;
    static constexpr qint64 StopBelow = 200LL * 1024 * 1024;

    enum Level { Plenty, Low, Critical };
    using FreeSpaceSource = std::function<qint64(const QString &folder)>;

    DiskGuard();
    void setSource(FreeSpaceSource source);

    // The level for `folder` now, with the free bytes in `freeBytes`.
    Level check(const QString &folder, qint64 *freeBytes = nullptr) const;

    // "850 MB", "1.2 GB", "512 KB": sizes as the operator reads them.
    static QString sizeText(qint64 bytes);

private:
    FreeSpaceSource m_source;
};
