#include "common/TestMain.h"
#include "link/Payload.h"
#include "state/GimbalState.h"

#include <QSignalSpy>

namespace
{

QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// A successful infrared all-parameters reply of the given length with the
// bytes that matter filled in.
QByteArray infraredReply(int length, quint8 tempByte, quint8 enhanceByte)
{
    QByteArray p(qMax(length, 23), '\0');
    p[2] = char(4); // palette
    p[3] = char(tempByte);
    p[4] = char(6);    // sharpness
    p[5] = char(1);    // gain mode
    p[6] = char(70);   // brightness
    p[7] = char(30);   // contrast
    p[8] = char(0x9E); // denoise on, level 30
    p[9] = char(enhanceByte);
    p[21] = char(1);
    p[22] = char(0x36); // visible weight 6
    return p.left(length);
}

QVariantList ints(std::initializer_list<int> values)
{
    QVariantList list;
    for (int v : values)
        list << v;
    return list;
}

} // namespace

class StateReadbackTest : public QObject
{
    Q_OBJECT

private slots:
    void versionsSerialTemperatureProtocol()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::versionInfoChanged);
        state.updateGimbalVersion(bytes("000001000c020a"));
        state.updateCameraVersion(bytes("00000102"));
        state.updateKernelVersion(bytes("00000102"));
        state.updateDeviceSn(bytes("0000"));
        state.updateCoreTemp(bytes("0000ff"));
        state.updateUartProtocol(bytes("0000"));
        QCOMPARE(spy.count(), 0);
        QCOMPARE(state.uartProtocol(), -1);

        state.updateGimbalVersion(bytes("000001000c020aff00"));
        QCOMPARE(state.gimbalHwVersion(), QStringLiteral("1.0.12"));
        QCOMPARE(state.gimbalSwVersion(), QStringLiteral("2.10.255"));
        state.updateCameraVersion(bytes("0000030405"));
        QCOMPARE(state.cameraVersion(), QStringLiteral("3.4.5"));
        state.updateKernelVersion(bytes("0000000000"));
        QCOMPARE(state.kernelVersion(), QStringLiteral("0.0.0"));
        state.updateCoreTemp(bytes("0000f6ff"));
        QCOMPARE(state.coreTemp(), -1.0f);
        state.updateCoreTemp(bytes("0000c501"));
        QCOMPARE(state.coreTemp(), 45.3f);
        state.updateUartProtocol(bytes("000002"));
        QCOMPARE(state.uartProtocol(), 2);
        QCOMPARE(spy.count(), 6);

        // Serial number: at most 20 bytes, cut at a zero byte.
        state.updateDeviceSn(QByteArray(2, '\0') + "ABCDEFGHIJKLMNOPQRSTUVWXY");
        QCOMPARE(state.deviceSn(), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        state.updateDeviceSn(QByteArray(2, '\0') + QByteArray("SN12\0XYZ", 8));
        QCOMPARE(state.deviceSn(), QStringLiteral("SN12"));
        state.updateDeviceSn(bytes("000041"));
        QCOMPARE(state.deviceSn(), QStringLiteral("A"));
        state.updateDeviceSn(QByteArray(2, '\0') + QString::fromUtf8("云台-7").toUtf8());
        QCOMPARE(state.deviceSn(), QString::fromUtf8("云台-7"));
    }

    void sbusConfiguration()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::sbusConfigChanged);
        const QByteArray ok = bytes("0000"
                                    "d007"
                                    "e803"
                                    "00010203040f10"
                                    "0b");
        state.updateSbusConfig(ok.left(13));
        state.updateSbusConfig(bytes("0100") + ok.mid(2));
        QCOMPARE(spy.count(), 0);
        QCOMPARE(state.sbusStreamChannel(), 16);

        state.updateSbusConfig(ok);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(state.sbusMax(), 2000);
        QCOMPARE(state.sbusMin(), 1000);
        QCOMPARE(state.sbusStreamChannel(), 0);
        QCOMPARE(state.sbusZoomChannel(), 1);
        QCOMPARE(state.sbusPhotoChannel(), 2);
        QCOMPARE(state.sbusRecordChannel(), 3);
        QCOMPARE(state.sbusPitchChannel(), 4);
        QCOMPARE(state.sbusYawChannel(), 15);
        QCOMPARE(state.sbusCenterChannel(), 16);
        QVERIFY(state.sbusEnabled());
        QCOMPARE(state.sbusIrPaletteChannel(), 5); // 0x0B = 5 << 1 | 1
        state.updateSbusConfig(ok.left(13) + bytes("c0"));
        QVERIFY(!state.sbusEnabled());
        QCOMPARE(state.sbusIrPaletteChannel(), 0); // bits 6-7 are not part of it
    }

    void networkAndClients()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::networkConfigChanged);
        const QByteArray ip = bytes("0000"
                                    "c0a89040"
                                    "ffffff00"
                                    "c0a89001");
        state.updateCameraIpConfig(ip.left(13));
        state.updateCameraIpConfig(bytes("0200") + ip.mid(2));
        QCOMPARE(spy.count(), 0);
        QCOMPARE(state.cameraIp(), QStringLiteral("--"));

        state.updateCameraIpConfig(ip);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(state.cameraIp(), QStringLiteral("192.168.144.64"));
        QCOMPARE(state.cameraMask(), QStringLiteral("255.255.255.0"));
        QCOMPARE(state.cameraGateway(), QStringLiteral("192.168.144.1"));

        // Client reply: result, address (first group first), port LE.
        state.updatePlaybackClientConfig(0, bytes("0000c0a890"));
        QCOMPARE(spy.count(), 1);
        state.updatePlaybackClientConfig(0, bytes("0000c0a89014"
                                                  "0414"));
        QCOMPARE(state.playbackClientIp(), QStringLiteral("192.168.144.20"));
        QCOMPARE(state.playbackClientPort(), 5124);
        QCOMPARE(state.downloadClientIp(), QStringLiteral("--"));
        state.updatePlaybackClientConfig(1, bytes("00000a000001"
                                                  "091a"));
        QCOMPARE(state.downloadClientIp(), QStringLiteral("10.0.0.1"));
        QCOMPARE(state.downloadClientPort(), 6665);
        QCOMPARE(state.playbackClientPort(), 5124);
        // A reply that ends after the address leaves the port unknown.
        state.updatePlaybackClientConfig(7, bytes("00007f000001"));
        QCOMPARE(state.downloadClientIp(), QStringLiteral("127.0.0.1"));
        QCOMPARE(state.downloadClientPort(), 0);
        QCOMPARE(spy.count(), 4);
    }

    void visibleParameters()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::cameraParamsChanged);
        QVERIFY(!state.updateVisibleParams(bytes("00000102")));
        QVERIFY(!state.updateVisibleParams(bytes("0001010203")));
        QVERIFY(!state.updateVisibleParams(bytes("0100010203")));
        QCOMPARE(spy.count(), 0);

        QByteArray p(21, '\0');
        p[2] = 3;
        p[3] = 4;
        p[4] = 5;
        p[19] = 1;
        p[20] = char(0x0F);
        QVERIFY(state.updateVisibleParams(p.left(20)));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(state.photoResolution(), 3);
        QCOMPARE(state.recordResolution(), 4);
        QCOMPARE(state.recordBitrate(), 5);
        QVERIFY(!state.visFusionEnabled());
        QCOMPARE(state.visFusionIrWeight(), 2);

        QVERIFY(state.updateVisibleParams(p));
        QVERIFY(state.visFusionEnabled());
        QCOMPARE(state.visFusionIrWeight(), 10);
        QCOMPARE(state.visFusionVisWeight(), 0);
        p[19] = 0;
        p[20] = char(0xA3); // only the low nibble counts
        QVERIFY(state.updateVisibleParams(p));
        QVERIFY(!state.visFusionEnabled());
        QCOMPARE(state.visFusionIrWeight(), 3);
        QCOMPARE(state.visFusionVisWeight(), 7);
    }

    void infraredParameters()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::cameraParamsChanged);
        QVERIFY(!state.updateInfraredParams(infraredReply(9, 0, 0)));
        QByteArray bad = infraredReply(23, 0, 0);
        bad[1] = 1;
        QVERIFY(!state.updateInfraredParams(bad));
        QCOMPARE(spy.count(), 0);

        QVERIFY(state.updateInfraredParams(infraredReply(10, 0x19, 0x85)));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(state.irPalette(), 4);
        QVERIFY(!state.irTempEnabled());
        QVERIFY(!state.irTempIsArea());
        QCOMPARE(state.irZoom(), 3);
        QCOMPARE(state.irSharpness(), 6);
        QCOMPARE(state.irGainMode(), 1);
        QCOMPARE(state.irBrightness(), 70);
        QCOMPARE(state.irContrast(), 30);
        QVERIFY(state.irDenoiseEnabled());
        QCOMPARE(state.irDenoiseLevel(), 30);
        QVERIFY(state.irEnhanceEnabled());
        QCOMPARE(state.irEnhanceLevel(), 5);
        QVERIFY(!state.irFusionEnabled()); // fusion bytes need 23 bytes
        QCOMPARE(state.irFusionVisWeight(), 8);

        QVERIFY(state.updateInfraredParams(infraredReply(23, 0x02, 0x07)));
        QVERIFY(state.irTempEnabled());
        QVERIFY(state.irTempIsArea());
        QCOMPARE(state.irZoom(), 1);
        QCOMPARE(state.irEnhanceLevel(), 7);
        QVERIFY(state.irFusionEnabled());
        QCOMPARE(state.irFusionVisWeight(), 6);
        QCOMPARE(state.irFusionIrWeight(), 4);

        struct Enh {
            quint8 byte;
            bool enabled;
            int level;
        };
        // Each starts from level 7, enabled.
        const Enh cases[] = {{0x0B, true, 5},  {0x3F, true, 7},  {0x00, false, 7},
                             {0x0A, true, 10}, {0x8A, true, 10}, {0x80, false, 7},
                             {0x8B, true, 5},  {0x0C, false, 6}, {0xFE, false, 7}};
        for (const Enh &c : cases) {
            QVERIFY(state.updateInfraredParams(infraredReply(10, 0, 0x07)));
            QVERIFY(state.updateInfraredParams(infraredReply(10, 0, c.byte)));
            QVERIFY2(state.irEnhanceEnabled() == c.enabled, qPrintable(QString::number(c.byte)));
            QVERIFY2(state.irEnhanceLevel() == c.level, qPrintable(QString::number(c.byte)));
        }

        // Super resolution and fusion grey are not part of the read-back.
        state.setIrAiSuperResEnabled(true);
        state.setIrFusion(true, 5);
        state.setIrFusionGray(true);
        QVERIFY(state.updateInfraredParams(infraredReply(23, 0, 0)));
        QVERIFY(state.irAiSuperResEnabled());
        QVERIFY(state.irFusionGray());
    }

    void osdConfiguration()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::osdConfigChanged);
        state.updateOsdConfig(QByteArray(30, '\x01'));
        state.updateOsdConfig(QByteArray(32, '\x01'));
        QCOMPARE(spy.count(), 0);
        QVERIFY(state.osdConfigs().isEmpty());

        QByteArray p(31, '\0');
        p[0] = 1;
        p[1] = char(0x21); // colour 2, position 1
        p[2] = 2;          // only 1 means enabled
        p[3] = char(0x14);
        p[28] = 1;
        p[29] = char(0xFF);
        p[30] = 1;
        state.updateOsdConfig(p);
        QCOMPARE(spy.count(), 1);
        const QVariantList list = state.osdConfigs();
        QCOMPARE(list.size(), 15);
        for (int i = 0; i < 15; ++i)
            QCOMPARE(list[i].toMap().value("item").toInt(), i + 1);
        const QVariantMap first = list[0].toMap();
        QCOMPARE(first.value("enabled").toBool(), true);
        QCOMPARE(first.value("position").toInt(), 1);
        QCOMPARE(first.value("color").toInt(), 2);
        QCOMPARE(list[1].toMap().value("enabled").toBool(), false);
        QCOMPARE(list[1].toMap().value("position").toInt(), 4);
        QCOMPARE(list[1].toMap().value("color").toInt(), 1);
        QCOMPARE(list[14].toMap().value("position").toInt(), 15);
        QCOMPARE(list[14].toMap().value("color").toInt(), 15);
        QVERIFY(state.osdWatermarkEnabled());
        p[30] = 2;
        state.updateOsdConfig(p);
        QVERIFY(!state.osdWatermarkEnabled());
    }

    void localEchoSignalsOnlyRealChanges()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::cameraParamsChanged);
        state.setIrBrightness(150);
        QCOMPARE(state.irBrightness(), 100);
        QCOMPARE(spy.count(), 1);
        state.setIrBrightness(120);
        QCOMPARE(state.irBrightness(), 100);
        QCOMPARE(spy.count(), 1);
        state.setIrContrast(-5);
        QCOMPARE(state.irContrast(), 0);
        state.setIrTempEnabled(true); // already on
        QCOMPARE(spy.count(), 2);
        state.setIrDenoise(true, 400);
        QVERIFY(state.irDenoiseEnabled());
        QCOMPARE(state.irDenoiseLevel(), 100);
        QCOMPARE(spy.count(), 3);

        state.setIrEnhanceLevel(0); // already off
        QCOMPARE(spy.count(), 3);
        state.setIrEnhanceLevel(42);
        QVERIFY(state.irEnhanceEnabled());
        QCOMPARE(state.irEnhanceLevel(), 10);
        state.setIrEnhanceLevel(3);
        QCOMPARE(state.irEnhanceLevel(), 3);
        state.setIrEnhanceLevel(-1);
        QVERIFY(!state.irEnhanceEnabled());
        QCOMPARE(state.irEnhanceLevel(), 3);
        QCOMPARE(spy.count(), 6);

        state.setIrFusion(true, 8); // only the switch changes
        state.setIrFusionGray(true);
        QCOMPARE(spy.count(), 8);
        state.setIrFusion(false, 4);
        QCOMPARE(spy.count(), 9);
        QVERIFY(!state.irFusionEnabled());
        QCOMPARE(state.irFusionVisWeight(), 4);
        QCOMPARE(state.irFusionIrWeight(), 6);
        QVERIFY(!state.irFusionGray());
        state.setIrFusion(true, 25);
        QCOMPARE(state.irFusionVisWeight(), 10);
        QCOMPARE(state.irFusionIrWeight(), 0);

        state.setVisFusion(true, -3);
        QCOMPARE(state.visFusionIrWeight(), 0);
        QCOMPARE(state.visFusionVisWeight(), 10);
        state.setVisFusionGray(true);
        const int before = spy.count();
        state.setVisFusionGray(true);
        state.setVisFusion(true, 0);
        QCOMPARE(spy.count(), before);
        state.setVisFusion(false, 0); // switching off also clears grey
        QCOMPARE(spy.count(), before + 1);
        QVERIFY(!state.visFusionGray());

        // The link going down brings every echo back to its initial value.
        state.setTransportConnected(false);
        QCOMPARE(state.irBrightness(), 50);
        QCOMPARE(state.irContrast(), 50);
        QCOMPARE(state.irEnhanceLevel(), 5);
        QCOMPARE(state.irFusionVisWeight(), 8);
        QVERIFY(state.irTempEnabled());
    }
};

