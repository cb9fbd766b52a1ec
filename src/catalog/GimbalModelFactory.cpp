#include "catalog/GimbalModelFactory.h"

#include <QUrl>
#include <QVariantMap>

namespace
{

QString rtspUrl(const QString &host, int port, const QString &path)
{
    QUrl url;
    url.setScheme(QStringLiteral("rtsp"));
    url.setHost(host);
    url.setPort(port);
    url.setPath(path);
    return url.toString();
}

const char *const kPrimaryIp = "192.168.144.64";
const char *const kSecondaryIp = "192.168.144.119";

QString deviceStreamUrl()
{
    return rtspUrl(QLatin1String(kPrimaryIp), 558, QStringLiteral("/live/single"));
}

// Resolutions are shown with the same text in both languages.
ModelOption res(const char *text, int value, int writeValue = -1)
{
    const QString label = QString::fromLatin1(text);
    return ModelOption{label, label, value, writeValue};
}

ModelOption opt(int value, const char *chinese, const char *english)
{
    return ModelOption{QString::fromUtf8(chinese), QString::fromUtf8(english), value, -1};
}

QVector<ModelOption> dualSensorPhotos()
{
    return {res("3840x2160", 22), res("1920x1080", 23)};
}

QVector<ModelOption> dualSensorRecords()
{
    return {res("3840x2160", 38), res("1920x1080", 8)};
}

QVector<ModelOption> highResPhotos()
{
    return {res("8000x6000", 20), res("4000x3000", 21), res("3840x2160", 22)};
}

} // namespace

ModelSpec GimbalModelFactory::baseSpec()
{
    ModelSpec s;
    s.defaultVideoUrl = rtspUrl(QStringLiteral("127.0.0.1"), 8554, QStringLiteral("/test"));
    s.defaultUdpIp = QLatin1String(kPrimaryIp);

    s.hasVisibleLight = true;
    s.hasInfrared = true;
    s.hasAiRecognition = true;
    s.hasOsd = true;
    s.hasSbus = true;
    s.hasSbusRange = true;
    s.hasNetworkConfig = true;
    s.hasLaser = false;
    s.hasVideoOutputFormat = true;
    s.hasIrAiSuperRes = true;
    s.hasIrTemp = true;
    s.hasIrFusion = false;
    s.irFusionOffsetLimited = true;
    s.hasGimbalPointAim = true;
    s.hasAlbum = true;
    s.hasHttpFirmwareUpgrade = false;
    s.hasUartProtocolConfig = false;

    s.visFusionHMin = 440;
    s.visFusionHMax = 640;
    s.visFusionVMin = 111;
    s.visFusionVMax = 311;
    s.irFusionHMin = -753;
    s.irFusionHMax = -553;
    s.irFusionVMin = -391;
    s.irFusionVMax = -191;

    s.visZoomMin = 1.0;
    s.visZoomMax = 30.0;
    s.visZoomStep = 0.1;
    s.irZoomMin = 1.0;
    s.irZoomMax = 8.0;
    s.irZoomStep = 1.0;
    s.pitchMinDeg = -90.0;
    s.pitchMaxDeg = 30.0;
    s.yawMinDeg = -180.0;
    s.yawMaxDeg = 180.0;

    s.photoResolutions = {res("8000x6000", 20), res("4000x3000", 21)};
    s.recordResolutions = {res("1920x1080", 8), res("3840x2160", 38), res("4000x3000", 54)};
    s.streamResolutions = {res("1920x1080 30fps", 0, 1), res("1280x720 30fps", 1, 2)};
    s.bitrates = {opt(1, "1M", "1 Mbps"), opt(2, "1.5M", "1.5 Mbps"), opt(3, "2M", "2 Mbps"),
                  opt(4, "4M", "4 Mbps"), opt(5, "8M", "8 Mbps"),     opt(6, "12M", "12 Mbps")};
    s.videoOutputModes = {opt(6, "只显示可见光", "Visible Only"), opt(0, "只显示红外", "IR Only"),
                          opt(7, "分屏显示", "Split Screen")};
    s.irColorPalettes = paletteSet3();
    s.aiCategories = aiCategoryOptions();
    s.osdItems = osdItemOptions();
    return s;
}

