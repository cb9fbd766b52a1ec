#include "catalog/FirmwareNameRules.h"
#include "catalog/GimbalModel.h"
#include "catalog/GimbalModelFactory.h"
#include "common/TestMain.h"

#include <QScopedPointer>
#include <QtTest>

namespace
{

// Names of the boolean capabilities that are set, in declaration order, so a
// mismatch prints both lists side by side.
QString trueFlags(const ModelSpec &s)
{
    const QPair<const char *, bool> flags[] = {
        {"vis", s.hasVisibleLight},
        {"ir", s.hasInfrared},
        {"ai", s.hasAiRecognition},
        {"osd", s.hasOsd},
        {"sbus", s.hasSbus},
        {"sbusRange", s.hasSbusRange},
        {"net", s.hasNetworkConfig},
        {"laser", s.hasLaser},
        {"outFmt", s.hasVideoOutputFormat},
        {"superRes", s.hasIrAiSuperRes},
        {"temp", s.hasIrTemp},
        {"fusion", s.hasIrFusion},
        {"irLimited", s.irFusionOffsetLimited},
        {"aim", s.hasGimbalPointAim},
        {"album", s.hasAlbum},
        {"http", s.hasHttpFirmwareUpgrade},
        {"uart", s.hasUartProtocolConfig},
    };
    QStringList names;
    for (const auto &f : flags) {
        if (f.second)
            names << QLatin1String(f.first);
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

QString ranges(const ModelSpec &s)
{
    return QStringLiteral("zoom %1-%2/%3 ir %4-%5/%6 pitch %7..%8 yaw %9..%10")
        .arg(s.visZoomMin)
        .arg(s.visZoomMax)
        .arg(s.visZoomStep)
        .arg(s.irZoomMin)
        .arg(s.irZoomMax)
        .arg(s.irZoomStep)
        .arg(s.pitchMinDeg)
        .arg(s.pitchMaxDeg)
        .arg(s.yawMinDeg)
        .arg(s.yawMaxDeg);
}

QString zoomRange(int max, bool fullTurnYaw = false)
{
    return QStringLiteral("zoom 1-%1/0.1 ir 1-8/1 pitch -90..30 yaw %2")
        .arg(max)
        .arg(fullTurnYaw ? QStringLiteral("0..360") : QStringLiteral("-180..180"));
}

const char *const kMain = "rtsp://192.168.144.64:558/live/single @192.168.144.64";
const char *const kSecond = "rtsp://192.168.144.119:8600/live0 @192.168.144.119";
const char *const kStream = "1920x1080 30fps=0>1|1280x720 30fps=1>2";
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
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QString>("ranges");
        QTest::addColumn<QString>("photo");
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("stream");
        // Sizes of: output modes / stored palettes / AI categories / OSD items / bit rates.
        QTest::addColumn<QString>("counts");
        auto row = [](const char *id, const char *address, const char *flags, const QString &range,
                      const char *photo, const char *record, const char *stream,
                      const char *counts) {
            QTest::newRow(id) << QString(id) << QString(address) << QString(flags) << range
                              << QString(photo) << QString(record) << QString(stream)
                              << QString(counts);
        };
        // clang-format off
        row("Lynx-2", kSecond, "vis ai sbus net temp irLimited album",
            zoomRange(40), kDualPhoto, kDualRecord, kStream, "0/0/15/0/6");
        row("LynxT-2", kSecond, "vis ir ai sbus net outFmt superRes temp irLimited album",
            zoomRange(40), kDualPhoto, kDualRecord, kStream, "3/20/15/0/6");
        row("LynxT-3", kMain, "vis ir ai osd sbus sbusRange net outFmt temp irLimited aim album",
            zoomRange(32), kHighPhoto, kDualRecord, kStream, "3/20/15/15/6");
        row("Marten", kMain, "vis ir ai osd sbus net laser outFmt fusion irLimited aim album",
            zoomRange(16), "8000x6000=20|3840x2160=22|2704x1520=131|1920x1080=23",
            "3840x2160=38|2704x1520=130|1920x1080=8", kStream, "3/20/15/15/6");
        row("Heron-Mini-A", kSecond, "vis ir ai sbus net laser outFmt superRes temp irLimited album",
            zoomRange(80), kDualPhoto, kDualRecord, kStream, "3/20/15/0/6");
        row("Heron-Mini-B", kMain,
            "vis ir ai osd sbus sbusRange net laser outFmt temp fusion aim album http",
            zoomRange(100), kHighPhoto, kDualRecord, kStream, "3/20/15/15/6");
        row("Heron", kMain,
            "vis ir ai osd sbus sbusRange net laser outFmt temp fusion irLimited aim album http uart",
            zoomRange(160), "8000x6000=20|4000x3000=21", "4000x3000=54|3840x2160=38|1920x1080=8",
            kStream, "3/20/15/15/6");
        row("Ibis", kMain,
            "vis ir ai osd sbus sbusRange net laser outFmt superRes temp irLimited aim album",
            zoomRange(400), kDualPhoto, kDualRecord, kStream, "3/20/15/15/6");
        row("Otter", kMain, "vis ir osd sbus sbusRange net laser outFmt temp irLimited aim album",
            zoomRange(64, true), "3840x2160=22|2704x1520=131|1920x1080=23",
            "3840x2160=38|2704x1520=130|1920x1080=8", kStream, "3/20/0/15/6");
        row("Wren", kMain, "vis ai osd sbus sbusRange net temp irLimited aim album uart",
            zoomRange(160), kHighPhoto, kDualRecord, kStream, "0/0/15/15/6");
        row("Plover", "rtsp://127.0.0.1:8554/test @192.168.144.64",
            "vis osd sbus sbusRange net temp irLimited aim album", zoomRange(16),
            "1920x1080=24|2560x1440=134", "1920x1080=24|2560x1440=134",
            "1920x1080=0>1|1280x720=1>2", "0/0/0/15/6");
        // clang-format on
    }

    void records()
    {
        QFETCH(QString, id);
        QScopedPointer<GimbalModel> model(createGimbalModel(id));
        const ModelSpec &s = model->spec();
        QCOMPARE(model->id(), id);
        QCOMPARE(s.name, id);
        QTEST(s.defaultVideoUrl + " @" + s.defaultUdpIp, "address");
        QTEST(trueFlags(s), "flags");
        QTEST(ranges(s), "ranges");
        QTEST(describe(model->photoResolutions(false)), "photo");
        QTEST(describe(model->recordResolutions(false)), "record");
        QTEST(describe(model->streamResolutions(false)), "stream");
        QTEST(QStringLiteral("%1/%2/%3/%4/%5")
                  .arg(model->videoOutputModes(false).size())
                  .arg(s.irColorPalettes.size())
                  .arg(model->aiCategories(true).size())
                  .arg(model->osdItems(true).size())
                  .arg(model->bitrates(false).size()),
              "counts");
        // Resolutions read the same in both languages.
        QCOMPARE(describe(model->photoResolutions(true)), describe(model->photoResolutions(false)));
        // Only Heron-Mini-B has its own visible-fusion window.
        const bool wideFusion = id == QLatin1String("Heron-Mini-B");
        QCOMPARE(QList<int>({s.visFusionHMin, s.visFusionHMax, s.visFusionVMin, s.visFusionVMax}),
                 wideFusion ? QList<int>({0, 705, 0, 109}) : QList<int>({440, 640, 111, 311}));
        QCOMPARE(QList<int>({s.irFusionHMin, s.irFusionHMax, s.irFusionVMin, s.irFusionVMax}),
                 QList<int>({-753, -553, -391, -191}));
    }

    void aliases_data()
    {
        QTest::addColumn<QString>("requested");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const char *requested, const char *expected) {
            QTest::newRow(name) << QString(requested) << QString(expected);
        };
        row("MartenClassic", "MartenClassic", "Marten");
        row("OtterClassic", "OtterClassic", "Otter");
        row("Finch", "Finch", "Plover");
        row("Lynx", "Lynx", "Lynx-2");
        row("Heron-Mini", "Heron-Mini", "Heron-Mini-B");
        row("empty", "", "Otter");
        row("unknown", "Condor", "Otter");
        row("wrong case", "ibis", "Otter");
        row("padded", " Ibis ", "Otter");
        row("hyphenated legacy", "Marten-Classic", "Otter");
    }

