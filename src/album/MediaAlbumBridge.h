#pragma once

#include "album/AlbumDeletes.h"
#include "album/AlbumListing.h"
#include "album/AlbumPlayback.h"
#include "album/AlbumThumbnails.h"
#include "album/AlbumTimings.h"
#include "album/ClientEndpoint.h"
#include "album/DownloadBatch.h"
#include "album/DownloadFolder.h"
#include "album/MediaTransfer.h"
#include "commands/DownloadStatusView.h"
#include "link/BilingualText.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantList>
#include <functional>

class AlbumMode;
class GimbalController;

// The media album as the interface sees it. It fetches the list of files on
// the camera's memory card itself; the rest is done by its parts, which
// report back by signals: album mode (entered again after a restart), the
// list as shown (sorted, filtered, paged, selected), thumbnails, deletes,
// download batches and their folder, the windowed transfer all of them share
// (one at a time; the album decides what goes next), playback of stored
// videos, and the announcement of where the camera is to send. Every outcome
// the operator should see goes to statusMessage, in the operator's language.
class MediaAlbumBridge : public QObject, public DownloadStatusView
{
    Q_OBJECT
    Q_PROPERTY(bool open READ isOpen NOTIFY openChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(bool downloading READ downloading NOTIFY downloadingChanged)
    Q_PROPERTY(bool deleting READ deleting NOTIFY deletingChanged)
    Q_PROPERTY(int downloadProgress READ downloadPercent NOTIFY downloadProgressChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(QVariantList mediaItems READ mediaItems NOTIFY mediaItemsChanged)
    Q_PROPERTY(int filterIndex READ filterIndex WRITE setFilterIndex NOTIFY filterIndexChanged)
    Q_PROPERTY(QVariantList filteredItems READ filteredItems NOTIFY filteredItemsChanged)
    Q_PROPERTY(QVariantList pagedItems READ pagedItems NOTIFY pagedItemsChanged)
    Q_PROPERTY(int currentPage READ currentPage NOTIFY paginationChanged)
    Q_PROPERTY(int totalPages READ totalPages NOTIFY paginationChanged)
    Q_PROPERTY(bool canGoPrevious READ canGoPrevious NOTIFY paginationChanged)
    Q_PROPERTY(bool canGoNext READ canGoNext NOTIFY paginationChanged)
    Q_PROPERTY(QString playingPath READ playingPath NOTIFY playingPathChanged)
    Q_PROPERTY(int playbackTotalMs READ playbackTotalMs NOTIFY playbackStatusChanged)
    Q_PROPERTY(int playbackPositionMs READ playbackPositionMs NOTIFY playbackStatusChanged)
    Q_PROPERTY(bool playbackPaused READ playbackPaused NOTIFY playbackStatusChanged)
    Q_PROPERTY(bool playbackHasFrame READ playbackHasFrame NOTIFY playbackHasFrameChanged)
    Q_PROPERTY(QString playbackError READ playbackError NOTIFY playbackErrorChanged)
    Q_PROPERTY(QString downloadingPath READ downloadingPath NOTIFY downloadingPathChanged)
    Q_PROPERTY(QString downloadDirectory READ downloadDirectory NOTIFY downloadDirectoryChanged)
    Q_PROPERTY(QStringList selectedPaths READ selectedPaths NOTIFY selectedPathsChanged)
    Q_PROPERTY(int selectedCount READ selectedCount NOTIFY selectedPathsChanged)
    Q_PROPERTY(int batchTotal READ batchTotal NOTIFY batchProgressChanged)
    Q_PROPERTY(int batchCompleted READ batchCompleted NOTIFY batchProgressChanged)
    Q_PROPERTY(int batchSucceeded READ batchSucceeded NOTIFY batchProgressChanged)
    Q_PROPERTY(int batchFailed READ batchFailed NOTIFY batchProgressChanged)
    Q_PROPERTY(bool sendClientEndpoint READ sendClientEndpoint WRITE setSendClientEndpoint NOTIFY
                   sendClientEndpointChanged)
    // The last local path a download was saved to (empty before the first).
    Q_PROPERTY(QString lastSavedPath READ lastSavedPath NOTIFY lastSavedPathChanged)

public:
    explicit MediaAlbumBridge(GimbalController *controller, QObject *parent = nullptr);
    MediaAlbumBridge(GimbalController *controller, const AlbumTimings &timings,
                     QObject *parent = nullptr);
    ~MediaAlbumBridge() override;

    const AlbumTimings &timings() const { return m_t; }
    MediaTransfer *transfer() const { return m_transfer; }
    MediaDownloadReceiver *downloadReceiver() const { return m_transfer->receiver(); }
    PlaybackVideoReceiver *playbackReceiver() const { return m_playback->receiver(); }
    PlaybackVideoDecoder *playbackDecoder() const { return m_playback->decoder(); }
    // Largest file a camera may announce (beyond that the size is taken as
    // nonsense); the free disk space is checked as well.
    void setMaxFileBytes(qint64 bytes) { m_downloads->setMaxFileBytes(bytes); }

    bool isOpen() const { return m_open; }
    bool loading() const { return m_loading; }
    bool downloading() const override { return m_downloads->downloading(); }
    bool deleting() const { return m_deletes->deleting(); }
    int downloadPercent() const { return m_downloads->progress(); }
    double downloadProgress() const override { return m_downloads->progress(); }
    QString statusMessage() const { return m_status.text(); }
    QVariantList mediaItems() const { return m_listing.items(); }
    int filterIndex() const { return m_listing.filterIndex(); }
    QVariantList filteredItems() const { return m_listing.filtered(); }
    QVariantList pagedItems() const { return m_listing.paged(); }
    int currentPage() const { return m_listing.currentPage(); }
    int totalPages() const { return m_listing.totalPages(); }
    bool canGoPrevious() const { return m_listing.canGoPrevious(); }
    bool canGoNext() const { return m_listing.canGoNext(); }
    QString playingPath() const { return m_playback->playingPath(); }
    int playbackTotalMs() const { return m_playback->totalMs(); }
    int playbackPositionMs() const { return m_playback->positionMs(); }
    bool playbackPaused() const { return m_playback->paused(); }
    bool playbackHasFrame() const { return m_playback->hasFrame(); }
    QString playbackError() const { return m_playback->error(); }
    QString downloadingPath() const { return m_downloads->downloadingPath(); }
    QString downloadDirectory() const { return m_downloads->folder()->path(); }
    QStringList selectedPaths() const { return m_listing.selectedPaths(); }
    int selectedCount() const { return m_listing.selectedCount(); }
    int batchTotal() const { return m_downloads->total(); }
    int batchCompleted() const { return m_downloads->completed(); }
    int batchSucceeded() const { return m_downloads->succeeded(); }
    int batchFailed() const { return m_downloads->failed(); }
    bool sendClientEndpoint() const { return m_endpoint->enabled(); }
    QString lastSavedPath() const { return m_downloads->lastSavedPath(); }

    // The camera's address as the album knows it: the host of the video
    // address given to openAlbum, else the control link's peer.
    QString cameraHost() const;

public:
    // The operations the interface and the headless front end call.
    Q_INVOKABLE void openAlbum(const QString &videoUrl = QString());
    Q_INVOKABLE void closeAlbum();
    Q_INVOKABLE void refresh();
    Q_INVOKABLE void deleteFile(const QString &path);
    Q_INVOKABLE void deleteSelected();
    Q_INVOKABLE void requestThumbnail(const QString &path);
    Q_INVOKABLE QString thumbnailForPath(const QString &path) const
    {
        return m_thumbnails->forPath(path);
    }
    Q_INVOKABLE void playVideo(const QString &path);
    Q_INVOKABLE void stopVideo() { m_playback->stop(); }
    Q_INVOKABLE void setPlaybackVideoTarget(QObject *target) { m_playback->setTarget(target); }
    Q_INVOKABLE void pauseOrResumeVideo() { m_playback->pauseOrResume(); }
    Q_INVOKABLE void seekVideo(int positionMs) { m_playback->seek(positionMs); }
    Q_INVOKABLE void downloadFile(const QString &path) { downloadFiles({path}); }
    Q_INVOKABLE void downloadFiles(const QVariantList &paths);
    Q_INVOKABLE void downloadSelected();
    Q_INVOKABLE void downloadAllFiltered();
    Q_INVOKABLE void cancelDownload() { m_downloads->cancel(); }
    Q_INVOKABLE void toggleSelection(const QString &path);
    Q_INVOKABLE void selectAllFiltered();
    Q_INVOKABLE void clearSelection();
    Q_INVOKABLE bool isSelected(const QString &path) const { return m_listing.isSelected(path); }
    Q_INVOKABLE void previousPage();
    Q_INVOKABLE void nextPage();
    Q_INVOKABLE void setFilterIndex(int index);
    Q_INVOKABLE void setSendClientEndpoint(bool on);
    Q_INVOKABLE void setDownloadDirectory(const QString &dir) { m_downloads->folder()->set(dir); }
    Q_INVOKABLE QString pickDownloadDirectory() { return m_downloads->folder()->pick(); }
    Q_INVOKABLE void openDownloadDirectory() { m_downloads->folder()->open(); }
    Q_INVOKABLE void onAck(uint32_t msgId, uint16_t code);
    Q_INVOKABLE void onFileDownloaded(const QByteArray &data);

signals:
    void openChanged();
    void loadingChanged();
    void downloadingChanged();
    void deletingChanged();
    void downloadProgressChanged();
    void statusMessageChanged();
    void mediaItemsChanged();
    void filterIndexChanged();
    void filteredItemsChanged();
    void pagedItemsChanged();
    void paginationChanged();
    void playingPathChanged();
    void playbackStatusChanged();
    void playbackHasFrameChanged();
    void playbackErrorChanged();
    void downloadingPathChanged();
    void downloadDirectoryChanged();
    void selectedPathsChanged();
    void batchProgressChanged();
    void sendClientEndpointChanged();
    void lastSavedPathChanged();
    void thumbnailReady(QString path);
    void downloadCompleted(QString remotePath, QString localPath);
    void downloadFailed(QString remotePath, QString reason);
    void batchDownloadFinished(int succeeded, int failed);
    void fileDeleted(QString path);

private:
    // Runs `action` after `ms` unless the album was closed or reopened since.
    void later(int ms, const std::function<void()> &action);
    // Lets queued work run after `ms`: the next download or thumbnail, the
    // next file after the pause between two.
    void pumpLater(int ms);
    void pump();
    // A refresh that had to wait for deletes or downloads runs once they end.
    void refreshIfWanted();
    void setStatus(const BilingualText &text);
    void onLanguageChanged();
    void setLoading(bool on);
    void setOpen(bool on);

    // album mode entered again: what was in flight waits until then, and
    // goes on (or fails on its own) after
    void holdForRejoin();
    void resumeAfterRejoin(bool entered);

    // list, order, filter, pages
    void listChanged(bool items);
    void pageChanged();
    void updateSummary();
    void endList(const BilingualText &status);
    void onListTimeout();

    // deletes
    void startDeletes(const QStringList &paths);
    void removeDeleted(const QString &path);

    // transfers
    void onFirstWindowRefused(quint16 code);
    void onReceiverError(const QString &message);
    void onTransferRefused(MediaDownloadReceiver::RefusalReason reason, qint64 size);
    void announceClientEndpoint();
    void updateAllowedSenders();

    QPointer<GimbalController> m_controller;
    AlbumTimings m_t;
    AlbumDeletes *m_deletes = nullptr;
    MediaTransfer *m_transfer = nullptr;
    DownloadBatch *m_downloads = nullptr;
    AlbumThumbnails *m_thumbnails = nullptr;
    AlbumPlayback *m_playback = nullptr;
    ClientEndpoint *m_endpoint = nullptr;
    AlbumMode *m_mode = nullptr;
    QTimer m_listTimer;
    quint64 m_session = 0; // changes on every open and close

    bool m_open = false;
    bool m_loading = false;
    BilingualText m_status;
    AlbumListing m_listing;

    bool m_listPending = false;
    bool m_refreshWanted = false;
    bool m_pumpHeld = false; // nothing new starts (closing, switching clips)
};