void GimbalModelFactory::applyDualSensor(ModelSpec &caps, double visZoomMax, bool hasLaser)
{
    caps.defaultVideoUrl = deviceStreamUrl();
    caps.hasInfrared = true;
    caps.hasAiRecognition = true;
    caps.hasIrAiSuperRes = true;
    caps.hasLaser = hasLaser;
    caps.visZoomMax = visZoomMax;
    caps.photoResolutions = dualSensorPhotos();
    caps.recordResolutions = dualSensorRecords();
}

void GimbalModelFactory::applyVisibleOnly(ModelSpec &caps, double visZoomMax)
{
    caps.defaultVideoUrl = deviceStreamUrl();
    caps.hasInfrared = false;
    caps.hasIrAiSuperRes = false;
    caps.hasLaser = false;
    caps.hasVideoOutputFormat = false;
    caps.hasAiRecognition = true;
    caps.videoOutputModes.clear();
    caps.irColorPalettes.clear();
    caps.visZoomMax = visZoomMax;
    caps.photoResolutions = dualSensorPhotos();
    caps.recordResolutions = dualSensorRecords();
}

void GimbalModelFactory::applySecondaryAddress(ModelSpec &caps)
{
    caps.defaultUdpIp = QLatin1String(kSecondaryIp);
    caps.defaultVideoUrl = rtspUrl(QLatin1String(kSecondaryIp), 8600, QStringLiteral("/live0"));
}

// The compact products on the secondary address have no OSD, no SBUS travel
// range and no point-to-aim.
void GimbalModelFactory::withoutOverlayAndAim(ModelSpec &caps)
{
    caps.hasOsd = false;
    caps.hasSbusRange = false;
    caps.hasGimbalPointAim = false;
    caps.osdItems.clear();
}

void GimbalModelFactory::setIdentity(ModelSpec &caps, const QString &id, int deviceModelCode)
{
    caps.id = id;
    caps.name = id;
    caps.deviceModelCode = deviceModelCode;
}

