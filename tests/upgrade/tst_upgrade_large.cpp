// A 1 GiB package (a sparse file: no disk space, real reads) through the
// whole upgrade: the digest on a worker, the upload from disk, the start.
// Memory must stay flat, which only holds if nothing keeps the package whole.

#include "UpgradeTestSupport.h"
#include "common/TestMain.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

using namespace upgrade_test;

namespace
{

constexpr qint64 GiB = qint64(1) << 30;
#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer keeps up to 256 MiB of freed blocks in quarantine.
constexpr double GrowthLimitMiB = 640;
#else
constexpr double GrowthLimitMiB = 256;
#endif
// 1 GiB of zero bytes.
const QString ZeroGiBMd5 = QStringLiteral("cd573cfaace07e7949bc0c46028904ff");

// A figure from /proc/self/status in KiB, or -1.
qint64 statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Starts a new peak: the high-water mark becomes the current resident size.
bool resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

} // namespace

class FirmwareUpgradeLargeTest : public QObject
{
    Q_OBJECT

private slots:
    void oneGiBPackage()
    {
        useChinese(false);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("L4T-V4.0-Upgrade.tar"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(GiB)); // sparse: a hole, read back as zeros
        }
        auto camera = startCamera();
        QVERIFY(camera);
        FirmwareUpgradeBridge bridge;
        bridge.setPort(camera->port());
        QCOMPARE(bridge.setFirmwareFile(path, QStringLiteral("Heron")), path);
        ProgressLog log(&bridge);
        QSignalSpy finished(&bridge, &FirmwareUpgradeBridge::finished);

        const bool peakReset = resetPeak();
        const qint64 baseKiB = statusKiB("VmRSS:");
        QElapsedTimer clock;
        clock.start();
        bridge.startUpgrade(QStringLiteral("127.0.0.1"), QStringLiteral("Heron"));
        // The interface thread stays free while the digest is computed.
        QVERIFY(bridge.busy());
        QVERIFY(finished.wait(180000));
        const qint64 elapsedMs = clock.elapsed();
        const qint64 peakKiB = statusKiB("VmHWM:");

        QCOMPARE(finished.first(), QVariantList({true, QStringLiteral("Upgrade started")}));
        QVERIFY2(log.monotonic, qPrintable(QTest::toString(log.values)));
        QVERIFY(log.values.contains(90));
        QCOMPARE(log.values.last(), 100);
        // Many steps, not a jump from 0 to 90: the upload reported as it went.
        QVERIFY2(log.values.size() > 20, qPrintable(QString::number(log.values.size())));

        QCOMPARE(bridge.md5(), ZeroGiBMd5);
        const HttpServer::Upload upload = camera->lastUpload();
        QCOMPARE(upload.size, GiB);
        QCOMPARE(upload.md5, ZeroGiBMd5);

        const double growthMiB = (peakKiB - baseKiB) / 1024.0;
        qInfo("1 GiB upgrade: %.1f s, resident %.0f MiB before, peak growth %.0f MiB%s",
              elapsedMs / 1000.0, baseKiB / 1024.0, growthMiB,
              peakReset ? "" : " (peak since process start)");
        // Holding the package (or the multipart body) in memory even once
        // would add 1024 MiB.
        if (peakReset && baseKiB > 0)
            QVERIFY2(growthMiB < GrowthLimitMiB, qPrintable(QString::number(growthMiB)));
    }
};
SKYRIG_REGISTER_TEST(FirmwareUpgradeLargeTest)

#include "tst_upgrade_large.moc"
