#include "album/AlbumThumbnails.h"

#include "album/AlbumText.h"
#include "album/MediaListParser.h"
#include "album/MediaTransfer.h"

AlbumThumbnails::AlbumThumbnails(MediaTransfer *transfer, const AlbumTimings &timings,
                                 QObject *parent)
    : QObject(parent), m_transfer(transfer), m_t(timings)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(m_t.thumbnailTimeoutMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_transfer->kind() == MediaTransfer::Kind::Thumbnail)
            failed();
    });
}

bool AlbumThumbnails::inFlight(const QString &path) const
{
    return m_transfer->kind() == MediaTransfer::Kind::Thumbnail && m_transfer->path() == path;
}

void AlbumThumbnails::queuePage(const QStringList &paths)
{
    m_queue.clear();
    m_retries = 0;
    for (const QString &path : paths)
        if (!path.isEmpty() && !m_cache.contains(path) && !inFlight(path))
            m_queue.append(path);
}

void AlbumThumbnails::request(const QString &path)
{
    if (path.isEmpty() || m_cache.contains(path))
        return;
    if (!inFlight(path) && !m_queue.contains(path))
        m_queue.append(path);
}

void AlbumThumbnails::startNext()
{
    if (!m_transfer->idle())
        return;
    while (!m_queue.isEmpty()) {
        const QString path = m_queue.takeFirst();
        if (m_cache.contains(path))
            continue;
        m_timer.start(m_t.thumbnailTimeoutMs);
        m_transfer->beginThumbnail(path);
        return;
    }
}

void AlbumThumbnails::cancel()
{
    if (m_transfer->kind() != MediaTransfer::Kind::Thumbnail)
        return;
    m_timer.stop();
    m_transfer->abort();
    m_queue.prepend(m_transfer->path());
    m_transfer->end();
}

void AlbumThumbnails::completed(const QByteArray &data)
{
    const QString path = m_transfer->path();
    m_timer.stop();
    m_retries = 0;
    m_transfer->end();
    if (!path.isEmpty() && !data.isEmpty()) {
        m_cache.insert(path, QStringLiteral("data:image/jpeg;base64,") +
                                 QString::fromLatin1(data.toBase64()));
        emit ready(path);
    }
    emit pumpLater(m_t.pumpDelayMs);
}

void AlbumThumbnails::failed()
{
    const QString path = m_transfer->path();
    m_timer.stop();
    m_transfer->end();
    ++m_retries;
    if (m_retries < MaxRetries) {
        m_queue.prepend(path);
        emit pumpLater(m_t.pumpDelayMs);
        return;
    }
    m_retries = 0;
    emit givenUp(albumText("Thumbnail request failed: %1", "缩略图请求失败: %1",
                           MediaListParser::fileName(path)));
    emit pumpNow();
}

void AlbumThumbnails::forget(const QString &path)
{
    m_cache.remove(path);
    m_queue.removeAll(path);
}

void AlbumThumbnails::clearQueue()
{
    m_timer.stop();
    m_queue.clear();
    m_retries = 0;
}
