#include "catalog/FirmwareNameRules.h"
#include "catalog/GimbalModel.h"
#include "common/TestMain.h"

#include <QScopedPointer>
#include <QtTest>

namespace
{

// Names of the boolean capabilities that are set, in declaration order, so a
// mismatch prints both lists side by side.
QString trueFlags(const ModelSpec &s)
{
    const bool set[] = {s.hasVisibleLight,
                        s.hasInfrared,
                        s.hasAiRecognition,
                        s.hasOsd,
                        s.hasSbus,
                        s.hasSbusRange,
                        s.hasNetworkConfig,
                        s.hasLaser,
                        s.hasVideoOutputFormat,
                        s.hasIrAiSuperRes,
                        s.hasIrTemp,
                        s.hasIrFusion,
                        s.irFusionOffsetLimited,
                        s.hasGimbalPointAim,
                        s.hasAlbum,
                        s.hasHttpFirmwareUpgrade,
                        s.hasUartProtocolConfig};
    const QStringList all = QStringLiteral("vis ir ai osd sbus sbusRange net laser outFmt superRes "
                                           "temp fusion irLimited aim album http uart")
                                .split(QLatin1Char(' '));
    QStringList names;
    for (int i = 0; i < all.size(); ++i) {
        if (set[i])
            names << all[i];
    }
    return names.join(QLatin1Char(' '));
}

// "label=value", with ">writeValue" appended when the two differ.
QString describe(const QVariantList &options)
{
    QStringList parts;
    for (const QVariant &v : options) {
        const QVariantMap m = v.toMap();
        QString part = m.value("label").toString() + QLatin1Char('=') + m.value("value").toString();
        if (m.value("writeValue") != m.value("value"))
            part += QLatin1Char('>') + m.value("writeValue").toString();
        parts << part;
    }
    return parts.join(QLatin1Char('|'));
}

const char *const kMain = "rtsp://192.168.144.64:558/live/single @192.168.144.64";
const char *const kSecond = "rtsp://192.168.144.119:8600/live0 @192.168.144.119";
const char *const kDualPhoto = "3840x2160=22|1920x1080=23";
const char *const kDualRecord = "3840x2160=38|1920x1080=8";
const char *const kHighPhoto = "8000x6000=20|4000x3000=21|3840x2160=22";

} // namespace