class StateAiTest : public QObject
{
    Q_OBJECT

private slots:
    void targetReports()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::aiTargetsChanged);
        QByteArray records = bytes("0a00140032004b0050"
                                   "03") // 10,20,50,75 conf 80 cat 3
                             + bytes("e8030000ffff0100"
                                     "6401");
        state.updateAiTargets(records + bytes("0201"));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(state.aiDetectStatus(), 1);
        QVERIFY(!state.aiTrackingActive());
        QVariantList list = state.aiTargets();
        QCOMPARE(list.size(), 2);
        QVariantMap t0 = list[0].toMap();
        QCOMPARE(t0.value("x"), QVariant(10));
        QCOMPARE(t0.value("y"), QVariant(20));
        QCOMPARE(t0.value("w"), QVariant(50));
        QCOMPARE(t0.value("h"), QVariant(75));
        QCOMPARE(t0.value("confidence"), QVariant(80));
        QCOMPARE(t0.value("categoryId"), QVariant(3));
        QVariantMap t1 = list[1].toMap();
        QCOMPARE(t1.value("x"), QVariant(1000));
        QCOMPARE(t1.value("w"), QVariant(65535));
        QCOMPARE(t1.value("h"), QVariant(1));
        QCOMPARE(t1.value("confidence"), QVariant(100));
        QCOMPARE(t1.value("categoryId"), QVariant(1));

        // Announced counts beyond the room, or 0, mean all complete records.
        state.updateAiTargets(records + bytes("0501"));
        QCOMPARE(state.aiTargets().size(), 2);
        state.updateAiTargets(records + bytes("0001"));
        QCOMPARE(state.aiTargets().size(), 2);
        state.updateAiTargets(records + bytes("0104"));
        QCOMPARE(state.aiTargets().size(), 1);
        QCOMPARE(state.aiDetectStatus(), 4);

        // 27 bytes with trailer 01 00: one record, the rest ignored.
        state.updateAiTargets(records.left(10) + QByteArray(15, '\x33') + bytes("0100"), true);
        QCOMPARE(state.aiTargets().size(), 1);
        QCOMPARE(state.aiDetectStatus(), 0);
        QVERIFY(state.aiTrackingActive());
        state.updateAiTargets(records + bytes("0000"));
        QVERIFY(!state.aiTrackingActive());

        // Trailer only: no targets, the status is taken.
        state.updateAiTargets(bytes("0307"));
        QVERIFY(state.aiTargets().isEmpty());
        QCOMPARE(state.aiDetectStatus(), 7);

        // A single byte empties the list but keeps the status.
        state.updateAiTargets(records + bytes("0002"));
        spy.clear();
        state.updateAiTargets(bytes("09"), true);
        QCOMPARE(spy.count(), 1);
        QVERIFY(state.aiTargets().isEmpty());
        QCOMPARE(state.aiDetectStatus(), 2);
        QVERIFY(state.aiTrackingActive());
        state.updateAiTargets(QByteArray());
        QCOMPARE(spy.count(), 2);
        QVERIFY(!state.aiTrackingActive());
    }

    void categoriesReply()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::aiRecognitionConfigChanged);
        state.updateAiCategoriesConfig(QByteArray());
        QCOMPARE(spy.count(), 0);

        state.updateAiCategoriesConfig(bytes("0000010580"));
        QCOMPARE(spy.count(), 1);
        QVERIFY(state.aiRecognitionEnabled());
        QCOMPARE(state.aiSelectedCategories(), ints({1, 3, 16}));
        state.updateAiCategoriesConfig(bytes("010580")); // same, older form
        QCOMPARE(spy.count(), 1);

        state.updateAiCategoriesConfig(bytes("00000205"));
        QVERIFY(!state.aiRecognitionEnabled());
        QCOMPARE(state.aiSelectedCategories(), ints({10, 17, 19}));

        state.updateAiCategoriesConfig(bytes("000000"));
        QVERIFY(!state.aiRecognitionEnabled());
        QVERIFY(state.aiSelectedCategories().isEmpty());
        state.updateAiCategoriesConfig(bytes("01"));
        QVERIFY(state.aiRecognitionEnabled());
        QVERIFY(state.aiSelectedCategories().isEmpty());

        // The mask covers at most 16 bytes (categories 1-128).
        state.updateAiCategoriesConfig(bytes("0000") + bytes("01") + QByteArray(20, '\xFF'));
        const QVariantList all = state.aiSelectedCategories();
        QCOMPARE(all.size(), 128);
        QCOMPARE(all.first().toInt(), 1);
        QCOMPARE(all.last().toInt(), 128);
    }

    void recognitionConfigChangeDetection()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::aiRecognitionConfigChanged);
        state.setAiRecognitionConfig(false, {});
        QCOMPARE(spy.count(), 0);
        state.setAiRecognitionConfig(true, ints({1, 3}));
        state.setAiRecognitionConfig(true, ints({1, 3}));
        QCOMPARE(spy.count(), 1);
        state.setAiRecognitionConfig(true, ints({3, 1}));
        QCOMPARE(spy.count(), 2);
        state.setAiRecognitionConfig(true, ints({3, 1, 4}));
        QCOMPARE(spy.count(), 3);
        state.setAiRecognitionConfig(false, ints({3, 1, 4}));
        QCOMPARE(spy.count(), 4);
        // Reals from the interface compare like the whole numbers they are.
        state.setAiRecognitionConfig(false, QVariantList({3.0, 1.0, 4.0}));
        QCOMPARE(spy.count(), 4);
        QCOMPARE(state.aiSelectedCategories().first().userType(), int(QMetaType::Int));
    }

    void listPropertiesAreCopies()
    {
        GimbalState state;
        state.updateAiTargets(bytes("01000200030004005a02"
                                    "0101"));
        state.setAiRecognitionConfig(true, ints({2}));
        state.updateOsdConfig(QByteArray(31, '\x01'));

        QVariantList targets = state.aiTargets();
        targets.clear();
        QVariantList categories = state.aiSelectedCategories();
        categories << 9;
        QVariantList osd = state.property("osdConfigs").toList();
        osd.removeFirst();
        QCOMPARE(state.aiTargets().size(), 1);
        QCOMPARE(state.aiSelectedCategories(), ints({2}));
        QCOMPARE(state.osdConfigs().size(), 15);
    }

    void linkLossClearsTargetsAndConfig()
    {
        GimbalState state;
        state.updateAiTargets(bytes("01000200030004005a02"
                                    "0103"),
                              true);
        state.setAiRecognitionConfig(true, ints({5}));
        QList<QString> order;
        connect(&state, &GimbalState::aiTargetsChanged, [&] { order << "targets"; });
        connect(&state, &GimbalState::aiRecognitionConfigChanged, [&] { order << "config"; });
        state.setTransportConnected(false);
        QCOMPARE(order, QList<QString>({"targets", "config"}));
        QVERIFY(state.aiTargets().isEmpty());
        QCOMPARE(state.aiDetectStatus(), 0);
        QVERIFY(!state.aiTrackingActive());
        QVERIFY(!state.aiRecognitionEnabled());
        QVERIFY(state.aiSelectedCategories().isEmpty());
    }
};

SKYRIG_REGISTER_TEST(StateReadbackTest)
SKYRIG_REGISTER_TEST(StateAiTest)
#include "tst_state_readback.moc"
