#include "album/MediaDownloadReceiver.h"

#include "album/AlbumText.h"
#include "album/LocalFileNames.h"
#include "link/FrameCodec.h"

#include <QDir>
#include <QStorageInfo>

namespace
{

constexpr quint8 StartByte = 0xFD;
constexpr int HeaderSize = 11; // start byte, length, flags, sequence, ids, message id
constexpr quint8 StartPacket = 1;
constexpr quint8 DataPacket = 2;
constexpr int StartPacketSize = 7;
constexpr int DataHeaderSize = 5;

quint32 readU32(const char *p)
{
    const auto *u = reinterpret_cast<const uchar *>(p);
    return quint32(u[0]) | (quint32(u[1]) << 8) | (quint32(u[2]) << 16) | (quint32(u[3]) << 24);
}

quint16 readU16(const char *p)
{
    const auto *u = reinterpret_cast<const uchar *>(p);
    return quint16(u[0] | (u[1] << 8));
}

} // namespace

MediaDownloadReceiver::MediaDownloadReceiver(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<MediaDownloadReceiver::RefusalReason>();
}

MediaDownloadReceiver::~MediaDownloadReceiver()
{
    discardPartial();
}

bool MediaDownloadReceiver::bind(quint16 port)
{
    close();
    // A camera sends a window of packets back to back; a deep queue keeps a
    // burst from overflowing while a packet is being written.
    const QString error = m_socket.bind(port, 8 * 1024 * 1024, this, [this] { onReadyRead(); });
    if (!error.isEmpty()) {
        emit errorOccurred(error);
        return false;
    }
    reset();
    return true;
}

void MediaDownloadReceiver::close()
{
    m_socket.close();
    reset();
}

bool MediaDownloadReceiver::isBound() const
{
    return m_socket.isBound();
}

void MediaDownloadReceiver::reset()
{
    clearAssembly();
    discardPartial();
    m_sink = Sink::None;
    m_packetSize = 0;
    m_refused = false;
    m_streamBuffer.clear();
    m_socket.discardPending();
    emit progressChanged(0, 0);
}

void MediaDownloadReceiver::expectInMemory(qint64 maxBytes)
{
    discardPartial();
    m_sink = Sink::Memory;
    m_maxBytes = maxBytes;
    m_expectedSize = 0;
}

void MediaDownloadReceiver::expectFile(const QString &folder, const QString &name, qint64 maxBytes,
                                       qint64 expectedSize)
{
    discardPartial();
    m_sink = Sink::File;
    m_expectedSize = expectedSize;
    m_oddStartTotal = -1;
    m_requestsSinceOddStart = 0;
    m_folder = folder;
    m_name = name;
    m_maxBytes = maxBytes;
}

void MediaDownloadReceiver::onReadyRead()
{
    int size = 0;
    while (const char *datagram = m_socket.next(size))
        handleFrameBytes(datagram, size);
}

void MediaDownloadReceiver::handleDatagram(const QByteArray &datagram)
{
    handleFrameBytes(datagram.constData(), datagram.size());
}

void MediaDownloadReceiver::handleFrameBytes(const char *data, int size)
{
    const auto *u = reinterpret_cast<const uchar *>(data);
    if (size > 12 && u[0] == StartByte) {
        const int length = readU16(data + 1);
        const int frameSize = length + FrameCodec::LongOverhead;
        if (frameSize == size) {
            const quint16 crc = FrameCodec::crc16(data + 1, quint16(length + 10));
            if (crc == readU16(data + HeaderSize + length)) {
                handlePayload(data + HeaderSize, length, false);
                return;
            }
        } else if (size > 15 && size < frameSize) {
            // A frame cut short on the way: its header is intact, the rest is
            // what arrived. Its data is taken only where the size it has is
            // the size the packet must have.
            handlePayload(data + HeaderSize, size - HeaderSize, true);
            return;
        }
    }

    m_streamBuffer.append(data, size);
    for (;;) {
        int consumed = 0;
        const ParsedLongFrame frame = FrameCodec::decodeLongFrame(m_streamBuffer, consumed);
        if (consumed <= 0)
            break;
        m_streamBuffer.remove(0, consumed);
        if (frame.valid)
            handlePayload(frame.payload.constData(), frame.payload.size(), false);
    }
    if (m_streamBuffer.size() > StreamBufferLimit)
        m_streamBuffer.clear();
}