class CatalogModelTest : public QObject
{
    Q_OBJECT

private slots:
    void records_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<double>("zoomMax");
        QTest::addColumn<QString>("photo");
        QTest::addColumn<QString>("record");
        auto row = [](const char *id, const char *address, const char *flags, double zoom,
                      const char *photo, const char *record) {
            QTest::newRow(id) << QString(address) << QString(flags) << zoom << QString(photo)
                              << QString(record);
        };
        // clang-format off
        row("Lynx-2", kSecond, "vis ai sbus net temp irLimited album", 40, kDualPhoto, kDualRecord);
        row("LynxT-2", kSecond, "vis ir ai sbus net outFmt superRes temp irLimited album",
            40, kDualPhoto, kDualRecord);
        row("LynxT-3", kMain, "vis ir ai osd sbus sbusRange net outFmt temp irLimited aim album",
            32, kHighPhoto, kDualRecord);
        row("Marten", kMain, "vis ir ai osd sbus net laser outFmt fusion irLimited aim album",
            16, "8000x6000=20|3840x2160=22|2704x1520=131|1920x1080=23",
            "3840x2160=38|2704x1520=130|1920x1080=8");
        row("Heron-Mini-A", kSecond, "vis ir ai sbus net laser outFmt superRes temp irLimited album",
            80, kDualPhoto, kDualRecord);
        row("Heron-Mini-B", kMain,
            "vis ir ai osd sbus sbusRange net laser outFmt temp fusion aim album http",
            100, kHighPhoto, kDualRecord);
        row("Heron", kMain,
            "vis ir ai osd sbus sbusRange net laser outFmt temp fusion irLimited aim album http uart",
            160, "8000x6000=20|4000x3000=21", "4000x3000=54|3840x2160=38|1920x1080=8");
        row("Ibis", kMain,
            "vis ir ai osd sbus sbusRange net laser outFmt superRes temp irLimited aim album",
            400, kDualPhoto, kDualRecord);
        row("Otter", kMain, "vis ir osd sbus sbusRange net laser outFmt temp irLimited aim album",
            64, "3840x2160=22|2704x1520=131|1920x1080=23",
            "3840x2160=38|2704x1520=130|1920x1080=8");
        row("Wren", kMain, "vis ai osd sbus sbusRange net temp irLimited aim album uart",
            160, kHighPhoto, kDualRecord);
        row("Plover", "rtsp://127.0.0.1:8554/test @192.168.144.64",
            "vis osd sbus sbusRange net temp irLimited aim album", 16,
            "1920x1080=24|2560x1440=134", "1920x1080=24|2560x1440=134");
        // clang-format on
    }

    void records()
    {
        const QString id = QString::fromLatin1(QTest::currentDataTag());
        QScopedPointer<GimbalModel> model(new GimbalModel(id));
        const ModelSpec &s = model->modelSpec();
        QCOMPARE(model->id(), id);
        QCOMPARE(s.name, id);
        QTEST(s.defaultVideoUrl + " @" + s.defaultUdpIp, "address");
        QTEST(trueFlags(s), "flags");
        QTEST(s.visZoomMax, "zoomMax");
        QTEST(describe(model->photoResolutions(false)), "photo");
        QTEST(describe(model->recordResolutions(false)), "record");
        // Only Otter turns a full circle.
        QCOMPARE(s.yawMaxDeg - s.yawMinDeg, 360.0);
        QCOMPARE(s.yawMinDeg, id == QLatin1String("Otter") ? 0.0 : -180.0);
        // An option list is offered exactly when its capability is.
        QCOMPARE(!model->videoOutputModes(false).isEmpty(), s.hasVideoOutputFormat);
        QCOMPARE(!s.irColorPalettes.isEmpty(), s.hasInfrared);
        QCOMPARE(!model->aiCategories(false).isEmpty(), s.hasAiRecognition);
        QCOMPARE(!model->osdItems(false).isEmpty(), s.hasOsd);
        // Only Heron-Mini-B has its own visible-fusion window.
        const bool wideFusion = id == QLatin1String("Heron-Mini-B");
        QCOMPARE(QList<int>({s.visFusionHMin, s.visFusionHMax, s.visFusionVMin, s.visFusionVMax}),
                 wideFusion ? QList<int>({0, 705, 0, 109}) : QList<int>({440, 640, 111, 311}));
    }

    // Old names lead to their successors; anything else, matched exactly,
    // falls back on Otter.
    void aliases()
    {
        const QStringList from{
            "MartenClassic", "OtterClassic", "Finch",  "Lynx",          "Heron-Mini", "",
            "Condor",        "ibis",         " Ibis ", "Marten-Classic"};
        const QStringList to{"Marten", "Otter", "Plover", "Lynx-2", "Heron-Mini-B",
                             "Otter",  "Otter", "Otter",  "Otter",  "Otter"};
        for (int i = 0; i < from.size(); ++i) {
            QScopedPointer<GimbalModel> alias(new GimbalModel(from[i]));
            QScopedPointer<GimbalModel> canonical(new GimbalModel(to[i]));
            QVERIFY2(alias->modelSpec().name == to[i], qPrintable(from[i]));
            QCOMPARE(trueFlags(alias->modelSpec()), trueFlags(canonical->modelSpec()));
        }
    }

    void optionMaps()
    {
        QScopedPointer<GimbalModel> model(new GimbalModel(QStringLiteral("Ibis")));
        const QVariantMap stream = model->streamResolutions(true).value(0).toMap();
        QCOMPARE(stream.keys(), (QStringList{"label", "value", "writeValue"}));
        QCOMPARE(describe(model->streamResolutions(false)),
                 QStringLiteral("1920x1080 30fps=0>1|1280x720 30fps=1>2"));
        QCOMPARE(describe(model->photoResolutions(true)), describe(model->photoResolutions(false)));
        QCOMPARE(describe(model->bitrates(false)),
                 QStringLiteral("1 Mbps=1|1.5 Mbps=2|2 Mbps=3|4 Mbps=4|8 Mbps=5|12 Mbps=6"));
        QCOMPARE(describe(model->bitrates(true)),
                 QStringLiteral("1M=1|1.5M=2|2M=3|4M=4|8M=5|12M=6"));
        QCOMPARE(describe(model->videoOutputModes(true)),
                 QStringLiteral("只显示可见光=6|只显示红外=0|分屏显示=7"));
        QCOMPARE(model->osdItems(false).value(4).toMap().value("label").toString(),
                 QStringLiteral("FOV & Zoom"));

        // The palettes follow the infrared device type, whatever the product.
        QStringList palettes;
        for (int type : {1, 3, 2, -1}) {
            const QVariantList list = model->irColorPalettes(false, type);
            palettes << QStringLiteral("%1:%2")
                            .arg(list.size())
                            .arg(list.value(1).toMap().value("label").toString());
        }
        QCOMPARE(palettes,
                 QStringList({"11:Glow Gold", "15:Black Hot", "20:Black Hot", "20:Black Hot"}));
        QScopedPointer<GimbalModel> plover(new GimbalModel(QStringLiteral("Plover")));
        QCOMPARE(plover->irColorPalettes(true, 3).last().toMap().value("label").toString(),
                 QStringLiteral("深蓝"));

        // The fixed tables are numbered 1..N without gaps and send what they report.
        for (const QVariantList &list :
             {model->aiCategories(false), model->osdItems(false), model->irColorPalettes(false, 1),
              model->irColorPalettes(false, 3), model->irColorPalettes(false, 2)}) {
            QVERIFY(list.size() >= 11);
            for (int i = 0; i < list.size(); ++i) {
                QCOMPARE(list.at(i).toMap().value("value").toInt(), i + 1);
                QCOMPARE(list.at(i).toMap().value("writeValue").toInt(), i + 1);
            }
        }
    }

    void firmwareNames_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("valid");
        auto row = [](const char *name, const char *id, const char *path, bool valid) {
            QTest::newRow(name) << QString(id) << QString(path) << valid;
        };
        row("dotted version", "Heron", "/tmp/pkg/L4T-V1.2.3-Upgrade.tar", true);
        row("capital extension", "Heron", "L4T-V1.2.3-Upgrade.TAR", true);
        row("lower-case upgrade", "Heron", "L4T-V1.2.3-upgrade.tar", false);
        row("no version", "Heron", "L4T-V-Upgrade.tar", false);
        row("trailing dot", "Heron", "L4T-V1.-Upgrade.tar", false);
        row("prefix", "Heron", "new-L4T-V1-Upgrade.tar", false);
        row("double extension", "Heron", "L4T-V1-Upgrade.tar.gz", false);
        row("line break", "Heron", "L4T-V1-Upgrade\n.tar", false);
        row("folder", "Heron", "/tmp/L4T-V1-Upgrade.tar/", false);
        row("other product's rule", "Heron", "TBX-MINI-V1-Upgrade.tar", false);
        row("mini-b", "Heron-Mini-B", "TBX-MINI-V2.0.1-Upgrade.tar", true);
        row("mini short id", "Heron-Mini", "d/TBX-MINI-V2.0.1-Upgrade.Tar", true);
        row("mini-a has no rule", "Heron-Mini-A", "TBX-MINI-V2-Upgrade.tar", false);
    }

    void firmwareNames()
    {
        QFETCH(QString, id);
        QFETCH(QString, path);
        QTEST(FirmwareNameRules::isFirmwareFileNameValid(id, path), "valid");
    }

    void firmwareHints()
    {
        QCOMPARE(FirmwareNameRules::firmwareModelKey(QStringLiteral("Heron-Mini")),
                 QStringLiteral("Heron-Mini-B"));
        QCOMPARE(FirmwareNameRules::firmwareModelKey(QStringLiteral("Heron")),
                 QStringLiteral("Heron"));
        QStringList hints;
        for (const char *id : {"Heron", "Heron-Mini", "Heron-Mini-A", ""}) {
            for (bool chinese : {false, true})
                hints << FirmwareNameRules::firmwareFileNameHint(QString(id), chinese);
        }
        QCOMPARE(hints, QStringList({"L4T-V<version>-Upgrade.tar", "L4T-V版本号-Upgrade.tar",
                                     "TBX-MINI-V<version>-Upgrade.tar",
                                     "TBX-MINI-V版本号-Upgrade.tar", "", "", "", ""}));
    }
};

SKYRIG_REGISTER_TEST(CatalogModelTest)

#include "tst_catalog_models.moc"