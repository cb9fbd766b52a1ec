#pragma once

#include "album/AlbumTimings.h"
#include "link/BilingualText.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class AlbumListing;
class DownloadFolder;
class GimbalController;
class MediaTransfer;

// The files the operator asked to download, fetched one at a time through the
// media transfer and saved into the download folder: a file that fails is
// tried again (with small packets from the third attempt on) and given up
// after the ninth failure in a row; the batch counts what was saved and what
// was given up, and says so in the operator's language.
class DownloadBatch : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxRetries = 9;
    static constexpr int LargePacketSize = 57344;
    static constexpr int SmallPacketSize = 4096;

    // `listing` tells the listed sizes; `transfer` carries the files.
    DownloadBatch(GimbalController *controller, MediaTransfer *transfer,
                  const AlbumListing *listing, const AlbumTimings &timings,
                  QObject *parent = nullptr);

    DownloadFolder *folder() const { return m_folder; }
    // Largest file a camera may announce (beyond that the size is taken as
    // nonsense); the free disk space is checked as well.
    void setMaxFileBytes(qint64 bytes) { m_maxFileBytes = bytes; }

    bool downloading() const { return m_downloading; }
    int progress() const { return m_progress; }
    QString downloadingPath() const { return m_downloadingPath; }
    int total() const { return m_total; }
    int succeeded() const { return m_succeeded; }
    int failed() const { return m_failed; }
    int completed() const { return m_succeeded + m_failed; }
    QString lastSavedPath() const { return m_lastSavedPath; }
    bool hasQueued() const { return !m_queue.isEmpty(); }

    // Starts a batch of `paths` (without repeats), or adds them to the one
    // running.
    void add(const QStringList &paths);
    // Starts the next file once the transfer is free.
    void startNext();
    void cancel();
    // A file deleted on the camera leaves the batch.
    void forget(const QString &path);
    // Forgets everything (the album closed).
    void clear();

    // The file in flight failed: it is tried again, or given up with `reason`
    // when asking again cannot help.
    void fileFailed();
    void giveUp(const BilingualText &reason);
    // The file in flight is set aside, to start again first once the camera
    // can take requests again (not counted as a failure).
    void suspend();

signals:
    void downloadingChanged();
    void progressChanged();
    void downloadingPathChanged();
    void batchChanged();
    void lastSavedPathChanged();
    void downloadCompleted(QString remotePath, QString localPath);
    void downloadFailed(QString remotePath, QString reason);
    void batchFinished(int succeeded, int failed);
    void status(const BilingualText &text);
    // The camera is to be told where to send, before each file.
    void endpointNeeded();
    // Queued work may go on: now, or after `ms`.
    void pumpNow();
    void pumpLater(int ms);

private:
    bool fileInFlight() const;
    int packetSize() const;
    void retryOrGiveUp(const QString &path);
    void givenUp(const QString &path, const BilingualText &reason);
    void next();
    void onFileWritten();
    void showStatus();
    void setDownloading(bool on);
    void setProgress(int percent);
    void setDownloadingPath(const QString &path);

    QPointer<GimbalController> m_controller;
    MediaTransfer *m_transfer;
    const AlbumListing *m_listing;
    const AlbumTimings m_t;
    DownloadFolder *m_folder = nullptr;
    qint64 m_maxFileBytes = qint64(1) << 40;

    QStringList m_queue;
    int m_retries = 0;
    bool m_downloading = false;
    int m_progress = 0;
    QString m_downloadingPath;
    int m_total = 0;
    int m_succeeded = 0;
    int m_failed = 0;
    QString m_lastSavedPath;
};
