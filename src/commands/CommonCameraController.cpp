#include "commands/CommonCameraController.h"

#include "link/CommandCode.h"
#include "link/Language.h"
#include "link/Payload.h"

#include <cmath>

namespace
{

constexpr int AiMaskBytes = 16;
constexpr int AiMaxCategory = AiMaskBytes * 8;

// The low 16 bits of zoom x 10 truncated toward zero, computed without an
// out-of-range float-to-int cast (non-finite input sends 0).
quint16 zoomTenthsLow16(float zoom)
{
    const double t = std::trunc(double(zoom) * 10.0);
    if (!std::isfinite(t))
        return 0;
    double low = std::fmod(t, 65536.0);
    if (low < 0)
        low += 65536.0;
    return quint16(low);
}

} // namespace

CommonCameraController::CommonCameraController(QObject *parent)
    : BaseGimbalController(parent), m_clock([] { return QDateTime::currentDateTime(); })
{
}

void CommonCameraController::setClock(std::function<QDateTime()> clock)
{
    if (clock)
        m_clock = std::move(clock);
    else
        m_clock = [] { return QDateTime::currentDateTime(); };
}

void CommonCameraController::sendCapture(CommandCode::Code code, int mode, int action,
                                         const QString &folder, const QString &name)
{
    QByteArray p;
    Payload::appendU8(p, mode);
    Payload::appendU8(p, action);
    Payload::appendFixedString(p, folder, FolderWidth);
    Payload::appendFixedString(p, name, FileNameWidth);
    sendCommand(code, p);
}

void CommonCameraController::photoVideoModeSet(int mode)
{
    sendValue(CommandCode::PhotoVideoMode, mode);
}

void CommonCameraController::photoParamsSet(int mode, int interval, int burst)
{
    QByteArray p;
    Payload::appendU8(p, mode);
    Payload::appendU8(p, interval);
    Payload::appendU8(p, burst);
    Payload::appendU8(p, 0);
    sendCommand(CommandCode::PhotoParams, p);
}

void CommonCameraController::takePhoto(int photoMode, int action, QString folder, QString name)
{
    sendCapture(CommandCode::TakePhoto, photoMode, action, folder, name);
}

void CommonCameraController::recordVideo(int recordMode, int action, QString folder, QString name)
{
    sendCapture(CommandCode::RecordVideo, recordMode, action, folder, name);
}

void CommonCameraController::hybridZoomSet(float zoom)
{
    QByteArray p;
    Payload::appendU8(p, 0);
    Payload::appendU16(p, zoomTenthsLow16(zoom));
    sendCommand(CommandCode::HybridZoom, p);
}

void CommonCameraController::continuousZoom(int direction)
{
    sendValue(CommandCode::ContinuousZoom, direction);
}

void CommonCameraController::bitrateSet(int bitrate)
{
    sendValue(CommandCode::SetBitrate, bitrate);
}

void CommonCameraController::outputResSet(int res)
{
    sendValue(CommandCode::SetStreamResolution, res);
}

void CommonCameraController::encodingFormatSet(int format)
{
    sendValue(CommandCode::SetEncodingFormat, format);
}

void CommonCameraController::tfFormat()
{
    sendValue(CommandCode::FormatStorageCard, 1);
}

