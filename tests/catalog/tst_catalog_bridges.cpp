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

    void select(const QString &id) { replace(GimbalModelFactory::create(id, this)); }
    void selectSpec(const ModelSpec &spec) { replace(new GimbalModel(spec, this)); }
    void clear() { replace(nullptr); }

private:
    void replace(GimbalModel *next)
    {
        delete m_model;
        m_model = next;
        emit modelChanged();
    }
    GimbalModel *m_model = nullptr;
};

void resetStore()
{
    QSettings settings;
    settings.clear();
    settings.sync();
}

QVariant stored(const QString &key)
{
    return QSettings().value(key);
}

void store(const QString &key, const QVariant &value)
{
    QSettings settings;
    settings.setValue(key, value);
    settings.sync();
}

QStringList ids(const QVariantList &entries)
{
    QStringList out;
    for (const QVariant &v : entries)
        out << v.toMap().value("id").toString();
    return out;
}

} // namespace

class CatalogCameraBridgeTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetStore(); }

    void valuesWithoutModel()
    {
        TestModelProvider emptyProvider;
        CameraModelBridge withEmpty(&emptyProvider);
        CameraModelBridge withNone(nullptr);
        for (CameraModelBridge *bridge : {&withEmpty, &withNone}) {
            QCOMPARE(bridge->modelKey(), QStringLiteral("default"));
            QCOMPARE(bridge->modelId(), QString());
            QCOMPARE(bridge->modelName(), QString());
            QCOMPARE(bridge->defaultVideoUrl(), QStringLiteral("rtsp://127.0.0.1:8554/test"));
            QCOMPARE(bridge->defaultUdpIp(), QStringLiteral("192.168.144.64"));
            const QMetaObject *mo = bridge->metaObject();
            for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
                const QString name = QLatin1String(mo->property(i).name());
                if (name.startsWith(QLatin1String("has")))
                    QVERIFY2(!mo->property(i).read(bridge).toBool(), qPrintable(name));
            }
            QVERIFY(bridge->irFusionOffsetLimited());
            QCOMPARE(QList<int>({bridge->visFusionHMin(), bridge->visFusionHMax(),
                                 bridge->visFusionVMin(), bridge->visFusionVMax(),
                                 bridge->irFusionHMin(), bridge->irFusionHMax(),
                                 bridge->irFusionVMin(), bridge->irFusionVMax()}),
                     QList<int>({440, 640, 111, 311, -753, -553, -391, -191}));
            QCOMPARE(
                QList<double>({bridge->visZoomMin(), bridge->visZoomMax(), bridge->visZoomStep(),
                               bridge->irZoomMin(), bridge->irZoomMax(), bridge->irZoomStep(),
                               bridge->pitchMinDeg(), bridge->pitchMaxDeg(), bridge->yawMinDeg(),
                               bridge->yawMaxDeg()}),
                QList<double>({1, 30, 0.1, 1, 8, 1, -90, 30, -180, 180}));
            for (const char *list : {"photoResolutions", "recordResolutions", "streamResolutions",
                                     "bitrates", "videoOutputModes", "aiCategories", "osdItems"}) {
                QVariantList result{1};
                QVERIFY(QMetaObject::invokeMethod(bridge, list, Q_RETURN_ARG(QVariantList, result),
                                                  Q_ARG(bool, true)));
                QVERIFY2(result.isEmpty(), list);
            }
            QVERIFY(bridge->irColorPalettes(false, 1).isEmpty());
            QCOMPARE(bridge->firmwareUpgradeFileNameHint(false), QString());
            QCOMPARE(bridge->supportedModels().size(), 9);
            QVERIFY(!bridge->autoStream());
            QVERIFY(bridge->videoPointAimEnabled());
        }
    }

    void followsProvider()
    {
        TestModelProvider provider;
        CameraModelBridge bridge(&provider);
        QSignalSpy changed(&bridge, &CameraModelBridge::changed);

        provider.select(QStringLiteral("Heron"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(bridge.modelId(), QStringLiteral("Heron"));
        QCOMPARE(bridge.property("modelName").toString(), QStringLiteral("Heron"));
        QVERIFY(bridge.property("hasHttpFirmwareUpgrade").toBool());
        QVERIFY(bridge.hasUartProtocolConfig());
        QCOMPARE(bridge.property("visZoomMax").toDouble(), 160.0);
        QCOMPARE(bridge.firmwareUpgradeFileNameHint(true),
                 QStringLiteral("L4T-V版本号-Upgrade.tar"));
        QCOMPARE(bridge.photoResolutions(false).size(), 2);
        QCOMPARE(bridge.irColorPalettes(false, 3).size(), 15);
        QCOMPARE(bridge.streamResolutions(false).value(1).toMap().value("writeValue").toInt(), 2);

        // The old model is gone after a switch; the bridge must read the new one.
        provider.select(QStringLiteral("Heron-Mini"));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(bridge.modelId(), QStringLiteral("Heron-Mini-B"));
        QCOMPARE(bridge.visFusionHMax(), 705);
        QVERIFY(!bridge.irFusionOffsetLimited());
        QCOMPARE(bridge.firmwareUpgradeFileNameHint(false),
                 QStringLiteral("TBX-MINI-V<version>-Upgrade.tar"));

        provider.select(QStringLiteral("Lynx"));
        QCOMPARE(bridge.defaultUdpIp(), QStringLiteral("192.168.144.119"));
        QVERIFY(!bridge.hasOsd());
        QVERIFY(bridge.osdItems(true).isEmpty());
        QCOMPARE(bridge.firmwareUpgradeFileNameHint(false), QString());

        provider.clear();
        QCOMPARE(changed.count(), 4);
        QCOMPARE(bridge.modelKey(), QStringLiteral("default"));
        QVERIFY(!bridge.hasVisibleLight());
    }

    void survivesProviderDestruction()
    {
        auto *provider = new TestModelProvider;
        provider->select(QStringLiteral("Ibis"));
        CameraModelBridge bridge(provider);
        QCOMPARE(bridge.modelId(), QStringLiteral("Ibis"));
        delete provider;
        QCOMPARE(bridge.modelId(), QString());
        QCOMPARE(bridge.modelKey(), QStringLiteral("default"));
        QVERIFY(bridge.bitrates(true).isEmpty());
    }

    void modelKeyIsTrimmed_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("key");
        QTest::newRow("padded") << "  Ibis \t"
                                << "Ibis";
        QTest::newRow("blank") << "   "
                               << "default";
        QTest::newRow("empty") << ""
                               << "default";
    }

    void modelKeyIsTrimmed()
    {
        QFETCH(QString, id);
        QFETCH(QString, key);
        ModelSpec spec = GimbalModelFactory::buildSpec(QStringLiteral("Ibis"));
        spec.id = id;
        TestModelProvider provider;
        provider.selectSpec(spec);
        CameraModelBridge bridge(&provider);
        QCOMPARE(bridge.modelKey(), key);
        bridge.setVideoPointAimEnabled(false);
        QCOMPARE(stored("gimbal/videoPointAim_" + key), QVariant(false));
    }

    void autoStreamPerModelWithGlobalFallback()
    {
        store("video/autoStream", true);
        TestModelProvider provider;
        provider.select(QStringLiteral("Ibis"));
        CameraModelBridge bridge(&provider);
        QVERIFY(bridge.autoStream());

        QSignalSpy spy(&bridge, &CameraModelBridge::autoStreamChanged);
        bridge.setAutoStream(false);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(stored("video/autoStream_Ibis"), QVariant(false));
        QCOMPARE(stored("video/autoStream"), QVariant(true));
        bridge.setProperty("autoStream", false);
        QCOMPARE(spy.count(), 1);

        // Another product without its own value falls back to the global one.
        provider.select(QStringLiteral("Otter"));
        QVERIFY(bridge.autoStream());
        QCOMPARE(spy.count(), 2);
        QVERIFY(!QSettings().contains("video/autoStream_Otter"));

        provider.select(QStringLiteral("Ibis"));
        QVERIFY(!bridge.autoStream());
        QCOMPARE(spy.count(), 3);

        // Same value on the next product: no notification.
        store("video/autoStream_Heron", false);
        provider.select(QStringLiteral("Heron"));
        QCOMPARE(spy.count(), 3);
    }

    void preferencesWithoutModelUseDefaultKey()
    {
        CameraModelBridge bridge(nullptr);
        QSignalSpy autoSpy(&bridge, &CameraModelBridge::autoStreamChanged);
        QSignalSpy aimSpy(&bridge, &CameraModelBridge::videoPointAimEnabledChanged);
        bridge.setAutoStream(true);
        bridge.setAutoStream(true);
        bridge.setVideoPointAimEnabled(true);
        bridge.setVideoPointAimEnabled(false);
        QCOMPARE(autoSpy.count(), 1);
        QCOMPARE(aimSpy.count(), 1);
        QCOMPARE(stored("video/autoStream_default"), QVariant(true));
        QCOMPARE(stored("gimbal/videoPointAim_default"), QVariant(false));
        QVERIFY(!QSettings().contains("video/autoStream"));

        // A new bridge picks the saved values up at construction.
        CameraModelBridge again(nullptr);
        QVERIFY(again.autoStream());
        QVERIFY(!again.videoPointAimEnabled());
    }

    void pointAimPerModel()
    {
        TestModelProvider provider;
        provider.select(QStringLiteral("Heron"));
        CameraModelBridge bridge(&provider);
        bridge.setVideoPointAimEnabled(false);

        QStringList order;
        connect(&bridge, &CameraModelBridge::videoPointAimEnabledChanged, [&] {
            order << QStringLiteral("aim:") + (bridge.videoPointAimEnabled() ? "on" : "off");
        });
        connect(&bridge, &CameraModelBridge::changed, [&] { order << QStringLiteral("changed"); });

        provider.select(QStringLiteral("Ibis"));
        provider.select(QStringLiteral("Heron"));
        provider.select(QStringLiteral("Heron"));
        // Preferences are reloaded before the capabilities are announced.
        QCOMPARE(order, (QStringList{"aim:on", "changed", "aim:off", "changed", "changed"}));
        QCOMPARE(stored("gimbal/videoPointAim_Heron"), QVariant(false));
        QVERIFY(!QSettings().contains("gimbal/videoPointAim_Ibis"));
    }
};

class CatalogSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetStore(); }

    void defaults()
    {
        AppSettingsBridge s;
        QCOMPARE(QVariantList({s.hasProduct(), s.productName(), s.productId(), s.isChinese(),
                               s.useCustomTitleBar(), s.productOrder()}),
                 QVariantList({false, "Otter", "Otter", true, true, QStringList()}));
    }

    void legacyIds_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("storedValue");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *key, const char *storedValue, const char *expected) {
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(key, storedValue)))
                << QString(key) << QString(storedValue) << QString(expected);
        };
        row("productName", "MartenClassic", "Marten");
        row("productName", "Marten-Classic", "Marten");
        row("productName", "OtterClassic", "Otter");
        row("productName", "Finch", "Plover");
        row("productName", "Heron-Mini", "Heron-Mini");
        row("productId", "MartenClassic", "Marten");
        row("productId", "Marten-Classic", "Marten-Classic");
        row("productId", "OtterClassic", "Otter");
        row("productId", "Finch", "Plover");
        row("productId", "finch", "finch");
    }

    void legacyIds()
    {
        QFETCH(QString, key);
        QFETCH(QString, storedValue);
        AppSettingsBridge s;
        // Written behind the bridge's back: reads must still see it.
        store("startup/" + key, storedValue);
        QTEST(s.property(qPrintable(key)).toString(), "expected");
    }

    void saveProduct()
    {
        AppSettingsBridge s;
        QSignalSpy spy(&s, &AppSettingsBridge::settingsChanged);
        s.saveProduct(QStringLiteral("Heron"), QStringLiteral("Heron"), false);
        QCOMPARE(spy.count(), 1);
        QSettings fresh;
        QCOMPARE(fresh.value("startup/hasProduct"), QVariant(true));
        QCOMPARE(fresh.value("startup/productName"), QVariant("Heron"));
        QCOMPARE(fresh.value("startup/productId"), QVariant("Heron"));
        QCOMPARE(fresh.value("startup/isChinese"), QVariant(false));
        QVERIFY(s.hasProduct());
        QVERIFY(!s.isChinese());
        // Texts made from now on follow the saved language.
        QVERIFY(!Language::isChinese());
    }

    void toggles()
    {
        AppSettingsBridge s;
        QSignalSpy settings(&s, &AppSettingsBridge::settingsChanged);
        QSignalSpy titleBar(&s, &AppSettingsBridge::useCustomTitleBarChanged);

        s.setIsChinese(true); // equal to the default
        s.setUseCustomTitleBar(true);
        QCOMPARE(settings.count(), 0);
        QCOMPARE(titleBar.count(), 0);
        QVERIFY(!QSettings().contains("startup/isChinese"));

        s.setIsChinese(false);
        s.setIsChinese(false);
        QCOMPARE(settings.count(), 1);
        QCOMPARE(stored("startup/isChinese"), QVariant(false));

        s.setUseCustomTitleBar(false);
        s.setUseCustomTitleBar(false);
        QCOMPARE(titleBar.count(), 1);
        QCOMPARE(settings.count(), 1);
        QVERIFY(!s.useCustomTitleBar());
        QCOMPARE(stored("ui/useCustomTitleBar"), QVariant(false));
    }

    void productOrder()
    {
        AppSettingsBridge s;
        QSignalSpy spy(&s, &AppSettingsBridge::productOrderChanged);
        s.setProductOrder({});
        QCOMPARE(spy.count(), 0);

        const QStringList order{"Ibis", "Otter"};
        s.setProductOrder(order);
        s.setProductOrder(order);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(s.productOrder(), order);

        s.setProductOrder({"Ibis"}); // a prefix is a different order
        QCOMPARE(spy.count(), 2);

        // Separators inside an id survive the round trip.
        const QStringList odd{"A, B", "C"};
        s.setProductOrder(odd);
        QCOMPARE(AppSettingsBridge().productOrder(), odd);
        s.setProductOrder(odd);
        QCOMPARE(spy.count(), 3);

        s.setProductOrder({});
        QCOMPARE(spy.count(), 4);
        QVERIFY(s.productOrder().isEmpty());
    }

    void orderedModels_data()
    {
        QTest::addColumn<QStringList>("storedOrder");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{"Lynx-2",       "LynxT-2", "LynxT-3", "Marten", "Heron-Mini-A",
                              "Heron-Mini-B", "Heron",   "Ibis",    "Otter"};
        QTest::newRow("nothing stored") << QStringList() << all;
        QTest::newRow("duplicates, unknown, padded")
            << QStringList{"Ibis", "Ibis", "Finch", "  Otter  "}
            << QStringList{"Ibis",   "Otter",        "Lynx-2",       "LynxT-2", "LynxT-3",
                           "Marten", "Heron-Mini-A", "Heron-Mini-B", "Heron"};
        QStringList reversed = all;
        std::reverse(reversed.begin(), reversed.end());
        QTest::newRow("full reverse") << reversed << reversed;
        QTest::newRow("blanks and case")
            << QStringList{"", "   ", "heron", "Heron"}
            << QStringList{"Heron",        "Lynx-2",       "LynxT-2", "LynxT-3", "Marten",
                           "Heron-Mini-A", "Heron-Mini-B", "Ibis",    "Otter"};
    }

    void orderedModels()
    {
        QFETCH(QStringList, storedOrder);
        store("ui/productOrder", storedOrder);
        AppSettingsBridge s;
        const QVariantList result = s.orderedModels(GimbalModelFactory::supportedModels());
        QTEST(ids(result), "expected");
        QCOMPARE(result.first().toMap().size(), 2); // entries are passed through whole
    }

    void orderedModelsOddCatalog()
    {
        auto entry = [](const QString &id, const QString &name) {
            return QVariantMap{{"id", id}, {"name", name}};
        };
        const QVariantList catalog{entry(" B ", "b1"), entry("", "blank"), entry("A", "a"),
                                   entry("B", "b2"), QVariant()};
        store("ui/productOrder", QStringList{"B", "A", ""});
        const QVariantList result = AppSettingsBridge().orderedModels(catalog);
        QStringList names;
        for (const QVariant &v : result)
            names << v.toMap().value("name").toString();
        // Every entry once: stored ones first, the rest (even odd ones) after.
        QCOMPARE(names, (QStringList{"b1", "a", "blank", "b2", ""}));
        QCOMPARE(AppSettingsBridge().orderedModels({}), QVariantList());
    }

    void clearProduct()
    {
        AppSettingsBridge s;
        s.saveProduct(QStringLiteral("Ibis"), QStringLiteral("Ibis"), false);
        s.setUseCustomTitleBar(false);
        s.setProductOrder({"Ibis"});
        QSignalSpy spy(&s, &AppSettingsBridge::settingsChanged);
        s.clearProduct();
        QCOMPARE(spy.count(), 1);
        QVERIFY(!s.hasProduct());
        QCOMPARE(s.productId(), QStringLiteral("Otter"));
        QVERIFY(s.isChinese());
        QVERIFY(!QSettings().childGroups().contains("startup"));
        // Interface preferences outside the product choice stay.
        QVERIFY(!s.useCustomTitleBar());
        QCOMPARE(s.productOrder(), QStringList{"Ibis"});
    }
};

SKYRIG_REGISTER_TEST(CatalogCameraBridgeTest)
SKYRIG_REGISTER_TEST(CatalogSettingsTest)

#include "tst_catalog_bridges.moc"
