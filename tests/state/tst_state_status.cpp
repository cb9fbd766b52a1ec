#include "common/TestMain.h"
#include "link/Payload.h"
#include "state/GimbalState.h"
#include "state/InboundDispatcher.h"
#include "state/InboundFrames.h"

#include <QMetaMethod>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QStringList>

#include <limits>

namespace
{

// Records the names of every GimbalState signal in the order they fire.
class StateSignalLog : public QObject
{
    Q_OBJECT
public:
    explicit StateSignalLog(GimbalState *state)
    {
        const QMetaObject *mo = state->metaObject();
        const QMetaMethod hit = metaObject()->method(metaObject()->indexOfSlot("hit()"));
        for (int i = mo->methodOffset(); i < mo->methodCount(); ++i) {
            if (mo->method(i).methodType() == QMetaMethod::Signal)
                connect(state, mo->method(i), this, hit);
        }
    }
    QStringList names;

public slots:
    void hit()
    {
        names << QString::fromLatin1(sender()->metaObject()->method(senderSignalIndex()).name());
    }
};

using inbound::hex;

// Mode bytes 1..8, the card state, then total/free/used in units of 10 MB.
QByteArray cameraStatus(int sdStatus, quint16 total = 100, quint16 free = 50, quint16 used = 50)
{
    QByteArray p = hex("0102030405060708");
    Payload::appendU8(p, sdStatus);
    Payload::appendU16(p, total);
    Payload::appendU16(p, free);
    Payload::appendU16(p, used);
    Payload::appendU8(p, 0xEE);
    return p;
}

// Temperatures 52.3/-10/20.1/-0.5/0, positions 101, 201, ... 801, the device type at 30.
QByteArray irStatus(int length, int typeByte = 0)
{
    QByteArray p;
    for (qint16 t : {qint16(523), qint16(-100), qint16(201), qint16(-5), qint16(0)})
        Payload::appendS16(p, t);
    for (int i = 0; i < 8; ++i)
        Payload::appendU16(p, quint16(100 * (i + 1) + 1));
    p.append(QByteArray(4, '\x77'));
    Payload::appendU8(p, typeByte);
    p.append(QByteArray(8, '\x55'));
    return p.left(length);
}

// A successful infrared all-parameters reply of the given length with the
// bytes that matter filled in.
QByteArray infraredReply(int length, quint8 tempByte, quint8 enhanceByte)
{
    QByteArray p = hex("0000 04 00 06 01 46 1e 9e") + QByteArray(14, '\0');
    p[3] = char(tempByte);
    p[9] = char(enhanceByte);
    p[21] = char(1);    // fusion on
    p[22] = char(0x36); // visible weight 6
    return p.left(length);
}

} // namespace

using skyrig_test::props;

