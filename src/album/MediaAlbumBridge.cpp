#include "album/MediaAlbumBridge.h"

#include "album/AlbumDeletes.h"
#include "album/AlbumMode.h"
#include "album/AlbumPlayback.h"
#include "album/AlbumText.h"
#include "album/AlbumThumbnails.h"
#include "album/ClientEndpoint.h"
#include "album/DownloadFolder.h"
#include "album/MediaListParser.h"
#include "album/MediaTransfer.h"
#include "commands/GimbalController.h"
#include "link/CommandCode.h"
#include "link/Language.h"

#include <QCoreApplication>
#include <QScopedValueRollback>

namespace
{

QString nameOf(const QString &path)
{
    return MediaListParser::fileName(path);
}

} // namespace

MediaAlbumBridge::MediaAlbumBridge(GimbalController *controller, QObject *parent)
    : MediaAlbumBridge(controller, AlbumTimings(), parent)
{
}

MediaAlbumBridge::MediaAlbumBridge(GimbalController *controller, const AlbumTimings &timings,
                                   QObject *parent)
    : QObject(parent), m_controller(controller), m_t(timings)
{
    m_deletes = new AlbumDeletes(controller, m_t.deleteBarrierMs, this);
    m_transfer = new MediaTransfer(m_t, this);
    m_downloads = new DownloadBatch(controller, m_transfer, &m_listing, m_t, this);
    m_thumbnails = new AlbumThumbnails(m_transfer, m_t, this);
    m_playback = new AlbumPlayback(controller, this);
    m_endpoint = new ClientEndpoint(controller, m_t.addressProbeMs, this);
    m_mode = new AlbumMode(controller, m_t, this);

    m_listTimer.setSingleShot(true);
    m_listTimer.setInterval(m_t.listTimeoutMs);
    connect(&m_listTimer, &QTimer::timeout, this, &MediaAlbumBridge::onListTimeout);

    connect(m_mode, &AlbumMode::status, this, &MediaAlbumBridge::setStatus);
    connect(m_mode, &AlbumMode::failed, this, [this](const BilingualText &text) {
        setLoading(false);
        setStatus(text);
    });
    connect(m_mode, &AlbumMode::accepted, this, &MediaAlbumBridge::announceClientEndpoint);
    connect(m_mode, &AlbumMode::entered, this, [this](bool again) {
        if (!again) {
            refresh();
            return;
        }
        resumeAfterRejoin(true);
    });
    connect(m_mode, &AlbumMode::rejoinStarted, this, &MediaAlbumBridge::holdForRejoin);
    connect(m_mode, &AlbumMode::rejoinGivenUp, this, [this] { resumeAfterRejoin(false); });

    connect(m_deletes, &AlbumDeletes::deletingChanged, this, &MediaAlbumBridge::deletingChanged);
    connect(m_deletes, &AlbumDeletes::deletingChanged, this, &MediaAlbumBridge::refreshIfWanted);
    connect(m_deletes, &AlbumDeletes::aboutToDelete, this, [this](const QString &path) {
        // The camera is not asked to delete the clip it is playing.
        if (m_playback->playingPath() == path) {
            const QScopedValueRollback<bool> hold(m_pumpHeld, true);
            stopVideo();
        }
    });
    connect(m_deletes, &AlbumDeletes::deleted, this, &MediaAlbumBridge::removeDeleted);
    connect(m_deletes, &AlbumDeletes::status, this, &MediaAlbumBridge::setStatus);
    connect(m_deletes, &AlbumDeletes::pumpNow, this, &MediaAlbumBridge::pump);
    connect(m_deletes, &AlbumDeletes::expired, this, [this](const BilingualText &text) {
        if (m_open)
            setStatus(text);
    });

    connect(m_transfer, &MediaTransfer::requested, this,
            [this](const QString &path, int fileType, int packetSize, quint32 start, int count) {
                if (m_controller)
                    m_controller->mediaFileDownload(path, fileType, packetSize, int(start), count);
            });
    connect(m_transfer, &MediaTransfer::completed, this, &MediaAlbumBridge::onFileDownloaded);
    connect(m_transfer, &MediaTransfer::refused, this, &MediaAlbumBridge::onTransferRefused);
    connect(m_transfer, &MediaTransfer::firstWindowRefused, this,
            &MediaAlbumBridge::onFirstWindowRefused);
    connect(m_transfer, &MediaTransfer::errorOccurred, this, &MediaAlbumBridge::onReceiverError);

    connect(m_downloads->folder(), &DownloadFolder::changed, this,
            &MediaAlbumBridge::downloadDirectoryChanged);
    connect(m_downloads, &DownloadBatch::downloadingChanged, this,
            &MediaAlbumBridge::downloadingChanged);
    connect(m_downloads, &DownloadBatch::downloadingChanged, this,
            &MediaAlbumBridge::refreshIfWanted);
    connect(m_downloads, &DownloadBatch::progressChanged, this,
            &MediaAlbumBridge::downloadProgressChanged);
    connect(m_downloads, &DownloadBatch::downloadingPathChanged, this,
            &MediaAlbumBridge::downloadingPathChanged);
    connect(m_downloads, &DownloadBatch::batchChanged, this,
            &MediaAlbumBridge::batchProgressChanged);
    connect(m_downloads, &DownloadBatch::lastSavedPathChanged, this,
            &MediaAlbumBridge::lastSavedPathChanged);
    connect(m_downloads, &DownloadBatch::downloadCompleted, this,
            &MediaAlbumBridge::downloadCompleted);
    connect(m_downloads, &DownloadBatch::downloadCompleted, m_mode, &AlbumMode::succeeded);
    connect(m_downloads, &DownloadBatch::downloadFailed, this, &MediaAlbumBridge::downloadFailed);
    connect(m_downloads, &DownloadBatch::batchFinished, this,
            &MediaAlbumBridge::batchDownloadFinished);
    connect(m_downloads, &DownloadBatch::status, this, &MediaAlbumBridge::setStatus);
    connect(m_downloads, &DownloadBatch::endpointNeeded, this,
            &MediaAlbumBridge::announceClientEndpoint);
    connect(m_downloads, &DownloadBatch::pumpNow, this, &MediaAlbumBridge::pump);
    connect(m_downloads, &DownloadBatch::pumpLater, this, &MediaAlbumBridge::pumpLater);
    connect(m_thumbnails, &AlbumThumbnails::ready, this, &MediaAlbumBridge::thumbnailReady);
    connect(m_thumbnails, &AlbumThumbnails::ready, m_mode, &AlbumMode::succeeded);
    connect(m_thumbnails, &AlbumThumbnails::givenUp, this, &MediaAlbumBridge::setStatus);
    connect(m_thumbnails, &AlbumThumbnails::pumpNow, this, &MediaAlbumBridge::pump);
    connect(m_thumbnails, &AlbumThumbnails::pumpLater, this, &MediaAlbumBridge::pumpLater);

    connect(m_playback, &AlbumPlayback::playingPathChanged, this,
            &MediaAlbumBridge::playingPathChanged);
    connect(m_playback, &AlbumPlayback::statusChanged, this,
            &MediaAlbumBridge::playbackStatusChanged);
    connect(m_playback, &AlbumPlayback::hasFrameChanged, this,
            &MediaAlbumBridge::playbackHasFrameChanged);
    connect(m_playback, &AlbumPlayback::errorChanged, this,
            &MediaAlbumBridge::playbackErrorChanged);
    // Thumbnails wait while a video plays.
    connect(m_playback, &AlbumPlayback::stopped, this, [this] {
        if (m_open)
            pump();
    });

    // What is on screen follows a language switch, also texts made before it.
    connect(Language::instance(), &Language::changed, this, &MediaAlbumBridge::onLanguageChanged);
    connect(m_endpoint, &ClientEndpoint::enabledChanged, this,
            &MediaAlbumBridge::sendClientEndpointChanged);
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            if (m_open)
                closeAlbum();
        });
}