ModelSpec GimbalModelFactory::buildSpec(const QString &id)
{
    ModelSpec s = baseSpec();

    if (id == QLatin1String("Lynx-2") || id == QLatin1String("Lynx")) {
        setIdentity(s, QStringLiteral("Lynx-2"), 4);
        applyVisibleOnly(s, 40.0);
        applySecondaryAddress(s);
        withoutOverlayAndAim(s);
    } else if (id == QLatin1String("LynxT-2")) {
        setIdentity(s, QStringLiteral("LynxT-2"), 6);
        applyDualSensor(s, 40.0, false);
        applySecondaryAddress(s);
        withoutOverlayAndAim(s);
    } else if (id == QLatin1String("LynxT-3")) {
        setIdentity(s, QStringLiteral("LynxT-3"), 7);
        applyDualSensor(s, 32.0, false);
        s.photoResolutions = highResPhotos();
        s.hasIrAiSuperRes = false;
    } else if (id == QLatin1String("Marten") || id == QLatin1String("MartenClassic")) {
        setIdentity(s, QStringLiteral("Marten"), 1);
        s.defaultVideoUrl = deviceStreamUrl();
        s.hasAiRecognition = true;
        s.visZoomMin = 1.0;
        s.visZoomMax = 16.0;
        s.visZoomStep = 0.1;
        s.hasLaser = true;
        s.hasSbusRange = false;
        s.hasIrAiSuperRes = false;
        s.hasIrTemp = false;
        s.hasIrFusion = true;
        s.photoResolutions = {res("8000x6000", 20), res("3840x2160", 22), res("2704x1520", 131),
                              res("1920x1080", 23)};
        s.recordResolutions = {res("3840x2160", 38), res("2704x1520", 130), res("1920x1080", 8)};
    } else if (id == QLatin1String("Heron-Mini-A")) {
        setIdentity(s, QStringLiteral("Heron-Mini-A"), 8);
        applyDualSensor(s, 80.0, true);
        applySecondaryAddress(s);
        withoutOverlayAndAim(s);
    } else if (id == QLatin1String("Heron-Mini-B") || id == QLatin1String("Heron-Mini")) {
        setIdentity(s, QStringLiteral("Heron-Mini-B"), 9);
        applyDualSensor(s, 100.0, true);
        s.photoResolutions = highResPhotos();
        s.hasIrAiSuperRes = false;
        s.hasIrFusion = true;
        s.visFusionHMin = 0;
        s.visFusionHMax = 705;
        s.visFusionVMin = 0;
        s.visFusionVMax = 109;
        s.irFusionOffsetLimited = false;
        s.hasHttpFirmwareUpgrade = true;
    } else if (id == QLatin1String("Heron")) {
        setIdentity(s, QStringLiteral("Heron"), 10);
        applyDualSensor(s, 160.0, true);
        s.photoResolutions = {res("8000x6000", 20), res("4000x3000", 21)};
        s.recordResolutions = {res("4000x3000", 54), res("3840x2160", 38), res("1920x1080", 8)};
        s.hasIrAiSuperRes = false;
        s.hasIrFusion = true;
        s.hasHttpFirmwareUpgrade = true;
        s.hasUartProtocolConfig = true;
    } else if (id == QLatin1String("Ibis")) {
        setIdentity(s, QStringLiteral("Ibis"), 11);
        applyDualSensor(s, 400.0, true);
    } else if (id == QLatin1String("Wren")) {
        setIdentity(s, QStringLiteral("Wren"), 5);
        applyVisibleOnly(s, 160.0);
        s.photoResolutions = highResPhotos();
        s.hasUartProtocolConfig = true;
    } else if (id == QLatin1String("Plover") || id == QLatin1String("Finch")) {
        setIdentity(s, QStringLiteral("Plover"), 3);
        // This camera's media sender takes only small packets.
        s.mediaPacketSize = 4096;
        s.visZoomMin = 1.0;
        s.visZoomMax = 16.0;
        s.visZoomStep = 0.1;
        s.hasInfrared = false;
        s.hasAiRecognition = false;
        s.hasLaser = false;
        s.hasVideoOutputFormat = false;
        s.hasIrAiSuperRes = false;
        s.photoResolutions = {res("1920x1080", 24), res("2560x1440", 134)};
        s.recordResolutions = s.photoResolutions;
        s.streamResolutions = {res("1920x1080", 0, 1), res("1280x720", 1, 2)};
        s.videoOutputModes.clear();
        s.irColorPalettes.clear();
        s.aiCategories.clear();
    } else {
        // Otter is the fallback for anything not catalogued, so a stale or
        // mistyped id still yields a usable record.
        setIdentity(s, QStringLiteral("Otter"), 2);
        s.defaultVideoUrl = deviceStreamUrl();
        s.hasLaser = true;
        s.hasAiRecognition = false;
        s.aiCategories.clear();
        s.hasIrAiSuperRes = false;
        s.visZoomMin = 1.0;
        s.visZoomMax = 64.0;
        s.visZoomStep = 0.1;
        s.yawMinDeg = 0.0;
        s.yawMaxDeg = 360.0;
        s.photoResolutions = {res("3840x2160", 22), res("2704x1520", 131), res("1920x1080", 23)};
        s.recordResolutions = {res("3840x2160", 38), res("2704x1520", 130), res("1920x1080", 8)};
    }
    return s;
}

QVariantList GimbalModelFactory::supportedModels()
{
    static const char *const kPickerOrder[] = {"Lynx-2", "LynxT-2",      "LynxT-3",
                                               "Marten", "Heron-Mini-A", "Heron-Mini-B",
                                               "Heron",  "Ibis",         "Otter"};
    QVariantList list;
    for (const char *id : kPickerOrder) {
        QVariantMap entry;
        entry.insert(QStringLiteral("id"), QString::fromLatin1(id));
        entry.insert(QStringLiteral("name"), QString::fromLatin1(id));
        list.append(entry);
    }
    return list;
}