void MediaDownloadReceiver::handlePayload(const char *payload, int size, bool cut)
{
    if (size < 1)
        return;
    const quint8 type = quint8(payload[0]);
    if (type == StartPacket)
        handleStart(payload, size);
    else if (type == DataPacket && size >= DataHeaderSize)
        handleData(readU32(payload + 1), payload + DataHeaderSize, size - DataHeaderSize, cut);
}

void MediaDownloadReceiver::handleStart(const char *payload, int size)
{
    if (size < StartPacketSize || m_active || m_refused)
        return;
    if (m_sink == Sink::None)
        return; // nothing was asked for
    const qint64 total = announcedSize(readU32(payload + 1));
    if (m_sink == Sink::File && m_expectedSize > 0 && total != m_expectedSize) {
        if (m_oddStartTotal != total || m_requestsSinceOddStart < 1) {
            m_oddStartTotal = total;
            m_requestsSinceOddStart = 0;
            return;
        }
    }
    clearAssembly();
    if (total == 0) {
        refuse(RefusalReason::UnknownSize, 0);
        return;
    }
    if (total > m_maxBytes) {
        refuse(RefusalReason::TooLarge, total);
        return;
    }
    if (m_sink == Sink::File) {
        QDir().mkpath(m_folder);
        const QStorageInfo storage(m_folder);
        if (storage.isValid() && storage.bytesAvailable() >= 0 &&
            storage.bytesAvailable() < total + m_diskReserve) {
            refuse(RefusalReason::NoDiskSpace, total);
            return;
        }
        bool opened = false;
        for (int attempt = 0; attempt < 100 && !opened; ++attempt) {
            m_file.setFileName(
                QDir(m_folder).filePath(LocalFileNames::partialName(m_name, attempt)));
            opened = m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
        }
        if (!opened) {
            m_file.setFileName(QString());
            refuse(RefusalReason::WriteFailed, total);
            return;
        }
    }
    m_total = total;
    m_startField = readU16(payload + 5);
    m_active = true;
    emit progressChanged(0, m_total);
}

qint64 MediaDownloadReceiver::announcedSize(quint32 field) const
{
    // The field holds 32 bits: a file of 4 GiB or more comes cut to its low
    // bits or as the largest value. The list's size then says how large it
    // really is.
    if (m_sink == Sink::File && m_expectedSize > 0xFFFFFFFFLL &&
        (field == 0xFFFFFFFFu || field == quint32(m_expectedSize)))
        return m_expectedSize;
    return field;
}

void MediaDownloadReceiver::handleData(quint32 sequence, const char *data, int size, bool cut)
{
    if (!m_active || size <= 0)
        return;
    if (sequence < m_nextSequence) {
        ++m_duplicates;
        return;
    }
    if (usableBytes(sequence, size, cut) < 0) {
        ++m_inconsistent;
        return;
    }
    if (sequence > m_nextSequence) {
        if (m_held.contains(sequence)) {
            ++m_duplicates;
        } else if (m_held.size() < MaxHeldPackets) {
            m_held.insert(sequence, HeldPacket{QByteArray(data, size), cut});
            m_heldBytes += size;
            m_peakHeldBytes = qMax(m_peakHeldBytes, m_heldBytes);
        }
        emit packetAhead(sequence);
        return;
    }

    if (!append(data, size))
        return;
    while (m_active && !m_held.isEmpty() && m_held.firstKey() == m_nextSequence) {
        const HeldPacket next = m_held.take(m_nextSequence);
        m_heldBytes -= next.data.size();
        // Held before the camera's packet size was known: judged now.
        if (usableBytes(m_nextSequence, next.data.size(), next.cut) < 0) {
            ++m_inconsistent;
            break;
        }
        if (!append(next.data.constData(), next.data.size()))
            return;
    }
    testCompletion();
}