    void aliases()
    {
        QFETCH(QString, requested);
        QFETCH(QString, expected);
        QScopedPointer<GimbalModel> alias(GimbalModelFactory::create(requested));
        QScopedPointer<GimbalModel> canonical(GimbalModelFactory::create(expected));
        QCOMPARE(alias->id(), expected);
        QCOMPARE(alias->spec().name, expected);
        QCOMPARE(trueFlags(alias->spec()), trueFlags(canonical->spec()));
        QCOMPARE(describe(alias->photoResolutions(false)),
                 describe(canonical->photoResolutions(false)));
    }

    void optionMaps()
    {
        QScopedPointer<GimbalModel> model(createGimbalModel(QStringLiteral("Ibis")));
        const QVariantMap stream = model->streamResolutions(true).value(0).toMap();
        QCOMPARE(stream.keys(), (QStringList{"label", "value", "writeValue"}));
        QCOMPARE(stream.value("writeValue").toInt(), 1);

        QCOMPARE(describe(model->bitrates(false)),
                 QStringLiteral("1 Mbps=1|1.5 Mbps=2|2 Mbps=3|4 Mbps=4|8 Mbps=5|12 Mbps=6"));
        QCOMPARE(describe(model->bitrates(true)),
                 QStringLiteral("1M=1|1.5M=2|2M=3|4M=4|8M=5|12M=6"));
        QCOMPARE(describe(model->videoOutputModes(true)),
                 QStringLiteral("只显示可见光=6|只显示红外=0|分屏显示=7"));
        QCOMPARE(model->aiCategories(true).value(7).toMap().value("label").toString(),
                 QStringLiteral("遮阳棚三轮车"));
        QCOMPARE(model->osdItems(true).value(9).toMap().value("label").toString(),
                 QStringLiteral("TF 卡剩余容量"));
        QCOMPARE(model->osdItems(false).value(4).toMap().value("label").toString(),
                 QStringLiteral("FOV & Zoom"));

        // The fixed tables are numbered 1..N without gaps and send what they report.
        for (const QVariantList &list :
             {model->aiCategories(false), model->osdItems(false), model->irColorPalettes(false, 1),
              model->irColorPalettes(false, 3), model->irColorPalettes(false, 2)}) {
            for (int i = 0; i < list.size(); ++i) {
                QCOMPARE(list.at(i).toMap().value("value").toInt(), i + 1);
                QCOMPARE(list.at(i).toMap().value("writeValue").toInt(), i + 1);
            }
        }
    }

