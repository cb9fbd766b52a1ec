// Byte-exact payloads of the seven command groups, checked on the frames that
// actually leave a real transport manager.

#include "common/TestMain.h"

#include "commands/CommonCameraController.h"
#include "commands/IrCameraController.h"
#include "commands/LaserController.h"
#include "commands/MotionController.h"
#include "commands/PlaybackController.h"
#include "commands/SbusController.h"
#include "commands/VisCameraController.h"
#include "common/TestTransport.h"
#include "link/FrameCodec.h"
#include "link/ITransport.h"
#include "link/Payload.h"
#include "link/TransportManager.h"

#include <QSignalSpy>
#include <QtTest>

#include <climits>
#include <cmath>
#include <functional>
#include <vector>

namespace
{

struct Sent {
    bool ok = false; // a well-formed command frame with the command flags
    quint32 messageId = 0;
    QByteArray payload;
};

// Decodes one written frame: short when it fits, long otherwise, as the
// transport manager chooses.
Sent decodeWritten(const QByteArray &frame)
{
    int used = 0;
    const ParsedFrame s = FrameCodec::decodeShortFrame(frame, used);
    if (s.valid && used == frame.size())
        return {s.flags1 == 0x04 && s.flags2 == 0x01, s.messageId, s.payload};
    const ParsedLongFrame l = FrameCodec::decodeLongFrame(frame, used);
    if (l.valid && used == frame.size())
        return {l.flags1 == 0x04 && l.flags2 == 0x01, l.messageId, l.payload};
    return {};
}

struct Groups {
    TransportManager manager;
    TestTransport transport{QStringLiteral("REC"), true};
    MotionController motion;
    IrCameraController ir;
    VisCameraController vis;
    CommonCameraController common;
    PlaybackController playback;
    LaserController laser;
    SbusController sbus;

