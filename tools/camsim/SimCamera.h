#pragma once

#include "camsim/MediaRequest.h"
#include "camsim/SimAlbum.h"
#include "camsim/SimGimbal.h"
#include "camsim/SimInfrared.h"
#include "camsim/SimOptions.h"
#include "camsim/SimPeripherals.h"
#include "camsim/SimReply.h"
#include "camsim/SimVisible.h"

#include <QByteArray>
#include <QObject>
#include <QVector>

#include <array>
#include <memory>

class GimbalModel;
class MediaCard;
class QHostAddress;
struct ModelSpec;

// The simulated camera: its state, what each command does to it, and the
// reply and report payloads the ground station decodes. No I/O and no clock of
// its own: the caller passes the time in milliseconds, so every behaviour can
// be driven step by step in a test.
//
// The camera keeps the clock, the queue of frames due later, the dispatch of
// commands to its parts (gimbal, infrared and visible cameras, laser and
// SBUS, album and player) and what concerns the camera as a whole: capture
// onto the card, the stream, OSD, AI, network and firmware.
class SimCamera : public QObject, public SimCodes
{
    Q_OBJECT
public:
    static constexpr int ManualMotionHoldMs = SimGimbal::ManualMotionHoldMs;
    static constexpr int PhotoSizeMB = 10;
    static constexpr double RecordMBPerSecond = 5.0;
    static constexpr int AiReportIntervalMs = 200;
    static constexpr int LaserReportIntervalMs = SimPeripherals::LaserReportIntervalMs;
    static constexpr int PlaybackReportIntervalMs = SimAlbum::PlaybackReportIntervalMs;
    static constexpr quint16 DefaultMediaPort = 6665;
    static constexpr quint16 DefaultPlaybackPort = 6660;

    explicit SimCamera(const SimOptions &options, QObject *parent = nullptr);
    ~SimCamera() override;

    // A command frame (kind 0) arrived; returns the frames to send back.
    QVector<SimFrame> handleCommand(quint16 code, const QByteArray &payload, qint64 nowMs);
    // Moves the simulation to `nowMs` and returns the reports that fell due.
    QVector<SimFrame> advance(qint64 nowMs);
    // What the media and playback senders are to do, in order; emptied by
    // the call.
    QVector<MediaRequest> takeMediaRequests();

    // The memory card's files (not owned; without one the card is empty).
    void setCard(MediaCard *card) { m_album.setCard(card); }
    // The receiver announced with "Set playback client": type 0 playback
    // video, type 1 downloads. Port 0 when none was announced.
    quint16 clientPort(int type) const;
    QHostAddress clientAddress(int type) const;
    PlayState playState() const { return m_album.playState(); }
    qint64 playPositionMs(qint64 nowMs) const;

    // An accepted upgrade: the camera goes silent for the options' reboot
    // time (no reports, no replies, motion and capture stop), then reports
    // `cameraVersion` (three bytes) and answers version queries with it.
    void beginReboot(const QByteArray &cameraVersion);

    // Report payloads as they would be sent now.
    QByteArray attitudePayload() const;
    QByteArray gimbalStatusPayload() const;
    QByteArray cameraSystemPayload() const;
    QByteArray irStatusPayload() const;
    QByteArray visStatusPayload() const;
    QByteArray playbackStatusPayload(qint64 nowMs) const;

    const ModelSpec &modelSpec() const;
    double yawJoint() const { return m_gimbal.yaw(); }
    double pitchJoint() const { return m_gimbal.pitch(); }
    double cardFreeMB() const;
    int streamWidth() const { return m_streamWidth; }
    int streamHeight() const { return m_streamHeight; }
    bool streamH265() const { return m_encoding == 1; }
    int streamBitrateKbps() const { return m_streamKbps; }

signals:
    // The live stream's shape changed (resolution, encoding, bit rate).
    void streamSettingsChanged(int width, int height, bool h265, int bitrateKbps);
    // Values drawn on the test picture; at most a few times per second.
    void overlayChanged(double yaw, double pitch, double zoom);

private:
    struct Pending {
        qint64 at = 0;
        SimFrame frame;
        double usedMB = 0.0; // card space taken when the frame goes out
        bool photoDone = false;
    };
    struct OsdItem {
        bool enabled = false;
        int position = 1;
        int color = 1;
    };

    quint16 dispatch(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra,
                     bool *noResult);
    quint16 cameraCommand(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra,
                          bool *noResult);
    QByteArray recordPayload(int state, qint64 now) const;
    qint64 epochMs(qint64 now) const;

    quint16 takePhoto(const QByteArray &p, qint64 now);
    quint16 record(const QByteArray &p, qint64 now);
    void stopRecording(qint64 now);
    void useCard(double mb);
    int cardStatus() const;
    void updateStream();
    void resetSettings();
    void finishReboot(qint64 now, QVector<SimFrame> *out);
    QByteArray aiReport(qint64 now) const;

    // A report of the kind chosen with --status-kind.
    SimFrame status(quint16 code, const QByteArray &payload) const;

    const SimOptions m_options;
    std::unique_ptr<GimbalModel> m_model;
    const bool m_cardPresent;
    SimGimbal m_gimbal;
    SimInfrared m_infrared;
    SimVisible m_visible;
    SimPeripherals m_peripherals;
    SimAlbum m_album;

    // time
    bool m_started = false;
    qint64 m_lastMs = 0;
    qint64 m_nextAttitude = 0, m_nextStatus = 0, m_nextIr = 0, m_nextVis = 0;
    qint64 m_nextAi = 0, m_nextOverlay = 0;
    QVector<Pending> m_pending;

    // stream
    int m_photoVideoMode = 0;
    int m_outputRes = 0;
    int m_encoding = 0;
    int m_streamMode = 6;
    int m_bitrate = 4;
    int m_photoMode = 0, m_timelapse = 0, m_burst = 0;
    int m_streamWidth = 1920, m_streamHeight = 1080, m_streamKbps = 4000;
    bool m_streamH265 = false;
    double m_lastOverlayYaw = 1e9, m_lastOverlayPitch = 1e9, m_lastOverlayZoom = 1e9;

    // card and capture
    double m_cardTotalMB = 30000, m_cardUsedMB = 1200;
    bool m_photoBusy = false;
    bool m_recording = false;
    qint64 m_recordStart = 0, m_nextRecordReport = 0;
    int m_recordMode = 0;

    // overlay, AI, network
    std::array<OsdItem, 15> m_osd;
    bool m_watermark = false;
    bool m_aiOn = false;
    QByteArray m_aiMask = QByteArray(16, '\0');
    bool m_tracking = false;
    int m_trackX = 0, m_trackY = 0, m_trackW = 1, m_trackH = 1;
    qint64 m_trackStart = 0;
    QByteArray m_ip, m_mask, m_gateway;
    int m_uartProtocol = 0;
    qint64 m_clockOffsetMs = 0;

    // firmware
    QByteArray m_cameraVersion = QByteArray("\x02\x06\x1f", 3); // 2.6.31
    bool m_rebooting = false;
    qint64 m_rebootUntil = 0;
};
