#include "album/MediaTransfer.h"

#include <cmath>

MediaTransfer::MediaTransfer(const AlbumTimings &timings, QObject *parent)
    : QObject(parent), m_t(timings), m_receiver(new MediaDownloadReceiver(this))
{
    m_stallTimer.setSingleShot(true);
    m_rerequestTimer.setSingleShot(true);
    connect(&m_stallTimer, &QTimer::timeout, this, &MediaTransfer::onStallCheck);
    connect(&m_rerequestTimer, &QTimer::timeout, this, &MediaTransfer::onRerequestCheck);

    // A transfer abandoned before its outcome is handled has reset the
    // receiver (which removes a file written for it): the outcome is dropped.
    connect(m_receiver, &MediaDownloadReceiver::fileCompleted, this,
            [this](const QByteArray &data) {
                forThisTransfer([this, data] { emit completed(data); });
            });
    connect(m_receiver, &MediaDownloadReceiver::fileWritten, this,
            [this] { forThisTransfer([this] { emit fileWritten(); }); });
    connect(m_receiver, &MediaDownloadReceiver::transferRefused, this,
            [this](MediaDownloadReceiver::RefusalReason reason, qint64 size) {
                forThisTransfer([this, reason, size] { onRefused(reason, size); });
            });
    connect(m_receiver, &MediaDownloadReceiver::progressChanged, this, &MediaTransfer::onProgress);
    connect(m_receiver, &MediaDownloadReceiver::packetAhead, this, &MediaTransfer::onPacketAhead);
    connect(m_receiver, &MediaDownloadReceiver::errorOccurred, this,
            [this](const QString &message) {
                m_receiver->reset();
                emit errorOccurred(message);
            });
}

void MediaTransfer::forThisTransfer(const std::function<void()> &handle)
{
    const quint64 serial = m_serial;
    QMetaObject::invokeMethod(
        this,
        [this, serial, handle] {
            if (serial == m_serial)
                handle();
        },
        Qt::QueuedConnection);
}

void MediaTransfer::afterSettle(const std::function<void()> &begin)
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
    const quint64 serial = m_serial;
    QTimer::singleShot(int(left), this, [this, serial, begin] {
        if (serial == m_serial)
            begin();
    });
}

void MediaTransfer::beginList()
{
    beginInMemory(Kind::List, QString());
}

void MediaTransfer::beginThumbnail(const QString &path)
{
    beginInMemory(Kind::Thumbnail, path);
}

void MediaTransfer::beginInMemory(Kind kind, const QString &path)
{
    const bool list = kind == Kind::List;
    ++m_serial;
    m_kind = kind;
    m_path = path;
    m_fileType = list ? ListFile : ThumbnailFile;
    m_packetSize = list ? ListPacketSize : ThumbnailPacketSize;
    afterSettle([this, list] {
        m_receiver->reset();
        m_receiver->expectInMemory(list ? MaxListBytes : MaxThumbnailBytes);
        m_receiver->setPacketSize(m_packetSize);
        resetArrivals();
        sendWindow(0, list ? MaxWindowPackets : ThumbnailPackets);
    });
}

void MediaTransfer::beginFile(const QString &path, const FileTarget &target)
{
    m_receiver->reset();
    resetArrivals();
    m_fileDone = false;
    ++m_serial;
    m_kind = Kind::File;
    m_path = path;
    m_fileType = target.fileType;
    m_packetSize = target.packetSize;
    m_listedSize = target.listedSize;
    m_windowStart = 0;
    m_windowCount = 0;
    m_requestOutstanding = false;
    afterSettle([this, target] {
        m_receiver->reset();
        m_receiver->expectFile(target.folder, target.name, target.maxBytes, target.listedSize);
        m_receiver->setPacketSize(m_packetSize);
        m_growthClock.start();
        requestWindow(0);
        m_stallTimer.start(m_t.stallMs);
    });
}

