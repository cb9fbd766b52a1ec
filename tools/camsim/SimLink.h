#pragma once

#include "camsim/FaultInjector.h"
#include "camsim/MediaRequest.h"
#include "camsim/SimOptions.h"
#include "link/FrameCodec.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QVector>

class DatagramChannel;
class MediaSender;
class PlaybackStreamer;
class PtyEndpoint;
class QTimer;
class SimCamera;
struct SimFrame;
class UdpEndpoint;

// Joins the simulated camera to its endpoints: decodes what arrives, lets the
// camera answer, frames the answers and reports, passes them through the fault
// injector and writes them out (replies to the asker, reports to everyone).
class SimLink : public QObject
{
    Q_OBJECT
public:
    static constexpr int TickMs = 5;

    SimLink(const SimOptions &options, SimCamera *camera, QObject *parent = nullptr);

    bool start(QString *error);
    quint16 udpPort() const;
    QString ptyPath() const;
    const FaultInjector::Counters &faultCounters() const { return m_faults.counters(); }
    quint64 framesReceived() const { return m_framesReceived; }
    // The media and playback channels (null before start()).
    DatagramChannel *mediaChannel() const { return m_mediaChannel; }
    DatagramChannel *playbackChannel() const { return m_playbackChannel; }

signals:
    void warning(const QString &text);

private:
    struct Target {
        bool pty = false;
        QHostAddress address;
        quint16 port = 0;
    };

    void onFrame(const ParsedFrame &frame, const Target &from);
    void tick();
    void sendFrames(const QVector<SimFrame> &frames, const QVector<Target> &targets);
    void write(const QByteArray &bytes, const Target &target);
    QVector<Target> everyone() const;
    void carryOut(const QVector<MediaRequest> &requests);
    // Where media (type 1) or playback (type 0) data goes: the announced
    // receiver, else the control peer's address with the usual port.
    void destination(int type, QHostAddress *address, quint16 *port) const;

    const SimOptions m_options;
    SimCamera *m_camera;
    FaultInjector m_faults;
    UdpEndpoint *m_udp = nullptr;
    PtyEndpoint *m_pty = nullptr;
    DatagramChannel *m_mediaChannel = nullptr;
    DatagramChannel *m_playbackChannel = nullptr;
    MediaSender *m_sender = nullptr;
    PlaybackStreamer *m_streamer = nullptr;
    QHostAddress m_peer{QHostAddress::LocalHost};
    QTimer *m_timer = nullptr;
    QElapsedTimer m_clock;
    quint8 m_sequence = 0;
    quint64 m_framesReceived = 0;
};
