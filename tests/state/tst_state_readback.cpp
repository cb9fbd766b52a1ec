#include "common/TestMain.h"
#include "state/GimbalState.h"
#include "state/InboundFrames.h"

#include <QSignalSpy>

using inbound::hex;
using skyrig_test::props;

class StateReadbackTest : public QObject
{
    Q_OBJECT

private slots:
    // Client reply: result, address (first group first), port LE; any type
    // but 0 is the download client; an address-only reply leaves the port unknown.
    void playbackClients()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::networkConfigChanged);
        state.updatePlaybackClientConfig(0, hex("0000c0a890"));
        QCOMPARE(spy.count(), 0);
        state.updatePlaybackClientConfig(0, hex("0000c0a89014 0414"));
        const char *clients = "playbackClientIp playbackClientPort downloadClientIp "
                              "downloadClientPort";
        QCOMPARE(props(state, clients), QVariantList({"192.168.144.20", 5124, "--", 0}));
        state.updatePlaybackClientConfig(7, hex("00007f000001"));
        QCOMPARE(props(state, clients), QVariantList({"192.168.144.20", 5124, "127.0.0.1", 0}));
        QCOMPARE(spy.count(), 2);
    }

    void osdConfiguration()
    {
        GimbalState state;
        QByteArray p(31, '\0');
        p[0] = 1;
        p[1] = char(0x21); // colour 2, position 1
        p[2] = 2;          // only 1 means enabled
        p[3] = char(0x14);
        p[28] = 1;
        p[29] = char(0xFF);
        p[30] = 1;
        state.updateOsdConfig(p);
        const QVariantList list = state.osdConfigs();
        QCOMPARE(list.size(), 15);
        auto item = [&](int i) {
            const QVariantMap m = list[i].toMap();
            return QVariantList({m["item"], m["enabled"], m["position"], m["color"]});
        };
        QCOMPARE(item(0), QVariantList({1, true, 1, 2}));
        QCOMPARE(item(1), QVariantList({2, false, 4, 1}));
        QCOMPARE(item(14), QVariantList({15, true, 15, 15}));
        QVERIFY(state.osdWatermarkEnabled());
        p[30] = 2;
        state.updateOsdConfig(p);
        QVERIFY(!state.osdWatermarkEnabled());
    }

    // Setters echo what was just sent: clamped, and signalling only real changes.
    void localEchoSignalsOnlyRealChanges()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::cameraParamsChanged);
        state.setIrBrightness(150);
        state.setIrBrightness(120); // clamps to the same value
        state.setIrContrast(-5);
        state.setIrTempEnabled(true); // already on
        state.setIrDenoise(true, 400);
        state.setIrEnhanceLevel(0); // already off
        QCOMPARE(spy.count(), 3);
        QCOMPARE(props(state, "irBrightness irContrast irDenoiseLevel"),
                 QVariantList({100, 0, 100}));

        state.setIrEnhanceLevel(42);
        QCOMPARE(props(state, "irEnhanceEnabled irEnhanceLevel"), QVariantList({true, 10}));
        state.setIrEnhanceLevel(3);
        state.setIrEnhanceLevel(-1); // off keeps the level for next time
        QCOMPARE(props(state, "irEnhanceEnabled irEnhanceLevel"), QVariantList({false, 3}));
        QCOMPARE(spy.count(), 6);

        state.setIrFusion(true, 25);
        QCOMPARE(props(state, "irFusionVisWeight irFusionIrWeight"), QVariantList({10, 0}));
        state.setIrFusionGray(true);
        state.setIrFusion(false, 4); // switching off also clears grey
        QCOMPARE(props(state, "irFusionGray irFusionIrWeight"), QVariantList({false, 6}));

        state.setVisFusion(true, -3);
        QCOMPARE(props(state, "visFusionIrWeight visFusionVisWeight"), QVariantList({0, 10}));
        state.setVisFusionGray(true);
        const int before = spy.count();
        state.setVisFusionGray(true);
        state.setVisFusion(true, 0);
        QCOMPARE(spy.count(), before);
        state.setVisFusion(false, 0);
        QCOMPARE(spy.count(), before + 1);
        QVERIFY(!state.visFusionGray());

        // Super resolution and fusion grey are not part of the read-back.
        state.setIrAiSuperResEnabled(true);
        state.setIrFusionGray(true);
        QVERIFY(state.updateInfraredParams(hex("0000") + QByteArray(21, '\0')));
        QVERIFY(state.irAiSuperResEnabled() && state.irFusionGray());

        // The link going down brings every echo back to its initial value.
        state.setTransportConnected(false);
        QCOMPARE(props(state, "irBrightness irContrast irEnhanceLevel irFusionVisWeight "
                              "visFusionIrWeight irTempEnabled"),
                 QVariantList({50, 50, 5, 8, 2, true}));
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
        auto summary = [&] {
            return QVariantList(
                {state.aiTargets().size(), state.aiDetectStatus(), state.aiTrackingActive()});
        };
        // Records of x, y, w, h (LE), confidence, category; then count and status.
        const QByteArray records = hex("0a00 1400 3200 4b00 50 03  e803 0000 ffff 0100 64 01");
        state.updateAiTargets(records + hex("0201"));
        QCOMPARE(summary(), QVariantList({2, 1, false}));
        auto fields = [](const QVariant &v) {
            const QVariantMap m = v.toMap();
            return QVariantList({m["x"], m["y"], m["w"], m["h"], m["confidence"], m["categoryId"]});
        };
        QCOMPARE(fields(state.aiTargets()[0]), QVariantList({10, 20, 50, 75, 80, 3}));
        QCOMPARE(fields(state.aiTargets()[1]), QVariantList({1000, 0, 65535, 1, 100, 1}));

        // Announced counts beyond the room, or 0, mean all complete records.
        state.updateAiTargets(records + hex("0501"));
        QCOMPARE(state.aiTargets().size(), 2);
        state.updateAiTargets(records + hex("0001"));
        QCOMPARE(state.aiTargets().size(), 2);
        state.updateAiTargets(records + hex("0104"));
        QCOMPARE(summary(), QVariantList({1, 4, false}));
        // 27 bytes with trailer 01 00: one record, the rest ignored.
        state.updateAiTargets(records.left(10) + QByteArray(15, '\x33') + hex("0100"), true);
        QCOMPARE(summary(), QVariantList({1, 0, true}));
        // Trailer only: no targets, the status is taken.
        state.updateAiTargets(hex("0307"));
        QCOMPARE(summary(), QVariantList({0, 7, false}));
        // A single byte or nothing empties the list but keeps the status.
        state.updateAiTargets(hex("09"), true);
        QCOMPARE(summary(), QVariantList({0, 7, true}));
        state.updateAiTargets(QByteArray());
        QCOMPARE(summary(), QVariantList({0, 7, false}));
        QCOMPARE(spy.count(), 8);
    }

    void recognitionConfig()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::aiRecognitionConfigChanged);
        state.updateAiCategoriesConfig(hex("0000010580"));
        QVERIFY(state.aiRecognitionEnabled());
        QCOMPARE(state.aiSelectedCategories(), QVariantList({1, 3, 16}));
        state.updateAiCategoriesConfig(hex("010580")); // same, older form: no signal
        state.setAiRecognitionConfig(true, QVariantList({1.0, 3.0, 16.0})); // reals count as ints
        QCOMPARE(spy.count(), 1);
        QCOMPARE(state.aiSelectedCategories().first().userType(), int(QMetaType::Int));
        state.setAiRecognitionConfig(true, QVariantList({3, 1, 16})); // order counts
        QCOMPARE(spy.count(), 2);

        state.updateAiCategoriesConfig(hex("00000205")); // switch byte 2: older form
        QVERIFY(!state.aiRecognitionEnabled());
        QCOMPARE(state.aiSelectedCategories(), QVariantList({10, 17, 19}));
        state.updateAiCategoriesConfig(hex("01"));
        QVERIFY(state.aiRecognitionEnabled());
        QVERIFY(state.aiSelectedCategories().isEmpty());

        // The mask covers at most 16 bytes (categories 1-128).
        state.updateAiCategoriesConfig(hex("000001") + QByteArray(20, '\xFF'));
        QCOMPARE(state.aiSelectedCategories().size(), 128);
        QCOMPARE(state.aiSelectedCategories().last().toInt(), 128);
    }
};

SKYRIG_REGISTER_TEST(StateReadbackTest)
SKYRIG_REGISTER_TEST(StateAiTest)
#include "tst_state_readback.moc"