    Groups()
    {
        manager.setTransport(&transport);
        for (BaseGimbalController *g : std::initializer_list<BaseGimbalController *>{
                 &motion, &ir, &vis, &common, &playback, &laser, &sbus})
            g->setTransportManager(&manager);
    }
};

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray zeros(int n)
{
    return QByteArray(n, '\0');
}

using skyrig_test::setChinese;

// A path of 301 bytes in UTF-8.
QString longPath()
{
    return QLatin1Char('a') + QString(100, QChar(0x4E2D));
}

struct Vector {
    const char *name;
    std::function<void(Groups &)> call;
    quint16 code;
    QByteArray payload;
    const char *en = ""; // the label that goes with the frame into the log
    const char *zh = "";
};

// One row: name, the call on the groups, the command code, the payload; the
// labelled ones add the label in both languages.
#define V(name, call, code, bytes)                                                                 \
    {                                                                                              \
        name, [](Groups &g) { g.call; }, code, bytes                                               \
    }
#define VL(name, call, code, bytes, en, zh)                                                        \
    {                                                                                              \
        name, [](Groups &g) { g.call; }, code, bytes, en, zh                                       \
    }

const std::vector<Vector> &vectors()
{
    // clang-format off
    static const std::vector<Vector> v = {
        VL("center", motion.gimbalControl(1, 0, 0), 0x0010, hex("10000000"), "Center", "回中"),
        VL("face down", motion.gimbalControl(2, 1, 1), 0x0010, hex("20010100"),
            "Face down 90°", "下视90°"),
        VL("stop", motion.gimbalControl(0, 2, 2), 0x0010, hex("00020200"), "Stop motion", "停止转动"),
        VL("pitch up", motion.gimbalControl(0, 2, 0), 0x0010, hex("00020000"), "Pitch up", "俯仰向上"),
        VL("pitch down", motion.gimbalControl(0, 2, 1), 0x0010, hex("00020100"),
            "Pitch down", "俯仰向下"),
        VL("yaw left", motion.gimbalControl(0, 0, 2), 0x0010, hex("00000200"), "Yaw left", "航向向左"),
        VL("yaw right", motion.gimbalControl(0, 1, 2), 0x0010, hex("00010200"),
            "Yaw right", "航向向右"),
        VL("no direction", motion.gimbalControl(0, 0, 0), 0x0010, hex("00000000"),
            "Gimbal control", "云台控制"),
        VL("control mode clamp", motion.gimbalControl(17, 2, 2), 0x0010, hex("F0020200"),
            "Gimbal control", "云台控制"),
        VL("control dir bytes", motion.gimbalControl(0, -1, 300), 0x0010, hex("00002C00"),
            "Gimbal control", "云台控制"),
        VL("angle example", motion.gimbalAngleControl(1, 30.5f, 1, 90.f),
            0x0012, hex("01EA0B01282300"), "Set angle", "设置角度"),
        VL("angle sign dropped", motion.gimbalAngleControl(1, -30.5f, 1, -90.f),
            0x0012, hex("01EA0B01282300"), "Set angle", "设置角度"),
        VL("angle clamps", motion.gimbalAngleControl(5, 400.f, 1, 0.004f),
            0x0012, hex("02FF7F01000000"), "Set angle", "设置角度"),
        VL("angle NaN", motion.gimbalAngleControl(-3, std::nanf(""), 0, 0.006f),
            0x0012, hex("00000000010000"), "Set angle", "设置角度"),
        V("speed clamps", motion.gimbalSpeedSet(0, 200), 0x0017, hex("059600")),
        V("speed clamps other way", motion.gimbalSpeedSet(151, 4), 0x0017, hex("960500")),
        V("calibration", motion.gimbalCalibration(), 0x0013, hex("0100")),
        V("servo off", motion.gimbalServoOff(), 0x002D, hex("0000")),
        V("linear calib", motion.gimbalLinearCalib(), 0x002E, hex("0100")),
        V("soft reset", motion.gimbalSoftReset(), 0x002F, hex("0100")),
        V("gimbal version", motion.gimbalVersionGet(), 0x0018, hex("0100")),
        V("aim example", motion.gimbalPointAim(0, 2.f, 960, 540), 0x002C, hex("001400C0031C02")),
        V("aim low clamps", motion.gimbalPointAim(3, 0.f, 0, 5000), 0x002C, hex("02010001003804")),
        V("aim high clamps", motion.gimbalPointAim(-1, 1000.f, 2000, -5),
            0x002C, hex("00400680070100")),
        V("aim zoom half up", motion.gimbalPointAim(0, 0.15f, 1, 1), 0x002C, hex("00020001000100")),
        V("aim zoom inf", motion.gimbalPointAim(0, HUGE_VALF, 1, 1), 0x002C, hex("00400601000100")),
        V("ir all params", ir.irAllParamsGet(), 0x0100, hex("0100")),
        V("ir zoom low byte", ir.irZoomSet(260), 0x0105, hex("0400")),
        V("ir palette", ir.irColorPaletteSet(3), 0x0106, hex("0300")),
        V("ir temp on", ir.irTempSwitch(true), 0x0108, hex("0000")),
        V("ir temp off", ir.irTempSwitch(false), 0x0108, hex("0100")),
        V("ir sharpness", ir.irSharpnessSet(7), 0x010A, hex("0700")),
        V("ir brightness", ir.irBrightnessSet(50), 0x010B, hex("3200")),
        V("ir contrast neg", ir.irContrastSet(-1), 0x010C, hex("FF00")),
        V("ir denoise", ir.irDenoiseSet(true, 3), 0x010D, hex("010300")),
        V("ir enhance off", ir.irEnhanceSet(0), 0x010E, hex("0000")),
        V("ir point", ir.irPointTempSet(960, 540), 0x010F, hex("C0031C0200")),
        V("ir area", ir.irAreaTempSet(200, 100, 960, 540), 0x0110, hex("C8006400C0031C0200")),
        V("ir gain", ir.irGainModeSet(1), 0x0123, hex("0100")),
        V("ir overlay", ir.irTempOverlaySet(true), 0x0125, hex("0100")),
        V("ir fusion clamp", ir.irFusionSet(true, 12, 5), 0x0127, hex("010A0000")),
        V("ir fusion split", ir.irFusionSet(false, 3, 0), 0x0127, hex("00030700")),
        V("ir align example", ir.irFusionDebugSet(2, -12, 7, 90), 0x0128, hex("0288FF46008403")),
        V("ir align clamps", ir.irFusionDebugSet(0, 4000, -4000, 400),
            0x0128, hex("01FF7F0080100E")),
        V("ir align overflow", ir.irFusionDebugSet(1, INT_MAX, -INT_MAX, -5),
            0x0128, hex("01FF7F00800000")),
        V("ir fusion gray", ir.irFusionGraySet(true), 0x0129, hex("0100")),
        V("ir super res", ir.irAiSuperResSet(false), 0x012B, hex("0000")),
        V("vis all params", vis.visAllParamsGet(), 0x0200, hex("0100")),
        V("vis record res", vis.visRecordResSet(2), 0x0201, hex("0002")),
        V("vis photo res", vis.visPhotoResSet(1), 0x0202, hex("0001")),
        V("vis iso low byte", vis.visIsoSet(300), 0x0203, hex("002C")),
        V("vis shutter", vis.visShutterSet(9), 0x0204, hex("0009")),
        V("vis ev", vis.visEvSet(4), 0x0205, hex("0004")),
        V("vis white balance", vis.visWhiteBalanceSet(3), 0x0206, hex("00030000")),
        V("vis anti flicker", vis.visAntiFlickerSet(2), 0x0207, hex("0002")),
        V("vis highlight off", vis.visHighlightSuppress(false, 40), 0x0208, hex("000228")),
        V("vis highlight on", vis.visHighlightSuppress(true, 40), 0x0208, hex("000128")),
        V("vis backlight", vis.visBacklightComp(true, 5), 0x0209, hex("000105")),
        V("vis ae lock off", vis.visAeLockSet(false), 0x020A, hex("0002")),
        V("vis metering", vis.visMeteringSet(1), 0x020B, hex("0001")),
        V("vis night off", vis.visNightModeSet(false), 0x020E, hex("0003")),
        V("vis night on", vis.visNightModeSet(true), 0x020E, hex("0001")),
        V("vis night fps", vis.visNightFpsSet(25), 0x020F, hex("0019")),
        V("vis fusion clamp", vis.visFusionSet(true, -3, 9), 0x0212, hex("01000A00")),
        V("vis align", vis.visFusionDebugSet(3, -12, 7, 90), 0x0213, hex("0188FF46008403")),
        V("vis fusion gray", vis.visFusionGraySet(true), 0x0214, hex("0100")),
        V("photo video mode", common.photoVideoModeSet(1), 0x0300, hex("0100")),
        V("photo params", common.photoParamsSet(1, 5, 3), 0x0301, hex("01050300")),
        V("take photo bare", common.takePhoto(0, 0), 0x0302, zeros(54)),
        // Fixed-width texts are cut by bytes and padded.
        V("photo names cut", common.takePhoto(1, 0, "飞行记录照片库", QString(32, QLatin1Char('n'))),
            0x0302, hex("0100") + QByteArray("飞行记录照片库").left(20) + QByteArray(32, 'n')),
        V("record start", common.recordVideo(0, 1), 0x0303, hex("0001") + zeros(52)),
        V("record name cut", common.recordVideo(0, 2, QString(25, QLatin1Char('f'))),
            0x0303, hex("0002") + QByteArray(20, 'f') + zeros(32)),
        V("hybrid zoom 1", common.hybridZoomSet(1.f), 0x0304, hex("000A00")),
        V("hybrid zoom trunc", common.hybridZoomSet(2.57f), 0x0304, hex("001900")),
        V("hybrid zoom wrap", common.hybridZoomSet(6553.7f), 0x0304, hex("000100")),
        V("hybrid zoom NaN", common.hybridZoomSet(std::nanf("")), 0x0304, hex("000000")),
        V("continuous zoom", common.continuousZoom(2), 0x0306, hex("0200")),
        V("bitrate", common.bitrateSet(4), 0x0308, hex("0400")),
        V("output res", common.outputResSet(1), 0x030A, hex("0100")),
        V("encoding", common.encodingFormatSet(1), 0x030B, hex("0100")),
        V("tf format", common.tfFormat(), 0x030D, hex("0100")),
        V("factory reset", common.factoryReset(), 0x030F, hex("0100")),
        V("focus one arg", common.focusControl(1), 0x0313, hex("01") + zeros(9)),
        V("focus full", common.focusControl(2, 100, 200, 300, 400, 9),
            0x0313, hex("026400C8002C01900100")),
        V("osd watermark", common.osdWatermarkSwitch(true), 0x0314, hex("010000")),
        V("shutdown", common.cameraShutdown(), 0x0316, hex("0100")),
        V("camera version", common.cameraVersionGet(), 0x0317, hex("0100")),
        V("image mode", common.imageModeSet(3), 0x0318, hex("0300")),
        V("ai example", common.aiRecognitionSet(true, 0, {1, 3, 10}),
            0x0319, hex("01000502") + zeros(14)),
        V("ai off clears mask", common.aiRecognitionSet(false, 0, {1, 2}),
            0x0319, hex("0200") + zeros(16)),
        V("ai range", common.aiRecognitionSet(true, 3, {0, 129, 128, -7}),
            0x0319, hex("0103") + zeros(15) + hex("80")),
        V("ai duplicates", common.aiRecognitionSet(true, 0, {8, 8, 9}),
            0x0319, hex("01008001") + zeros(14)),
        V("ai list", common.aiRecognitionSetList(true, 0, {1, "3", 10.0, "x"}),
            0x0319, hex("01000502") + zeros(14)),
        V("tracking stop", common.targetTrackingSet(false, 0, 0, 1, 1),
            0x0324, hex("02000000000100010000")),
        V("tracking start", common.targetTrackingSet(true, 960, 540, 64, 32),
            0x0324, hex("01C0031C024000200000")),
        V("core temp", common.coreTempGet(), 0x0325, hex("0100")),
        V("osd config enable", common.osdConfigSet(5, 1, 9, 7), 0x0329, hex("8504020200")),
        V("osd config mask", common.osdConfigSet(130, 0, 0, 0), 0x0329, hex("0201010100")),
        V("osd text", common.osdCustomTextSet(2, "AB"), 0x032A, hex("024142") + zeros(63)),
        // An OSD text is shown on the picture: it keeps whole characters.
        V("osd text whole characters", common.osdCustomTextSet(3, QString(22, QChar(0x4E2D))),
            0x032A, hex("03") + QString(22, QChar(0x4E2D)).toUtf8().left(63) + zeros(2)),
        V("osd text cut", common.osdCustomTextSet(1, QString(70, QLatin1Char('x'))),
            0x032A, hex("01") + QByteArray(64, 'x') + zeros(1)),
        V("osd config get", common.osdConfigGet(), 0x0335, hex("0100")),
        V("ai categories get", common.aiCategoriesGet(), 0x0336, hex("0100")),
        V("device sn", common.deviceSnGet(), 0x0337, hex("0100")),
        V("kernel version", common.kernelVersionGet(), 0x033A, hex("0100")),
        V("uart high clamp", common.uartProtocolSet(7), 0x0342, hex("0200")),
        V("uart low clamp", common.uartProtocolSet(-1), 0x0342, hex("0000")),
        V("uart get", common.uartProtocolGet(), 0x0343, hex("0100")),
        V("album on", playback.playbackModeSet(true), 0x032B, hex("0100")),
        V("album off", playback.playbackModeSet(false), 0x032B, hex("0200")),
        V("media refresh", playback.mediaListRefresh(), 0x032C, hex("0100")),
        V("delete empty", playback.mediaFileDelete(""), 0x032D, hex("00")),
        // Paths are cut at 255 bytes; a large request travels as a long frame.
        V("delete long path", playback.mediaFileDelete(longPath()),
            0x032D, hex("FF") + longPath().toUtf8().left(255)),
        VL("download list", playback.mediaFileDownload("", 1, 64000, 0, 255),
            0x032E, hex("000100FA00000000FF"), "Download media list", "下载媒体列表"),
        VL("download abort", playback.mediaFileDownload("", 7, 0, 0, 0),
            0x032E, hex("000700000000000000"), "Stop media download", "停止下载媒体"),
        VL("abort with a start", playback.mediaFileDownload("/x", 7, 0, 9, 0),
            0x032E, hex("0207000009000000002F78"), "Stop media download", "停止下载媒体"),
        VL("thumbnail", playback.mediaFileDownload("/x", 2, 1024, 0, 5),
            0x032E, hex("0202000400000000052F78"), "Download thumbnail", "下载缩略图"),
        VL("thumbnail continued", playback.mediaFileDownload("/x", 2, 1024, 1, 5),
            0x032E, hex("0202000401000000052F78"), "Continue media download", "续传媒体文件"),
        VL("download clamps", playback.mediaFileDownload("/p", 4, 70000, -5, 300),
            0x032E, hex("0204FFFF00000000FF2F70"), "Download media file", "下载媒体文件"),
        VL("download resume", playback.mediaFileDownload("/p", -3, 1024, 258, -1),
            0x032E, hex("0200000402010000002F70"), "Continue media download", "续传媒体文件"),
        VL("download long path", playback.mediaFileDownload(longPath(), 5, 1024, 0, 10),
            0x032E, hex("FF050004000000000A") + longPath().toUtf8().left(255),
            "Download media file", "下载媒体文件"),
        V("playback start", playback.videoPlaybackStart("/a.mp4"), 0x032F, hex("062F612E6D7034")),
        V("playback stop", playback.videoPlaybackStop("/a.mp4"), 0x0330, hex("062F612E6D7034")),
        V("playback pause", playback.videoPlaybackPause("/a.mp4"), 0x0331, hex("062F612E6D7034")),
        V("playback seek", playback.videoPlaybackSeek("/a.mp4", 75),
            0x0332, hex("064B0000002F612E6D7034")),
        V("seek long path", playback.videoPlaybackSeek(longPath(), 0xFFFFFFFFu),
            0x0332, hex("FFFFFFFFFF") + longPath().toUtf8().left(255)),
        V("client set", playback.playbackClientSet(1, "192.168.144.20", 6665),
            0x0334, hex("01C0A89014091A00")),
        V("client set odd", playback.playbackClientSet(300, "a.b.c.d", 80),
            0x0334, hex("FF00000000500000")),
        V("client get video", playback.playbackClientGet(0), 0x0339, hex("0100")),
        V("client get download", playback.playbackClientGet(5), 0x0339, hex("0200")),
        V("ip set", playback.ipSet(false, "192.168.144.64", "255.255.255.0", "192.168.144.1"),
            0x0311, hex("00C0A89040FFFFFF00C0A89001")),
        V("ip set odd", playback.ipSet(true, "10.0.0", "", "1.2.3.4.5"),
            0x0311, hex("010A0000000000000001020304")),
        V("ip get", playback.ipGet(), 0x0312, hex("0100")),
        VL("laser single", laser.laserRange(), 0x0400, hex("0100"), "Single ranging", "单次测距"),
        VL("laser periodic on", laser.laserPeriodicRange(true), 0x0406, hex("0100"),
            "Continuous ranging", "连续测距"),
        VL("laser periodic off", laser.laserPeriodicRange(false), 0x0406, hex("0000"),
            "Stop ranging", "停止测距"),
        V("sbus channels", sbus.sbusChannelConfig(0, 1, 2, 3, 4, 5, 6, 99),
            0x0501, hex("0001020304050610")),
        V("sbus channel clamps", sbus.sbusChannelConfig(-1, 16, 17, 15, 0, 0, 0, 0),
            0x0501, hex("0010100F00000000")),
        V("sbus range", sbus.sbusRangeSet(2000, 100), 0x0500, hex("D007640000")),
        V("sbus range clamps", sbus.sbusRangeSet(70000, -5), 0x0500, hex("FFFF000000")),
        V("sbus get", sbus.sbusConfigGet(), 0x0502, hex("0100")),
        V("sbus off", sbus.sbusSwitch(false), 0x0503, hex("0200")),
    };
    // clang-format on
    return v;
}
#undef V
#undef VL

} // namespace