MediaAlbumBridge::~MediaAlbumBridge()
{
    if (m_open)
        closeAlbum();
}

// ---------------------------------------------------------------------------
// small helpers

void MediaAlbumBridge::later(int ms, const std::function<void()> &action)
{
    const quint64 session = m_session;
    QTimer::singleShot(ms, this, [this, session, action] {
        if (session == m_session)
            action();
    });
}

void MediaAlbumBridge::pumpLater(int ms)
{
    // A pause between two files ends here, not with a pump that was
    // scheduled before it began.
    const quint64 serial = m_transfer->serial();
    later(ms, [this, serial] {
        if (!m_open || m_mode->rejoining())
            return; // the end of re-entering album mode lets the queue go on
        if (m_transfer->kind() == MediaTransfer::Kind::Pause && m_transfer->serial() == serial)
            m_transfer->end();
        pump();
    });
}

void MediaAlbumBridge::setStatus(const BilingualText &text)
{
    if (m_status == text)
        return;
    m_status = text;
    emit statusMessageChanged();
}

void MediaAlbumBridge::onLanguageChanged()
{
    if (!m_status.isEmpty())
        emit statusMessageChanged();
}

void MediaAlbumBridge::setLoading(bool on)
{
    if (m_loading == on)
        return;
    m_loading = on;
    emit loadingChanged();
}

