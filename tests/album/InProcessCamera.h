#pragma once

// The simulator's camera inside the test process, as the program's link sees
// it: each command written to this link goes to the camera, its answers come
// back on the link, and the files, thumbnails and list it sends leave over
// loopback UDP through the simulator's own media sender, with the simulator's
// seeded line faults. What a test may add on top: a lag before the camera
// acts, answers left out or given another result, and frames of its own.

#include "camsim/DatagramChannel.h"
#include "camsim/MediaCard.h"
#include "camsim/MediaSender.h"
#include "camsim/SimCamera.h"
#include "link/CommandCode.h"
#include "link/FrameCodec.h"
#include "link/ITransport.h"
#include "link/Payload.h"

#include <QElapsedTimer>
#include <QHash>
#include <QTimer>
#include <QVector>

namespace album_test
{

struct Command {
    quint16 code = 0;
    QByteArray payload;
};

// The arguments of one "download media file" command.
struct Window {
    QString path;
    int type = 0;
    int packetSize = 0;
    quint32 start = 0;
    int count = 0;
};

inline SimOptions cameraOptions(const QString &model)
{
    SimOptions o;
    o.modelId = model;
    o.listStyle = SimOptions::ListStyle::Strict;
    return o;
}

class InProcessCamera : public ITransport
{
public:
    // rateMbps: how fast files go out (0: as fast as the socket takes them).
    explicit InProcessCamera(const QString &model = QStringLiteral("Otter"),
                             const FaultInjector::Settings &mediaFaults = {}, double rateMbps = 0)
        : card(), camera(cameraOptions(model)),
          m_channel(QStringLiteral("media"), false, mediaFaults, 7), m_sender(&m_channel, rateMbps)
    {
        camera.setCard(&card);
        QString error;
        m_channel.open(QHostAddress(QHostAddress::LocalHost), &error);
        m_clock.start();
    }

    // Serves the files below `folder` as the memory card.
    bool serve(const QString &folder)
    {
        QString error;
        return card.openFolder(folder, &error);
    }

    bool open() override
    {
        emit connectionChanged(m_open = true);
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    QString errorString() const override { return QString(); }
    QString displayName() const override { return QStringLiteral("camera in process"); }

    bool write(const QByteArray &bytes) override
    {
        int consumed = 0;
        const ParsedFrame shortFrame = FrameCodec::decodeShortFrame(bytes, consumed);
        const ParsedLongFrame longFrame =
            shortFrame.valid ? ParsedLongFrame() : FrameCodec::decodeLongFrame(bytes, consumed);
        const Command c{
            FrameCodec::commandCode(shortFrame.valid ? shortFrame.messageId : longFrame.messageId),
            shortFrame.valid ? shortFrame.payload : longFrame.payload};
        commands.append(c);
        // The camera acts once the sender has returned, as over a real link.
        QTimer::singleShot(lagMs, this, [this, c] { act(c); });
        return true;
    }

    // A frame of the camera's own: an answer or a report.
    void send(quint32 messageId, const QByteArray &payload)
    {
        emit dataReceived(FrameCodec::encodeShortFrame(m_sequence, 4, 1, messageId, payload));
    }
    void answer(quint16 code, quint16 result)
    {
        QByteArray p;
        Payload::appendU16(p, result);
        send(code | (1u << 16), p);
    }

    int count(quint16 code) const
    {
        return int(std::count_if(commands.cbegin(), commands.cend(),
                                 [code](const Command &c) { return c.code == code; }));
    }
    // Every "download media file" command; `fileOnly` keeps the photo and
    // video windows.
    QVector<Window> windows(bool fileOnly = false) const
    {
        QVector<Window> out;
        for (const Command &c : commands) {
            if (c.code != CommandCode::DownloadMediaFile)
                continue;
            const QByteArray &p = c.payload;
            Window w{QString::fromUtf8(p.mid(9, Payload::readU8(p, 0))), Payload::readU8(p, 1),
                     Payload::readU16(p, 2), Payload::readU32(p, 4), Payload::readU8(p, 8)};
            if (!fileOnly || w.type == 4 || w.type == 5)
                out.append(w);
        }
        return out;
    }

    MediaCard card;
    SimCamera camera;
    QVector<Command> commands;
    int lagMs = 0;
    QHash<quint16, int> leaveOut;     // answers to leave out, per code
    QHash<quint16, quint16> resultOf; // the result the answers of a code carry

private:
    void act(const Command &c)
    {
        for (SimFrame frame : camera.handleCommand(c.code, c.payload, m_clock.elapsed())) {
            const quint16 code = FrameCodec::commandCode(frame.messageId);
            if (leaveOut.value(code) > 0) {
                --leaveOut[code];
                continue;
            }
            if (resultOf.contains(code) && frame.payload.size() >= 2) {
                QByteArray result;
                Payload::appendU16(result, resultOf[code]);
                frame.payload.replace(0, 2, result);
            }
            send(frame.messageId, frame.payload);
        }
        for (const MediaRequest &r : camera.takeMediaRequests()) {
            if (r.kind == MediaRequest::Transfer && camera.clientPort(1) != 0)
                m_sender.start(r, camera.clientAddress(1), camera.clientPort(1));
            else if (r.kind == MediaRequest::AbortTransfer)
                m_sender.abort();
        }
    }

    bool m_open = false;
    QElapsedTimer m_clock;
    quint8 m_sequence = 0;
    DatagramChannel m_channel;
    MediaSender m_sender;
};

} // namespace album_test
