#include "commands/CommandCatalog.h"

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
    {0x0001, "Gimbal status report", "云台状态上报"},
    {0x0002, "Gimbal attitude report", "云台姿态上报"},
    {0x0003, "Camera system status", "相机系统状态"},
    {0x0004, "IR camera status", "红外相机状态"},
    {0x0005, "Visible camera status", "可见光相机状态"},
    {0x0008, "Camera upgrade status", "相机升级状态"},
    {0x0010, "Gimbal speed control", "云台速度控制"},
    {0x0012, "Gimbal angle control", "云台角度控制"},
    {0x0013, "Gimbal calibration", "云台校准"},
    {0x0017, "Gimbal speed set", "云台速度设置"},
    {0x0018, "Get gimbal version", "读取云台版本"},
    {0x002C, "Point aim", "指点瞄准"},
    {0x002D, "Gimbal servo off", "云台电机断电"},
    {0x002E, "Gimbal linear calibration", "云台线性校准"},
    {0x002F, "Gimbal soft reset", "云台软复位"},
    {0x0030, "FC attitude", "飞控姿态"},
    {0x0031, "Accel calibration", "加速度校准"},
    {0x0032, "FC info send", "飞控信息发送"},
    {0x0033, "Gimbal stabilize", "云台增稳"},
    {0x0034, "Lock/follow mode", "锁定/跟随模式"},
    {0x0100, "Get IR all params", "读取红外全部参数"},
    {0x0105, "IR zoom", "红外变倍"},
    {0x0106, "IR color palette", "红外伪彩"},
    {0x0108, "IR temp switch", "红外测温开关"},
    {0x010A, "IR sharpness", "红外锐度"},
    {0x010B, "IR brightness", "红外亮度"},
    {0x010C, "IR contrast", "红外对比度"},
    {0x010D, "IR denoise", "红外降噪"},
    {0x010E, "IR enhance", "红外增强"},
    {0x010F, "IR point temp", "红外点测温"},
    {0x0110, "IR area temp", "红外区域测温"},
    {0x0123, "IR gain mode", "红外增益模式"},
    {0x0125, "IR temp overlay", "红外温度叠加"},
    {0x0127, "IR fusion VIS", "红外融合可见光"},
    {0x0128, "IR fusion debug", "红外融合调试"},
    {0x0129, "IR fusion gray", "红外融合灰度"},
    {0x012B, "IR AI super-res", "红外AI超分"},
    {0x0200, "Get visible all params", "读取可见光全部参数"},
    {0x0201, "Set record resolution", "设置录像分辨率"},
    {0x0202, "Set photo resolution", "设置拍照分辨率"},
    {0x0203, "Set ISO", "设置 ISO"},
    {0x0204, "Set shutter", "设置快门"},
    {0x0205, "Set EV", "设置曝光补偿"},
    {0x0206, "Set white balance", "设置白平衡"},
    {0x0207, "Set anti-flicker", "设置抗闪烁"},
    {0x0208, "Highlight suppress", "强光抑制"},
    {0x0209, "Backlight compensation", "背光补偿"},
    {0x020A, "AE lock", "自动曝光锁定"},
    {0x020B, "Metering mode", "测光模式"},
    {0x020E, "Night mode", "夜景模式"},
    {0x020F, "Night FPS", "夜景帧率"},
    {0x0212, "VIS fusion IR", "可见光融合红外"},
    {0x0213, "VIS fusion debug", "可见光融合调试"},
    {0x0214, "VIS fusion gray", "可见光融合灰度"},
    {0x0300, "Photo/video mode", "拍照/录像模式"},
    {0x0301, "Photo params", "拍照参数"},
    {0x0302, "Take photo", "拍照"},
    {0x0303, "Record video", "录像"},
    {0x0304, "Hybrid zoom", "混合变倍"},
    {0x0306, "Continuous zoom", "连续变倍"},
    {0x0308, "Set bitrate", "设置码率"},
    {0x030A, "Set stream resolution", "设置图传分辨率"},
    {0x030B, "Set encoding format", "设置编码格式"},
    {0x030D, "Format storage card", "格式化存储卡"},
    {0x030E, "Time sync", "时间同步"},
    {0x030F, "Factory reset", "恢复出厂设置"},
    {0x0310, "GPS request", "请求 GPS"},
    {0x0311, "Set IP", "设置 IP"},
    {0x0312, "Get IP", "读取 IP"},
    {0x0313, "Focus control", "对焦控制"},
    {0x0314, "OSD watermark switch", "OSD 水印开关"},
    {0x0316, "Camera shutdown", "相机关机"},
    {0x0317, "Get camera version", "读取相机版本"},
    {0x0318, "Set image mode", "设置画面模式"},
    {0x0319, "AI recognition set", "AI 识别设置"},
    {0x0320, "Target GPS request", "目标 GPS 请求"},
    {0x0324, "Target tracking set", "目标跟踪设置"},
    {0x0325, "Get core temperature", "读取核心温度"},
    {0x0329, "Set OSD config", "设置 OSD 配置"},
    {0x032A, "Set OSD custom text", "设置 OSD 自定义文字"},
    {0x032B, "Playback mode", "回放模式"},
    {0x032C, "Refresh media list", "刷新媒体列表"},
    {0x032D, "Delete media file", "删除媒体文件"},
    {0x032E, "Download media file", "下载媒体文件"},
    {0x032F, "Start video playback", "开始视频回放"},
    {0x0330, "Stop video playback", "停止视频回放"},
    {0x0331, "Pause video playback", "暂停视频回放"},
    {0x0332, "Seek video playback", "视频回放跳转"},
    {0x0333, "Playback status report", "回放状态上报"},
    {0x0334, "Set playback client", "设置回放客户端"},
    {0x0335, "Get OSD config", "读取 OSD 配置"},
    {0x0336, "Get AI categories", "读取 AI 类别"},
    {0x0337, "Get device SN", "读取设备序列号"},
    {0x0339, "Get playback client", "读取回放客户端"},
    {0x033A, "Get kernel version", "读取内核版本"},
    {0x033B, "Target GPS report switch", "目标 GPS 上报开关"},
    {0x0342, "Set UART protocol", "设置串口协议"},
    {0x0343, "Get UART protocol", "读取串口协议"},
    {0x0380, "Set record format", "设置录像格式"},
    {0x0381, "Get record format", "读取录像格式"},
    {0x0382, "Set linked zoom", "设置联动变焦"},
    {0x0383, "Get linked zoom", "读取联动变焦"},
    {0x0400, "Laser range set", "激光测距设置"},
    {0x0406, "Laser periodic range", "激光周期测距"},
    {0x0500, "Set SBUS range", "设置 SBUS 行程范围"},
    {0x0501, "Set SBUS channels", "设置 SBUS 通道"},
    {0x0502, "Get SBUS config", "读取 SBUS 配置"},
    {0x0503, "SBUS switch", "SBUS 开关"},
    {0x0504, "Set SBUS zoom ext", "设置 SBUS 变倍扩展"},
    {0x0505, "Get SBUS zoom ext", "读取 SBUS 变倍扩展"},
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