    void palettesByDeviceType_data()
    {
        QTest::addColumn<QString>("modelId");
        QTest::addColumn<int>("deviceType");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("lastChinese");
        auto row = [](const char *name, const char *id, int type, int count, const char *second,
                      const char *last) {
            QTest::newRow(name) << QString(id) << type << count << QString(second) << QString(last);
        };
        row("type 1", "Ibis", 1, 11, "Glow Gold", "金红");
        row("type 3", "Ibis", 3, 15, "Black Hot", "深蓝");
        row("type 2", "Ibis", 2, 20, "Black Hot", "警示蓝");
        row("negative", "Ibis", -1, 20, "Black Hot", "警示蓝");
        // The choice ignores the product, even one with no stored palettes.
        row("Plover type 1", "Plover", 1, 11, "Glow Gold", "金红");
        row("Wren type 3", "Wren", 3, 15, "Black Hot", "深蓝");
    }

    void palettesByDeviceType()
    {
        QFETCH(QString, modelId);
        QFETCH(int, deviceType);
        QFETCH(int, count);
        QScopedPointer<GimbalModel> model(createGimbalModel(modelId));
        const QVariantList en = model->irColorPalettes(false, deviceType);
        QCOMPARE(en.size(), count);
        QTEST(en.value(1).toMap().value("label").toString(), "second");
        QTEST(model->irColorPalettes(true, deviceType).last().toMap().value("label").toString(),
              "lastChinese");
        QCOMPARE(model->irColorPalettes(false).size(), 20);
    }