void MediaTransfer::pause()
{
    abort();
    m_receiver->reset();
    ++m_serial;
    m_kind = Kind::Pause;
    m_path.clear();
    m_rerequestTimer.stop();
    m_stallTimer.stop();
}

void MediaTransfer::end()
{
    // A transfer asked for more than once may still be on its way in a
    // second copy: the camera is told to stop, and the next transfer waits
    // until what it had sent has arrived (and been dropped).
    if (m_rerequested && m_kind != Kind::None)
        abort();
    m_rerequested = false;
    ++m_serial;
    m_kind = Kind::None;
    m_path.clear();
    m_windowCount = 0;
    m_requestOutstanding = false;
    m_rerequestTimer.stop();
    m_stallTimer.stop();
    m_receiver->reset();
}

void MediaTransfer::abort()
{
    emit requested(QString(), Abort, 0, 0, 0);
    m_abortClock.start();
}

void MediaTransfer::onAnswer(quint16 code)
{
    m_requestOutstanding = false;
    switch (m_kind) {
    case Kind::List:
        if (code >= 2 && m_windowStart == 0)
            emit firstWindowRefused(code);
        break;
    case Kind::Thumbnail:
        // A thumbnail the camera does not confirm outright is not coming.
        if (code != 0 && m_windowStart == 0)
            emit firstWindowRefused(code);
        break;
    case Kind::File: {
        if (code <= 1) {
            windowAdvance();
            break;
        }
        if (m_lastReceived < 1 && m_windowStart == 0) {
            emit firstWindowRefused(code);
            break;
        }
        // A later window refused: asked for again shortly from where the data stopped.
        const quint64 serial = m_serial;
        QTimer::singleShot(m_t.refusedWindowRetryMs, this, [this, serial] {
            if (serial == m_serial && fileInFlight() && !m_requestOutstanding && !fileComplete())
                requestWindow(m_receiver->nextSequence());
        });
        break;
    }
    case Kind::None:
    case Kind::Pause:
        break;
    }
}

void MediaTransfer::requestWindow(quint32 startSeq, int maxCount)
{
    if (!fileInFlight())
        return;
    qint64 total = m_receiver->totalSize();
    if (total <= 0)
        total = m_listedSize;
    int count = MaxWindowPackets;
    // The camera counts packets of its own size once it has shown it.
    const int step =
        m_receiver->cameraPacketSize() > 0 ? m_receiver->cameraPacketSize() : m_packetSize;
    if (total > 0 && step > 0) {
        const qint64 packets = (total + step - 1) / step;
        if (qint64(startSeq) >= packets)
            return;
        count = int(qMin<qint64>(qMax<qint64>(packets - startSeq, 1), MaxWindowPackets));
    }
    m_requestOutstanding = true;
    ++m_fileRequests;
    m_receiver->noteRequest();
    sendWindow(startSeq, qMin(count, maxCount));
}

void MediaTransfer::sendWindow(quint32 startSeq, int count)
{
    m_windowStart = startSeq;
    m_windowCount = count;
    emit requested(m_path, m_fileType, m_packetSize, startSeq, count);
    m_requestClock.start();
    m_activityClock.start();
    m_rerequestTimer.start(quietLimit());
}

bool MediaTransfer::fileComplete() const
{
    if (m_fileDone)
        return true;
    const qint64 total = m_receiver->totalSize();
    return total > 0 && m_receiver->assembledBytes() >= total;
}

