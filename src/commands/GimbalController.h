#pragma once

#include "catalog/ModelProvider.h"
#include "link/FrameCodec.h"
#include "state/InboundDispatcher.h"

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <QVector>
#include <cstdint>

class AnswerWatch;
class BaseGimbalController;
class CommonCameraController;
class GimbalModel;
class GimbalState;
class IrCameraController;
class LaserController;
class MotionController;
class PlaybackController;
class QTimer;
class SbusController;
class TransportManager;
class VisCameraController;

// The one object through which the interface commands the camera. It owns the
// device state with the dispatcher that feeds it every received frame, the
// selected product's record and the seven command groups, forwards the
// operations to the groups, and adds what spans groups: the connection
// handshake, the split-screen rule for tracking and the AI-recognition
// confirmation.
class GimbalController : public ModelProvider
{
    Q_OBJECT
    Q_PROPERTY(bool handshakeReady READ handshakeReady NOTIFY handshakeReadyChanged)
    Q_PROPERTY(bool splitScreenMode READ splitScreenMode NOTIFY splitScreenModeChanged)
public:
    // Every delay the controller waits, in milliseconds, kept together so the
    // timing of the link start-up and of the AI confirmation is read in one place.
    struct Delays {
        // The camera's serial side needs longer after the port opens before it
        // accepts commands than its network side.
        static constexpr int HandshakeUart = 1000;
        static constexpr int HandshakeUdp = 300;
        // After the time sync, before the device is declared ready for queries.
        static constexpr int ReadyAfterTimeSync = 200;
        // The time sync goes out again at this pace until the camera answers,
        // and while its reports have stopped: a camera that restarted forgets
        // who it reports to and starts again once it hears from us.
        static constexpr int HandshakeRepeat = 2000;
        // A re-sync after the camera answered from a new address.
        static constexpr int ResyncAfterPeerChange = 300;
        // How long an AI-recognition setting waits for any confirmation.
        static constexpr int AiConfirmTimeout = 1500;
        // After the read-back request, before the hint is judged.
        static constexpr int AiReadBackHint = 800;
        // How long a command waits for the camera's answer before the
        // operator is told it got none (the camera answers within milliseconds).
        static constexpr int AnswerTimeout = 1500;
    };

    // The picture mode in which tracking is impossible (two pictures side by side).
    static constexpr int SplitScreenImageMode = 7;

    explicit GimbalController(QObject *parent = nullptr);
    ~GimbalController() override;

    void setTransportManager(TransportManager *manager);
    TransportManager *transportManager() const { return m_transportManager; }

    GimbalModel *model() const override { return m_model; }
    GimbalState *state() const { return m_state; }

    bool handshakeReady() const { return m_handshakeReady; }
    // Delays::AnswerTimeout unless changed.
    void setAnswerTimeout(int ms);
    bool splitScreenMode() const;

    MotionController *motion() const { return m_motion; }
    IrCameraController *infrared() const { return m_infrared; }
    VisCameraController *visible() const { return m_visible; }
    CommonCameraController *common() const { return m_common; }
    PlaybackController *playback() const { return m_playback; }
    LaserController *laser() const { return m_laser; }
    SbusController *sbus() const { return m_sbus; }

    // Each of these forwards to one command group (GimbalControllerForwarders.cpp).
    // Motion
    Q_INVOKABLE void gimbalControl(int mode, int yawDir, int pitchDir);
    Q_INVOKABLE void gimbalAngleControl(int pitchDir, float pitchAngle, int yawDir, float yawAngle);
    Q_INVOKABLE void gimbalSpeedSet(int pitchSpeed, int yawSpeed);
    Q_INVOKABLE void gimbalCalibration();
    Q_INVOKABLE void gimbalServoOff();
    Q_INVOKABLE void gimbalLinearCalib();
    Q_INVOKABLE void gimbalSoftReset();
    Q_INVOKABLE void gimbalPointAim(int lens, float zoom, int x, int y);
    Q_INVOKABLE void gimbalVersionGet();
    Q_INVOKABLE void gimbalStabilize(bool enable);
    Q_INVOKABLE void gimbalLockFollow(int mode);