class StateStatusTest : public QObject
{
    Q_OBJECT

private slots:
    // Each report or read-back, as the frame that carries it, on a fresh
    // state with the card ready: the properties it sets. With no properties
    // named, the report is shorter than its minimum, a read-back whose result
    // code is not success, or a code the frame's kind does not carry: it
    // changes and signals nothing.
    void reports_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("names");
        QTest::addColumn<QVariantList>("values");
        const auto row = [](const QByteArray &name, int kind, int code, const QByteArray &payload,
                            const char *names = "", const QVariantList &values = {}) {
            QTest::newRow(name.constData())
                << kind << code << payload << QByteArray(names) << values;
        };
        const int max = std::numeric_limits<int>::max();
        QByteArray attitude;
        for (qint16 v : {100, 200, -300, 400, 500, -12345, 700, 800, 900})
            Payload::appendS16(attitude, v);
        // clang-format off
        // Status codes both status kinds carry.
        for (int kind : {0, 2}) {
            const QByteArray k = ", kind " + QByteArray::number(kind);
            row("stream mode" + k, kind, 0x0003, hex("00000006", 16), "streamMode", {6});
            row("photo" + k, kind, 0x0302, hex("0002"), "photoStatus", {2});
            row("record" + k, kind, 0x0303, hex("00011e00"), "recordStatus recordDuration", {1, 30});
        }
        // Each field from its own offset; the speeds come yaw, pitch, roll.
        row("attitude", 0, 0x0002, attitude, "yawJoint rollJoint pitchJoint yawAttitude "
            "rollAttitude pitchAttitude yawSpeed pitchSpeed rollSpeed",
            {1.0f, 2.0f, -3.0f, 4.0f, 5.0f, -123.45f, 7.0f, 8.0f, 9.0f});
        row("attitude is signed", 2, 0x0002, QByteArray(18, '\xFF'), "yawJoint connected",
            {-0.01f, true});
        const char *gimbal =
            "gimbalConnStatus cameraConnStatus deviceModel irCoreOK teleVisOK wideVisOK laserOK";
        row("gimbal status", 0, 0x0001, hex("3a0705ffff"), gimbal,
            {10, 3, 7, true, false, true, false});
        row("gimbal status, other bits", 2, 0x0001, hex("f0ff0a0000"), gimbal,
            {0, 15, 255, false, true, false, true});
        row("camera system", 2, 0x0003, cameraStatus(0), "cameraSystemStatusValid "
            "photoVideoMode outputRes encodingFormat streamMode bitrate photoMode "
            "timelapseInterval burstCount", {true, 1, 2, 3, 4, 5, 6, 7, 8});
        row("ir temperatures only", 0, 0x0004, irStatus(25),
            "irMaxTemp irMinTemp irCenterTemp irPointTemp irAvgTemp irMaxTempX",
            {52.3f, -10.0f, 20.1f, -0.5f, 0.0f, -1});
        row("ir positions", 2, 0x0004, irStatus(26), "irMaxTempX irMaxTempY irMinTempX "
            "irMinTempY irCenterTempX irCenterTempY irPointTempX irPointTempY irDeviceType",
            {101, 201, 301, 401, 501, 601, 701, 801, -1});
        const char *vis = "zoomStatus focalLength hybridZoom evValue isoValue shutterValue aeLock "
                          "focusStatus";
        row("visible", 2, 0x0005, hex("07 3930 fa00 0d 2003 e803 01 02"), vis,
            {7, 123.45f, 25.0f, 13, 800, 1000, 1, 2});
        // Values above 0x7FFF are unsigned on the wire.
        row("visible, unsigned", 0, 0x0005, hex("00 ffff ffff 00 ffff 0000 00 00"), vis,
            {0, 655.35f, 6553.5f, 0, 65535, 0, 0, 0});
        row("laser", 1, 0x0400, hex("0000ffff"), "laserDistance", {6553.5f});
        // Only the second status kind carries ranging and playback reports.
        row("laser, second kind", 2, 0x0400, hex("00003930"), "laserDistance", {1234.5f});
        row("periodic laser", 2, 0x0406, hex("00000a00"), "laserDistance", {1.0f});
        const char *playback =
            "playbackDownloadStatus playbackPlayStatus playbackTotalMs playbackPosition";
        row("playback", 2, 0x0333, hex("0102 10270000 05000000"), playback,
            {1, 2, 10000, 5000});
        // Out-of-range times stay positive instead of wrapping.
        row("playback, huge", 2, 0x0333, hex("0000 ffffffff ffffffff"), playback,
            {0, 0, max, max});
        row("playback, seconds overflow", 2, 0x0333, hex("0000 00000000 00003000"),
            "playbackPosition", {max});
        row("gimbal version", 1, 0x0018, hex("000001000c020aff00"),
            "gimbalHwVersion gimbalSwVersion", {"1.0.12", "2.10.255"});
        row("camera version", 1, 0x0317, hex("0000030405"), "cameraVersion", {"3.4.5"});
        row("kernel version", 1, 0x033A, hex("0000000000"), "kernelVersion", {"0.0.0"});
        // Without anyone saying which client was asked for, a client reply
        // describes the playback one.
        row("playback client", 1, 0x0339, hex("00007f0000011a09"),
            "playbackClientIp playbackClientPort", {"127.0.0.1", 2330});
        row("osd complete", 1, 0x0335, hex("", 30) + hex("01"), "osdWatermarkEnabled", {true});
        // Photo and record replies carry the status whatever their result,
        // when their length is that of a status.
        row("photo reply failed", 1, 0x0302, hex("03050000"), "photoStatus", {5});
        row("record reply", 1, 0x0303, hex("00030900"), "recordStatus recordDuration", {3, 9});
        // A category reply too short to carry a result configures at once.
        row("ai categories short", 1, 0x0336, hex("0105"),
            "aiRecognitionEnabled aiSelectedCategories", {true, QVariantList{1, 3}});
        row("core temperature", 1, 0x0325, hex("0000c501"), "coreTemp", {45.3f});
        row("core temperature below 0", 1, 0x0325, hex("0000f6ff"), "coreTemp", {-1.0f});
        row("uart protocol", 1, 0x0343, hex("000002"), "uartProtocol", {2});
        // Serial number: at most 20 bytes, cut at a zero byte.
        row("serial, 20 bytes", 1, 0x0337, hex("0000") + "ABCDEFGHIJKLMNOPQRSTUVWXY",
            "deviceSn", {"ABCDEFGHIJKLMNOPQRST"});
        row("serial, zero byte", 1, 0x0337, hex("0000") + QByteArray("SN12\0XYZ", 8),
            "deviceSn", {"SN12"});
        row("serial, one byte", 1, 0x0337, hex("000041"), "deviceSn", {"A"});
        row("serial, UTF-8", 1, 0x0337, hex("0000") + QString::fromUtf8("云台-7").toUtf8(),
            "deviceSn", {QString::fromUtf8("云台-7")});
        const QByteArray sbus = hex("0000 d007 e803 00010203040f10 0b");
        // Last byte 0x0B: palette channel 5 << 1 | on; bits 6-7 are not part of it.
        row("sbus", 1, 0x0502, sbus, "sbusMax sbusMin sbusStreamChannel sbusZoomChannel "
            "sbusPhotoChannel sbusRecordChannel sbusPitchChannel sbusYawChannel sbusCenterChannel "
            "sbusEnabled sbusIrPaletteChannel", {2000, 1000, 0, 1, 2, 3, 4, 15, 16, true, 5});
        row("sbus, high bits", 1, 0x0502, sbus.left(13) + hex("c0"),
            "sbusEnabled sbusIrPaletteChannel", {false, 0});
        const QByteArray ip = hex("0000 c0a89040 ffffff00 c0a89001");
        row("camera address", 1, 0x0312, ip, "cameraIp cameraMask cameraGateway",
            {"192.168.144.64", "255.255.255.0", "192.168.144.1"});
        const char *visible = "photoResolution recordResolution recordBitrate visFusionEnabled "
                              "visFusionIrWeight visFusionVisWeight";
        const QByteArray v = hex("0000 03 04 05") + QByteArray(14, '\0') + hex("01 0f");
        row("visible parameters, older form", 1, 0x0200, v.left(20), visible,
            {3, 4, 5, false, 2, 8});
        row("visible fusion held at the scale", 1, 0x0200, v, visible,
            {3, 4, 5, true, 10, 0});
        // Only the low nibble of the weight counts.
        row("visible fusion weight nibble", 1, 0x0200, v.left(19) + hex("00a3"),
            visible, {3, 4, 5, false, 3, 7});
        // Temperature bit 0 means "measurement off", bit 1 area, zoom above;
        // fusion needs 23 bytes; zoom 0 reads as 1.
        const char *infrared = "irPalette irTempEnabled irTempIsArea irZoom irSharpness "
            "irGainMode irBrightness irContrast irDenoiseEnabled irDenoiseLevel irEnhanceEnabled "
            "irEnhanceLevel irFusionEnabled irFusionVisWeight irFusionIrWeight";
        row("infrared parameters, short", 1, 0x0100, infraredReply(10, 0x19, 0x85),
            infrared, {4, false, false, 3, 6, 1, 70, 30, true, 30, true, 5, false, 8, 2});
        row("infrared parameters, fusion", 1, 0x0100, infraredReply(23, 0x02, 0x07),
            infrared, {4, true, true, 1, 6, 1, 70, 30, true, 30, true, 7, true, 6, 4});

