#include "album/DownloadBatch.h"

#include "album/AlbumListing.h"
#include "album/AlbumText.h"
#include "album/DownloadFolder.h"
#include "album/LocalFileNames.h"
#include "album/MediaListParser.h"
#include "album/MediaTransfer.h"
#include "catalog/GimbalModel.h"
#include "commands/GimbalController.h"

#include <QFile>

namespace
{

QString nameOf(const QString &path)
{
    return MediaListParser::fileName(path);
}

} // namespace

DownloadBatch::DownloadBatch(GimbalController *controller, MediaTransfer *transfer,
                             const AlbumListing *listing, const AlbumTimings &timings,
                             QObject *parent)
    : QObject(parent), m_controller(controller), m_transfer(transfer), m_listing(listing),
      m_t(timings), m_folder(new DownloadFolder(this))
{
    connect(m_transfer, &MediaTransfer::fileWritten, this, &DownloadBatch::onFileWritten);
    connect(m_transfer, &MediaTransfer::fileProgress, this, [this](qint64 received, qint64 total) {
        setProgress(total > 0 ? int(qBound<qint64>(0, received * 100 / total, 100)) : 0);
    });
    connect(m_transfer, &MediaTransfer::stalled, this, [this](const QString &path) {
        setDownloadingPath(QString());
        emit status(
            albumText("Download stalled, retrying: %1", "下载停滞，正在重试: %1", nameOf(path)));
        retryOrGiveUp(path);
    });
}

bool DownloadBatch::fileInFlight() const
{
    return m_transfer->kind() == MediaTransfer::Kind::File;
}

int DownloadBatch::packetSize() const
{
    if (m_retries >= 2)
        return SmallPacketSize;
    if (m_controller && m_controller->model())
        return m_controller->model()->modelSpec().mediaPacketSize;
    return LargePacketSize;
}

void DownloadBatch::setDownloading(bool on)
{
    if (m_downloading != on) {
        m_downloading = on;
        emit downloadingChanged();
    }
    if (!on)
        setDownloadingPath(QString());
}

void DownloadBatch::setProgress(int percent)
{
    if (m_progress == percent)
        return;
    m_progress = percent;
    emit progressChanged();
}

void DownloadBatch::setDownloadingPath(const QString &path)
{
    if (m_downloadingPath == path)
        return;
    m_downloadingPath = path;
    emit downloadingPathChanged();
}

void DownloadBatch::showStatus()
{
    if (m_total < 2) {
        if (!m_downloadingPath.isEmpty())
            emit status(albumText("Downloading: %1", "正在下载: %1", nameOf(m_downloadingPath)));
        return;
    }
    emit status(albumText("Batch download %1/%2: %3", "批量下载 %1/%2: %3",
                          qMin(m_total, completed() + 1), m_total, nameOf(m_downloadingPath)));
}

void DownloadBatch::add(const QStringList &paths)
{
    QStringList unique;
    for (const QString &path : paths)
        if (!path.isEmpty() && !unique.contains(path))
            unique.append(path);
    if (unique.isEmpty())
        return;
    if (m_downloading) {
        for (const QString &path : qAsConst(unique))
            if (!m_queue.contains(path) && path != m_transfer->path())
                m_queue.append(path);
        m_total = m_succeeded + m_failed + m_queue.size() + (fileInFlight() ? 1 : 0);
        emit batchChanged();
        showStatus();
        return;
    }
    m_queue = unique;
    m_succeeded = m_failed = 0;
    m_retries = 0;
    m_total = m_queue.size();
    emit batchChanged();
    setDownloading(true);
    startNext();
    if (!fileInFlight())
        emit pumpLater(0);
}

void DownloadBatch::startNext()
{
    if (!m_transfer->idle() || m_queue.isEmpty() || !m_controller)
        return;
    const QString path = m_queue.takeFirst();
    emit endpointNeeded();
    if (m_retries > 0)
        m_transfer->abort();
    MediaTransfer::FileTarget target;
    target.fileType =
        MediaListParser::isVideoPath(path) ? MediaTransfer::VideoFile : MediaTransfer::PhotoFile;
    target.packetSize = packetSize();
    target.folder = m_folder->ensure();
    target.name = LocalFileNames::safeName(path);
    target.maxBytes = m_maxFileBytes;
    target.listedSize = m_listing->listedSize(path);
    m_transfer->beginFile(path, target);
    setProgress(0);
    setDownloadingPath(path);
    setDownloading(true);
    showStatus();
}

void DownloadBatch::fileFailed()
{
    const QString path = m_transfer->path();
    m_transfer->end();
    setDownloadingPath(QString());
    retryOrGiveUp(path);
}

