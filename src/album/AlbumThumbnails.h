#pragma once

#include "album/AlbumTimings.h"
#include "link/BilingualText.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class MediaTransfer;

// The small pictures of the files on screen, fetched one at a time through
// the media transfer when it is free and kept for the whole run as display
// URLs. A thumbnail that fails is tried again after a pause, and given up
// after the ninth failure in a row.
class AlbumThumbnails : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxRetries = 9;

    AlbumThumbnails(MediaTransfer *transfer, const AlbumTimings &timings,
                    QObject *parent = nullptr);

    // "data:image/jpeg;base64,..." of `path`; empty when not fetched yet.
    QString forPath(const QString &path) const { return m_cache.value(path); }
    bool inFlight(const QString &path) const;

    // The files on screen now: every one not yet here is queued, in order.
    void queuePage(const QStringList &paths);
    // One more, at the end of the queue.
    void request(const QString &path);
    // Starts the next queued thumbnail (the transfer being free).
    void startNext();
    // Puts the thumbnail in flight back at the head of the queue and stops
    // the camera sending it.
    void cancel();
    // The thumbnail in flight arrived, or failed.
    void completed(const QByteArray &data);
    void failed();
    // A file deleted on the camera.
    void forget(const QString &path);
    // Empties the queue (the album closed); the pictures stay.
    void clearQueue();

signals:
    void ready(const QString &path);
    void givenUp(const BilingualText &status);
    // Queued work may go on: now, or after `ms`.
    void pumpNow();
    void pumpLater(int ms);

private:
    MediaTransfer *m_transfer;
    const AlbumTimings m_t;
    QTimer m_timer;
    QHash<QString, QString> m_cache;
    QStringList m_queue;
    int m_retries = 0;
};
