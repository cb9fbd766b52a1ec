#pragma once

#include "album/AlbumTimings.h"
#include "album/MediaDownloadReceiver.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// The one transfer over the media channel at a time: the media list, a
// thumbnail or a file, asked for in windows of packets. Lost packets are asked
// for again: at once when the data has moved past a gap, after a silence
// longer than the camera's usual pace otherwise; a file that makes no progress
// for a long time stalls and is abandoned. Requests for the camera go out as
// `requested`, outcomes come back as signals; what the album makes of them is
// the album's business.
class MediaTransfer : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxWindowPackets = 255;
    static constexpr int ListPacketSize = 64000;
    static constexpr int ThumbnailPacketSize = 40960;
    static constexpr int ThumbnailPackets = 16;
    // In-memory transfers larger than these are refused.
    static constexpr qint64 MaxListBytes = 16 * 1024 * 1024;
    static constexpr qint64 MaxThumbnailBytes = 4 * 1024 * 1024;

    // Pause: after an abort between two files, so that nothing else starts
    // meanwhile; it lasts until ended.
    enum class Kind { None, List, Thumbnail, File, Pause };
    enum FileType { ListFile = 1, ThumbnailFile = 2, PhotoFile = 4, VideoFile = 5, Abort = 7 };

    // Where a file goes and how it is asked for.
    struct FileTarget {
        int fileType = PhotoFile;
        int packetSize = 0;
        QString folder;
        QString name;
        qint64 maxBytes = 0;
        qint64 listedSize = 0; // 0 = not listed
    };

    explicit MediaTransfer(const AlbumTimings &timings, QObject *parent = nullptr);

    MediaDownloadReceiver *receiver() const { return m_receiver; }
    Kind kind() const { return m_kind; }
    bool idle() const { return m_kind == Kind::None; }
    // The device path of the thumbnail or file in flight.
    QString path() const { return m_path; }
    // Changes whenever a transfer begins or ends.
    quint64 serial() const { return m_serial; }

    void beginList();
    void beginThumbnail(const QString &path);
    void beginFile(const QString &path, const FileTarget &target);
    void pause();
    // Ends whatever is in flight; the camera is told to stop when it was
    // asked for something more than once (a second copy may be on its way).
    void end();
    // Tells the camera to stop sending.
    void abort();
    // The camera's answer to a request.
    void onAnswer(quint16 code);
    // The finished file of the last fileWritten, now the caller's.
    QString takeWrittenFile() { return m_receiver->takeWrittenFile(); }

    // Window requests for files since construction, and re-requests because
    // the data moved past a gap or because nothing arrived for a while.
    int fileRequests() const { return m_fileRequests; }
    int gapRerequests() const { return m_gapRerequests; }
    int quietRerequests() const { return m_quietRerequests; }

signals:
    // For the camera: `count` packets of `packetSize` bytes from `startSeq` on
    // (fileType Abort: stop sending).
    void requested(const QString &path, int fileType, int packetSize, quint32 startSeq, int count);
    // The outcomes below come once the datagram loop has returned, and only
    // while their transfer is in flight: the list or a thumbnail, whole;
    void completed(const QByteArray &data);
    // a file, finished (takeWrittenFile);
    void fileWritten();
    // a transfer that cannot succeed (the camera was told to stop).
    void refused(MediaDownloadReceiver::RefusalReason reason, qint64 size);
    // The camera refused the first window before anything arrived.
    void firstWindowRefused(quint16 code);
    void fileProgress(qint64 received, qint64 total);
    // A file without progress for too long, abandoned.
    void stalled(const QString &path);
    // The receiver failed (its socket); the receiver was reset.
    void errorOccurred(const QString &message);

private:
    void afterSettle(const std::function<void()> &begin);
    void beginInMemory(Kind kind, const QString &path);
    void requestWindow(quint32 startSeq, int maxCount = MaxWindowPackets);
    void sendWindow(quint32 startSeq, int count);
    void rerequest();
    void windowAdvance();
    bool fileComplete() const;
    bool fileInFlight() const { return m_kind == Kind::File && !m_path.isEmpty(); }
    // Runs `handle` once the current event is dealt with, unless the
    // transfer in flight has ended by then.
    void forThisTransfer(const std::function<void()> &handle);
    void onProgress(qint64 received, qint64 total);
    void onPacketAhead(quint32 sequence);
    void onRefused(MediaDownloadReceiver::RefusalReason reason, qint64 size);
    void onStallCheck();
    void onRerequestCheck();
    void resetArrivals();
    void noteArrival();
    void noteResponse();
    int quietLimit() const;

    const AlbumTimings m_t;
    MediaDownloadReceiver *m_receiver = nullptr;
    QTimer m_stallTimer;
    QTimer m_rerequestTimer;

    Kind m_kind = Kind::None;
    QString m_path;
    int m_fileType = PhotoFile;
    int m_packetSize = 0;
    quint32 m_windowStart = 0;
    int m_windowCount = 0;
    bool m_requestOutstanding = false;
    bool m_rerequested = false; // the transfer in flight was asked for again
    bool m_fileDone = false;
    qint64 m_listedSize = 0;
    qint64 m_lastReceived = 0;
    quint64 m_serial = 0;

    QElapsedTimer m_activityClock; // since the transfer last grew or was asked for
    QElapsedTimer m_growthClock;   // since the file last grew
    QElapsedTimer m_abortClock;    // since the last abort
    QElapsedTimer m_arrivalClock;  // since the last packet
    QElapsedTimer m_requestClock;  // since the last request (until it was answered)
    double m_arrivalMs = -1;       // usual spacing of packets (-1: not known yet)
    double m_responseMs = -1;      // how long the camera takes to answer a request
    int m_quietBackoff = 0;        // silent re-requests since the transfer last grew

    static constexpr quint32 NoGap = 0xFFFFFFFFu;
    quint32 m_gapNext = NoGap; // the first missing packet being watched
    int m_aheadOfGap = 0;      // packets seen beyond it
    bool m_gapAsked = false;

    int m_fileRequests = 0;
    int m_gapRerequests = 0;
    int m_quietRerequests = 0;
};