        row("attitude short", 0, 0x0002, QByteArray(17, '\xFF'));
        row("gimbal status short", 0, 0x0001, hex("3a0705ff"));
        row("camera status short", 0, 0x0003, cameraStatus(0).left(15));
        row("ir status short", 0, 0x0004, irStatus(9));
        row("vis status short", 2, 0x0005, hex("0739 30fa 000d 2003 e803 01"));
        row("laser short", 2, 0x0406, hex("0000e8"));
        row("playback short", 2, 0x0333, hex("0102102700000500"));
        row("upgrade", 0, 0x0008, QByteArray(64, '\x01'));
        row("gimbal version short", 1, 0x0018, hex("000001000c020a"));
        row("camera version short", 1, 0x0317, hex("00000102"));
        row("kernel version short", 1, 0x033A, hex("00000102"));
        row("serial empty", 1, 0x0337, hex("0000"));
        row("core temp short", 1, 0x0325, hex("0000ff"));
        row("uart short", 1, 0x0343, hex("0000"));
        row("sbus short", 1, 0x0502, sbus.left(13));
        row("sbus failed", 1, 0x0502, hex("0100") + sbus.mid(2));
        row("ip short", 1, 0x0312, ip.left(13));
        row("ip failed", 1, 0x0312, hex("0200") + ip.mid(2));
        row("visible short", 1, 0x0200, hex("00000102"));
        row("visible failed low", 1, 0x0200, hex("0001010203"));
        row("visible failed high", 1, 0x0200, hex("0100010203"));
        row("infrared short", 1, 0x0100, QByteArray(9, '\0'));
        row("infrared failed", 1, 0x0100, hex("0001") + QByteArray(21, '\0'));
        row("osd short", 1, 0x0335, QByteArray(30, '\x01'));
        row("osd long", 1, 0x0335, QByteArray(32, '\x01'));
        row("ai categories empty", 1, 0x0336, QByteArray());
        row("laser, first kind", 0, 0x0400, hex("00003930"));
        row("periodic laser, first kind", 0, 0x0406, hex("00003930"));
        row("playback, first kind", 0, 0x0333, hex("0102102700000700000000"));
        row("camera version failed", 1, 0x0317, hex("0100040506"));
        row("photo reply, not a status", 1, 0x0302, hex("000400"));
        row("record reply too long", 1, 0x0303, QByteArray(17, '\x01'));
        // clang-format on
    }

    void reports()
    {
        QFETCH(int, kind);
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, names);
        QFETCH(QVariantList, values);
        GimbalState state;
        InboundDispatcher dispatcher(&state);
        state.updateCameraSystemStatus(QByteArray(16, '\0')); // capture reports wait for it
        StateSignalLog log(&state);
        dispatcher.dispatch(inbound::frameOf(kind, code, payload));
        // Any status frame, decodable or not, shows the camera is there.
        QCOMPARE(state.reporting(), kind != 1);
        log.names.removeAll(QStringLiteral("reportingChanged"));
        if (names.isEmpty()) {
            QCOMPARE(log.names, QStringList());
            QVERIFY(!state.connected());
            QCOMPARE(state.uartProtocol(), -1);
        } else {
            QCOMPARE(props(state, names.constData()), values);
            // Each property the report changed notifies through a signal the
            // report fired, or the interface would not follow it.
            const GimbalState fresh;
            const QMetaObject *mo = state.metaObject();
            for (const QByteArray &name : names.split(' ')) {
                const QMetaProperty prop = mo->property(mo->indexOfProperty(name.constData()));
                if (prop.read(&state) != prop.read(&fresh))
                    QVERIFY2(log.names.contains(QString::fromLatin1(prop.notifySignal().name())),
                             name.constData());
            }
        }
    }

    // Three firmware encodings: plain level, on-bit 7 over the level, or the
    // switch in bit 0 with the level above it. Each case starts from level 7, on.
    void infraredEnhancementByte_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("level");
        QTest::newRow("off") << 0x00 << false << 7;
        QTest::newRow("plain 10") << 0x0A << true << 10;
        QTest::newRow("on-bit 10") << 0x8A << true << 10;
        QTest::newRow("switch on, level 5") << 0x0B << true << 5;
        QTest::newRow("switch off, level 6") << 0x0C << false << 6;
        QTest::newRow("on-bit, level 11 is switch form") << 0x8B << true << 5;
        QTest::newRow("level 31 not taken") << 0x3F << true << 7;
        QTest::newRow("on-bit, level 0 not taken") << 0x80 << false << 7;
    }

    void infraredEnhancementByte()
    {
        QFETCH(int, byte);
        GimbalState state;
        QVERIFY(state.updateInfraredParams(infraredReply(10, 0, 0x07)));
        QVERIFY(state.updateInfraredParams(infraredReply(10, 0, quint8(byte))));
        QTEST(state.irEnhanceEnabled(), "enabled");
        QTEST(state.irEnhanceLevel(), "level");
    }

    // Which group signals a report fires, and in which order.
    void reportsSignalTheirGroups()
    {
        GimbalState state, other;
        StateSignalLog log(&state), otherLog(&other);
        state.updateAttitude(QByteArray(18, '\xFF'));
        QCOMPARE(log.names, QStringList({"attitudeChanged", "stateChanged"}));
        // Link codes and health each signal once; connected follows silently.
        QList<bool> connectedSeen;
        connect(&other, &GimbalState::stateChanged, [&] { connectedSeen << other.connected(); });
        other.updateGimbalStatus(hex("3a0705ffff"));
        QCOMPARE(otherLog.names, QStringList({"stateChanged", "stateChanged"}));
        QCOMPARE(connectedSeen, QList<bool>({false, false}));
        QVERIFY(other.connected());

        // The infrared type is stored before irStatusChanged and signalled
        // only on change.
        log.names.clear();
        QList<int> typeSeen;
        connect(&state, &GimbalState::irStatusChanged, [&] { typeSeen << state.irDeviceType(); });
        state.updateIrStatus(irStatus(31, 0x42));
        state.updateIrStatus(irStatus(40, 0x42));
        state.updateIrStatus(irStatus(31, 0));
        QCOMPARE(log.names,
                 QStringList({"irStatusChanged", "irDeviceTypeChanged", "irStatusChanged",
                              "irStatusChanged", "irDeviceTypeChanged"}));
        QCOMPARE(typeSeen, QList<int>({0x42, 0x42, 0}));
    }

    // Raw figures in units of 10 MB, 0xFFFF for "no value"; results in MB.
    void cardCapacity_data()
    {
        QTest::addColumn<QList<int>>("earlier"); // sd, total, free, used (or empty)
        QTest::addColumn<QList<int>>("report");
        QTest::addColumn<QList<int>>("expected"); // total, free, used
        auto row = [](const char *name, QList<int> earlier, QList<int> report,
                      QList<int> expected) {
            QTest::newRow(name) << earlier << report << expected;
        };
        row("plain", {}, {0, 100, 50, 50}, {1000, 500, 500});
        row("total from free+used", {}, {0, 0xFFFF, 50, 50}, {1000, 500, 500});
        row("free from total-used", {}, {0, 100, 0, 30}, {1000, 700, 300});
        row("free held at total", {}, {0, 100, 200, 30}, {1000, 1000, 300});
        row("used only", {}, {0, 0, 0, 30}, {0, 0, 300});
        row("nothing", {}, {0, 0xFFFF, 0xFFFF, 0xFFFF}, {0, 0, 0});
        row("used above total", {}, {0, 10, 0, 20}, {100, 0, 200});
        row("earlier kept", {0, 200, 70, 130}, {0, 0xFFFF, 0xFFFF, 0xFFFF}, {2000, 700, 0});
        row("free derived", {0, 200, 70, 130}, {0, 0xFFFF, 0, 50}, {2000, 1500, 500});
        row("no card", {0, 200, 70, 130}, {3, 100, 50, 50}, {0, 0, 0});
        row("format error", {}, {5, 100, 50, 50}, {0, 0, 0});
        row("full card", {}, {4, 100, 0, 100}, {1000, 0, 1000});
    }

    void cardCapacity()
    {
        QFETCH(QList<int>, earlier);
        QFETCH(QList<int>, report);
        GimbalState state;
        for (const QList<int> &r : {earlier, report}) {
            if (!r.isEmpty())
                state.updateCameraSystemStatus(
                    cameraStatus(r[0], quint16(r[1]), quint16(r[2]), quint16(r[3])));
        }
        QCOMPARE(state.sdStatus(), report[0]);
        QTEST((QList<int>{state.sdTotalMB(), state.sdFreeMB(), state.sdUsedMB()}), "expected");
    }

    void photoAndRecordWaitForTheCardState()
    {
        GimbalState state;
        StateSignalLog log(&state);
        const char *capture = "photoStatus recordStatus recordDuration";
        state.updatePhotoStatus(hex("0002"));
        state.updatePhotoStatus(hex("0003")); // replaces the held one
        state.updateRecordStatus(hex("00012c01"));
        state.updatePhotoStatus(hex("00"));      // too short: not even held
        state.updateRecordStatus(hex("000901")); // too short
        QVERIFY(log.names.isEmpty());

        state.updateCameraSystemStatus(cameraStatus(0));
        QCOMPARE(log.names,
                 QStringList({"cameraStatusChanged", "recordStatusChanged", "photoStatusChanged"}));
        QCOMPARE(props(state, capture), QVariantList({3, 1, 300}));

        // Held reports are used once only.
        log.names.clear();
        state.updateCameraSystemStatus(cameraStatus(0));
        QCOMPARE(log.names, QStringList({"cameraStatusChanged"}));

        // Once the card is known, reports apply at once.
        log.names.clear();
        state.updatePhotoStatus(hex("ff05"));
        state.updateRecordStatus(hex("ff03ffff"));
        QCOMPARE(log.names, QStringList({"photoStatusChanged", "recordStatusChanged"}));
        QCOMPARE(props(state, capture), QVariantList({5, 3, 65535}));

        // A card that is not ready clears both and drops later reports.
        log.names.clear();
        state.updateCameraSystemStatus(cameraStatus(2));
        state.updatePhotoStatus(hex("0001"));
        state.updateRecordStatus(hex("00010a00"));
        state.updateCameraSystemStatus(cameraStatus(0));
        QCOMPARE(log.names, QStringList({"cameraStatusChanged", "photoStatusChanged",
                                         "recordStatusChanged", "cameraStatusChanged"}));
        QCOMPARE(props(state, capture), QVariantList({0, 0, 0}));

        // Reports held before a first "no card" status are dropped as well.
        GimbalState held;
        held.updatePhotoStatus(hex("0002"));
        held.updateRecordStatus(hex("00010500"));
        held.updateCameraSystemStatus(cameraStatus(3));
        held.updateCameraSystemStatus(cameraStatus(0));
        QCOMPARE(props(held, capture), QVariantList({0, 0, 0}));
    }

    // Boxes stay on the picture only while the camera stands by them.
    void aiTargetsLeaveWithTheirSource_data()
    {
        QTest::addColumn<bool>("tracking");
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("left"); // targets left afterwards
        QTest::newRow("recognition switched off") << false << "recognition off" << 0;
        QTest::newRow("tracking outlives recognition") << true << "recognition off" << 1;
        QTest::newRow("tracking stopped") << true << "tracking stopped" << 0;
        QTest::newRow("recognition outlives tracking") << false << "tracking stopped" << 1;
        QTest::newRow("reports stop") << false << "silence" << 0;
        QTest::newRow("tracking reports stop") << true << "silence" << 0;
    }

    void aiTargetsLeaveWithTheirSource()
    {
        QFETCH(bool, tracking);
        QFETCH(QString, event);
        QFETCH(int, left);
        GimbalState state;
        state.setAiRecognitionConfig(true, {1});
        state.updateAiTargets(hex("01000200030004005a02 0101"), tracking);
        QSignalSpy changed(&state, &GimbalState::aiTargetsChanged);
        if (event == QLatin1String("recognition off"))
            state.setAiRecognitionConfig(false, {});
        else if (event == QLatin1String("tracking stopped"))
            state.endAiTracking();
        else
            QTRY_VERIFY_WITH_TIMEOUT(state.aiTargets().isEmpty(), 10000);
        QCOMPARE(state.aiTargets().size(), left);
        QCOMPARE(state.aiTrackingActive(), tracking && left > 0);
        QCOMPARE(changed.count(), left ? 0 : 1);
    }

    void linkLossResetsOnlyTheSessionParts()
    {
        GimbalState state;
        state.updateAttitude(QByteArray(18, '\x10'));
        state.updateGimbalStatus(hex("3a070f0000"));
        state.updateCameraSystemStatus(cameraStatus(0));
        state.updatePhotoStatus(hex("0002"));
        state.updateRecordStatus(hex("00010a00"));
        state.updateIrStatus(irStatus(31, 3));
        state.updateLaserDistance(hex("0000e803"));
        state.updateCameraVersion(hex("0000010203"));
        state.updateCameraIpConfig(hex("0000c0a89040ffffff00c0a89001"));
        state.updateOsdConfig(QByteArray(31, '\x01'));
        state.updateAiTargets(hex("01000200030004005a02 0101"), true);
        state.setAiRecognitionConfig(true, {1, 3});
        state.setIrBrightness(90);
        state.noteReport();

        StateSignalLog log(&state);
        state.setTransportConnected(true);
        QVERIFY(log.names.isEmpty());

        state.setTransportConnected(false);
        QCOMPARE(log.names, QStringList({"reportingChanged", "stateChanged", "stateChanged",
                                         "cameraStatusChanged", "photoStatusChanged",
                                         "recordStatusChanged", "aiTargetsChanged",
                                         "aiRecognitionConfigChanged", "cameraParamsChanged"}));
        QCOMPARE(props(state, "reporting connected irCoreOK teleVisOK wideVisOK laserOK "
                              "cameraSystemStatusValid aiTrackingActive aiRecognitionEnabled"),
                 QVariantList({false, false, false, false, false, false, false, false, false}));
        for (const QVariant &v :
             props(state, "gimbalConnStatus cameraConnStatus deviceModel photoVideoMode "
                          "burstCount sdStatus sdTotalMB sdFreeMB sdUsedMB photoStatus "
                          "recordStatus recordDuration aiDetectStatus"))
            QCOMPARE(v.toInt(), 0);
        QVERIFY(state.aiTargets().isEmpty());
        QVERIFY(state.aiSelectedCategories().isEmpty());
        QCOMPARE(state.irBrightness(), 50);

        // Everything else survives until new reports replace it.
        QCOMPARE(
            props(state, "yawJoint irMaxTemp irDeviceType laserDistance cameraVersion "
                         "cameraIp"),
            QVariantList({float(0x1010) / 100.0f, 52.3f, 3, 100.0f, "1.2.3", "192.168.144.64"}));
        QCOMPARE(state.osdConfigs().size(), 15);

        // Reports held before the loss do not come back afterwards.
        GimbalState held;
        held.updatePhotoStatus(hex("0002"));
        held.setTransportConnected(false);
        held.updateCameraSystemStatus(cameraStatus(0));
        QCOMPARE(held.photoStatus(), 0);
    }
};

SKYRIG_REGISTER_TEST(StateStatusTest)
#include "tst_state_status.moc"