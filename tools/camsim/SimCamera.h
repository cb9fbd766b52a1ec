#pragma once

#include "camsim/MediaRequest.h"
#include "camsim/SimOptions.h"

#include <QByteArray>
#include <QObject>
#include <QVector>

#include <array>
#include <memory>

class GimbalModel;
class MediaCard;
class QHostAddress;
struct ModelSpec;

// One frame the camera wants to send: the 24-bit message id (code in bits
// 0-15, kind in bits 16-23) and its payload. Framing is the link's business.
struct SimFrame {
    quint32 messageId = 0;
    QByteArray payload;
};

// The simulated camera: its state, what each command does to it, and the
// reply and report payloads the ground station decodes. No I/O and no clock of
// its own: the caller passes the time in milliseconds, so every behaviour can
// be driven step by step in a test.
class SimCamera : public QObject
{
    Q_OBJECT
public:
    // Result codes of acknowledgements (bytes 0-1 of the reply).
    enum Result : quint16 {
        Ok = 0,
        UnknownCommand = 1,
        Unsupported = 2, // the model lacks the function
        InvalidParameter = 3,
        NotReady = 4, // card missing or full, capture busy, not in album mode
        NotFound = 5, // no such file on the card
    };

    // Player states as the playback status report carries them.
    enum PlayState : quint8 { PlayIdle = 0, Playing = 2, PlayPaused = 3, PlayFinished = 7 };

    static constexpr int ManualMotionHoldMs = 200;
    static constexpr int PhotoSizeMB = 10;
    static constexpr double RecordMBPerSecond = 5.0;
    static constexpr int AiReportIntervalMs = 200;
    static constexpr int LaserReportIntervalMs = 500;
    static constexpr int PlaybackReportIntervalMs = 500;
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
    void setCard(MediaCard *card) { m_card = card; }
    // The receiver announced with "Set playback client": type 0 playback
    // video, type 1 downloads. Port 0 when none was announced.
    quint16 clientPort(int type) const;
    QHostAddress clientAddress(int type) const;
    PlayState playState() const { return m_playState; }
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
    double yawJoint() const { return m_yaw; }
    double pitchJoint() const { return m_pitch; }
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
    struct Measured {
        double maxT = 0, minT = 0, avgT = 0;
        int maxX = 0, maxY = 0, minX = 0, minY = 0;
    };

    quint16 dispatch(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra,
                     bool *noResult);
    quint16 gimbalCommand(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra);
    quint16 irCommand(quint16 code, const QByteArray &p, QByteArray *extra);
    quint16 visCommand(quint16 code, const QByteArray &p, QByteArray *extra);
    quint16 cameraCommand(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra,
                          bool *noResult);
    quint16 peripheralCommand(quint16 code, const QByteArray &p, QByteArray *extra);
    quint16 albumCommand(quint16 code, const QByteArray &p, qint64 now);
    quint16 mediaTransfer(const QByteArray &p);
    quint16 playbackCommand(quint16 code, const QByteArray &p, qint64 now);
    void setAlbumMode(bool on, qint64 now);
    void stopPlayback(qint64 now);
    void requestPlay(const QString &devicePath, const QString &localPath);
    QByteArray recordPayload(int state, qint64 now) const;
    qint64 epochMs(qint64 now) const;

    quint16 takePhoto(const QByteArray &p, qint64 now);
    quint16 record(const QByteArray &p, qint64 now);
    void stopRecording(qint64 now);
    void integrateMotion(double dt, qint64 now);
    void setAngleTarget(double yaw, double pitch);
    void useCard(double mb);
    int cardStatus() const;
    void updateStream();
    void resetSettings();
    void finishReboot(qint64 now, QVector<SimFrame> *out);

    double temperatureAt(double x, double y) const;
    Measured measure(int x0, int y0, int x1, int y1) const;
    double laserDistance() const;
    QByteArray aiReport(qint64 now) const;

    // A report of the kind chosen with --status-kind; playback and ranging
    // reports always come as the second status kind.
    SimFrame status(quint16 code, const QByteArray &payload) const;
    static SimFrame secondKind(quint16 code, const QByteArray &payload);
    static SimFrame ack(quint16 code, const QByteArray &payload);