void MediaAlbumBridge::setOpen(bool on)
{
    if (m_open == on)
        return;
    m_open = on;
    emit openChanged();
}

QString MediaAlbumBridge::cameraHost() const
{
    return m_endpoint->cameraHost();
}

void MediaAlbumBridge::setSendClientEndpoint(bool on)
{
    m_endpoint->setEnabled(on);
}

// ---------------------------------------------------------------------------
// album mode

void MediaAlbumBridge::openAlbum(const QString &videoUrl)
{
    if (!m_controller) {
        setStatus(albumText("Controller is not ready", "控制器未就绪"));
        return;
    }
    if (m_open) {
        refresh();
        return;
    }
    if (!m_transfer->receiver()->bind(quint16(m_t.downloadPort))) {
        setStatus(
            albumText("Cannot bind download port %1", "无法绑定下载端口 %1", m_t.downloadPort));
        return;
    }
    ++m_session;
    setOpen(true);
    setLoading(true);
    setStatus(albumText("Entering album mode...", "正在进入相册模式..."));
    m_endpoint->setVideoAddress(videoUrl);
    updateAllowedSenders();
    m_mode->begin();
}

void MediaAlbumBridge::holdForRejoin()
{
    if (m_listPending) {
        m_listTimer.stop();
        m_listPending = false;
        m_refreshWanted = true; // asked again once album mode is back
    }
    switch (m_transfer->kind()) {
    case MediaTransfer::Kind::Thumbnail:
        m_thumbnails->cancel();
        break;
    case MediaTransfer::Kind::File:
        m_downloads->suspend();
        break;
    case MediaTransfer::Kind::List:
        m_transfer->end();
        break;
    case MediaTransfer::Kind::None:
    case MediaTransfer::Kind::Pause:
        break;
    }
    m_transfer->pause(); // nothing starts until album mode is back
}

void MediaAlbumBridge::resumeAfterRejoin(bool entered)
{
    if (m_transfer->kind() == MediaTransfer::Kind::Pause)
        m_transfer->end();
    if (entered)
        refreshIfWanted();
    pump();
}

void MediaAlbumBridge::closeAlbum()
{
    if (!m_open)
        return;
    // Nothing new starts while the album closes (stopping the clip or the
    // downloads would otherwise let the next thumbnail go out).
    const QScopedValueRollback<bool> hold(m_pumpHeld, true);
    m_deletes->holdUnanswered();
    cancelDownload();
    stopVideo();
    clearSelection();
    if (m_controller)
        m_controller->playbackModeSet(false);
    m_transfer->receiver()->close();
    m_listTimer.stop();
    m_mode->end();
    m_thumbnails->clearQueue();
    m_listPending = false;
    m_refreshWanted = false;
    m_endpoint->setVideoAddress(QString());
    m_transfer->end();

    setLoading(false);
    m_downloads->clear();
    m_deletes->clear();
    ++m_session;
    setOpen(false);
    setStatus(BilingualText());
}