int MediaDownloadReceiver::usableBytes(quint32 sequence, int size, bool cut) const
{
    const qint64 step = m_cameraPacketSize;
    if (step == 0) {
        if (sequence != m_nextSequence)
            return size; // judged when its turn comes
        // The file's first packet: the whole file (perhaps padded), or a
        // packet of the camera's size, which a frame cut short cannot tell.
        if (size >= m_total)
            return int(m_total);
        return cut && m_packetSize > 0 && size != m_packetSize ? -1 : size;
    }
    const qint64 offset = qint64(sequence) * step;
    if (offset >= m_total)
        return -1; // beyond the file's end
    const qint64 rest = m_total - offset;
    if (rest > step)
        return size == step ? size : -1;
    // The file's last packet: the rest of the file, perhaps padded up to the
    // packet size.
    return size >= rest && size <= step ? int(rest) : -1;
}

bool MediaDownloadReceiver::append(const char *data, int size)
{
    const int usable = usableBytes(m_nextSequence, size, false);
    if (m_cameraPacketSize == 0 && usable < m_total)
        m_cameraPacketSize = usable;
    if (m_sink == Sink::File) {
        if (m_file.write(data, usable) != usable) {
            refuse(RefusalReason::WriteFailed, m_total);
            return false;
        }
    } else {
        // Bounded by the announced size (itself bounded by the limit): the
        // transfer completes with the packet that reaches it.
        m_memory.append(data, usable);
    }
    m_assembled += usable;
    ++m_nextSequence;
    emit progressChanged(qMin<qint64>(m_total, m_assembled), m_total);
    return true;
}

void MediaDownloadReceiver::testCompletion()
{
    if (!m_active || m_total == 0 || m_assembled < m_total)
        return;
    const qint64 total = m_total;
    emit progressChanged(total, total);
    // The transfer asked for is done: a late repeat of its start packet
    // must not begin another one.
    const Sink sink = m_sink;
    m_sink = Sink::None;
    if (sink == Sink::File) {
        bool ok = m_file.flush();
        if (ok && m_file.size() > total)
            ok = m_file.resize(total);
        m_file.close();
        if (!ok) {
            refuse(RefusalReason::WriteFailed, total);
            return;
        }
        clearAssembly();
        // The file stays this receiver's until it is taken: a reset, a new
        // transfer or the end of the receiver removes it.
        emit fileWritten(m_file.fileName(), total);
    } else {
        const QByteArray data = m_memory.left(int(total));
        clearAssembly();
        emit fileCompleted(data);
    }
}

void MediaDownloadReceiver::refuse(RefusalReason reason, qint64 size)
{
    clearAssembly();
    discardPartial();
    m_refused = true;
    emit transferRefused(reason, size);
}

void MediaDownloadReceiver::clearAssembly()
{
    m_memory.clear();
    m_memory.squeeze();
    m_total = 0;
    m_startField = 0;
    m_nextSequence = 0;
    m_assembled = 0;
    m_held.clear();
    m_heldBytes = 0;
    m_cameraPacketSize = 0;
    m_active = false;
}

QString MediaDownloadReceiver::takeWrittenFile()
{
    if (m_active || m_file.isOpen())
        return QString();
    const QString path = m_file.fileName();
    m_file.setFileName(QString());
    return path;
}

void MediaDownloadReceiver::discardPartial()
{
    if (m_file.fileName().isEmpty())
        return;
    const QString path = m_file.fileName();
    m_file.close();
    m_file.setFileName(QString());
    QFile::remove(path);
}

BilingualText MediaDownloadReceiver::refusalText(RefusalReason reason, qint64 size)
{
    switch (reason) {
    case RefusalReason::UnknownSize:
        return albumText("the device did not give the file size", "设备未给出文件大小");
    case RefusalReason::TooLarge:
        return albumText("the device announced an implausible size (%1 bytes)",
                         "设备报告的文件大小不合理 (%1 字节)", size);
    case RefusalReason::NoDiskSpace:
        return albumText("not enough free disk space (%1 bytes needed)",
                         "磁盘空间不足 (需要 %1 字节)", size);
    case RefusalReason::WriteFailed:
        break;
    }
    return albumText("cannot write the file to the download folder", "无法写入下载目录");
}
