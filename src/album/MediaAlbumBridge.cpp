#include "album/MediaAlbumBridge.h"

#include "album/AlbumPlayback.h"
#include "album/DeleteAckBarrier.h"
#include "album/DownloadFolder.h"
#include "album/LocalAddressFinder.h"
#include "album/LocalFileNames.h"
#include "album/MediaListParser.h"
#include "catalog/GimbalModel.h"
#include "commands/GimbalController.h"
#include "link/CommandCode.h"
#include "link/ITransport.h"
#include "link/Language.h"
#include "link/TransportManager.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace
{

QString pick(const char *english, const char *chinese)
{
    return Language::pick(QString::fromUtf8(english), QString::fromUtf8(chinese));
}

QString nameOf(const QString &path)
{
    return MediaListParser::fileName(path);
}

QHostAddress addressOf(const QString &host)
{
    const QString text = host.trimmed();
    if (text.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return QHostAddress(QHostAddress::LocalHost);
    QHostAddress address;
    if (!address.setAddress(text))
        return QHostAddress();
    return address;
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
    m_barrier = new DeleteAckBarrier(m_t.deleteBarrierMs, this);
    m_folder = new DownloadFolder(this);
    connect(m_folder, &DownloadFolder::changed, this, &MediaAlbumBridge::downloadDirectoryChanged);
    m_receiver = new MediaDownloadReceiver(this);
    m_playback = new AlbumPlayback(controller, this);

    for (QTimer *timer :
         {&m_listTimer, &m_thumbTimer, &m_stallTimer, &m_rerequestTimer, &m_modeTimer})
        timer->setSingleShot(true);
    m_listTimer.setInterval(m_t.listTimeoutMs);
    m_thumbTimer.setInterval(m_t.thumbnailTimeoutMs);
    connect(&m_listTimer, &QTimer::timeout, this, &MediaAlbumBridge::onListTimeout);
    connect(&m_thumbTimer, &QTimer::timeout, this, &MediaAlbumBridge::onThumbnailTimeout);
    connect(&m_stallTimer, &QTimer::timeout, this, &MediaAlbumBridge::onStallCheck);
    connect(&m_rerequestTimer, &QTimer::timeout, this, &MediaAlbumBridge::onRerequestCheck);
    connect(&m_modeTimer, &QTimer::timeout, this, &MediaAlbumBridge::onModeTimer);

    connect(m_barrier, &DeleteAckBarrier::pendingChanged, this,
            &MediaAlbumBridge::onBarrierPending);
    connect(m_barrier, &DeleteAckBarrier::timedOut, this, [this] {
        if (m_open)
            setStatus(pick("Previous delete acknowledgement expired; delete is available again",
                           "上一次删除确认已超时，可重新删除"));
    });

    // Completions and refusals are handled once the datagram loop has
    // returned, and only for the transfer they belong to: a transfer
    // abandoned meanwhile has reset the receiver (which removes a file
    // written for it).
    connect(m_receiver, &MediaDownloadReceiver::fileCompleted, this,
            [this](const QByteArray &data) {
                forThisTransfer([this, data] { onFileDownloaded(data); });
            });
    connect(m_receiver, &MediaDownloadReceiver::fileWritten, this,
            [this] { forThisTransfer([this] { onFileWritten(); }); });
    connect(m_receiver, &MediaDownloadReceiver::transferRefused, this,
            [this](MediaDownloadReceiver::RefusalReason reason, qint64 size) {
                forThisTransfer([this, reason, size] { onTransferRefused(reason, size); });
            });
    connect(m_receiver, &MediaDownloadReceiver::progressChanged, this,
            &MediaAlbumBridge::onReceiverProgress);
    connect(m_receiver, &MediaDownloadReceiver::packetAhead, this,
            &MediaAlbumBridge::onPacketAhead);
    connect(m_receiver, &MediaDownloadReceiver::errorOccurred, this,
            &MediaAlbumBridge::onReceiverError);

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

    if (m_controller)
        connect(m_controller, &GimbalController::modelChanged, this,
                &MediaAlbumBridge::loadSendClientEndpoint);
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            if (m_open)
                closeAlbum();
        });

    loadSendClientEndpoint();
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

void MediaAlbumBridge::forThisTransfer(const std::function<void()> &handle)
{
    const quint64 serial = m_transferSerial;
    QMetaObject::invokeMethod(
        this,
        [this, serial, handle] {
            if (serial == m_transferSerial)
                handle();
        },
        Qt::QueuedConnection);
}

void MediaAlbumBridge::setStatus(const QString &text)
{
    if (m_status == text)
        return;
    m_status = text;
    emit statusMessageChanged();
}

void MediaAlbumBridge::setLoading(bool on)
{
    if (m_loading == on)
        return;
    m_loading = on;
    emit loadingChanged();
}

void MediaAlbumBridge::setDownloading(bool on)
{
    if (m_downloading != on) {
        m_downloading = on;
        emit downloadingChanged();
    }
    if (!on)
        setDownloadingPath(QString());
}

void MediaAlbumBridge::setDeleting(bool on)
{
    if (m_deleting == on)
        return;
    m_deleting = on;
    emit deletingChanged();
}

void MediaAlbumBridge::setOpen(bool on)
{
    if (m_open == on)
        return;
    m_open = on;
    emit openChanged();
}

void MediaAlbumBridge::setDownloadProgress(int percent)
{
    if (m_downloadProgress == percent)
        return;
    m_downloadProgress = percent;
    emit downloadProgressChanged();
}

void MediaAlbumBridge::setDownloadingPath(const QString &path)
{
    if (m_downloadingPath == path)
        return;
    m_downloadingPath = path;
    emit downloadingPathChanged();
}

QHostAddress MediaAlbumBridge::controlPeer() const
{
    const TransportManager *manager = m_controller ? m_controller->transportManager() : nullptr;
    const ITransport *link = manager ? manager->transport() : nullptr;
    return link ? link->peerAddress() : QHostAddress();
}

QString MediaAlbumBridge::cameraHost() const
{
    if (!m_deviceHost.isEmpty())
        return m_deviceHost;
    const QHostAddress peer = controlPeer();
    return peer.isNull() ? QString() : peer.toString();
}

QString MediaAlbumBridge::modelKey() const
{
    QString key;
    if (m_controller && m_controller->model())
        key = m_controller->model()->id().trimmed();
    return key.isEmpty() ? QStringLiteral("default") : key;
}

void MediaAlbumBridge::loadSendClientEndpoint()
{
    QSettings settings;
    const bool on =
        settings.value(QStringLiteral("MediaAlbum/sendClientEndpoint_") + modelKey(), true)
            .toBool();
    if (on == m_sendClientEndpoint)
        return;
    m_sendClientEndpoint = on;
    emit sendClientEndpointChanged();
}

void MediaAlbumBridge::setSendClientEndpoint(bool on)
{
    if (on == m_sendClientEndpoint)
        return;
    m_sendClientEndpoint = on;
    QSettings settings;
    settings.setValue(QStringLiteral("MediaAlbum/sendClientEndpoint_") + modelKey(), on);
    settings.sync();
    emit sendClientEndpointChanged();
}

// ---------------------------------------------------------------------------
// album mode

void MediaAlbumBridge::openAlbum(const QString &videoUrl)
{
    if (!m_controller) {
        setStatus(pick("Controller is not ready", "控制器未就绪"));
        return;
    }
    if (m_open) {
        refresh();
        return;
    }
    if (!m_receiver->bind(quint16(m_t.downloadPort))) {
        setStatus(
            pick("Cannot bind download port %1", "无法绑定下载端口 %1").arg(m_t.downloadPort));
        return;
    }
    ++m_session;
    setOpen(true);
    setLoading(true);
    setStatus(pick("Entering album mode...", "正在进入相册模式..."));
    m_deviceHost = QUrl(videoUrl).host(QUrl::FullyDecoded);
    if (m_deviceHost.isEmpty())
        m_deviceHost = videoUrl.trimmed();
    updateAllowedSenders();
    m_albumReady = false;
    requestAlbumMode();
}

void MediaAlbumBridge::requestAlbumMode()
{
    m_modePending = true;
    m_modeResends = 0;
    m_controller->playbackModeSet(true);
    m_modeTimer.start(m_t.modeResendMs);
}

void MediaAlbumBridge::onModeTimer()
{
    if (!m_open || !m_modePending || !m_controller)
        return;
    if (m_modeResends < m_t.modeResendCount) {
        // The request or its answer may have been lost on the way.
        ++m_modeResends;
        m_controller->playbackModeSet(true);
        m_modeTimer.start(m_t.modeResendMs);
        return;
    }
    m_modePending = false;
    setLoading(false);
    setStatus(pick("The device did not answer the album mode request; check the connection",
                   "设备未响应相册模式请求，请检查连接"));
}

void MediaAlbumBridge::onModeAck(quint16 code)
{
    if (!m_modePending)
        return; // a repeated answer to a resent request
    m_modePending = false;
    m_modeTimer.stop();
    if (code >= 2) {
        setLoading(false);
        setStatus(
            pick("Failed to enter album mode (code=%1)", "进入相册模式失败 (code=%1)").arg(code));
        return;
    }
    setStatus(pick("Waiting for album mode...", "正在等待相册模式就绪..."));
    announceClientEndpoint();
    later(m_t.albumReadyDelayMs, [this] {
        if (!m_open)
            return;
        m_albumReady = true;
        refresh();
    });
}

void MediaAlbumBridge::closeAlbum()
{
    if (!m_open)
        return;
    if (!m_currentDelete.isEmpty())
        m_barrier->arm();
    cancelDownload();
    setDownloadProgress(0);
    stopVideo();
    clearSelection();
    if (m_controller)
        m_controller->playbackModeSet(false);
    m_receiver->close();
    m_listTimer.stop();
    m_thumbTimer.stop();
    m_modeTimer.stop();
    m_stallTimer.stop();
    m_thumbQueue.clear();
    m_listPending = false;
    m_albumReady = false;
    m_modePending = false;
    m_thumbRetries = 0;
    m_downloadRetries = 0;
    m_deviceHost.clear();
    endTransfer();

    setLoading(false);
    setDownloading(false);
    m_downloadQueue.clear();
    m_deleteQueue.clear();
    m_currentDelete.clear();
    m_deleteSucceeded = m_deleteFailed = 0;
    setDeleting(m_barrier->pending());
    m_batchTotal = m_batchSucceeded = m_batchFailed = 0;
    emitBatch();
    ++m_session;
    setOpen(false);
    setStatus(QString());
}

void MediaAlbumBridge::onAck(uint32_t msgId, uint16_t code)
{
    const quint16 id = quint16(msgId & 0xFFFFu);
    if (id == CommandCode::DeleteMediaFile) {
        if (m_barrier->take())
            return; // the late answer to a delete sent before the album closed
        if (!m_open || m_currentDelete.isEmpty())
            return;
        const QString path = m_currentDelete;
        m_currentDelete.clear();
        if (code <= 1) {
            ++m_deleteSucceeded;
            removeDeleted(path);
        } else {
            ++m_deleteFailed;
        }
        nextDelete();
        return;
    }
    if (!m_open)
        return;
    if (id == CommandCode::PlaybackMode) {
        onModeAck(code);
    } else if (id == CommandCode::RefreshMediaList) {
        if (m_listPending && code >= 2)
            endList(pick("Failed to refresh media list (code=%1)", "刷新媒体列表失败 (code=%1)")
                        .arg(code));
    } else if (id == CommandCode::DownloadMediaFile) {
        m_requestOutstanding = false;
        switch (m_transfer) {
        case Transfer::List:
            if (code >= 2 && m_windowStart == 0)
                endList(
                    pick("Download request failed (code=%1)", "下载请求失败 (code=%1)").arg(code));
            break;
        case Transfer::Thumbnail:
            if (code != 0 && m_windowStart == 0) {
                m_thumbTimer.stop();
                thumbnailFailed();
            }
            break;
        case Transfer::File:
            onFileAck(code);
            break;
        case Transfer::None:
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// list, order, filter, pages

void MediaAlbumBridge::refresh()
{
    if (!m_controller || m_downloading || m_deleting || !m_open)
        return;
    if (!m_albumReady) {
        setLoading(true);
        setStatus(pick("Waiting for album mode...", "正在等待相册模式就绪..."));
        if (!m_modePending)
            requestAlbumMode(); // the earlier request failed or went unanswered
        return;
    }
    if (m_transfer == Transfer::Thumbnail)
        cancelThumbnail();
    if (m_transfer == Transfer::List)
        endTransfer();
    m_listPending = true;
    m_listTimer.start(m_t.listTimeoutMs);
    setLoading(true);
    setStatus(pick("Refreshing media list...", "正在刷新媒体列表..."));
    m_controller->mediaListRefresh();
    beginInMemory(Transfer::List, QString());
}

void MediaAlbumBridge::afterSettle(const std::function<void()> &begin)
{
    // Datagrams of a transfer that was just aborted may still be on their
    // way: the new transfer begins once they have arrived, and they are
    // dropped with the receiver's reset, so they are never taken for the
    // new one.
    const qint64 left = m_abortClock.isValid() ? m_t.abortSettleMs - m_abortClock.elapsed() : 0;
    if (left <= 0) {
        begin();
        return;
    }
    const quint64 serial = m_transferSerial;
    later(int(left), [this, serial, begin] {
        if (serial == m_transferSerial)
            begin();
    });
}

void MediaAlbumBridge::beginInMemory(Transfer kind, const QString &path)
{
    const bool list = kind == Transfer::List;
    ++m_transferSerial;
    m_transfer = kind;
    m_transferPath = path;
    m_fileType = list ? ListFile : ThumbnailFile;
    m_packetSize = list ? ListPacketSize : ThumbnailPacketSize;
    afterSettle([this, list] {
        updateAllowedSenders();
        m_receiver->reset();
        m_receiver->expectInMemory(list ? MaxListBytes : MaxThumbnailBytes);
        m_receiver->setPacketSize(m_packetSize);
        resetArrivals();
        sendWindow(0, list ? MaxWindowPackets : ThumbnailPackets);
    });
}

void MediaAlbumBridge::endList(const QString &status)
{
    m_listTimer.stop();
    m_listPending = false;
    setLoading(false);
    if (m_transfer == Transfer::List)
        endTransfer();
    setStatus(status);
    pump();
}

void MediaAlbumBridge::onListTimeout()
{
    if (!m_listPending)
        return;
    endList(pick("Media list refresh timed out; check the device connection",
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

    m_thumbQueue.clear();
    m_thumbRetries = 0;
    for (const QVariant &item : m_listing.paged()) {
        const QString path = AlbumListing::pathOf(item);
        if (path.isEmpty() || m_thumbCache.contains(path) ||
            (m_transfer == Transfer::Thumbnail && m_transferPath == path))
            continue;
        m_thumbQueue.append(path);
    }
    pump();
}

void MediaAlbumBridge::updateSummary()
{
    if (m_loading || m_downloading || m_deleting || m_listPending)
        return;
    if (m_listing.items().isEmpty())
        setStatus(pick("Media library is empty", "媒体库为空"));
    else if (!m_listing.filtered().isEmpty())
        setStatus(pick("%1 files", "共 %1 个文件").arg(m_listing.filtered().size()));
    else
        setStatus(pick("No files in this category", "当前分类无文件"));
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

bool MediaAlbumBridge::isSelected(const QString &path) const
{
    return m_listing.isSelected(path);
}

// ---------------------------------------------------------------------------
// thumbnails

void MediaAlbumBridge::requestThumbnail(const QString &path)
{
    if (!m_controller || m_deleting || path.isEmpty() || m_thumbCache.contains(path))
        return;
    if (!(m_transfer == Transfer::Thumbnail && m_transferPath == path) &&
        !m_thumbQueue.contains(path))
        m_thumbQueue.append(path);
    pump();
}

QString MediaAlbumBridge::thumbnailForPath(const QString &path) const
{
    return m_thumbCache.value(path);
}

void MediaAlbumBridge::startNextThumbnail()
{
    if (!m_open || m_deleting || m_transfer != Transfer::None ||
        !m_playback->playingPath().isEmpty() || !m_controller)
        return;
    while (!m_thumbQueue.isEmpty()) {
        const QString path = m_thumbQueue.takeFirst();
        if (m_thumbCache.contains(path))
            continue;
        m_thumbTimer.start(m_t.thumbnailTimeoutMs);
        beginInMemory(Transfer::Thumbnail, path);
        return;
    }
}

void MediaAlbumBridge::onThumbnailTimeout()
{
    if (m_transfer == Transfer::Thumbnail)
        thumbnailFailed();
}

void MediaAlbumBridge::thumbnailFailed()
{
    const QString path = m_transferPath;
    m_thumbTimer.stop();
    endTransfer();
    ++m_thumbRetries;
    if (m_thumbRetries < MaxRetries) {
        m_thumbQueue.prepend(path);
        later(m_t.pumpDelayMs, [this] {
            if (m_open)
                pump();
        });
        return;
    }
    m_thumbRetries = 0;
    setStatus(pick("Thumbnail request failed: %1", "缩略图请求失败: %1").arg(nameOf(path)));
    pump();
}

void MediaAlbumBridge::cancelThumbnail()
{
    if (m_transfer != Transfer::Thumbnail)
        return;
    m_thumbTimer.stop();
    sendAbort();
    m_thumbQueue.prepend(m_transferPath);
    endTransfer();
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
    if (!m_controller || paths.isEmpty() || m_downloading || m_deleting || m_barrier->pending() ||
        m_transfer == Transfer::List)
        return;
    QStringList queue;
    for (const QString &path : paths)
        if (!path.isEmpty() && !queue.contains(path))
            queue.append(path);
    if (queue.isEmpty())
        return;
    m_deleteQueue = queue;
    m_deleteSucceeded = m_deleteFailed = 0;
    setDeleting(true);
    nextDelete();
}

void MediaAlbumBridge::nextDelete()
{
    if (!m_currentDelete.isEmpty() || m_transfer != Transfer::None)
        return;
    if (m_deleteQueue.isEmpty()) {
        if (!m_deleting)
            return;
        setDeleting(false);
        setStatus(pick("Delete finished: %1 succeeded, %2 failed", "删除完成：成功 %1，失败 %2")
                      .arg(m_deleteSucceeded)
                      .arg(m_deleteFailed));
        pump();
        return;
    }
    m_currentDelete = m_deleteQueue.takeFirst();
    setStatus(pick("Deleting: %1", "正在删除: %1").arg(nameOf(m_currentDelete)));
    if (m_controller)
        m_controller->mediaFileDelete(m_currentDelete);
}

void MediaAlbumBridge::removeDeleted(const QString &path)
{
    if (m_listing.removeItem(path))
        listChanged(true);
    m_thumbCache.remove(path);
    m_thumbQueue.removeAll(path);
    const int removed = m_downloadQueue.removeAll(path);
    if (removed > 0) {
        const int inFlight = m_transfer == Transfer::File && !m_transferPath.isEmpty() ? 1 : 0;
        m_batchTotal = qMax(m_batchSucceeded + m_batchFailed + inFlight + m_downloadQueue.size(),
                            m_batchTotal - removed);
        emitBatch();
        if (m_downloadQueue.isEmpty() && inFlight == 0 && m_downloading)
            batchContinue();
    }
    if (m_listing.deselect(path))
        emit selectedPathsChanged();
    if (m_playback->playingPath() == path)
        stopVideo();
    emit fileDeleted(path);
}

void MediaAlbumBridge::onBarrierPending(bool pending)
{
    if (pending) {
        setDeleting(true);
        return;
    }
    if (m_deleteQueue.isEmpty() && m_currentDelete.isEmpty())
        setDeleting(false);
    // An album opened while the barrier held could not fetch its list yet
    // (it stays loading); it does so now.
    if (m_open && m_albumReady && !m_listPending && m_transfer == Transfer::None)
        refresh();
}

// ---------------------------------------------------------------------------
// transfer engine

void MediaAlbumBridge::pump()
{
    if (m_deleting) {
        nextDelete();
        return;
    }
    if (m_transfer != Transfer::None)
        return;
    if (!m_downloadQueue.isEmpty())
        startNextFile();
    else
        startNextThumbnail();
}

void MediaAlbumBridge::endTransfer()
{
    // A transfer asked for more than once may still be on its way in a
    // second copy: the camera is told to stop, and the next transfer waits
    // until what it had sent has arrived (and been dropped).
    if (m_rerequested && m_transfer != Transfer::None)
        sendAbort();
    m_rerequested = false;
    ++m_transferSerial;
    m_transfer = Transfer::None;
    m_transferPath.clear();
    m_windowCount = 0;
    m_requestOutstanding = false;
    m_rerequestTimer.stop();
    m_stallTimer.stop();
    m_receiver->reset();
}

void MediaAlbumBridge::sendAbort()
{
    if (!m_controller)
        return;
    m_controller->mediaFileDownload(QString(), Abort, 0, 0, 0);
    m_abortClock.start();
}

int MediaAlbumBridge::packetSizeForFile() const
{
    if (m_downloadRetries >= 2)
        return SmallPacketSize;
    if (m_controller && m_controller->model())
        return m_controller->model()->modelSpec().mediaPacketSize;
    return LargePacketSize;
}

void MediaAlbumBridge::requestWindow(quint32 startSeq, int maxCount)
{
    if (m_transfer != Transfer::File || m_transferPath.isEmpty() || !m_controller)
        return;
    qint64 total = m_receiver->totalSize();
    if (total <= 0)
        total = m_listing.listedSize(m_transferPath);
    int count = MaxWindowPackets;
    if (total > 0 && m_packetSize > 0) {
        const qint64 packets = (total + m_packetSize - 1) / m_packetSize;
        if (qint64(startSeq) >= packets)
            return;
        count = int(qMin<qint64>(qMax<qint64>(packets - startSeq, 1), MaxWindowPackets));
    }
    m_requestOutstanding = true;
    ++m_fileRequests;
    m_receiver->noteRequest();
    sendWindow(startSeq, qMin(count, maxCount));
}

void MediaAlbumBridge::sendWindow(quint32 startSeq, int count)
{
    m_windowStart = startSeq;
    m_windowCount = count;
    m_controller->mediaFileDownload(m_transferPath, m_fileType, m_packetSize, int(startSeq), count);
    m_requestClock.start();
    m_activityClock.start();
    m_rerequestTimer.start(quietLimit());
}

bool MediaAlbumBridge::fileComplete() const
{
    if (m_fileDone)
        return true;
    const qint64 total = m_receiver->totalSize();
    return total > 0 && m_receiver->assembledBytes() >= total;
}

void MediaAlbumBridge::windowAdvance()
{
    if (m_transfer != Transfer::File || m_transferPath.isEmpty() || m_requestOutstanding ||
        m_windowCount == 0)
        return;
    const quint32 next = m_receiver->nextSequence();
    // Packets held beyond a gap that was just filled are being appended one
    // by one: the next window begins after the last of them, not at a
    // packet already here.
    if (m_receiver->heldCount() > 0 && m_receiver->firstHeld() == next)
        return;
    if (qint64(next) >= qint64(m_windowStart) + m_windowCount && !fileComplete())
        requestWindow(next);
}

void MediaAlbumBridge::rerequest()
{
    if (!m_controller)
        return;
    m_rerequested = true;
    const quint32 next = m_receiver->nextSequence();
    if (m_transfer == Transfer::File) {
        if (m_transferPath.isEmpty() || fileComplete())
            return;
        // Only the missing packets: those held beyond them are not sent
        // again, and once the gap is filled the next window follows at once.
        if (m_receiver->heldCount() > 0)
            requestWindow(next, int(qBound<qint64>(1, qint64(m_receiver->firstHeld()) - next,
                                                   MaxWindowPackets)));
        else
            requestWindow(next);
    } else if (m_transfer != Transfer::None) {
        // The list and thumbnails: the same window, from where the data stopped.
        sendWindow(next, m_windowCount);
    }
}

void MediaAlbumBridge::onRerequestCheck()
{
    if (m_transfer == Transfer::None)
        return;
    const int limit = quietLimit();
    const qint64 quiet = m_activityClock.isValid() ? m_activityClock.elapsed() : limit;
    if (quiet < limit) {
        m_rerequestTimer.start(int(limit - quiet));
        return;
    }
    ++m_quietRerequests;
    // Each silent re-request waits twice as long as the one before, so a
    // camera slower to answer than the estimate is never asked again before
    // it can begin.
    m_quietBackoff = qMin(m_quietBackoff + 1, 8);
    rerequest();
}

void MediaAlbumBridge::onPacketAhead(quint32 sequence)
{
    if (m_transfer == Transfer::None)
        return;
    noteArrival();
    const quint32 next = m_receiver->nextSequence();
    if (next != m_gapNext) {
        m_gapNext = next;
        m_aheadOfGap = 0;
        m_gapAsked = false;
    }
    ++m_aheadOfGap;
    const bool windowEnd = qint64(sequence) + 1 >= qint64(m_windowStart) + m_windowCount;
    // The data has moved past the gap further than reordering moves a packet,
    // or to the end of the window: the missing packet was lost, and is asked
    // for at once. Should the resent one be lost too, twice the evidence asks
    // again (packets of the old stream still arrive for a moment).
    const int needed = m_gapAsked ? 2 * m_t.gapHeldPackets : m_t.gapHeldPackets;
    if (m_aheadOfGap < needed && !(windowEnd && !m_gapAsked))
        return;
    m_gapAsked = true;
    m_aheadOfGap = 0;
    ++m_gapRerequests;
    rerequest();
}

void MediaAlbumBridge::resetArrivals()
{
    m_lastReceived = 0;
    m_arrivalMs = -1;
    m_responseMs = -1;
    m_quietBackoff = 0;
    m_arrivalClock.invalidate();
    m_requestClock.invalidate();
    m_gapNext = NoGap;
}

void MediaAlbumBridge::noteArrival()
{
    if (m_arrivalClock.isValid()) {
        const double gap = m_arrivalClock.nsecsElapsed() / 1e6;
        m_arrivalMs = m_arrivalMs < 0 ? gap : 0.9 * m_arrivalMs + 0.1 * gap;
    }
    m_arrivalClock.start();
}

int MediaAlbumBridge::quietLimit() const
{
    // Silence much longer than the usual spacing of packets, or than the
    // camera takes to answer a request, means the rest of the window was
    // lost (or the request or its answer). Until packets have arrived, the
    // full delay.
    if (m_arrivalMs < 0)
        return m_t.rerequestMs;
    const double usual = qMax(m_arrivalMs * 50, m_responseMs * 4);
    const double limit = qBound<double>(m_t.minQuietMs, std::ceil(usual), m_t.rerequestMs);
    return int(qMin<double>(limit * (1 << m_quietBackoff), m_t.stallMs / 2));
}

void MediaAlbumBridge::noteResponse()
{
    // The first packet appended after a request: how long the camera took
    // to answer it (quick to rise, slow to fall).
    if (!m_requestClock.isValid())
        return;
    const double ms = m_requestClock.nsecsElapsed() / 1e6;
    m_requestClock.invalidate();
    m_responseMs = m_responseMs < 0 || ms > m_responseMs ? ms : 0.9 * m_responseMs + 0.1 * ms;
}

void MediaAlbumBridge::onReceiverProgress(qint64 received, qint64 total)
{
    if (m_transfer == Transfer::None)
        return;
    if (received > m_lastReceived) {
        noteResponse();
        m_quietBackoff = 0;
        noteArrival();
        m_lastReceived = received;
        m_activityClock.start();
        m_growthClock.start();
    }
    if (m_transfer != Transfer::File || m_transferPath.isEmpty())
        return;
    if (total > 0 && received >= total)
        m_fileDone = true;
    setDownloadProgress(total > 0 ? int(qBound<qint64>(0, received * 100 / total, 100)) : 0);
    windowAdvance();
}

void MediaAlbumBridge::onStallCheck()
{
    if (m_transfer != Transfer::File || m_transferPath.isEmpty())
        return;
    const qint64 quiet = m_growthClock.isValid() ? m_growthClock.elapsed() : m_t.stallMs;
    if (quiet < m_t.stallMs) {
        m_stallTimer.start(int(m_t.stallMs - quiet));
        return;
    }
    const QString path = m_transferPath;
    sendAbort();
    endTransfer();
    setDownloadingPath(QString());
    setStatus(pick("Download stalled, retrying: %1", "下载停滞，正在重试: %1").arg(nameOf(path)));
    fileFailed(path);
}

void MediaAlbumBridge::onFileAck(quint16 code)
{
    if (m_transferPath.isEmpty())
        return; // the pause between two files of a batch
    if (code <= 1) {
        windowAdvance();
        return;
    }
    if (m_lastReceived < 1 && m_windowStart == 0) {
        const QString path = m_transferPath;
        endTransfer();
        setDownloadingPath(QString());
        fileFailed(path);
        return;
    }
    const quint64 serial = m_transferSerial;
    later(m_t.refusedWindowRetryMs, [this, serial] {
        if (serial == m_transferSerial && m_transfer == Transfer::File && !m_requestOutstanding &&
            !fileComplete())
            requestWindow(m_receiver->nextSequence());
    });
}

void MediaAlbumBridge::startNextFile()
{
    if (m_transfer == Transfer::Thumbnail)
        cancelThumbnail();
    if (m_transfer != Transfer::None || m_downloadQueue.isEmpty() || !m_controller)
        return;
    const QString path = m_downloadQueue.takeFirst();
    m_fileType = MediaListParser::isVideoPath(path) ? VideoFile : PhotoFile;
    announceClientEndpoint();
    if (m_downloadRetries > 0)
        sendAbort();

    m_receiver->reset();
    resetArrivals();
    m_fileDone = false;
    ++m_transferSerial;
    m_transfer = Transfer::File;
    m_packetSize = packetSizeForFile();
    m_windowStart = 0;
    m_windowCount = 0;
    m_requestOutstanding = false;
    setDownloadProgress(0);
    m_transferPath = path;
    setDownloadingPath(path);
    setDownloading(true);
    setStatus(downloadStatusText());

    afterSettle([this, path] {
        m_receiver->reset();
        m_receiver->expectFile(m_folder->ensure(), LocalFileNames::safeName(path), m_maxFileBytes,
                               m_listing.listedSize(path));
        m_receiver->setPacketSize(m_packetSize);
        m_growthClock.start();
        requestWindow(0);
        m_stallTimer.start(m_t.stallMs);
    });
}

void MediaAlbumBridge::fileFailed(const QString &path)
{
    ++m_downloadRetries;
    if (m_downloadRetries < MaxRetries) {
        m_downloadQueue.prepend(path);
        setDownloadingPath(path);
        setDownloading(true);
        later(m_t.pumpDelayMs, [this] {
            if (m_open && m_downloading)
                pump();
        });
        return;
    }
    fileGivenUp(path, QString());
}

void MediaAlbumBridge::fileGivenUp(const QString &path, const QString &reason)
{
    m_downloadRetries = 0;
    ++m_batchFailed;
    emitBatch();
    setDownloadProgress(0);
    if (m_transfer == Transfer::File)
        endTransfer();
    setDownloadingPath(QString());
    if (reason.isEmpty()) {
        setStatus(pick("Download failed: %1", "下载失败: %1").arg(nameOf(path)));
        emit downloadFailed(path, QStringLiteral("retries exhausted"));
    } else {
        setStatus(pick("Download failed: %1 (%2)", "下载失败: %1 (%2)").arg(nameOf(path), reason));
        emit downloadFailed(path, reason);
    }
    batchContinue();
}

void MediaAlbumBridge::batchContinue()
{
    if (!m_downloadQueue.isEmpty()) {
        sendAbort();
        m_receiver->reset();
        ++m_transferSerial;
        m_transfer = Transfer::File; // a placeholder, so nothing else starts in between
        m_transferPath.clear();
        m_rerequestTimer.stop();
        m_stallTimer.stop();
        setDownloadingPath(QString());
        later(m_t.pumpDelayMs, [this] {
            if (!m_open || !m_downloading)
                return;
            endTransfer();
            startNextFile();
        });
        return;
    }
    setDownloading(false);
    if (m_batchTotal > 0) {
        if (m_batchFailed > 0)
            setStatus(pick("Batch download finished: %1 succeeded, %2 failed",
                           "批量下载完成：成功 %1，失败 %2")
                          .arg(m_batchSucceeded)
                          .arg(m_batchFailed));
        else if (m_batchTotal == 1)
            setStatus(
                pick("Saved %1 file(s) locally", "已保存 %1 个文件到本地").arg(m_batchSucceeded));
        else
            setStatus(pick("Batch download finished: %1 file(s)", "批量下载完成，共 %1 个文件")
                          .arg(m_batchSucceeded));
        emit batchDownloadFinished(m_batchSucceeded, m_batchFailed);
        m_batchTotal = m_batchSucceeded = m_batchFailed = 0;
        emitBatch();
    }
    pump();
}

QString MediaAlbumBridge::downloadStatusText() const
{
    if (m_batchTotal < 2)
        return m_downloadingPath.isEmpty()
                   ? m_status
                   : pick("Downloading: %1", "正在下载: %1").arg(nameOf(m_downloadingPath));
    return pick("Batch download %1/%2: %3", "批量下载 %1/%2: %3")
        .arg(qMin(m_batchTotal, batchCompleted() + 1))
        .arg(m_batchTotal)
        .arg(nameOf(m_downloadingPath));
}

void MediaAlbumBridge::downloadFile(const QString &path)
{
    downloadFiles({path});
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
    if (!m_controller || paths.isEmpty() || m_deleting || !m_open)
        return;
    QStringList unique;
    for (const QVariant &value : paths) {
        const QString path = value.toString();
        if (!path.isEmpty() && !unique.contains(path))
            unique.append(path);
    }
    if (unique.isEmpty())
        return;
    m_folder->ensure();
    announceClientEndpoint();
    cancelThumbnail();

    if (m_downloading) {
        for (const QString &path : qAsConst(unique))
            if (!m_downloadQueue.contains(path) && path != m_transferPath)
                m_downloadQueue.append(path);
        const int inFlight = m_transfer == Transfer::File && !m_transferPath.isEmpty() ? 1 : 0;
        m_batchTotal = m_batchSucceeded + m_batchFailed + m_downloadQueue.size() + inFlight;
        emitBatch();
        setStatus(downloadStatusText());
        return;
    }
    m_downloadQueue = unique;
    m_batchSucceeded = m_batchFailed = 0;
    m_downloadRetries = 0;
    m_batchTotal = m_downloadQueue.size();
    emitBatch();
    setDownloading(true);
    startNextFile();
    if (m_transfer != Transfer::File)
        later(0, [this] {
            if (m_open && m_downloading)
                pump();
        });
}

void MediaAlbumBridge::cancelDownload()
{
    m_stallTimer.stop();
    setDownloadProgress(0);
    if (!m_controller || (!m_downloading && m_downloadQueue.isEmpty()))
        return;
    const bool fileInFlight = m_transfer == Transfer::File;
    if (fileInFlight) {
        sendAbort();
        endTransfer(); // also resets the receiver, which removes the partial file
    }
    m_downloadQueue.clear();
    setDownloading(false);
    if (m_batchTotal < 1)
        setStatus(pick("Download cancelled", "下载已取消"));
    else
        setStatus(pick("Batch download cancelled (%1/%2 done)", "批量下载已取消（已完成 %1/%2）")
                      .arg(batchCompleted())
                      .arg(m_batchTotal));
    m_batchTotal = m_batchSucceeded = m_batchFailed = 0;
    emitBatch();
    if (!fileInFlight)
        pump();
}

void MediaAlbumBridge::onFileDownloaded(const QByteArray &data)
{
    if (m_transfer == Transfer::List && m_listPending) {
        m_listTimer.stop();
        m_listPending = false;
        m_listing.setItems(MediaListParser::parse(data));
        listChanged(true);
        setLoading(false);
        endTransfer();
        pump();
        updateSummary();
    } else if (m_transfer == Transfer::Thumbnail) {
        const QString path = m_transferPath;
        m_thumbTimer.stop();
        m_thumbRetries = 0;
        endTransfer();
        if (!path.isEmpty() && !data.isEmpty()) {
            m_thumbCache.insert(path, QStringLiteral("data:image/jpeg;base64,") +
                                          QString::fromLatin1(data.toBase64()));
            emit thumbnailReady(path);
        }
        later(m_t.pumpDelayMs, [this] {
            if (m_open)
                pump();
        });
    }
}

void MediaAlbumBridge::onFileWritten()
{
    const QString partialPath = m_receiver->takeWrittenFile();
    if (partialPath.isEmpty())
        return;
    const QString remote = m_transferPath;
    const QString local = m_folder->save(partialPath, remote);
    if (local.isEmpty()) {
        QFile::remove(partialPath);
        endTransfer();
        setDownloadingPath(QString());
        fileFailed(remote);
        return;
    }
    ++m_batchSucceeded;
    m_downloadRetries = 0;
    setDownloadProgress(0);
    endTransfer();
    setDownloadingPath(QString());
    m_lastSavedPath = local;
    emit lastSavedPathChanged();
    emitBatch();
    emit downloadCompleted(remote, local);
    batchContinue();
}

void MediaAlbumBridge::onReceiverError(const QString &message)
{
    m_receiver->reset();
    m_listTimer.stop();
    m_listPending = false;
    setLoading(false);
    if (m_transfer == Transfer::Thumbnail) {
        m_thumbTimer.stop();
        thumbnailFailed();
    } else if (m_transfer == Transfer::File && !m_transferPath.isEmpty()) {
        const QString path = m_transferPath;
        endTransfer();
        setDownloadingPath(QString());
        fileFailed(path);
    } else {
        setStatus(message);
    }
}

void MediaAlbumBridge::onTransferRefused(MediaDownloadReceiver::RefusalReason reason, qint64 size)
{
    const QString text = MediaDownloadReceiver::refusalText(reason, size);
    switch (m_transfer) {
    case Transfer::File:
        if (!m_transferPath.isEmpty()) {
            // Asking again cannot help: the size or the disk stays the same.
            const QString path = m_transferPath;
            sendAbort();
            endTransfer();
            fileGivenUp(path, text);
        }
        break;
    case Transfer::Thumbnail:
        sendAbort();
        thumbnailFailed();
        break;
    case Transfer::List:
        sendAbort();
        endList(pick("Media list not received: %1", "未收到媒体列表: %1").arg(text));
        break;
    case Transfer::None:
        break;
    }
}

void MediaAlbumBridge::updateAllowedSenders()
{
    QList<QHostAddress> senders;
    const QHostAddress host = addressOf(m_deviceHost);
    if (!host.isNull())
        senders.append(host);
    senders.append(controlPeer());
    m_receiver->setAllowedSenders(senders);
    m_playback->setAllowedSenders(senders);
}

void MediaAlbumBridge::announceClientEndpoint()
{
    if (!m_controller || !m_sendClientEndpoint)
        return;
    updateAllowedSenders();
    const QString address = LocalAddressFinder::addressToward(cameraHost(), m_t.addressProbeMs);
    if (address.isEmpty())
        return;
    const int playbackPort = m_playback->isBound() ? m_playback->port() : m_t.playbackPort;
    const int downloadPort = m_receiver->isBound() ? m_receiver->port() : m_t.downloadPort;
    if (playbackPort > 0)
        m_controller->playbackClientSet(0, address, ushort(playbackPort));
    if (downloadPort > 0)
        m_controller->playbackClientSet(1, address, ushort(downloadPort));
}

QString MediaAlbumBridge::downloadDirectory() const
{
    return m_folder->path();
}

void MediaAlbumBridge::setDownloadDirectory(const QString &dir)
{
    m_folder->set(dir);
}

QString MediaAlbumBridge::pickDownloadDirectory()
{
    return m_folder->pick();
}

void MediaAlbumBridge::openDownloadDirectory()
{
    m_folder->open();
}

// ---------------------------------------------------------------------------
// playback

PlaybackVideoReceiver *MediaAlbumBridge::playbackReceiver() const
{
    return m_playback->receiver();
}

PlaybackVideoDecoder *MediaAlbumBridge::playbackDecoder() const
{
    return m_playback->decoder();
}

QString MediaAlbumBridge::playingPath() const
{
    return m_playback->playingPath();
}

int MediaAlbumBridge::playbackTotalMs() const
{
    return m_playback->totalMs();
}

int MediaAlbumBridge::playbackPositionMs() const
{
    return m_playback->positionMs();
}

bool MediaAlbumBridge::playbackPaused() const
{
    return m_playback->paused();
}

bool MediaAlbumBridge::playbackHasFrame() const
{
    return m_playback->hasFrame();
}

QString MediaAlbumBridge::playbackError() const
{
    return m_playback->error();
}

void MediaAlbumBridge::setPlaybackVideoTarget(QObject *target)
{
    m_playback->setTarget(target);
}

void MediaAlbumBridge::playVideo(const QString &path)
{
    if (!m_controller || path.isEmpty())
        return;
    if (!m_playback->playingPath().isEmpty())
        stopVideo();
    cancelThumbnail();
    if (!m_playback->bind(quint16(m_t.playbackPort))) {
        setStatus(
            pick("Cannot bind playback port %1", "无法绑定回放端口 %1").arg(m_t.playbackPort));
        return;
    }
    // Announced after binding, so the camera learns the port actually bound.
    announceClientEndpoint();
    updateAllowedSenders();
    m_playback->start(path);
    setStatus(pick("Playing: %1", "正在回放: %1").arg(nameOf(path)));
}

void MediaAlbumBridge::stopVideo()
{
    m_playback->stop();
}

void MediaAlbumBridge::pauseOrResumeVideo()
{
    m_playback->pauseOrResume();
}

void MediaAlbumBridge::seekVideo(int positionMs)
{
    m_playback->seek(positionMs);
}