    // Infrared
    Q_INVOKABLE void irAllParamsGet();
    Q_INVOKABLE void irZoomSet(int zoom);
    Q_INVOKABLE void irColorPaletteSet(int palette);
    Q_INVOKABLE void irTempSwitch(bool on);
    Q_INVOKABLE void irSharpnessSet(int value);
    Q_INVOKABLE void irBrightnessSet(int value);
    Q_INVOKABLE void irContrastSet(int value);
    Q_INVOKABLE void irDenoiseSet(bool on, int level);
    Q_INVOKABLE void irEnhanceSet(int level);
    Q_INVOKABLE void irPointTempSet(int x, int y);
    Q_INVOKABLE void irAreaTempSet(int w, int h, int cx, int cy);
    Q_INVOKABLE void irGainModeSet(int mode);
    Q_INVOKABLE void irTempOverlaySet(bool on);
    Q_INVOKABLE void irFusionSet(bool on, int visWeight, int irWeight);
    Q_INVOKABLE void irFusionDebugSet(int mode, int hOffset, int vOffset, int rotation);
    Q_INVOKABLE void irFusionGraySet(bool gray);
    Q_INVOKABLE void irAiSuperResSet(bool on);

    // Visible
    Q_INVOKABLE void visAllParamsGet();
    Q_INVOKABLE void visRecordResSet(int res);
    Q_INVOKABLE void visPhotoResSet(int res);
    Q_INVOKABLE void visIsoSet(int iso);
    Q_INVOKABLE void visShutterSet(int shutter);
    Q_INVOKABLE void visEvSet(int ev);
    Q_INVOKABLE void visWhiteBalanceSet(int wb);
    Q_INVOKABLE void visAntiFlickerSet(int mode);
    Q_INVOKABLE void visHighlightSuppress(bool on, int value);
    Q_INVOKABLE void visBacklightComp(bool on, int value);
    Q_INVOKABLE void visAeLockSet(bool on);
    Q_INVOKABLE void visMeteringSet(int mode);
    Q_INVOKABLE void visNightModeSet(bool on);
    Q_INVOKABLE void visNightFpsSet(int fps);
    Q_INVOKABLE void visFusionSet(bool on, int irWeight, int visWeight);
    Q_INVOKABLE void visFusionDebugSet(int mode, int hOffset, int vOffset, int rotation);
    Q_INVOKABLE void visFusionGraySet(bool gray);

    // Common camera (the default arguments give the shorter call forms)
    Q_INVOKABLE void photoVideoModeSet(int mode);
    Q_INVOKABLE void photoParamsSet(int mode, int interval, int burst);
    Q_INVOKABLE void takePhoto(int photoMode, int action, const QString &folder = QString(),
                               const QString &name = QString());
    Q_INVOKABLE void recordVideo(int recordMode, int action, const QString &folder = QString(),
                                 const QString &name = QString());
    Q_INVOKABLE void hybridZoomSet(float zoom);
    Q_INVOKABLE void continuousZoom(int direction);
    Q_INVOKABLE void bitrateSet(int bitrate);
    Q_INVOKABLE void outputResSet(int res);
    Q_INVOKABLE void encodingFormatSet(int format);
    Q_INVOKABLE void tfFormat();
    Q_INVOKABLE void timeSync();
    Q_INVOKABLE void factoryReset();
    Q_INVOKABLE void focusControl(int mode, int x1 = 0, int y1 = 0, int x2 = 0, int y2 = 0,
                                  int focusType = 0);
    Q_INVOKABLE void osdWatermarkSwitch(bool on);
    Q_INVOKABLE void cameraShutdown();
    Q_INVOKABLE void cameraVersionGet();
    Q_INVOKABLE void coreTempGet();
    Q_INVOKABLE void osdConfigSet(int item, int enable, int pos, int color);
    Q_INVOKABLE void osdCustomTextSet(int index, const QString &text);
    Q_INVOKABLE void osdConfigGet();
    Q_INVOKABLE void aiCategoriesGet();
    Q_INVOKABLE void deviceSnGet();
    Q_INVOKABLE void kernelVersionGet();
    Q_INVOKABLE void uartProtocolSet(int protocol);
    Q_INVOKABLE void uartProtocolGet();