void MediaAlbumBridge::onAck(uint32_t msgId, uint16_t code)
{
    const quint16 id = quint16(msgId & 0xFFFFu);
    if (id == CommandCode::DeleteMediaFile) {
        m_deletes->onAnswer(code, m_open);
        return;
    }
    if (!m_open)
        return;
    if (id == CommandCode::PlaybackMode) {
        m_mode->onAnswer(code);
    } else if (id == CommandCode::RefreshMediaList) {
        if (m_listPending && code >= 2 && !m_mode->rejoinAfterRefusal(code))
            endList(albumText("Failed to refresh media list (code=%1)",
                              "刷新媒体列表失败 (code=%1)", code));
    } else if (id == CommandCode::DownloadMediaFile) {
        const MediaTransfer::Kind kind = m_transfer->kind();
        const bool asking = kind == MediaTransfer::Kind::List ||
                            kind == MediaTransfer::Kind::Thumbnail ||
                            kind == MediaTransfer::Kind::File;
        if (!asking || !m_mode->rejoinAfterRefusal(code))
            m_transfer->onAnswer(code);
    }
}

// ---------------------------------------------------------------------------
// list, order, filter, pages

void MediaAlbumBridge::refresh()
{
    if (!m_controller || !m_open)
        return;
    if (m_downloads->downloading() || m_deletes->deleting()) {
        // Fetched once they are over: an album that opens while a delete
        // answer is still awaited must not wait for its list for good.
        m_refreshWanted = true;
        return;
    }
    m_refreshWanted = false;
    if (!m_mode->ready()) {
        m_refreshWanted = m_mode->rejoining(); // fetched once album mode is back
        setLoading(true);
        setStatus(AlbumMode::waitingText());
        if (!m_mode->pending())
            m_mode->request(); // the earlier request failed or went unanswered
        return;
    }
    m_thumbnails->cancel();
    if (m_transfer->kind() == MediaTransfer::Kind::List)
        m_transfer->end();
    m_listPending = true;
    m_listTimer.start(m_t.listTimeoutMs);
    setLoading(true);
    setStatus(albumText("Refreshing media list...", "正在刷新媒体列表..."));
    m_controller->mediaListRefresh();
    updateAllowedSenders();
    m_transfer->beginList();
}

void MediaAlbumBridge::refreshIfWanted()
{
    if (m_refreshWanted && m_open && !m_downloads->downloading() && !m_deletes->deleting())
        refresh();
}

void MediaAlbumBridge::endList(const BilingualText &status)
{
    m_listTimer.stop();
    m_listPending = false;
    setLoading(false);
    if (m_transfer->kind() == MediaTransfer::Kind::List)
        m_transfer->end();
    setStatus(status);
    pump();
}

void MediaAlbumBridge::onListTimeout()
{
    if (!m_listPending)
        return;
    endList(albumText("Media list refresh timed out; check the device connection",
                      "刷新媒体列表超时，请检查设备连接"));
}

void MediaAlbumBridge::listChanged(bool items)
{
    if (items)
        emit mediaItemsChanged();
    emit filteredItemsChanged();
    pageChanged();
    updateSummary();
}

void MediaAlbumBridge::pageChanged()
{
    emit pagedItemsChanged();
    emit paginationChanged();

    QStringList paths;
    for (const QVariant &item : m_listing.paged())
        paths.append(AlbumListing::pathOf(item));
    m_thumbnails->queuePage(paths);
    pump();
}

void MediaAlbumBridge::updateSummary()
{
    if (m_loading || m_downloads->downloading() || m_deletes->deleting() || m_listPending)
        return;
    if (m_listing.items().isEmpty())
        setStatus(albumText("Media library is empty", "媒体库为空"));
    else if (!m_listing.filtered().isEmpty())
        setStatus(albumText("%1 files", "共 %1 个文件", m_listing.filtered().size()));
    else
        setStatus(albumText("No files in this category", "当前分类无文件"));
}