void DownloadBatch::suspend()
{
    if (!fileInFlight())
        return;
    const QString path = m_transfer->path();
    m_transfer->end();
    setProgress(0);
    if (!path.isEmpty())
        m_queue.prepend(path);
}

void DownloadBatch::giveUp(const BilingualText &reason)
{
    const QString path = m_transfer->path();
    m_transfer->end();
    givenUp(path, reason);
}

void DownloadBatch::retryOrGiveUp(const QString &path)
{
    ++m_retries;
    if (m_retries < MaxRetries) {
        m_queue.prepend(path);
        setDownloadingPath(path);
        setDownloading(true);
        emit pumpLater(m_t.pumpDelayMs);
        return;
    }
    givenUp(path, BilingualText());
}

void DownloadBatch::givenUp(const QString &path, const BilingualText &reason)
{
    m_retries = 0;
    ++m_failed;
    emit batchChanged();
    setProgress(0);
    if (fileInFlight())
        m_transfer->end();
    setDownloadingPath(QString());
    if (reason.isEmpty()) {
        emit status(albumText("Download failed: %1", "下载失败: %1", nameOf(path)));
        emit downloadFailed(path, QStringLiteral("retries exhausted"));
    } else {
        emit status(BilingualText{
            QStringLiteral("Download failed: %1 (%2)").arg(nameOf(path), reason.english),
            QStringLiteral("下载失败: %1 (%2)").arg(nameOf(path), reason.chinese)});
        emit downloadFailed(path, reason.text());
    }
    next();
}

void DownloadBatch::next()
{
    if (!m_queue.isEmpty()) {
        m_transfer->pause(); // nothing else starts before the next file
        setDownloadingPath(QString());
        emit pumpLater(m_t.pumpDelayMs);
        return;
    }
    setDownloading(false);
    if (m_total > 0) {
        if (m_failed > 0)
            emit status(albumText("Batch download finished: %1 succeeded, %2 failed",
                                  "批量下载完成：成功 %1，失败 %2", m_succeeded, m_failed));
        else if (m_total == 1)
            emit status(
                albumText("Saved %1 file(s) locally", "已保存 %1 个文件到本地", m_succeeded));
        else
            emit status(albumText("Batch download finished: %1 file(s)",
                                  "批量下载完成，共 %1 个文件", m_succeeded));
        emit batchFinished(m_succeeded, m_failed);
        m_total = m_succeeded = m_failed = 0;
        emit batchChanged();
    }
    emit pumpNow();
}

void DownloadBatch::onFileWritten()
{
    const QString partialPath = m_transfer->takeWrittenFile();
    if (partialPath.isEmpty())
        return;
    const QString remote = m_transfer->path();
    const QString local = m_folder->save(partialPath, remote);
    if (local.isEmpty()) {
        QFile::remove(partialPath);
        fileFailed();
        return;
    }
    ++m_succeeded;
    m_retries = 0;
    setProgress(0);
    m_transfer->end();
    setDownloadingPath(QString());
    m_lastSavedPath = local;
    emit lastSavedPathChanged();
    emit batchChanged();
    emit downloadCompleted(remote, local);
    next();
}

void DownloadBatch::cancel()
{
    setProgress(0);
    if (!m_controller || (!m_downloading && m_queue.isEmpty()))
        return;
    const bool inFlight = fileInFlight() || m_transfer->kind() == MediaTransfer::Kind::Pause;
    if (inFlight) {
        m_transfer->abort();
        m_transfer->end(); // also resets the receiver, which removes the partial file
    }
    m_queue.clear();
    setDownloading(false);
    if (m_total < 1)
        emit status(albumText("Download cancelled", "下载已取消"));
    else
        emit status(albumText("Batch download cancelled (%1/%2 done)",
                              "批量下载已取消（已完成 %1/%2）", completed(), m_total));
    m_total = m_succeeded = m_failed = 0;
    emit batchChanged();
    if (!inFlight)
        emit pumpNow();
}

void DownloadBatch::forget(const QString &path)
{
    const int removed = m_queue.removeAll(path);
    if (removed == 0)
        return;
    const int inFlight = fileInFlight() ? 1 : 0;
    m_total = qMax(m_succeeded + m_failed + inFlight + int(m_queue.size()), m_total - removed);
    emit batchChanged();
    if (m_queue.isEmpty() && inFlight == 0 && m_downloading)
        next();
}

void DownloadBatch::clear()
{
    m_retries = 0;
    setDownloading(false);
    m_queue.clear();
    m_total = m_succeeded = m_failed = 0;
    emit batchChanged();
}