    // Playback, media and network
    Q_INVOKABLE void playbackModeSet(bool on);
    Q_INVOKABLE void mediaListRefresh();
    Q_INVOKABLE void mediaFileDelete(const QString &path);
    Q_INVOKABLE void mediaFileDownload(const QString &path, int fileType, int packetSize,
                                       int startSeq, int totalPackets);
    Q_INVOKABLE void videoPlaybackStart(const QString &path);
    Q_INVOKABLE void videoPlaybackStop(const QString &path);
    Q_INVOKABLE void videoPlaybackPause(const QString &path);
    Q_INVOKABLE void videoPlaybackSeek(const QString &path, uint32_t seconds);
    Q_INVOKABLE void playbackClientSet(int type, const QString &ip, ushort port);
    Q_INVOKABLE void playbackClientGet(int type);
    Q_INVOKABLE void ipSet(bool dhcp, const QString &ip, const QString &mask,
                           const QString &gateway);
    Q_INVOKABLE void ipGet();

    // Laser and SBUS
    Q_INVOKABLE void laserRange();
    Q_INVOKABLE void laserPeriodicRange(bool on);
    Q_INVOKABLE void sbusRangeSet(int max, int min);
    Q_INVOKABLE void sbusChannelConfig(int stream, int zoom, int photo, int record, int pitch,
                                       int yaw, int center, int irPalette);
    Q_INVOKABLE void sbusConfigGet();
    Q_INVOKABLE void sbusSwitch(bool on);

    // Logic that spans groups
    Q_INVOKABLE void setModel(const QString &modelId);
    Q_INVOKABLE void imageModeSet(int mode);
    Q_INVOKABLE void aiRecognitionSet(bool on, int modelType, const QVector<int> &categories);
    Q_INVOKABLE void aiRecognitionSetList(bool on, int modelType, const QVariantList &categories);
    Q_INVOKABLE void targetTrackingSet(bool on, int x, int y, int w, int h);
    Q_INVOKABLE void requestTimeSync();

signals:
    // The reply's code, its result, and the sequence number of its frame.
    void ackReceived(uint32_t msgID, uint16_t code, int sequence = -1);
    // A command sent on this link got no answer within the time-out; the
    // label names its action as its sent line did.
    void commandUnanswered(uint32_t msgID, QString label, int sequence);
    void logMessage(QString msg);
    void splitScreenModeChanged();
    void handshakeReadyChanged();

public slots:
    void onFrameReceived(ParsedFrame frame);
    void onTransportConnectionChanged(bool connected);

private:
    QList<BaseGimbalController *> groups() const;
    bool linkOpen() const;
    int currentImageMode() const;
    void setHandshakeReady(bool ready);
    void startHandshake();
    void stopHandshake();
    void onHandshakeDelayElapsed(quint32 generation);
    void onReadyDelayElapsed(quint32 generation);
    void onHandshakeRepeat();
    // The handshake's own time sync, which goes out again until the camera
    // answers: its silence is what the handshake waits out, not news.
    void sendHandshakeSync();
    void onCommandSent(uint32_t msgID, const QString &channel, const QByteArray &frame,
                       const QString &label);
    void updateReadiness();

    // Sends the stop with the arguments the device expects for it.
    void stopTracking();
    void sendAiRecognition(bool on, int modelType, const QVector<int> &categories);
    void startAiWait();
    void endAiWait(const QString &message = QString());
    void onAiRecognitionConfirmed(InboundDispatcher::AiConfirmation how);
    void onAiWaitTimeout();
    void onAiReadBackElapsed();

    TransportManager *m_transportManager = nullptr;
    GimbalState *m_state = nullptr;
    InboundDispatcher *m_dispatcher = nullptr;
    GimbalModel *m_model = nullptr;
    quint32 m_handshakeGeneration = 0;
    bool m_handshakeReady = false;
    // The camera sent a frame since the link opened: something is there.
    bool m_answered = false;
    // Its reports came since the link opened (so their silence means something).
    bool m_reportedSinceOpen = false;
    bool m_readyDelayElapsed = false;
    QTimer *m_handshakeRepeat = nullptr;
    AnswerWatch *m_answerWatch = nullptr;
    bool m_sendingHandshakeSync = false;
    QTimer *m_aiSetTimer = nullptr;
    bool m_aiSetPending = false;
    MotionController *m_motion = nullptr;
    IrCameraController *m_infrared = nullptr;
    VisCameraController *m_visible = nullptr;
    CommonCameraController *m_common = nullptr;
    PlaybackController *m_playback = nullptr;
    LaserController *m_laser = nullptr;
    SbusController *m_sbus = nullptr;
    int m_imageModeOverride = -1;
};