void MediaAlbumBridge::setFilterIndex(int index)
{
    if (!m_listing.setFilterIndex(index))
        return;
    emit filterIndexChanged();
    listChanged(false);
    clearSelection();
}

void MediaAlbumBridge::previousPage()
{
    if (m_listing.previousPage())
        pageChanged();
}

void MediaAlbumBridge::nextPage()
{
    if (m_listing.nextPage())
        pageChanged();
}

// ---------------------------------------------------------------------------
// selection

void MediaAlbumBridge::toggleSelection(const QString &path)
{
    if (m_listing.toggleSelection(path))
        emit selectedPathsChanged();
}

void MediaAlbumBridge::selectAllFiltered()
{
    m_listing.selectAllFiltered();
    emit selectedPathsChanged();
}

void MediaAlbumBridge::clearSelection()
{
    if (m_listing.clearSelection())
        emit selectedPathsChanged();
}

// ---------------------------------------------------------------------------
// thumbnails

void MediaAlbumBridge::requestThumbnail(const QString &path)
{
    if (!m_controller || m_deletes->deleting() || path.isEmpty() ||
        !thumbnailForPath(path).isEmpty())
        return;
    m_thumbnails->request(path);
    pump();
}

// ---------------------------------------------------------------------------
// deletes

void MediaAlbumBridge::deleteFile(const QString &path)
{
    startDeletes({path});
}

void MediaAlbumBridge::deleteSelected()
{
    startDeletes(m_listing.selectedInListOrder());
}

void MediaAlbumBridge::startDeletes(const QStringList &paths)
{
    if (!m_controller || paths.isEmpty())
        return;
    if (!m_open) {
        // A closed album would never take the answer, and the camera is not
        // in album mode to carry it out.
        setStatus(albumText("Open the album to delete files", "请先打开相册再删除文件"));
        return;
    }
    if (!m_downloads->downloading() && m_transfer->kind() != MediaTransfer::Kind::List)
        m_deletes->start(paths);
}

void MediaAlbumBridge::removeDeleted(const QString &path)
{
    if (m_listing.removeItem(path))
        listChanged(true);
    m_thumbnails->forget(path);
    m_downloads->forget(path);
    if (m_listing.deselect(path))
        emit selectedPathsChanged();
    if (m_playback->playingPath() == path)
        stopVideo();
    emit fileDeleted(path);
}

// ---------------------------------------------------------------------------
// transfer engine

void MediaAlbumBridge::pump()
{
    if (m_pumpHeld || m_mode->rejoining())
        return;
    if (m_deletes->deleting()) {
        if (m_transfer->idle())
            m_deletes->next();
        return;
    }
    if (!m_transfer->idle())
        return;
    if (m_downloads->hasQueued()) {
        m_downloads->startNext();
    } else if (m_open && m_playback->playingPath().isEmpty() && m_controller) {
        // Thumbnails wait while a video plays.
        updateAllowedSenders();
        m_thumbnails->startNext();
    }
}

void MediaAlbumBridge::onFirstWindowRefused(quint16 code)
{
    switch (m_transfer->kind()) {
    case MediaTransfer::Kind::List:
        endList(albumText("Download request failed (code=%1)", "下载请求失败 (code=%1)", code));
        break;
    case MediaTransfer::Kind::Thumbnail:
        m_thumbnails->failed();
        break;
    case MediaTransfer::Kind::File:
        m_downloads->fileFailed();
        break;
    case MediaTransfer::Kind::None:
    case MediaTransfer::Kind::Pause:
        break;
    }
}

void MediaAlbumBridge::downloadSelected()
{
    QVariantList paths;
    for (const QString &path : m_listing.selectedPaths())
        paths.append(path);
    downloadFiles(paths);
}

