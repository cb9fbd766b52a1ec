#include "catalog/AppSettingsBridge.h"
#include "catalog/CameraModelBridge.h"
#include "catalog/GimbalModel.h"
#include "catalog/GimbalModelFactory.h"
#include "catalog/ModelProvider.h"
#include "common/TestMain.h"
#include "link/Language.h"

#include <QMetaProperty>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

namespace
{

// Holds a model the way the controller does: replacing it destroys the old
// one before modelChanged is announced.
class TestModelProvider : public ModelProvider
{
public:
    GimbalModel *model() const override { return m_model; }
    void select(const QString &id) { replace(new GimbalModel(id, this)); }
    void replace(GimbalModel *next)
    {
        delete m_model;
        m_model = next;
        emit modelChanged();
    }

private:
    GimbalModel *m_model = nullptr;
};

QVariant stored(const QString &key)
{
    return QSettings().value(key);
}

void store(const QString &key, const QVariant &value)
{
    QSettings().setValue(key, value);
}

} // namespace

class CatalogCameraBridgeTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }

    void valuesWithoutModel()
    {
        TestModelProvider emptyProvider;
        CameraModelBridge withEmpty(&emptyProvider);
        CameraModelBridge withNone(nullptr);
        for (CameraModelBridge *bridge : {&withEmpty, &withNone}) {
            QCOMPARE(bridge->modelKey(), QStringLiteral("default"));
            QCOMPARE(bridge->modelId(), QString());
            QCOMPARE(bridge->defaultVideoUrl(), QStringLiteral("rtsp://127.0.0.1:8554/test"));
            QCOMPARE(bridge->defaultUdpIp(), QStringLiteral("192.168.144.64"));
            // No capability at all, but the base record's windows and ranges;
            // a step of 0.1 must arrive without single-precision noise.
            const QMetaObject *mo = bridge->metaObject();
            QList<double> numbers;
            for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
                const QMetaProperty prop = mo->property(i);
                if (QByteArray(prop.name()).startsWith("has"))
                    QVERIFY2(!prop.read(bridge).toBool(), prop.name());
                else if (prop.userType() == QMetaType::Int || prop.userType() == QMetaType::Double)
                    numbers << prop.read(bridge).toDouble();
            }
            QCOMPARE(numbers, QList<double>({440, 640, 111, 311, -753, -553, -391, -191, 1, 30, 0.1,
                                             1, 8, 1, -90, 30, -180, 180}));
            QVERIFY(bridge->irFusionOffsetLimited());
            for (const char *list : {"photoResolutions", "recordResolutions", "streamResolutions",
                                     "bitrates", "videoOutputModes", "aiCategories", "osdItems"}) {
                QVariantList result{1};
                QVERIFY(QMetaObject::invokeMethod(bridge, list, Q_RETURN_ARG(QVariantList, result),
                                                  Q_ARG(bool, true)));
                QVERIFY2(result.isEmpty(), list);
            }
            QVERIFY(bridge->irColorPalettes(false, 1).isEmpty());
            QCOMPARE(bridge->firmwareUpgradeFileNameHint(false), QString());
            QVERIFY(!bridge->autoStream());
            QVERIFY(bridge->videoPointAimEnabled());
        }
    }

    void followsProvider()
    {
        auto *provider = new TestModelProvider;
        CameraModelBridge bridge(provider);
        QSignalSpy changed(&bridge, &CameraModelBridge::changed);

        provider->select(QStringLiteral("Heron"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(bridge.property("modelName").toString(), QStringLiteral("Heron"));
        QVERIFY(bridge.property("hasUartProtocolConfig").toBool());
        QCOMPARE(bridge.property("visZoomMax").toDouble(), 160.0);
        QCOMPARE(bridge.irColorPalettes(false, 3).size(), 15);

        // The old model is gone after a switch; the bridge must read the new one.
        provider->select(QStringLiteral("Heron-Mini"));
        QCOMPARE(bridge.modelId(), QStringLiteral("Heron-Mini-B"));
        QCOMPARE(bridge.visFusionHMax(), 705);
        QVERIFY(!bridge.irFusionOffsetLimited());
        provider->select(QStringLiteral("Lynx"));
        QCOMPARE(bridge.defaultUdpIp(), QStringLiteral("192.168.144.119"));
        QVERIFY(bridge.osdItems(true).isEmpty());

        provider->replace(nullptr);
        QCOMPARE(changed.count(), 4);
        QVERIFY(!bridge.hasVisibleLight());

        // A provider destroyed before the bridge leaves it without a model.
        provider->select(QStringLiteral("Ibis"));
        delete provider;
        QCOMPARE(bridge.modelKey(), QStringLiteral("default"));
        QVERIFY(bridge.bitrates(true).isEmpty());
    }

    // Both preferences are kept under the trimmed product id, "default" without one.
    void preferencesPerModelKey_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("key");
        QTest::newRow("padded") << QStringLiteral("  Ibis \t") << QStringLiteral("Ibis");
        QTest::newRow("blank") << QStringLiteral("   ") << QStringLiteral("default");
        QTest::newRow("no model") << QString() << QStringLiteral("default");
    }

    void preferencesPerModelKey()
    {
        QFETCH(QString, id);
        QFETCH(QString, key);
        TestModelProvider provider;
        if (QTest::currentDataTag() != QByteArray("no model")) {
            ModelSpec caps = GimbalModelFactory::buildSpec(QStringLiteral("Ibis"));
            caps.id = id;
            provider.replace(new GimbalModel(caps, &provider));
        }
        CameraModelBridge bridge(&provider);
        QCOMPARE(bridge.modelKey(), key);
        QSignalSpy autoSpy(&bridge, &CameraModelBridge::autoStreamChanged);
        QSignalSpy aimSpy(&bridge, &CameraModelBridge::videoPointAimEnabledChanged);
        bridge.setAutoStream(true);
        bridge.setAutoStream(true);
        bridge.setVideoPointAimEnabled(true);
        bridge.setVideoPointAimEnabled(false);
        QCOMPARE(autoSpy.count(), 1);
        QCOMPARE(aimSpy.count(), 1);
        QCOMPARE(stored("video/autoStream_" + key), QVariant(true));
        QCOMPARE(stored("gimbal/videoPointAim_" + key), QVariant(false));
        QVERIFY(!QSettings().contains("video/autoStream"));
    }

    // A product without its own auto-stream value takes the global one; both
    // preferences are reloaded, signalling only changes, before the
    // capabilities are announced.
    void preferencesFollowTheProduct()
    {
        store("video/autoStream", true);
        store("gimbal/videoPointAim_Heron", false);
        TestModelProvider provider;
        provider.select(QStringLiteral("Ibis"));
        CameraModelBridge bridge(&provider);
        QVERIFY(bridge.autoStream());
        bridge.setAutoStream(false);
        QCOMPARE(stored("video/autoStream"), QVariant(true));

        QStringList log;
        auto onOff = [](bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); };
        connect(&bridge, &CameraModelBridge::autoStreamChanged,
                [&] { log << "auto:" + onOff(bridge.autoStream()); });
        connect(&bridge, &CameraModelBridge::videoPointAimEnabledChanged,
                [&] { log << "aim:" + onOff(bridge.videoPointAimEnabled()); });
        connect(&bridge, &CameraModelBridge::changed, [&] { log << QStringLiteral("changed"); });
        for (const char *id : {"Otter", "Heron", "Ibis", "Ibis"})
            provider.select(QString::fromLatin1(id));
        QCOMPARE(log, QStringList({"auto:on", "changed", "aim:off", "changed", "auto:off", "aim:on",
                                   "changed", "changed"}));
        QVERIFY(!QSettings().contains("video/autoStream_Otter"));
    }
};

class CatalogSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }

    void defaultsAndLegacyIds()
    {
        AppSettingsBridge s;
        QCOMPARE(QVariantList({s.hasProduct(), s.productName(), s.productId(), s.isChinese(),
                               s.useCustomTitleBar(), s.productOrder(), s.recordTelemetry()}),
                 QVariantList({false, "Otter", "Otter", true, true, QStringList(), true}));
        // Written behind the bridge's back: reads must still see it. Only the
        // name accepts the hyphenated old spelling.
        const char *const cases[][3] = {
            {"MartenClassic", "Marten", "Marten"}, {"Marten-Classic", "Marten", "Marten-Classic"},
            {"OtterClassic", "Otter", "Otter"},    {"Finch", "Plover", "Plover"},
            {"finch", "finch", "finch"},
        };
        for (const auto &c : cases) {
            store("startup/productName", c[0]);
            store("startup/productId", c[0]);
            QCOMPARE(s.productName(), QString(c[1]));
            QCOMPARE(s.productId(), QString(c[2]));
        }
    }

    void saveAndClearProduct()
    {
        AppSettingsBridge s;
        QSignalSpy spy(&s, &AppSettingsBridge::settingsChanged);
        s.saveProduct(QStringLiteral("Heron"), QStringLiteral("Heron"), false);
        QCOMPARE(spy.count(), 1);
        QSettings fresh;
        QCOMPARE(
            QVariantList({fresh.value("startup/hasProduct"), fresh.value("startup/productName"),
                          fresh.value("startup/productId"), fresh.value("startup/isChinese")}),
            QVariantList({true, "Heron", "Heron", false}));
        // Texts made from now on follow the saved language.
        QVERIFY(!Language::isChinese());

        s.setUseCustomTitleBar(false);
        s.setProductOrder({"Ibis"});
        s.clearProduct();
        QCOMPARE(spy.count(), 2);
        QVERIFY(!s.hasProduct());
        QVERIFY(s.isChinese());
        QVERIFY(!QSettings().childGroups().contains("startup"));
        // Interface preferences outside the product choice stay.
        QVERIFY(!s.useCustomTitleBar());
        QCOMPARE(s.productOrder(), QStringList{"Ibis"});
    }

    void settersSignalOnlyRealChanges()
    {
        AppSettingsBridge s;
        QSignalSpy settings(&s, &AppSettingsBridge::settingsChanged);
        QSignalSpy titleBar(&s, &AppSettingsBridge::useCustomTitleBarChanged);
        QSignalSpy order(&s, &AppSettingsBridge::productOrderChanged);
        QSignalSpy telemetry(&s, &AppSettingsBridge::recordTelemetryChanged);
        s.setIsChinese(true); // equal to the default
        s.setUseCustomTitleBar(true);
        s.setProductOrder({});
        s.setRecordTelemetry(true);
        QVERIFY(!QSettings().contains("startup/isChinese"));
        for (int i = 0; i < 2; ++i) {
            s.setIsChinese(false);
            s.setUseCustomTitleBar(false);
            s.setProductOrder({"A, B", "C"}); // separators inside an id survive
            s.setRecordTelemetry(false);
        }
        QCOMPARE(QList<int>({settings.count(), titleBar.count(), order.count(), telemetry.count()}),
                 QList<int>({1, 1, 1, 1}));
        QCOMPARE(stored("ui/useCustomTitleBar"), QVariant(false));
        QVERIFY(!AppSettingsBridge::storedRecordTelemetry());
        QCOMPARE(AppSettingsBridge().productOrder(), QStringList({"A, B", "C"}));
        s.setProductOrder({"A, B"}); // a prefix is a different order
        QCOMPARE(order.count(), 2);
    }

    // A run's own language (the command line's) is shown and announced, but
    // confirming the picker in it stores nothing; a different choice is stored.
    void runLanguageIsNotStored()
    {
        AppSettingsBridge s;
        QSignalSpy settings(&s, &AppSettingsBridge::settingsChanged);
        Language::overrideForThisRun(false);
        QCOMPARE(settings.count(), 1);
        QVERIFY(!s.isChinese());
        s.setIsChinese(false);
        s.saveProduct(QStringLiteral("Heron"), QStringLiteral("Heron"), false);
        QVERIFY(!QSettings().contains("startup/isChinese"));
        QVERIFY(!s.isChinese());
        s.setIsChinese(true);
        QCOMPARE(stored("startup/isChinese"), QVariant(true));
        QVERIFY(s.isChinese());
        QCOMPARE(settings.count(), 3);
    }

    // Stored ids (separated by |) first, each once, then the rest of the picker.
    void orderedModels_data()
    {
        QTest::addColumn<QString>("storedOrder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing stored")
            << QString()
            << "Lynx-2 LynxT-2 LynxT-3 Marten Heron-Mini-A Heron-Mini-B Heron Ibis Otter";
        QTest::newRow("duplicates, unknown, padded")
            << "Ibis|Ibis|Finch|  Otter  "
            << "Ibis Otter Lynx-2 LynxT-2 LynxT-3 Marten Heron-Mini-A Heron-Mini-B Heron";
        QTest::newRow("blanks and case")
            << "|   |heron|Heron"
            << "Heron Lynx-2 LynxT-2 LynxT-3 Marten Heron-Mini-A Heron-Mini-B Ibis Otter";
    }

    void orderedModels()
    {
        QFETCH(QString, storedOrder);
        if (!storedOrder.isNull())
            store("ui/productOrder", storedOrder.split(QLatin1Char('|')));
        QStringList ids;
        for (const QVariant &v :
             AppSettingsBridge().orderedModels(GimbalModelFactory::supportedModels())) {
            QCOMPARE(v.toMap().size(), 2); // entries are passed through whole
            ids << v.toMap().value("id").toString();
        }
        QTEST(ids.join(QLatin1Char(' ')), "expected");
    }
};

SKYRIG_REGISTER_TEST(CatalogCameraBridgeTest)
SKYRIG_REGISTER_TEST(CatalogSettingsTest)

#include "tst_catalog_bridges.moc"