#pragma once

#include "album/CameraDatagramSocket.h"
#include "link/BilingualText.h"

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QObject>
#include <QString>

// Receives the media list, thumbnails and files the camera sends over the
// media channel: long frames carrying one start packet (type 1, the file's
// size) and numbered data packets (type 2). Data is put together in order;
// packets that arrive ahead of their turn are held (at most 64).
//
// A camera may send packets of its own size rather than the size asked for,
// and may pad a file's last packet beyond the file's end. The first packet of
// a file tells the camera's size; every later packet must agree with it
// (only the last may be shorter, or padded, and what lies beyond the file is
// cut off). A packet that contradicts the transfer (another size, a place
// beyond the file's end) is dropped and asked for again like a lost one.
//
// Small transfers (list, thumbnail) are kept in memory and handed over whole
// with fileCompleted. Files go to a partial file in the download folder as
// they arrive in order, so memory stays bounded by the held packets whatever
// the file size; fileWritten announces the finished partial file, which stays
// the receiver's (and is removed with a reset) until taken. A start
// packet that cannot be honoured (no size, more than the limit, not enough
// free disk space) or a failed write ends the transfer with transferRefused,
// and a refused or reset file leaves no partial file behind.
//
// Only datagrams from the camera's address are taken; others are counted and
// dropped.
class MediaDownloadReceiver : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxHeldPackets = 64;
    static constexpr int StreamBufferLimit = 262144;
    // Room left on the disk beyond the file itself.
    static constexpr qint64 DefaultDiskReserve = 16 * 1024 * 1024;

    enum class RefusalReason { UnknownSize, TooLarge, NoDiskSpace, WriteFailed };
    Q_ENUM(RefusalReason)

    explicit MediaDownloadReceiver(QObject *parent = nullptr);
    ~MediaDownloadReceiver() override;

    bool bind(quint16 port);
    void close();
    void reset();
    bool isBound() const;
    quint16 port() const { return m_socket.port(); }

    // Senders whose datagrams are taken; an empty list takes any sender.
    void setAllowedSenders(const QList<QHostAddress> &senders)
    {
        m_socket.setAllowedSenders(senders);
    }
    quint64 rejectedDatagrams() const { return m_socket.rejectedDatagrams(); }

    // What the next transfer is for. The expectation lasts until reset.
    void expectInMemory(qint64 maxBytes);
    // expectedSize: the size the media list gives (0 = not known); it also
    // completes the size of a file too large for the start packet's 32-bit
    // field. A start packet announcing another size is taken only once it is
    // announced again after a later request: a lone one is left over from an
    // aborted transfer.
    void expectFile(const QString &folder, const QString &name, qint64 maxBytes,
                    qint64 expectedSize = 0);
    // A request for the expected transfer was just sent.
    void noteRequest() { ++m_requestsSinceOddStart; }
    // Data bytes per packet that were asked for. The camera's own size counts
    // once its first packet is here; until then a frame cut short on the way
    // is taken only when it carries this many. 0 = not known.
    void setPacketSize(int bytes) { m_packetSize = bytes; }
    // Data bytes per packet the camera uses for the transfer under way (from
    // its first packet); 0 until known.
    int cameraPacketSize() const { return m_cameraPacketSize; }
    // Free disk space a file must leave behind.
    void setDiskReserve(qint64 bytes) { m_diskReserve = bytes; }

    // One datagram as it came off the socket.
    void handleDatagram(const QByteArray &datagram);

    bool active() const { return m_active; }
    qint64 totalSize() const { return m_total; }
    quint16 startField() const { return m_startField; }
    quint32 nextSequence() const { return m_nextSequence; }
    qint64 assembledBytes() const { return m_assembled; }
    int heldCount() const { return m_held.size(); }
    // The lowest sequence number held (0 when none is).
    quint32 firstHeld() const { return m_held.isEmpty() ? 0 : m_held.firstKey(); }
    // Largest memory held at once for out-of-order packets, since construction.
    qint64 peakHeldBytes() const { return m_peakHeldBytes; }
    quint64 duplicatePackets() const { return m_duplicates; }
    quint64 inconsistentPackets() const { return m_inconsistent; }

    // The file of the last fileWritten, now the caller's to keep or remove;
    // empty when there is none.
    QString takeWrittenFile();

    static BilingualText refusalText(RefusalReason reason, qint64 size);

signals:
    void fileCompleted(QByteArray data);
    void fileWritten(QString partialPath, qint64 size);
    void progressChanged(qint64 receivedBytes, qint64 totalBytes);
    void errorOccurred(QString message);
    void transferRefused(MediaDownloadReceiver::RefusalReason reason, qint64 size);
    // A packet arrived ahead of a gap (held, repeated or, with the hold
    // full, dropped): the data has moved past the gap.
    void packetAhead(quint32 sequence);

public slots:
    void onReadyRead();

private:
    enum class Sink { None, Memory, File };

    void handleFrameBytes(const char *data, int size);
    void handlePayload(const char *payload, int size, bool cut);
    void handleStart(const char *payload, int size);
    qint64 announcedSize(quint32 field) const;
    void handleData(quint32 sequence, const char *data, int size, bool cut);
    // How many of a packet's bytes belong to the file; -1 when the packet
    // contradicts the transfer. A packet ahead of its turn is judged only
    // once the camera's packet size is known.
    int usableBytes(quint32 sequence, int size, bool cut) const;
    bool append(const char *data, int size);
    void testCompletion();
    void refuse(RefusalReason reason, qint64 size);
    void clearAssembly();
    void discardPartial();

    CameraDatagramSocket m_socket;

    QByteArray m_streamBuffer;

    Sink m_sink = Sink::None;
    qint64 m_maxBytes = 0;
    QString m_folder;
    QString m_name;
    QByteArray m_memory;
    QFile m_file;
    int m_packetSize = 0;
    int m_cameraPacketSize = 0;
    qint64 m_expectedSize = 0;
    qint64 m_oddStartTotal = -1;
    int m_requestsSinceOddStart = 0;
    qint64 m_diskReserve = DefaultDiskReserve;

    bool m_active = false;
    bool m_refused = false;
    qint64 m_total = 0;
    quint16 m_startField = 0;
    quint32 m_nextSequence = 0;
    qint64 m_assembled = 0;
    struct HeldPacket {
        QByteArray data;
        bool cut = false;
    };
    QMap<quint32, HeldPacket> m_held;
    qint64 m_heldBytes = 0;
    qint64 m_peakHeldBytes = 0;
    quint64 m_duplicates = 0;
    quint64 m_inconsistent = 0;
};