void MediaAlbumBridge::downloadAllFiltered()
{
    QVariantList paths;
    for (const QString &path : m_listing.filteredPaths())
        paths.append(path);
    downloadFiles(paths);
}

void MediaAlbumBridge::downloadFiles(const QVariantList &paths)
{
    if (!m_controller || paths.isEmpty() || m_deletes->deleting() || !m_open)
        return;
    QStringList list;
    for (const QVariant &value : paths)
        if (!value.toString().isEmpty())
            list.append(value.toString());
    if (list.isEmpty())
        return;
    m_downloads->folder()->ensure();
    announceClientEndpoint();
    m_thumbnails->cancel();
    m_downloads->add(list);
}

void MediaAlbumBridge::onFileDownloaded(const QByteArray &data)
{
    if (m_transfer->kind() == MediaTransfer::Kind::List && m_listPending) {
        m_listTimer.stop();
        m_listPending = false;
        m_mode->succeeded();
        m_listing.setItems(MediaListParser::parse(data));
        listChanged(true);
        setLoading(false);
        m_transfer->end();
        pump();
        updateSummary();
    } else if (m_transfer->kind() == MediaTransfer::Kind::Thumbnail) {
        m_thumbnails->completed(data);
    }
}

void MediaAlbumBridge::onReceiverError(const QString &message)
{
    m_listTimer.stop();
    m_listPending = false;
    setLoading(false);
    if (m_transfer->kind() == MediaTransfer::Kind::Thumbnail) {
        m_thumbnails->failed();
    } else if (m_transfer->kind() == MediaTransfer::Kind::File) {
        m_downloads->fileFailed();
    } else {
        setStatus(BilingualText{message, message});
    }
}

void MediaAlbumBridge::onTransferRefused(MediaDownloadReceiver::RefusalReason reason, qint64 size)
{
    const BilingualText text = MediaDownloadReceiver::refusalText(reason, size);
    switch (m_transfer->kind()) {
    case MediaTransfer::Kind::File:
        m_downloads->giveUp(text); // asking again cannot help: the size or the disk stays
        break;
    case MediaTransfer::Kind::Thumbnail:
        m_thumbnails->failed();
        break;
    case MediaTransfer::Kind::List:
        endList(BilingualText{QStringLiteral("Media list not received: ") + text.english,
                              QStringLiteral("未收到媒体列表: ") + text.chinese});
        break;
    case MediaTransfer::Kind::None:
    case MediaTransfer::Kind::Pause:
        break;
    }
}

void MediaAlbumBridge::updateAllowedSenders()
{
    const QList<QHostAddress> senders = m_endpoint->senders();
    m_transfer->receiver()->setAllowedSenders(senders);
    m_playback->setAllowedSenders(senders);
}

void MediaAlbumBridge::announceClientEndpoint()
{
    if (!m_controller || !m_endpoint->enabled())
        return;
    updateAllowedSenders();
    const MediaDownloadReceiver *receiver = m_transfer->receiver();
    m_endpoint->announce(m_playback->isBound() ? m_playback->port() : quint16(m_t.playbackPort),
                         receiver->isBound() ? receiver->port() : quint16(m_t.downloadPort));
}

// ---------------------------------------------------------------------------
// playback

void MediaAlbumBridge::playVideo(const QString &path)
{
    if (!m_controller || path.isEmpty())
        return;
    if (!m_playback->playingPath().isEmpty()) {
        // One clip gives way to another: nothing goes out in between.
        const QScopedValueRollback<bool> hold(m_pumpHeld, true);
        stopVideo();
    }
    m_thumbnails->cancel();
    if (!m_playback->bind(quint16(m_t.playbackPort))) {
        setStatus(
            albumText("Cannot bind playback port %1", "无法绑定回放端口 %1", m_t.playbackPort));
        return;
    }
    // Announced after binding, so the camera learns the port actually bound.
    announceClientEndpoint();
    updateAllowedSenders();
    m_playback->start(path);
    setStatus(albumText("Playing: %1", "正在回放: %1", nameOf(path)));
}
