#pragma once

#include "commands/BaseGimbalController.h"
#include "commands/ZoomDirection.h"

#include <QDateTime>
#include <QString>
#include <QVariantList>
#include <QVector>
#include <functional>

// Commands for the camera as a whole: capture, zoom, stream output, memory
// card, clock, focus, OSD, AI recognition and tracking, and the read-back
// queries. Single-byte values go out as their low 8 bits; texts as
// fixed-width UTF-8 fields.
class CommonCameraController : public BaseGimbalController
{
    Q_OBJECT
public:
    static constexpr int FolderWidth = 20;
    static constexpr int FileNameWidth = 32;
    static constexpr int OsdTextWidth = 64;

    explicit CommonCameraController(QObject *parent = nullptr);

    // The clock the time sync reads; the computer's local clock by default.
    void setClock(std::function<QDateTime()> clock);

    Q_INVOKABLE void photoVideoModeSet(int mode);
    Q_INVOKABLE void photoParamsSet(int mode, int interval, int burst);
    Q_INVOKABLE void takePhoto(int photoMode, int action, QString folder = QString(),
                               QString name = QString());
    Q_INVOKABLE void recordVideo(int recordMode, int action, QString folder = QString(),
                                 QString name = QString());
    Q_INVOKABLE void hybridZoomSet(float zoom);
    // `direction` a ZoomDirection::Value (the protocol's 0 in, 1 out, 2 stop).
    Q_INVOKABLE void continuousZoom(int direction);
    Q_INVOKABLE void bitrateSet(int bitrate);
    Q_INVOKABLE void outputResSet(int res);
    Q_INVOKABLE void encodingFormatSet(int format);
    Q_INVOKABLE void tfFormat();
    Q_INVOKABLE void timeSync();
    Q_INVOKABLE void factoryReset();
    // focusType is accepted but the device takes no such byte.
    Q_INVOKABLE void focusControl(int mode, int x1 = 0, int y1 = 0, int x2 = 0, int y2 = 0,
                                  int focusType = 0);
    Q_INVOKABLE void osdWatermarkSwitch(bool on);
    Q_INVOKABLE void cameraShutdown();
    Q_INVOKABLE void cameraVersionGet();
    Q_INVOKABLE void imageModeSet(int mode);
    // Categories 1..128 become bits of a 16-byte mask; others are skipped.
    Q_INVOKABLE void aiRecognitionSet(bool on, int modelType, QVector<int> categories);
    Q_INVOKABLE void aiRecognitionSetList(bool on, int modelType, QVariantList categories);
    // Rectangle in the 1920 x 1080 logical picture.
    Q_INVOKABLE void targetTrackingSet(bool on, int x, int y, int w, int h);
    Q_INVOKABLE void coreTempGet();
    Q_INVOKABLE void osdConfigSet(int item, int enable, int pos, int color);
    Q_INVOKABLE void osdCustomTextSet(int index, QString text);
    Q_INVOKABLE void osdConfigGet();
    Q_INVOKABLE void aiCategoriesGet();
    Q_INVOKABLE void deviceSnGet();
    Q_INVOKABLE void kernelVersionGet();
    // 0 private protocol, 1 and 2 the two standard-message variants.
    Q_INVOKABLE void uartProtocolSet(int protocol);
    Q_INVOKABLE void uartProtocolGet();

private:
    void sendCapture(CommandCode::Code code, int mode, int action, const QString &folder,
                     const QString &name);

    std::function<QDateTime()> m_clock;
};