QVector<ModelOption> GimbalModelFactory::paletteSet1()
{
    return {opt(1, "白热", "White Hot"),  opt(2, "辉金", "Glow Gold"), opt(3, "铁红", "Iron Red"),
            opt(4, "彩虹", "Rainbow"),    opt(5, "微光", "Twilight"),  opt(6, "极光", "Aurora"),
            opt(7, "红热", "Red Hot"),    opt(8, "丛林", "Jungle"),    opt(9, "医疗", "Medical"),
            opt(10, "黑热", "Black Hot"), opt(11, "金红", "Gold Red")};
}

QVector<ModelOption> GimbalModelFactory::paletteSet2()
{
    return {opt(1, "白热", "White Hot"),   opt(2, "黑热", "Black Hot"),
            opt(3, "融合1", "Fusion 1"),   opt(4, "彩虹", "Rainbow"),
            opt(5, "铁红2", "Iron Red 2"), opt(6, "融合2", "Fusion 2"),
            opt(7, "铁红1", "Iron Red 1"), opt(8, "深褐色", "Dark Brown"),
            opt(9, "色彩1", "Color 1"),    opt(10, "色彩2", "Color 2"),
            opt(11, "冰火", "Ice Fire"),   opt(12, "雨", "Rain"),
            opt(13, "红热", "Red Hot"),    opt(14, "绿热", "Green Hot"),
            opt(15, "深蓝", "Deep Blue")};
}

QVector<ModelOption> GimbalModelFactory::paletteSet3()
{
    return {opt(1, "白热", "White Hot"),
            opt(2, "黑体", "Black Hot"),
            opt(3, "彩虹", "Rainbow"),
            opt(4, "高度对比彩虹", "High Contrast"),
            opt(5, "铁红", "Iron Red"),
            opt(6, "岩浆", "Lava"),
            opt(7, "天空", "Sky"),
            opt(8, "中灰", "Mid Gray"),
            opt(9, "灰红", "Gray Red"),
            opt(10, "紫橙", "Purple Orange"),
            opt(11, "特殊1", "Special 1"),
            opt(12, "警示红", "Alert Red"),
            opt(13, "冰火", "Ice Fire"),
            opt(14, "青红", "Cyan Red"),
            opt(15, "特殊2", "Special 2"),
            opt(16, "渐变红", "Grad Red"),
            opt(17, "渐变绿", "Grad Green"),
            opt(18, "渐变蓝", "Grad Blue"),
            opt(19, "警示绿", "Alert Green"),
            opt(20, "警示蓝", "Alert Blue")};
}

QVector<ModelOption> GimbalModelFactory::aiCategoryOptions()
{
    return {opt(1, "行人", "Person"),     opt(2, "人群", "Crowd"),
            opt(3, "自行车", "Bicycle"),  opt(4, "小汽车", "Car"),
            opt(5, "货车", "Van"),        opt(6, "卡车", "Truck"),
            opt(7, "三轮车", "Tricycle"), opt(8, "遮阳棚三轮车", "Canopy Tricycle"),
            opt(9, "公交车", "Bus"),      opt(10, "摩托车", "Motorcycle"),
            opt(11, "飞机", "Aircraft"),  opt(12, "船", "Boat"),
            opt(13, "火情", "Fire"),      opt(14, "车牌", "License Plate"),
            opt(15, "房顶", "Rooftop")};
}

QVector<ModelOption> GimbalModelFactory::osdItemOptions()
{
    return {opt(1, "自定义水印 1", "Custom OSD 1"),
            opt(2, "自定义水印 2", "Custom OSD 2"),
            opt(3, "自定义水印 3", "Custom OSD 3"),
            opt(4, "时间戳", "Timestamp"),
            opt(5, "视场角和倍数", "FOV & Zoom"),
            opt(6, "测距距离", "Range Distance"),
            opt(7, "拍照录像提示", "Photo/Record Hint"),
            opt(8, "飞机航向角", "Aircraft Heading"),
            opt(9, "云台航向/俯仰", "Gimbal Yaw/Pitch"),
            opt(10, "TF 卡剩余容量", "TF Card Free"),
            opt(11, "最高温度", "Max Temp"),
            opt(12, "最低温度", "Min Temp"),
            opt(13, "平均温度", "Avg Temp"),
            opt(14, "飞机经纬度/海拔", "Aircraft GPS/Alt"),
            opt(15, "目标经纬度", "Target GPS")};
}
