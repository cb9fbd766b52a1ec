#include "common/TestMain.h"
#include "link/Payload.h"
#include "state/GimbalState.h"

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

QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray cameraStatus(int sdStatus, quint16 total, quint16 free, quint16 used)
{
    QByteArray p;
    for (int i = 0; i < 8; ++i)
        Payload::appendU8(p, i + 1);
    Payload::appendU8(p, sdStatus);
    Payload::appendU16(p, total);
    Payload::appendU16(p, free);
    Payload::appendU16(p, used);
    Payload::appendU8(p, 0xEE);
    return p;
}

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

} // namespace

class StateStatusTest : public QObject
{
    Q_OBJECT

private slots:
    void everyPropertyStartsAtItsInitialValue()
    {
        struct Expect {
            const char *name;
            QVariant value;
            const char *notify;
        };
        const QVariant none = QVariant(QVariantList());
        const QString dash = QStringLiteral("--");
        QVector<Expect> table = {
            {"connected", false, "stateChanged"},
            {"gimbalConnStatus", 0, "stateChanged"},
            {"cameraConnStatus", 0, "stateChanged"},
            {"deviceModel", 0, "stateChanged"},
            {"irCoreOK", false, "stateChanged"},
            {"teleVisOK", false, "stateChanged"},
            {"wideVisOK", false, "stateChanged"},
            {"laserOK", false, "stateChanged"},
            {"cameraSystemStatusValid", false, "cameraStatusChanged"},
            {"irDeviceType", -1, "irDeviceTypeChanged"},
            {"focalLength", 0.0f, "visStatusChanged"},
            {"hybridZoom", 0.0f, "visStatusChanged"},
            {"laserDistance", 0.0f, "laserChanged"},
            {"photoStatus", 0, "photoStatusChanged"},
            {"recordStatus", 0, "recordStatusChanged"},
            {"recordDuration", 0, "recordStatusChanged"},
            {"coreTemp", 0.0f, "versionInfoChanged"},
            {"uartProtocol", -1, "versionInfoChanged"},
            {"sbusMax", 0, "sbusConfigChanged"},
            {"sbusMin", 0, "sbusConfigChanged"},
            {"sbusEnabled", false, "sbusConfigChanged"},
            {"playbackClientPort", 0, "networkConfigChanged"},
            {"downloadClientPort", 0, "networkConfigChanged"},
            {"osdConfigs", none, "osdConfigChanged"},
            {"osdWatermarkEnabled", false, "osdConfigChanged"},
            {"aiDetectStatus", 0, "aiTargetsChanged"},
            {"aiTrackingActive", false, "aiTargetsChanged"},
            {"aiTargets", none, "aiTargetsChanged"},
            {"aiRecognitionEnabled", false, "aiRecognitionConfigChanged"},
            {"aiSelectedCategories", none, "aiRecognitionConfigChanged"},
        };
        for (const char *n : {"yawJoint", "rollJoint", "pitchJoint", "yawAttitude", "rollAttitude",
                              "pitchAttitude", "yawSpeed", "pitchSpeed", "rollSpeed"})
            table.append({n, 0.0f, "attitudeChanged"});
        for (const char *n :
             {"photoVideoMode", "outputRes", "encodingFormat", "streamMode", "bitrate", "photoMode",
              "timelapseInterval", "burstCount", "sdStatus", "sdTotalMB", "sdFreeMB", "sdUsedMB"})
            table.append({n, 0, "cameraStatusChanged"});
        for (const char *n : {"irMaxTemp", "irMinTemp", "irCenterTemp", "irPointTemp", "irAvgTemp"})
            table.append({n, 0.0f, "irStatusChanged"});
        for (const char *n : {"irMaxTempX", "irMaxTempY", "irMinTempX", "irMinTempY",
                              "irCenterTempX", "irCenterTempY", "irPointTempX", "irPointTempY"})
            table.append({n, -1, "irStatusChanged"});
        for (const char *n :
             {"zoomStatus", "evValue", "isoValue", "shutterValue", "aeLock", "focusStatus"})
            table.append({n, 0, "visStatusChanged"});
        for (const char *n : {"playbackPlayStatus", "playbackDownloadStatus", "playbackTotalMs",
                              "playbackPosition"})
            table.append({n, 0, "playbackStatusChanged"});
        for (const char *n :
             {"gimbalHwVersion", "gimbalSwVersion", "cameraVersion", "kernelVersion", "deviceSn"})
            table.append({n, QString(), "versionInfoChanged"});
        for (const char *n :
             {"sbusStreamChannel", "sbusZoomChannel", "sbusPhotoChannel", "sbusRecordChannel",
              "sbusPitchChannel", "sbusYawChannel", "sbusCenterChannel", "sbusIrPaletteChannel"})
            table.append({n, 16, "sbusConfigChanged"});
        for (const char *n :
             {"cameraIp", "cameraMask", "cameraGateway", "playbackClientIp", "downloadClientIp"})
            table.append({n, dash, "networkConfigChanged"});
        const QVector<QPair<const char *, QVariant>> params = {{"photoResolution", 0},
                                                               {"recordResolution", 0},
                                                               {"recordBitrate", 0},
                                                               {"irPalette", 0},
                                                               {"irTempEnabled", true},
                                                               {"irTempIsArea", false},
                                                               {"irZoom", 1},
                                                               {"irSharpness", 0},
                                                               {"irGainMode", 0},
                                                               {"irBrightness", 50},
                                                               {"irContrast", 50},
                                                               {"irDenoiseEnabled", false},
                                                               {"irDenoiseLevel", 50},
                                                               {"irEnhanceEnabled", false},
                                                               {"irEnhanceLevel", 5},
                                                               {"irAiSuperResEnabled", false},
                                                               {"irFusionEnabled", false},
                                                               {"irFusionVisWeight", 8},
                                                               {"irFusionIrWeight", 2},
                                                               {"irFusionGray", false},
                                                               {"visFusionEnabled", false},
                                                               {"visFusionIrWeight", 2},
                                                               {"visFusionVisWeight", 8},
                                                               {"visFusionGray", false}};
        for (const auto &p : params)
            table.append({p.first, p.second, "cameraParamsChanged"});
        QCOMPARE(table.size(), 116);

        GimbalState state;
        const QMetaObject *mo = state.metaObject();
        QCOMPARE(mo->propertyCount(), 116 + 1); // + objectName
        QSet<QString> seen;
        for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
            const QMetaProperty prop = mo->property(i);
            const QString name = QString::fromLatin1(prop.name());
            auto it = std::find_if(table.begin(), table.end(),
                                   [&](const Expect &e) { return name == QLatin1String(e.name); });
            QVERIFY2(it != table.end(), qPrintable(name));
            seen.insert(name);
            QVERIFY2(!prop.isWritable(), qPrintable(name));
            QVERIFY2(prop.hasNotifySignal(), qPrintable(name));
            QCOMPARE(QString::fromLatin1(prop.notifySignal().name()),
                     QString::fromLatin1(it->notify));
            const QVariant value = prop.read(&state);
            QVERIFY2(value.userType() == it->value.userType(), qPrintable(name));
            QVERIFY2(value == it->value, qPrintable(name));
        }
        QCOMPARE(seen.size(), 116);
    }

    void signalsAreDeclaredInOrder()
    {
        const QStringList expected = {
            "stateChanged",          "attitudeChanged",     "cameraStatusChanged",
            "irStatusChanged",       "irDeviceTypeChanged", "visStatusChanged",
            "laserChanged",          "photoStatusChanged",  "recordStatusChanged",
            "versionInfoChanged",    "aiTargetsChanged",    "aiRecognitionConfigChanged",
            "playbackStatusChanged", "sbusConfigChanged",   "networkConfigChanged",
            "cameraParamsChanged",   "osdConfigChanged"};
        QStringList actual;
        const QMetaObject &mo = GimbalState::staticMetaObject;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
            if (mo.method(i).methodType() == QMetaMethod::Signal) {
                QCOMPARE(mo.method(i).parameterCount(), 0);
                actual << QString::fromLatin1(mo.method(i).name());
            }
        }
        QCOMPARE(actual, expected);
    }

    void attitudeReport()
    {
        GimbalState state;
        StateSignalLog log(&state);
        state.updateAttitude(QByteArray(17, '\xFF'));
        QVERIFY(log.names.isEmpty());
        QCOMPARE(state.yawJoint(), 0.0f);
        QVERIFY(!state.connected());

        state.updateAttitude(QByteArray(18, '\xFF'));
        for (const char *n : {"yawJoint", "rollJoint", "pitchJoint", "yawAttitude", "rollAttitude",
                              "pitchAttitude", "yawSpeed", "pitchSpeed", "rollSpeed"})
            QCOMPARE(state.property(n).toFloat(), -0.01f);
        QVERIFY(state.connected());
        QCOMPARE(log.names, QStringList({"attitudeChanged", "stateChanged"}));

        // Each field from its own offset; the speeds come yaw, pitch, roll.
        QByteArray p;
        for (qint16 v : {qint16(100), qint16(200), qint16(-300), qint16(400), qint16(500),
                         qint16(-12345), qint16(700), qint16(800), qint16(900)})
            Payload::appendS16(p, v);
        state.updateAttitude(p);
        QCOMPARE(state.yawJoint(), 1.0f);
        QCOMPARE(state.rollJoint(), 2.0f);
        QCOMPARE(state.pitchJoint(), -3.0f);
        QCOMPARE(state.yawAttitude(), 4.0f);
        QCOMPARE(state.rollAttitude(), 5.0f);
        QCOMPARE(state.pitchAttitude(), -123.45f);
        QCOMPARE(state.yawSpeed(), 7.0f);
        QCOMPARE(state.pitchSpeed(), 8.0f);
        QCOMPARE(state.rollSpeed(), 9.0f);
    }

    void gimbalStatusReport()
    {
        GimbalState state;
        StateSignalLog log(&state);
        state.updateGimbalStatus(bytes("3a0705ff"));
        QVERIFY(log.names.isEmpty());
        QCOMPARE(state.gimbalConnStatus(), 0);

        QList<bool> connectedSeen;
        connect(&state, &GimbalState::stateChanged, [&] { connectedSeen << state.connected(); });
        state.updateGimbalStatus(bytes("3a0705ffff"));
        QCOMPARE(state.gimbalConnStatus(), 10);
        QCOMPARE(state.cameraConnStatus(), 3);
        QCOMPARE(state.deviceModel(), 7);
        QVERIFY(state.irCoreOK());
        QVERIFY(!state.teleVisOK());
        QVERIFY(state.wideVisOK());
        QVERIFY(!state.laserOK());
        // Link codes and health each signal once; connected follows silently.
        QCOMPARE(log.names, QStringList({"stateChanged", "stateChanged"}));
        QCOMPARE(connectedSeen, QList<bool>({false, false}));
        QVERIFY(state.connected());

        state.updateGimbalStatus(bytes("f0ff0a0000"));
        QCOMPARE(state.gimbalConnStatus(), 0);
        QCOMPARE(state.cameraConnStatus(), 15);
        QCOMPARE(state.deviceModel(), 255);
        QVERIFY(!state.irCoreOK());
        QVERIFY(state.teleVisOK());
        QVERIFY(!state.wideVisOK());
        QVERIFY(state.laserOK());
    }

    void cameraSystemFieldsAndCardCapacity()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::cameraStatusChanged);
        state.updateCameraSystemStatus(cameraStatus(0, 100, 50, 50).left(15));
        QCOMPARE(spy.count(), 0);
        QVERIFY(!state.cameraSystemStatusValid());

        state.updateCameraSystemStatus(cameraStatus(0, 100, 50, 50));
        QCOMPARE(spy.count(), 1);
        QVERIFY(state.cameraSystemStatusValid());
        QCOMPARE(state.photoVideoMode(), 1);
        QCOMPARE(state.outputRes(), 2);
        QCOMPARE(state.encodingFormat(), 3);
        QCOMPARE(state.streamMode(), 4);
        QCOMPARE(state.bitrate(), 5);
        QCOMPARE(state.photoMode(), 6);
        QCOMPARE(state.timelapseInterval(), 7);
        QCOMPARE(state.burstCount(), 8);
        QCOMPARE(state.sdTotalMB(), 1000);
        QCOMPARE(state.sdFreeMB(), 500);
        QCOMPARE(state.sdUsedMB(), 500);

        struct Case {
            quint16 t, f, u;
            int total, free, used;
        };
        // Each case starts from a fresh state, so there is no earlier value.
        const Case fresh[] = {{0xFFFF, 50, 50, 1000, 500, 500},  {100, 0, 30, 1000, 700, 300},
                              {100, 200, 30, 1000, 1000, 300},   {0, 0, 30, 0, 0, 300},
                              {0xFFFF, 0xFFFF, 0xFFFF, 0, 0, 0}, {10, 0, 20, 100, 0, 200}};
        for (const Case &c : fresh) {
            GimbalState s;
            s.updateCameraSystemStatus(cameraStatus(0, c.t, c.f, c.u));
            QCOMPARE(s.sdTotalMB(), c.total);
            QCOMPARE(s.sdFreeMB(), c.free);
            QCOMPARE(s.sdUsedMB(), c.used);
        }

        // Missing figures fall back on the last known ones.
        GimbalState s;
        s.updateCameraSystemStatus(cameraStatus(0, 200, 70, 130));
        s.updateCameraSystemStatus(cameraStatus(0, 0xFFFF, 0xFFFF, 0xFFFF));
        QCOMPARE(s.sdTotalMB(), 2000);
        QCOMPARE(s.sdFreeMB(), 700);
        QCOMPARE(s.sdUsedMB(), 0);
        // With a used figure the free space is derived, not kept.
        s.updateCameraSystemStatus(cameraStatus(0, 0xFFFF, 0, 50));
        QCOMPARE(s.sdTotalMB(), 2000);
        QCOMPARE(s.sdFreeMB(), 1500);

        // No card or a format error: no capacity whatever the wire says.
        for (int sd : {3, 5}) {
            s.updateCameraSystemStatus(cameraStatus(sd, 100, 50, 50));
            QCOMPARE(s.sdStatus(), sd);
            QCOMPARE(s.sdTotalMB(), 0);
            QCOMPARE(s.sdFreeMB(), 0);
            QCOMPARE(s.sdUsedMB(), 0);
        }
        // A full or slow card still reports its capacity.
        s.updateCameraSystemStatus(cameraStatus(4, 100, 0, 100));
        QCOMPARE(s.sdTotalMB(), 1000);
        QCOMPARE(s.sdFreeMB(), 0);
    }

    void photoAndRecordWaitForTheCardState()
    {
        GimbalState state;
        StateSignalLog log(&state);
        state.updatePhotoStatus(bytes("0002"));
        state.updatePhotoStatus(bytes("0003")); // replaces the held one
        state.updateRecordStatus(bytes("00012c01"));
        state.updatePhotoStatus(bytes("00"));      // too short: not even held
        state.updateRecordStatus(bytes("000901")); // too short
        QVERIFY(log.names.isEmpty());
        QCOMPARE(state.photoStatus(), 0);

        state.updateCameraSystemStatus(cameraStatus(0, 100, 50, 50));
        QCOMPARE(log.names,
                 QStringList({"cameraStatusChanged", "recordStatusChanged", "photoStatusChanged"}));
        QCOMPARE(state.photoStatus(), 3);
        QCOMPARE(state.recordStatus(), 1);
        QCOMPARE(state.recordDuration(), 300);

        // Held reports are used once only.
        log.names.clear();
        state.updateCameraSystemStatus(cameraStatus(0, 100, 50, 50));
        QCOMPARE(log.names, QStringList({"cameraStatusChanged"}));

        // Once the card is known, reports apply at once.
        log.names.clear();
        state.updatePhotoStatus(bytes("ff05"));
        state.updateRecordStatus(bytes("ff03ffff"));
        QCOMPARE(log.names, QStringList({"photoStatusChanged", "recordStatusChanged"}));
        QCOMPARE(state.photoStatus(), 5);
        QCOMPARE(state.recordStatus(), 3);
        QCOMPARE(state.recordDuration(), 65535);

        // A card that is not ready clears both and drops later reports.
        log.names.clear();
        state.updateCameraSystemStatus(cameraStatus(2, 100, 50, 50));
        QCOMPARE(log.names,
                 QStringList({"cameraStatusChanged", "photoStatusChanged", "recordStatusChanged"}));
        QCOMPARE(state.photoStatus(), 0);
        QCOMPARE(state.recordStatus(), 0);
        QCOMPARE(state.recordDuration(), 0);
        log.names.clear();
        state.updatePhotoStatus(bytes("0001"));
        state.updateRecordStatus(bytes("00010a00"));
        QVERIFY(log.names.isEmpty());
        state.updateCameraSystemStatus(cameraStatus(0, 100, 50, 50));
        QCOMPARE(log.names, QStringList({"cameraStatusChanged"}));
        QCOMPARE(state.photoStatus(), 0);
    }

    void noCardDropsHeldReports()
    {
        GimbalState state;
        state.updatePhotoStatus(bytes("0002"));
        state.updateRecordStatus(bytes("00010500"));
        state.updateCameraSystemStatus(cameraStatus(3, 0, 0, 0));
        state.updateCameraSystemStatus(cameraStatus(0, 100, 50, 50));
        QCOMPARE(state.photoStatus(), 0);
        QCOMPARE(state.recordStatus(), 0);
    }

    void infraredStatus()
    {
        GimbalState state;
        StateSignalLog log(&state);
        state.updateIrStatus(irStatus(9));
        QVERIFY(log.names.isEmpty());

        state.updateIrStatus(irStatus(25));
        QCOMPARE(log.names, QStringList({"irStatusChanged"}));
        QCOMPARE(state.irMaxTemp(), 52.3f);
        QCOMPARE(state.irMinTemp(), -10.0f);
        QCOMPARE(state.irCenterTemp(), 20.1f);
        QCOMPARE(state.irPointTemp(), -0.5f);
        QCOMPARE(state.irAvgTemp(), 0.0f);
        QCOMPARE(state.irMaxTempX(), -1);
        QCOMPARE(state.irPointTempY(), -1);
        QCOMPARE(state.irDeviceType(), -1);

        state.updateIrStatus(irStatus(26));
        QCOMPARE(state.irMaxTempX(), 101);
        QCOMPARE(state.irMaxTempY(), 201);
        QCOMPARE(state.irMinTempX(), 301);
        QCOMPARE(state.irMinTempY(), 401);
        QCOMPARE(state.irCenterTempX(), 501);
        QCOMPARE(state.irCenterTempY(), 601);
        QCOMPARE(state.irPointTempX(), 701);
        QCOMPARE(state.irPointTempY(), 801);
        QCOMPARE(state.irDeviceType(), -1);

        log.names.clear();
        QList<int> typeSeen;
        connect(&state, &GimbalState::irStatusChanged, [&] { typeSeen << state.irDeviceType(); });
        state.updateIrStatus(irStatus(31, 0x42));
        QCOMPARE(log.names, QStringList({"irStatusChanged", "irDeviceTypeChanged"}));
        QCOMPARE(typeSeen, QList<int>({0x42})); // stored before irStatusChanged
        log.names.clear();
        state.updateIrStatus(irStatus(40, 0x42));
        QCOMPARE(log.names, QStringList({"irStatusChanged"}));
        log.names.clear();
        state.updateIrStatus(irStatus(31, 0));
        QCOMPARE(log.names, QStringList({"irStatusChanged", "irDeviceTypeChanged"}));
        QCOMPARE(state.irDeviceType(), 0);
    }

    void visibleStatusReadsOddOffsets()
    {
        GimbalState state;
        QSignalSpy spy(&state, &GimbalState::visStatusChanged);
        const QByteArray p = bytes("07"
                                   "3930"
                                   "fa00"
                                   "0d"
                                   "2003"
                                   "e803"
                                   "01"
                                   "02");
        state.updateVisStatus(p.left(11));
        QCOMPARE(spy.count(), 0);
        state.updateVisStatus(p);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(state.zoomStatus(), 7);
        QCOMPARE(state.focalLength(), 123.45f);
        QCOMPARE(state.hybridZoom(), 25.0f);
        QCOMPARE(state.evValue(), 13);
        QCOMPARE(state.isoValue(), 800);
        QCOMPARE(state.shutterValue(), 1000);
        QCOMPARE(state.aeLock(), 1);
        QCOMPARE(state.focusStatus(), 2);
        // Values above 0x7FFF are unsigned on the wire.
        state.updateVisStatus(bytes("00"
                                    "ffff"
                                    "ffff"
                                    "00"
                                    "ffff"
                                    "0000"
                                    "00"
                                    "00"));
        QCOMPARE(state.focalLength(), 655.35f);
        QCOMPARE(state.hybridZoom(), 6553.5f);
        QCOMPARE(state.isoValue(), 65535);
    }

    void laserAndPlayback()
    {
        GimbalState state;
        QSignalSpy laser(&state, &GimbalState::laserChanged);
        state.updateLaserDistance(bytes("0000e8"));
        QCOMPARE(laser.count(), 0);
        state.updateLaserDistance(bytes("0100e803"));
        QCOMPARE(laser.count(), 1);
        QCOMPARE(state.laserDistance(), 100.0f);
        state.updateLaserDistance(bytes("0000ffff"));
        QCOMPARE(state.laserDistance(), 6553.5f);

        QSignalSpy playback(&state, &GimbalState::playbackStatusChanged);
        state.updatePlaybackStatus(bytes("0102"
                                         "10270000"
                                         "0500"));
        QCOMPARE(playback.count(), 0);
        state.updatePlaybackStatus(bytes("0102"
                                         "10270000"
                                         "05000000"));
        QCOMPARE(playback.count(), 1);
        QCOMPARE(state.playbackDownloadStatus(), 1);
        QCOMPARE(state.playbackPlayStatus(), 2);
        QCOMPARE(state.playbackTotalMs(), 10000);
        QCOMPARE(state.playbackPosition(), 5000);
        // Out-of-range times stay positive instead of wrapping.
        state.updatePlaybackStatus(bytes("0000"
                                         "ffffffff"
                                         "ffffffff"));
        QCOMPARE(state.playbackTotalMs(), std::numeric_limits<int>::max());
        QCOMPARE(state.playbackPosition(), std::numeric_limits<int>::max());
        state.updatePlaybackStatus(bytes("0000"
                                         "00000000"
                                         "00003000"));
        QCOMPARE(state.playbackPosition(), std::numeric_limits<int>::max());
    }

    void upgradeStatusChangesNothing()
    {
        GimbalState state;
        StateSignalLog log(&state);
        state.updateCameraUpgradeStatus(QByteArray(64, '\x01'));
        state.updateCameraUpgradeStatus(QByteArray());
        QVERIFY(log.names.isEmpty());
    }

    void linkLossResetsOnlyTheSessionParts()
    {
        GimbalState state;
        state.updateAttitude(QByteArray(18, '\x10'));
        state.updateGimbalStatus(bytes("3a070f0000"));
        state.updateCameraSystemStatus(cameraStatus(0, 100, 50, 50));
        state.updatePhotoStatus(bytes("0002"));
        state.updateRecordStatus(bytes("00010a00"));
        state.updateIrStatus(irStatus(31, 3));
        state.updateVisStatus(bytes("0710270a000d20030a00010200"));
        state.updateLaserDistance(bytes("0000e803"));
        state.updatePlaybackStatus(bytes("01021027000005000000"));
        state.updateCameraVersion(bytes("0000010203"));
        state.updateSbusConfig(bytes("0000"
                                     "e803"
                                     "6400"
                                     "01020304050607"
                                     "03"));
        state.updateCameraIpConfig(bytes("0000c0a89040ffffff00c0a89001"));
        state.updateOsdConfig(QByteArray(31, '\x01'));
        state.updateAiTargets(bytes("01000200030004005a02"
                                    "0101"),
                              true);
        state.setAiRecognitionConfig(true, {1, 3});
        state.setIrBrightness(90);

        StateSignalLog log(&state);
        state.setTransportConnected(true);
        QVERIFY(log.names.isEmpty());
        QVERIFY(state.connected());

        state.setTransportConnected(false);
        QCOMPARE(log.names,
                 QStringList({"stateChanged", "stateChanged", "cameraStatusChanged",
                              "photoStatusChanged", "recordStatusChanged", "aiTargetsChanged",
                              "aiRecognitionConfigChanged", "cameraParamsChanged"}));
        QVERIFY(!state.connected());
        QCOMPARE(state.gimbalConnStatus(), 0);
        QCOMPARE(state.cameraConnStatus(), 0);
        QCOMPARE(state.deviceModel(), 0);
        QVERIFY(!state.irCoreOK() && !state.teleVisOK() && !state.wideVisOK() && !state.laserOK());
        QVERIFY(!state.cameraSystemStatusValid());
        for (const char *n :
             {"photoVideoMode", "outputRes", "encodingFormat", "streamMode", "bitrate", "photoMode",
              "timelapseInterval", "burstCount", "sdStatus", "sdTotalMB", "sdFreeMB", "sdUsedMB",
              "photoStatus", "recordStatus", "recordDuration", "aiDetectStatus"})
            QVERIFY2(state.property(n).toInt() == 0, n);
        QVERIFY(state.aiTargets().isEmpty());
        QVERIFY(!state.aiTrackingActive());
        QVERIFY(!state.aiRecognitionEnabled());
        QVERIFY(state.aiSelectedCategories().isEmpty());
        QCOMPARE(state.irBrightness(), 50);

        // Everything else survives until new reports replace it.
        QCOMPARE(state.yawJoint(), float(0x1010) / 100.0f);
        QCOMPARE(state.irMaxTemp(), 52.3f);
        QCOMPARE(state.irDeviceType(), 3);
        QCOMPARE(state.zoomStatus(), 7);
        QCOMPARE(state.laserDistance(), 100.0f);
        QCOMPARE(state.playbackTotalMs(), 10000);
        QCOMPARE(state.cameraVersion(), QStringLiteral("1.2.3"));
        QCOMPARE(state.sbusMax(), 1000);
        QCOMPARE(state.cameraIp(), QStringLiteral("192.168.144.64"));
        QCOMPARE(state.osdConfigs().size(), 15);

        // Reports held before the loss do not come back afterwards.
        GimbalState held;
        held.updatePhotoStatus(bytes("0002"));
        held.setTransportConnected(false);
        held.updateCameraSystemStatus(cameraStatus(0, 100, 50, 50));
        QCOMPARE(held.photoStatus(), 0);
    }
};

SKYRIG_REGISTER_TEST(StateStatusTest)
#include "tst_state_status.moc"