    const SimOptions m_options;
    std::unique_ptr<GimbalModel> m_model;

    // time
    bool m_started = false;
    qint64 m_lastMs = 0;
    qint64 m_nextAttitude = 0, m_nextStatus = 0, m_nextIr = 0, m_nextVis = 0;
    qint64 m_nextAi = 0, m_nextLaser = 0, m_nextOverlay = 0;
    QVector<Pending> m_pending;

    // gimbal
    double m_yaw = 0, m_pitch = 0;
    double m_yawRate = 0, m_pitchRate = 0;
    double m_yawLimit = 30, m_pitchLimit = 30;
    int m_manualYaw = 0, m_manualPitch = 0;
    qint64 m_manualUntil = -1;
    bool m_angleTarget = false;
    double m_targetYaw = 0, m_targetPitch = 0;
    bool m_servoOff = false;

    // zoom and stream
    double m_zoom = 1.0;
    int m_zoomDir = 0;
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
    bool m_cardPresent = true;
    double m_cardTotalMB = 30000, m_cardUsedMB = 1200;
    bool m_photoBusy = false;
    bool m_recording = false;
    qint64 m_recordStart = 0, m_nextRecordReport = 0;
    int m_recordMode = 0;

    // infrared
    int m_irPalette = 1, m_irZoom = 1, m_irSharpness = 3, m_irGain = 0;
    int m_irBrightness = 50, m_irContrast = 50;
    bool m_irTempOn = true, m_irArea = false;
    bool m_irDenoise = false;
    int m_irDenoiseLevel = 50;
    bool m_irEnhance = false;
    int m_irEnhanceLevel = 5;
    bool m_irFusion = false;
    int m_irFusionVis = 8;
    int m_pointX = 960, m_pointY = 540;
    int m_areaW = 200, m_areaH = 200, m_areaCx = 960, m_areaCy = 540;

    // visible
    int m_photoRes = 0, m_recordRes = 0, m_recordBitrate = 0;
    int m_iso = 100, m_shutter = 0, m_ev = 0, m_wb = 0, m_antiFlicker = 0, m_metering = 0;
    int m_highlight = 2, m_highlightValue = 0, m_backlight = 2, m_backlightValue = 0;
    bool m_aeLock = false;
    int m_night = 3, m_nightFps = 0;
    bool m_visFusion = false;
    int m_visFusionIr = 2;

    // overlay, AI, laser, SBUS, network
    std::array<OsdItem, 15> m_osd;
    bool m_watermark = false;
    bool m_aiOn = false;
    QByteArray m_aiMask = QByteArray(16, '\0');
    bool m_tracking = false;
    int m_trackX = 0, m_trackY = 0, m_trackW = 1, m_trackH = 1;
    qint64 m_trackStart = 0;
    bool m_laserPeriodic = false;
    int m_sbusMax = 1800, m_sbusMin = 200;
    std::array<int, 8> m_sbusChannels{{16, 16, 16, 16, 16, 16, 16, 16}};
    bool m_sbusOn = false;
    QByteArray m_ip, m_mask, m_gateway;
    QByteArray m_clientIp[2];
    quint16 m_clientPort[2] = {0, 0};
    int m_uartProtocol = 0;
    qint64 m_clockOffsetMs = 0;

    // album
    MediaCard *m_card = nullptr;
    bool m_albumMode = false;
    QVector<MediaRequest> m_mediaRequests;
    QString m_transferPath;
    QString m_playPath;
    PlayState m_playState = PlayIdle;
    qint64 m_playTotalMs = 0;
    qint64 m_playBaseMs = 0; // position when the clock below was taken
    qint64 m_playBaseAt = 0; // simulation time of that position
    qint64 m_nextPlayReport = 0;

    // firmware
    QByteArray m_cameraVersion = QByteArray("\x02\x06\x1f", 3); // 2.6.31
    bool m_rebooting = false;
    qint64 m_rebootUntil = 0;
};