    void supportedModels()
    {
        QStringList ids;
        for (const QVariant &v : GimbalModelFactory::supportedModels()) {
            const QVariantMap m = v.toMap();
            QCOMPARE(m.size(), 2);
            QCOMPARE(m.value("name"), m.value("id"));
            ids << m.value("id").toString();
            // Every picker entry builds its own record, not the fallback.
            QScopedPointer<GimbalModel> model(createGimbalModel(ids.last()));
            QCOMPARE(model->id(), ids.last());
        }
        QCOMPARE(ids, (QStringList{"Lynx-2", "LynxT-2", "LynxT-3", "Marten", "Heron-Mini-A",
                                   "Heron-Mini-B", "Heron", "Ibis", "Otter"}));
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
        row("extension only", "Heron", "/tmp/.tar", false);
        row("folder", "Heron", "/tmp/L4T-V1-Upgrade.tar/", false);
        row("other product's rule", "Heron", "TBX-MINI-V1-Upgrade.tar", false);
        row("mini-b", "Heron-Mini-B", "TBX-MINI-V2.0.1-Upgrade.tar", true);
        row("mini short id", "Heron-Mini", "d/TBX-MINI-V2.0.1-Upgrade.Tar", true);
        row("mini-a has no rule", "Heron-Mini-A", "TBX-MINI-V2-Upgrade.tar", false);
        row("otter never", "Otter", "L4T-V1.2.3-Upgrade.tar", false);
        row("no model", "", "L4T-V1-Upgrade.tar", false);
    }

    void firmwareNames()
    {
        QFETCH(QString, id);
        QFETCH(QString, path);
        QTEST(FirmwareNameRules::isFirmwareFileNameValid(id, path), "valid");
    }

    void firmwareHints_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");
        auto row = [](const char *id, const char *key, const char *en, const char *zh) {
            QTest::newRow(*id ? id : "empty")
                << QString(id) << QString(key) << QString(en) << QString(zh);
        };
        row("Heron", "Heron", "L4T-V<version>-Upgrade.tar", "L4T-V版本号-Upgrade.tar");
        row("Heron-Mini-B", "Heron-Mini-B", "TBX-MINI-V<version>-Upgrade.tar",
            "TBX-MINI-V版本号-Upgrade.tar");
        row("Heron-Mini", "Heron-Mini-B", "TBX-MINI-V<version>-Upgrade.tar",
            "TBX-MINI-V版本号-Upgrade.tar");
        row("Heron-Mini-A", "Heron-Mini-A", "", "");
        row("Otter", "Otter", "", "");
        row("", "", "", "");
    }

    void firmwareHints()
    {
        QFETCH(QString, id);
        QTEST(FirmwareNameRules::firmwareModelKey(id), "key");
        QTEST(FirmwareNameRules::firmwareFileNameHint(id, false), "english");
        QTEST(FirmwareNameRules::firmwareFileNameHint(id, true), "chinese");
    }
};

SKYRIG_REGISTER_TEST(CatalogModelTest)

#include "tst_catalog_models.moc"