class CommandGroupsPayloadTest : public QObject
{
    Q_OBJECT

private slots:

    void framedPayload_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(vectors().size()); ++i)
            QTest::newRow(vectors()[size_t(i)].name) << i;
    }

    // Every operation leaves exactly one kind-0 frame with the exact payload,
    // and its label, in the language chosen at the moment of sending.
    void framedPayload()
    {
        QFETCH(int, index);
        const Vector &v = vectors()[size_t(index)];
        for (bool chinese : {false, true}) {
            setChinese(chinese);
            Groups g;
            QSignalSpy sent(&g.manager, &TransportManager::commandSent);
            v.call(g);
            QCOMPARE(g.transport.writes.size(), 1);
            const Sent s = decodeWritten(g.transport.writes.first());
            QVERIFY(s.ok);
            QCOMPARE(s.messageId, quint32(v.code));
            QCOMPARE(s.payload.toHex(' '), v.payload.toHex(' '));
            QCOMPARE(sent.at(0).at(3).toString(), QString::fromUtf8(chinese ? v.zh : v.en));
        }
    }

    void dottedAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << "" << hex("00000000");
        QTest::newRow("empty part") << "1..3.4" << hex("01000304");
        QTest::newRow("out of range") << "300.-4.7.x" << hex("FF000700");
        QTest::newRow("blanks") << " 1 . 2 .3.4" << hex("01020304");
        QTest::newRow("huge") << "99999999999999999999.1.1.1" << hex("FF010101");
        QTest::newRow("hex text") << "0x10.1.1.1" << hex("00010101");
    }

    void dottedAddress()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(PlaybackController::dottedAddress(text).toHex(' '), bytes.toHex(' '));
    }
};

class CommandGroupsLabelTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { setChinese(true); }

    // Only the named motions get a log line of their own.
    void controlLogLine()
    {
        Groups g;
        QSignalSpy log(&g.motion, &BaseGimbalController::logMessage);
        setChinese(true);
        g.motion.gimbalControl(1, 2, 2);
        setChinese(false);
        g.motion.gimbalControl(17, 2, 2); // clamped to an unnamed mode
        g.motion.gimbalControl(0, 2, 2);
        QCOMPARE(log.count(), 2);
        QCOMPARE(log.at(0).at(0).toString(), QStringLiteral("已发送回中指令"));
        QCOMPARE(log.at(1).at(0).toString(), QStringLiteral("Sent Gimbal control command"));
    }

    // Without a transport manager the labelled groups report the drop.
    void withoutTransportManager()
    {
        setChinese(false);
        MotionController motion;
        PlaybackController playback;
        LaserController laser;
        QStringList lines;
        for (BaseGimbalController *group :
             std::initializer_list<BaseGimbalController *>{&motion, &playback, &laser})
            connect(group, &BaseGimbalController::logMessage,
                    [&](const QString &l) { lines << l; });
        motion.gimbalControl(1, 2, 2);
        motion.gimbalAngleControl(0, 1.f, 0, 1.f);
        playback.mediaFileDownload(QString(), 1, 100, 0, 1);
        laser.laserRange();
        laser.laserPeriodicRange(true);
        QCOMPARE(lines, QVector<QString>(5, QStringLiteral("[Comm/Dropped] Controller has no "
                                                           "transport manager"))
                            .toList());

        setChinese(true);
        laser.laserRange();
        QCOMPARE(lines.last(), QStringLiteral("[通信/未发送] 控制器未绑定通信管理器"));
    }
};

class CommandGroupsTimeSyncTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { setChinese(true); }

    void timeSync_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QByteArray>("offsetBytes");
        QTest::addColumn<QString>("shown");
        // All rows name the same instant, 2024-01-01 00:00:00 UTC.
        const QDate day(2024, 1, 1);
        const QDate eve(2023, 12, 31);
        QTest::newRow("UTC+8") << QDateTime(day, QTime(8, 0), Qt::OffsetFromUTC, 8 * 3600)
                               << hex("E001") << "2024-01-01 08:00:00";
        QTest::newRow("UTC-5") << QDateTime(eve, QTime(19, 0), Qt::OffsetFromUTC, -5 * 3600)
                               << hex("D4FE") << "2023-12-31 19:00:00";
        QTest::newRow("UTC+5:30") << QDateTime(day, QTime(5, 30), Qt::OffsetFromUTC, 19800)
                                  << hex("4A01") << "2024-01-01 05:30:00";
        // Seconds in the offset are truncated toward zero (−210.75 → −210).
        QTest::newRow("UTC-3:30:45") << QDateTime(eve, QTime(20, 29, 15), Qt::OffsetFromUTC, -12645)
                                     << hex("2EFF") << "2023-12-31 20:29:15";
        QTest::newRow("UTC") << QDateTime(day, QTime(0, 0), Qt::UTC) << hex("0000")
                             << "2024-01-01 00:00:00";
    }

    void timeSync()
    {
        QFETCH(QDateTime, now);
        QFETCH(QByteArray, offsetBytes);
        QFETCH(QString, shown);
        Groups g;
        g.common.setClock([now] { return now; });
        QSignalSpy spy(&g.common, &BaseGimbalController::logMessage);
        for (bool chinese : {false, true}) {
            setChinese(chinese);
            g.common.timeSync();
        }
        QCOMPARE(g.transport.writes.size(), 2);
        const Sent s = decodeWritten(g.transport.writes.first());
        QCOMPARE(s.messageId, 0x030Eu);
        QCOMPARE(s.payload.toHex(' '),
                 (hex("00F451C28C010000") + offsetBytes + zeros(6)).toHex(' '));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("[Camera] Time sync → PC ") + shown);
        QCOMPARE(spy.at(1).at(0).toString(), QStringLiteral("[相机] 时间同步 → 本机 ") + shown);
    }

    void defaultClockIsNow()
    {
        Groups g;
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        g.common.timeSync();
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        const QByteArray p = decodeWritten(g.transport.writes.value(0)).payload;
        QCOMPARE(p.size(), 16);
        const qint64 sent = qint64(Payload::readU32(p, 0)) | (qint64(Payload::readU32(p, 4)) << 32);
        QVERIFY(sent >= before && sent <= after);
        QCOMPARE(int(Payload::readS16(p, 8)), QDateTime::currentDateTime().offsetFromUtc() / 60);
    }
};

SKYRIG_REGISTER_TEST(CommandGroupsPayloadTest)
SKYRIG_REGISTER_TEST(CommandGroupsLabelTest)
SKYRIG_REGISTER_TEST(CommandGroupsTimeSyncTest)

#include "tst_groups.moc"