void MediaTransfer::windowAdvance()
{
    const bool inMemory = m_kind == Kind::List || m_kind == Kind::Thumbnail;
    if (!(fileInFlight() || inMemory) || m_requestOutstanding || m_windowCount == 0)
        return;
    const quint32 next = m_receiver->nextSequence();
    // Packets held beyond a gap that was just filled are being appended one
    // by one: the next window begins after the last of them, not at a
    // packet already here.
    if (m_receiver->heldCount() > 0 && m_receiver->firstHeld() == next)
        return;
    if (qint64(next) < qint64(m_windowStart) + m_windowCount)
        return;
    if (inMemory) {
        // A camera whose packets are smaller than asked for needs more
        // windows than the list or a thumbnail usually takes.
        const qint64 total = m_receiver->totalSize();
        if (m_receiver->active() && (total <= 0 || m_receiver->assembledBytes() < total))
            sendWindow(next, m_windowCount);
    } else if (!fileComplete()) {
        requestWindow(next);
    }
}

void MediaTransfer::rerequest()
{
    m_rerequested = true;
    const quint32 next = m_receiver->nextSequence();
    if (m_kind == Kind::File) {
        if (fileComplete())
            return;
        // Only the missing packets: those held beyond them are not sent
        // again, and once the gap is filled the next window follows at once.
        if (m_receiver->heldCount() > 0)
            requestWindow(next, int(qBound<qint64>(1, qint64(m_receiver->firstHeld()) - next,
                                                   MaxWindowPackets)));
        else
            requestWindow(next);
    } else {
        // The list and thumbnails: the same window, from where the data stopped.
        sendWindow(next, m_windowCount);
    }
}

void MediaTransfer::onRerequestCheck()
{
    if (m_kind == Kind::None || m_kind == Kind::Pause)
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

void MediaTransfer::onPacketAhead(quint32 sequence)
{
    if (m_kind == Kind::None || m_kind == Kind::Pause)
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

void MediaTransfer::onProgress(qint64 received, qint64 total)
{
    if (m_kind == Kind::None || m_kind == Kind::Pause)
        return;
    if (received > m_lastReceived) {
        noteResponse();
        m_quietBackoff = 0;
        noteArrival();
        m_lastReceived = received;
        m_activityClock.start();
        m_growthClock.start();
    }
    if (!fileInFlight()) {
        windowAdvance();
        return;
    }
    if (total > 0 && received >= total)
        m_fileDone = true;
    emit fileProgress(received, total);
    windowAdvance();
}

void MediaTransfer::onRefused(MediaDownloadReceiver::RefusalReason reason, qint64 size)
{
    if (m_kind == Kind::None || m_kind == Kind::Pause)
        return;
    // Asking again cannot help: the size or the disk stays the same.
    abort();
    emit refused(reason, size);
}

void MediaTransfer::onStallCheck()
{
    if (!fileInFlight())
        return;
    const qint64 quiet = m_growthClock.isValid() ? m_growthClock.elapsed() : m_t.stallMs;
    if (quiet < m_t.stallMs) {
        m_stallTimer.start(int(m_t.stallMs - quiet));
        return;
    }
    const QString path = m_path;
    abort();
    end();
    emit stalled(path);
}

void MediaTransfer::resetArrivals()
{
    m_lastReceived = 0;
    m_arrivalMs = -1;
    m_responseMs = -1;
    m_quietBackoff = 0;
    m_arrivalClock.invalidate();
    m_requestClock.invalidate();
    m_gapNext = NoGap;
}

void MediaTransfer::noteArrival()
{
    if (m_arrivalClock.isValid()) {
        const double gap = m_arrivalClock.nsecsElapsed() / 1e6;
        m_arrivalMs = m_arrivalMs < 0 ? gap : 0.9 * m_arrivalMs + 0.1 * gap;
    }
    m_arrivalClock.start();
}

int MediaTransfer::quietLimit() const
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

void MediaTransfer::noteResponse()
{
    // The first packet appended after a request: how long the camera took
    // to answer it (quick to rise, slow to fall).
    if (!m_requestClock.isValid())
        return;
    const double ms = m_requestClock.nsecsElapsed() / 1e6;
    m_requestClock.invalidate();
    m_responseMs = m_responseMs < 0 || ms > m_responseMs ? ms : 0.9 * m_responseMs + 0.1 * ms;
}
