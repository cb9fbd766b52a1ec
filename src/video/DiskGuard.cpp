#include "video/DiskGuard.h"

#include <QStorageInfo>

DiskGuard::DiskGuard()
    : m_source([](const QString &folder) {
          const QStorageInfo storage(folder);
          return storage.isValid() ? storage.bytesAvailable() : qint64(-1);
      })
{
}

void DiskGuard::setSource(FreeSpaceSource source)
{
    if (source)
        m_source = std::move(source);
}

DiskGuard::Level DiskGuard::check(const QString &folder, qint64 *freeBytes) const
{
    const qint64 free = m_source(folder);
    if (freeBytes)
        *freeBytes = free;
    if (free < 0)
        return Plenty;
    if (free < StopBelow)
        return Critical;
    return free < WarnBelow ? Low : Plenty;
}

QString DiskGuard::sizeText(qint64 bytes)
{
    const double kb = 1024.0;
    if (bytes < 0)
        bytes = 0;
    if (bytes >= kb * kb * kb)
        return QStringLiteral("%1 GB").arg(QString::number(bytes / (kb * kb * kb), 'f', 1));
    if (bytes >= kb * kb)
        return QStringLiteral("%1 MB").arg(QString::number(bytes / (kb * kb), 'f', 1));
    return QStringLiteral("%1 KB").arg(QString::number(bytes / kb, 'f', 0));
}