void CommonCameraController::timeSync()
{
    // One reading serves payload and log line, so both tell the same instant.
    const QDateTime now = m_clock();
    const quint64 ms = quint64(now.toMSecsSinceEpoch());
    // Integer division truncates toward zero, as the device expects.
    const int offsetMinutes = now.offsetFromUtc() / 60;

    QByteArray p;
    Payload::appendU32(p, quint32(ms & 0xFFFFFFFFu));
    Payload::appendU32(p, quint32(ms >> 32));
    Payload::appendS16(p, qint16(offsetMinutes));
    p.append(QByteArray(6, '\0'));
    if (!sendCommand(CommandCode::TimeSync, p))
        return;

    emit logMessage(Language::pick(QStringLiteral("[Camera] Time sync → PC %1"),
                                   QStringLiteral("[相机] 时间同步 → 本机 %1"))
                        .arg(now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
}

void CommonCameraController::factoryReset()
{
    sendValue(CommandCode::FactoryReset, 1);
}

void CommonCameraController::focusControl(int mode, int x1, int y1, int x2, int y2, int focusType)
{
    Q_UNUSED(focusType)
    QByteArray p;
    Payload::appendU8(p, mode);
    Payload::appendU16(p, quint16(x1));
    Payload::appendU16(p, quint16(y1));
    Payload::appendU16(p, quint16(x2));
    Payload::appendU16(p, quint16(y2));
    Payload::appendU8(p, 0);
    sendCommand(CommandCode::FocusControl, p);
}

void CommonCameraController::osdWatermarkSwitch(bool on)
{
    QByteArray p;
    Payload::appendU8(p, on ? 1 : 0);
    Payload::appendU8(p, 0);
    Payload::appendU8(p, 0);
    sendCommand(CommandCode::OsdWatermarkSwitch, p);
}

void CommonCameraController::cameraShutdown()
{
    sendValue(CommandCode::CameraShutdown, 1);
}

void CommonCameraController::cameraVersionGet()
{
    sendQuery(CommandCode::GetCameraVersion);
}

void CommonCameraController::imageModeSet(int mode)
{
    sendValue(CommandCode::SetImageMode, mode);
}

void CommonCameraController::aiRecognitionSet(bool on, int modelType, QVector<int> categories)
{
    QByteArray mask(AiMaskBytes, '\0');
    if (on) {
        for (int c : categories) {
            if (c < 1 || c > AiMaxCategory)
                continue;
            const int bit = c - 1;
            mask[bit / 8] = char(quint8(mask.at(bit / 8)) | (1u << (bit % 8)));
        }
    }
    QByteArray p;
    Payload::appendU8(p, on ? 1 : 2);
    Payload::appendU8(p, modelType);
    Payload::appendBytes(p, mask);
    sendCommand(CommandCode::AiRecognitionSet, p);
}

void CommonCameraController::aiRecognitionSetList(bool on, int modelType, QVariantList categories)
{
    QVector<int> values;
    values.reserve(categories.size());
    for (const QVariant &v : categories)
        values.append(v.toInt()); // not a number → 0, which the mask skips
    aiRecognitionSet(on, modelType, values);
}

void CommonCameraController::targetTrackingSet(bool on, int x, int y, int w, int h)
{
    QByteArray p;
    Payload::appendU8(p, on ? 1 : 2);
    Payload::appendU16(p, quint16(x));
    Payload::appendU16(p, quint16(y));
    Payload::appendU16(p, quint16(w));
    Payload::appendU16(p, quint16(h));
    Payload::appendU8(p, 0);
    sendCommand(CommandCode::TargetTrackingSet, p);
}

void CommonCameraController::coreTempGet()
{
    sendQuery(CommandCode::GetCoreTemperature);
}

void CommonCameraController::osdConfigSet(int item, int enable, int pos, int color)
{
    const int colorByte = color > 1 ? 2 : 1;
    QByteArray p;
    Payload::appendU8(p, (item & 0x7F) | (enable != 0 ? 0x80 : 0));
    Payload::appendU8(p, Payload::clampInt(pos, 1, 4));
    Payload::appendU8(p, colorByte);
    Payload::appendU8(p, colorByte);
    Payload::appendU8(p, 0);
    sendCommand(CommandCode::SetOsdConfig, p);
}

void CommonCameraController::osdCustomTextSet(int index, QString text)
{
    QByteArray p;
    Payload::appendU8(p, index);
    // A character cut in half would show as garbage on the picture.
    Payload::appendFixedString(p, Payload::wholeCharactersWithin(text, OsdTextWidth), OsdTextWidth);
    Payload::appendU8(p, 0);
    sendCommand(CommandCode::SetOsdCustomText, p);
}

void CommonCameraController::osdConfigGet()
{
    sendQuery(CommandCode::GetOsdConfig);
}

void CommonCameraController::aiCategoriesGet()
{
    sendQuery(CommandCode::GetAiCategories);
}

void CommonCameraController::deviceSnGet()
{
    sendQuery(CommandCode::GetDeviceSn);
}

void CommonCameraController::kernelVersionGet()
{
    sendQuery(CommandCode::GetKernelVersion);
}

void CommonCameraController::uartProtocolSet(int protocol)
{
    sendValue(CommandCode::SetUartProtocol, Payload::clampInt(protocol, 0, 2));
}

void CommonCameraController::uartProtocolGet()
{
    sendQuery(CommandCode::GetUartProtocol);
}
