#include "commands/CommandCatalog.h"

#include "link/CommandCode.h"
#include "link/Language.h"

#include <algorithm>
#include <iterator>

namespace
{

struct Entry {
    quint16 code;
    const char *english;
    const char *chinese;
};

// Sorted by code.
const Entry entries[] = {
    {CommandCode::GimbalStatusReport, "Gimbal status report", "云台状态上报"},
    {CommandCode::GimbalAttitudeReport, "Gimbal attitude report", "云台姿态上报"},
    {CommandCode::CameraSystemStatus, "Camera system status", "相机系统状态"},
    {CommandCode::IrCameraStatus, "IR camera status", "红外相机状态"},
    {CommandCode::VisibleCameraStatus, "Visible camera status", "可见光相机状态"},
    {CommandCode::CameraUpgradeStatus, "Camera upgrade status", "相机升级状态"},
    {CommandCode::GimbalSpeedControl, "Gimbal speed control", "云台速度控制"},
    {CommandCode::GimbalAngleControl, "Gimbal angle control", "云台角度控制"},
    {CommandCode::GimbalCalibration, "Gimbal calibration", "云台校准"},
    {CommandCode::GimbalSpeedSet, "Gimbal speed set", "云台速度设置"},
    {CommandCode::GetGimbalVersion, "Get gimbal version", "读取云台版本"},
    {CommandCode::PointAim, "Point aim", "指点瞄准"},
    {CommandCode::GimbalServoOff, "Gimbal servo off", "云台电机断电"},
    {CommandCode::GimbalLinearCalibration, "Gimbal linear calibration", "云台线性校准"},
    {CommandCode::GimbalSoftReset, "Gimbal soft reset", "云台软复位"},
    {CommandCode::FcAttitude, "FC attitude", "飞控姿态"},
    {CommandCode::AccelCalibration, "Accel calibration", "加速度校准"},
    {CommandCode::FcInfoSend, "FC info send", "飞控信息发送"},
    {CommandCode::GimbalStabilize, "Gimbal stabilize", "云台增稳"},
    {CommandCode::LockFollowMode, "Lock/follow mode", "锁定/跟随模式"},
    {CommandCode::GetIrAllParams, "Get IR all params", "读取红外全部参数"},
    {CommandCode::IrZoom, "IR zoom", "红外变倍"},
    {CommandCode::IrColorPalette, "IR color palette", "红外伪彩"},
    {CommandCode::IrTempSwitch, "IR temp switch", "红外测温开关"},
    {CommandCode::IrSharpness, "IR sharpness", "红外锐度"},
    {CommandCode::IrBrightness, "IR brightness", "红外亮度"},
    {CommandCode::IrContrast, "IR contrast", "红外对比度"},
    {CommandCode::IrDenoise, "IR denoise", "红外降噪"},
    {CommandCode::IrEnhance, "IR enhance", "红外增强"},
    {CommandCode::IrPointTemp, "IR point temp", "红外点测温"},
    {CommandCode::IrAreaTemp, "IR area temp", "红外区域测温"},
    {CommandCode::IrGainMode, "IR gain mode", "红外增益模式"},
    {CommandCode::IrTempOverlay, "IR temp overlay", "红外温度叠加"},
    {CommandCode::IrFusionVis, "IR fusion VIS", "红外融合可见光"},
    {CommandCode::IrFusionDebug, "IR fusion debug", "红外融合调试"},
    {CommandCode::IrFusionGray, "IR fusion gray", "红外融合灰度"},
    {CommandCode::IrAiSuperRes, "IR AI super-res", "红外AI超分"},
    {CommandCode::GetVisibleAllParams, "Get visible all params", "读取可见光全部参数"},
    {CommandCode::SetRecordResolution, "Set record resolution", "设置录像分辨率"},
    {CommandCode::SetPhotoResolution, "Set photo resolution", "设置拍照分辨率"},
    {CommandCode::SetIso, "Set ISO", "设置 ISO"},
    {CommandCode::SetShutter, "Set shutter", "设置快门"},
    {CommandCode::SetEv, "Set EV", "设置曝光补偿"},
    {CommandCode::SetWhiteBalance, "Set white balance", "设置白平衡"},
    {CommandCode::SetAntiFlicker, "Set anti-flicker", "设置抗闪烁"},
    {CommandCode::HighlightSuppress, "Highlight suppress", "强光抑制"},
    {CommandCode::BacklightCompensation, "Backlight compensation", "背光补偿"},
    {CommandCode::AeLock, "AE lock", "自动曝光锁定"},
    {CommandCode::MeteringMode, "Metering mode", "测光模式"},
    {CommandCode::NightMode, "Night mode", "夜景模式"},
    {CommandCode::NightFps, "Night FPS", "夜景帧率"},
    {CommandCode::VisFusionIr, "VIS fusion IR", "可见光融合红外"},
    {CommandCode::VisFusionDebug, "VIS fusion debug", "可见光融合调试"},
    {CommandCode::VisFusionGray, "VIS fusion gray", "可见光融合灰度"},
    {CommandCode::PhotoVideoMode, "Photo/video mode", "拍照/录像模式"},
    {CommandCode::PhotoParams, "Photo params", "拍照参数"},
    {CommandCode::TakePhoto, "Take photo", "拍照"},
    {CommandCode::RecordVideo, "Record video", "录像"},
    {CommandCode::HybridZoom, "Hybrid zoom", "混合变倍"},
    {CommandCode::ContinuousZoom, "Continuous zoom", "连续变倍"},
    {CommandCode::SetBitrate, "Set bitrate", "设置码率"},
    {CommandCode::SetStreamResolution, "Set stream resolution", "设置图传分辨率"},
    {CommandCode::SetEncodingFormat, "Set encoding format", "设置编码格式"},
    {CommandCode::FormatStorageCard, "Format storage card", "格式化存储卡"},
    {CommandCode::TimeSync, "Time sync", "时间同步"},
    {CommandCode::FactoryReset, "Factory reset", "恢复出厂设置"},
    {CommandCode::GpsRequest, "GPS request", "请求 GPS"},
    {CommandCode::SetIp, "Set IP", "设置 IP"},
    {CommandCode::GetIp, "Get IP", "读取 IP"},
    {CommandCode::FocusControl, "Focus control", "对焦控制"},
    {CommandCode::OsdWatermarkSwitch, "OSD watermark switch", "OSD 水印开关"},
    {CommandCode::CameraShutdown, "Camera shutdown", "相机关机"},
    {CommandCode::GetCameraVersion, "Get camera version", "读取相机版本"},
    {CommandCode::SetImageMode, "Set image mode", "设置画面模式"},
    {CommandCode::AiRecognitionSet, "AI recognition set", "AI 识别设置"},
    {CommandCode::TargetGpsRequest, "Target GPS request", "目标 GPS 请求"},
    {CommandCode::TargetTrackingSet, "Target tracking set", "目标跟踪设置"},
    {CommandCode::GetCoreTemperature, "Get core temperature", "读取核心温度"},
    {CommandCode::SetOsdConfig, "Set OSD config", "设置 OSD 配置"},
    {CommandCode::SetOsdCustomText, "Set OSD custom text", "设置 OSD 自定义文字"},
    {CommandCode::PlaybackMode, "Playback mode", "回放模式"},
    {CommandCode::RefreshMediaList, "Refresh media list", "刷新媒体列表"},
    {CommandCode::DeleteMediaFile, "Delete media file", "删除媒体文件"},
    {CommandCode::DownloadMediaFile, "Download media file", "下载媒体文件"},
    {CommandCode::StartVideoPlayback, "Start video playback", "开始视频回放"},
    {CommandCode::StopVideoPlayback, "Stop video playback", "停止视频回放"},
    {CommandCode::PauseVideoPlayback, "Pause video playback", "暂停视频回放"},
    {CommandCode::SeekVideoPlayback, "Seek video playback", "视频回放跳转"},
    {CommandCode::PlaybackStatusReport, "Playback status report", "回放状态上报"},
    {CommandCode::SetPlaybackClient, "Set playback client", "设置回放客户端"},
    {CommandCode::GetOsdConfig, "Get OSD config", "读取 OSD 配置"},
    {CommandCode::GetAiCategories, "Get AI categories", "读取 AI 类别"},
    {CommandCode::GetDeviceSn, "Get device SN", "读取设备序列号"},
    {CommandCode::GetPlaybackClient, "Get playback client", "读取回放客户端"},
    {CommandCode::GetKernelVersion, "Get kernel version", "读取内核版本"},
    {CommandCode::TargetGpsReportSwitch, "Target GPS report switch", "目标 GPS 上报开关"},
    {CommandCode::SetUartProtocol, "Set UART protocol", "设置串口协议"},
    {CommandCode::GetUartProtocol, "Get UART protocol", "读取串口协议"},
    {CommandCode::SetRecordFormat, "Set record format", "设置录像格式"},
    {CommandCode::GetRecordFormat, "Get record format", "读取录像格式"},
    {CommandCode::SetLinkedZoom, "Set linked zoom", "设置联动变焦"},
    {CommandCode::GetLinkedZoom, "Get linked zoom", "读取联动变焦"},
    {CommandCode::LaserRangeSet, "Laser range set", "激光测距设置"},
    {CommandCode::LaserPeriodicRange, "Laser periodic range", "激光周期测距"},
    {CommandCode::SetSbusRange, "Set SBUS range", "设置 SBUS 行程范围"},
    {CommandCode::SetSbusChannels, "Set SBUS channels", "设置 SBUS 通道"},
    {CommandCode::GetSbusConfig, "Get SBUS config", "读取 SBUS 配置"},
    {CommandCode::SbusSwitch, "SBUS switch", "SBUS 开关"},
    {CommandCode::SetSbusZoomExt, "Set SBUS zoom ext", "设置 SBUS 变倍扩展"},
    {CommandCode::GetSbusZoomExt, "Get SBUS zoom ext", "读取 SBUS 变倍扩展"},
};

const Entry *find(quint16 code)
{
    const auto it = std::lower_bound(std::begin(entries), std::end(entries), code,
                                     [](const Entry &e, quint16 c) { return e.code < c; });
    return it != std::end(entries) && it->code == code ? it : nullptr;
}

} // namespace

bool CommandCatalog::isKnown(quint16 code)
{
    return find(code) != nullptr;
}

QString CommandCatalog::englishName(quint16 code)
{
    const Entry *e = find(code);
    return e ? QString::fromUtf8(e->english) : QString();
}

QString CommandCatalog::chineseName(quint16 code)
{
    const Entry *e = find(code);
    return e ? QString::fromUtf8(e->chinese) : QString();
}

QString CommandCatalog::displayName(quint16 code)
{
    if (const Entry *e = find(code))
        return Language::pick(QString::fromUtf8(e->english), QString::fromUtf8(e->chinese));
    return Language::pick(QStringLiteral("Unknown command (0x%1)"),
                          QStringLiteral("未知指令 (0x%1)"))
        .arg(code, 6, 16, QLatin1Char('0'));
}

QString commandDisplayName(quint16 code)
{
    return CommandCatalog::displayName(code);
}
