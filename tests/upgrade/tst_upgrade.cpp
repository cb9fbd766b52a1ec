// Firmware upgrades against the simulator's HTTP upgrade service on the
// loopback: whole attempts with every kind of answer, cancelling at each
// stage, refusals before anything is sent, choosing the package, and the
// reading of start replies the simulator cannot produce.

#include "UpgradeTestSupport.h"
#include "common/TestMain.h"
#include "upgrade/UpgradeStartReply.h"

#include <QTcpServer>
#include <QTemporaryDir>

using namespace upgrade_test;

namespace
{
const QString HeronPackage = QStringLiteral("L4T-V3.1.4-Upgrade.tar");
constexpr qint64 PackageSize = 3 * 1048576 + 17;
} // namespace

class FirmwareUpgradeTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_package;

    // A bridge aimed at `port` with the package already chosen for Heron.
    std::unique_ptr<FirmwareUpgradeBridge> bridgeFor(quint16 port)
    {
        auto bridge = std::make_unique<FirmwareUpgradeBridge>();
        bridge->setPort(port);
        bridge->setFileChooser([](const QString &, const QString &, const QString &) {
            return QString(); // no dialog may open in these runs
        });
        bridge->setFirmwareFile(m_package, QStringLiteral("Heron"));
        return bridge;
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<HttpServer::Faults>();
        QVERIFY(m_dir.isValid());
        m_package = m_dir.filePath(HeronPackage);
        QVERIFY(writePackage(m_package, PackageSize));
    }

    void init() { useChinese(false); }

    void attemptAgainstTheCamera_data()
    {
        QTest::addColumn<HttpServer::Faults>("faults");
        QTest::addColumn<QString>("cameraModel"); // empty: nothing listens
        QTest::addColumn<int>("uploadMs");        // 0: the real time-outs
        QTest::addColumn<int>("startMs");
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("progress"); // -1: wherever the upload got to

        const QString heron = QStringLiteral("Heron");
        HttpServer::Faults normal;
        QTest::newRow("accepted") << normal << heron << 0 << 0 << false << true << "Upgrade started"
                                  << 100;
        QTest::newRow("accepted, in Chinese")
            << normal << heron << 0 << 0 << true << true << QStringLiteral("升级已启动") << 100;

        HttpServer::Faults code3;
        code3.startCode = 3;
        code3.startMessage = QStringLiteral("battery low");
        QTest::newRow("start refused with code 3")
            << code3 << heron << 0 << 0 << false << false
            << QStringLiteral("Start upgrade failed (code=3) — battery low") << 92;
        QTest::newRow("camera of another product refuses the package")
            << normal << QStringLiteral("Heron-Mini-B") << 0 << 0 << false << false
            << QStringLiteral("Start upgrade failed (code=5) — package is not for this product")
            << 92;

        HttpServer::Faults status500;
        status500.uploadStatus = 500;
        status500.uploadBody.clear();
        QTest::newRow("upload answered 500 without a body")
            << status500 << heron << 0 << 0 << false << false << "Upload rejected (HTTP 500)" << 90;
        QTest::newRow("upload answered 500, in Chinese")
            << status500 << heron << 0 << 0 << true << false
            << QStringLiteral("上传被拒绝 (HTTP 500)") << 90;
        HttpServer::Faults status403;
        status403.uploadStatus = 403;
        status403.uploadBody = "card full\nretry later";
        QTest::newRow("upload answered 403 with a text")
            << status403 << heron << 0 << 0 << false << false
            << QStringLiteral("Upload rejected (HTTP 403) — card full\nretry later") << 90;

        HttpServer::Faults text;
        text.startBody = QByteArray("OK");
        QTest::newRow("start answered with plain text")
            << text << heron << 0 << 0 << false << true << "Upgrade started" << 100;

        HttpServer::Faults stallUpload;
        stallUpload.stallUpload = true;
        QTest::newRow("upload never answered")
            << stallUpload << heron << 300 << 300 << false << false << "Upload timed out" << -1;
        HttpServer::Faults stallStart;
        stallStart.stallStart = true;
        QTest::newRow("start never answered") << stallStart << heron << 20000 << 300 << false
                                              << false << "Start-upgrade timed out" << 92;

        QTest::newRow("nothing listens") << normal << QString() << 0 << 0 << false << false
                                         << "Upload failed: Connection refused" << 0;
    }

    void attemptAgainstTheCamera()
    {
        QFETCH(HttpServer::Faults, faults);
        QFETCH(QString, cameraModel);
        QFETCH(int, uploadMs);
        QFETCH(int, startMs);
        QFETCH(bool, chinese);
        QFETCH(bool, ok);
        QFETCH(QString, message);
        QFETCH(int, progress);

        std::unique_ptr<HttpServer> camera;
        quint16 port = 0;
        if (cameraModel.isEmpty()) {
            QTcpServer probe; // a port that was free a moment ago and is closed again
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            port = probe.serverPort();
        } else {
            camera = startCamera(faults, cameraModel);
            QVERIFY(camera);
            port = camera->port();
        }
        useChinese(chinese);
        auto bridge = bridgeFor(port);
        if (uploadMs != 0)
            bridge->setTimeouts({uploadMs, startMs});
        ProgressLog log(bridge.get());
        QSignalSpy finished(bridge.get(), &FirmwareUpgradeBridge::finished);
        QSignalSpy busy(bridge.get(), &FirmwareUpgradeBridge::busyChanged);
        std::unique_ptr<QSignalSpy> started;
        if (camera)
            started = std::make_unique<QSignalSpy>(camera.get(), &HttpServer::upgradeStarted);

        bridge->startUpgrade(QStringLiteral(" 127.0.0.1 "), QStringLiteral("Heron"));
        QVERIFY(bridge->busy());
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.first(), QVariantList({ok, message}));
        QCOMPARE(bridge->statusMessage(), message);
        QVERIFY(!bridge->busy());
        QCOMPARE(busy.count(), 2);
        QVERIFY2(log.monotonic, qPrintable(QTest::toString(log.values)));
        if (progress >= 0)
            QCOMPARE(bridge->progress(), progress);
        else
            QVERIFY(bridge->progress() <= 90);
        // Nothing left behind fires later: no time-out, no stray reply.
        QVERIFY(!finished.wait(qMin(uploadMs, startMs) + 100));

        // What the camera holds was computed from the bytes on the wire; the
        // request carried the digest computed from the disk.
        QCOMPARE(bridge->md5(), md5Of(m_package));
        if (camera && !faults.stallUpload && faults.uploadStatus == 0) {
            const HttpServer::Upload upload = camera->lastUpload();
            QCOMPARE(upload.fileName, HeronPackage);
            QCOMPARE(upload.size, PackageSize);
            QCOMPARE(upload.md5, bridge->md5());
        }
        if (started) {
            const bool restarts = ok && !faults.startBody;
            QTRY_COMPARE(started->count(), restarts ? 1 : 0);
        }
        QCOMPARE(bridge->filePath(), m_package); // the package stays chosen
    }

    void cancelEndsTheAttemptOnce_data()
    {
        QTest::addColumn<HttpServer::Faults>("faults");
        QTest::addColumn<QString>("stageStatus"); // cancel once this shows; empty: at once
        QTest::addColumn<int>("progress");        // -1: wherever the upload got to
        QTest::addColumn<int>("uploadMs");
        QTest::addColumn<int>("startMs");

        // The time-out of the stage being cancelled is short: had its timer
        // outlived the request, it would fire within the wait that follows.
        HttpServer::Faults normal;
        QTest::newRow("while hashing") << normal << QString() << 0 << 800 << 800;
        HttpServer::Faults stallUpload;
        stallUpload.stallUpload = true;
        QTest::newRow("while uploading")
            << stallUpload << "Uploading upgrade package…" << -1 << 800 << 800;
        HttpServer::Faults stallStart;
        stallStart.stallStart = true;
        QTest::newRow("while starting")
            << stallStart << "Upload done, starting upgrade…" << 92 << 20000 << 800;
    }

    void cancelEndsTheAttemptOnce()
    {
        QFETCH(HttpServer::Faults, faults);
        QFETCH(QString, stageStatus);
        QFETCH(int, progress);
        QFETCH(int, uploadMs);
        QFETCH(int, startMs);
        auto camera = startCamera(faults);
        QVERIFY(camera);
        auto bridge = bridgeFor(camera->port());
        bridge->setTimeouts({uploadMs, startMs});
        QSignalSpy finished(bridge.get(), &FirmwareUpgradeBridge::finished);

        bridge->startUpgrade(QStringLiteral("127.0.0.1"), QStringLiteral("Heron"));
        if (!stageStatus.isEmpty())
            QTRY_COMPARE(bridge->statusMessage(), stageStatus);
        QVERIFY(bridge->busy());
        const int progressAtCancel = bridge->progress();
        if (progress >= 0)
            QCOMPARE(progressAtCancel, progress);
        bridge->cancel();

        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first(), QVariantList({false, QStringLiteral("Upgrade cancelled")}));
        QCOMPARE(bridge->statusMessage(), QStringLiteral("Upgrade cancelled"));
        QVERIFY(!bridge->busy());
        QVERIFY(!finished.wait(qMin(uploadMs, startMs) + 200));
        QCOMPARE(bridge->progress(), progressAtCancel);
        bridge->cancel(); // not busy: nothing
        QCOMPARE(finished.count(), 1);
        if (stageStatus.isEmpty())
            QCOMPARE(camera->lastUpload().size, qint64(-1)); // nothing was sent
    }

    void refusedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("file"); // "-": keep the chosen package; empty: none
        QTest::addColumn<QString>("message");

        const QString heron = QStringLiteral("Heron");
        const QString keep = QStringLiteral("-");
        const QString badIp = QStringLiteral("Invalid camera IP");
        // The host rules are in hostCheck; these show that a refused host
        // ends the attempt before anything is sent.
        for (const char *host : {"", "127.0.0.1:8088", "http://127.0.0.1"})
            QTest::newRow(qPrintable(QStringLiteral("host \"%1\"").arg(host)))
                << QString::fromLatin1(host) << heron << keep << badIp;
        QTest::newRow("no package")
            << "127.0.0.1" << heron << QString() << "Please select a valid upgrade package";
        QTest::newRow("package gone from disk") << "127.0.0.1" << heron << "gone/" + HeronPackage
                                                << "Please select a valid upgrade package";
        QTest::newRow("model without a rule") << "127.0.0.1"
                                              << "Otter" << keep << "File name is not valid";
        QTest::newRow("no model") << "localhost" << QString() << keep << "File name is not valid";
        QTest::newRow("another product's rule")
            << "camera-1.local"
            << "Heron-Mini" << keep
            << QStringLiteral("File name must match TBX-MINI-V版本号-Upgrade.tar");
    }

    void refusedBeforeAnythingIsSent()
    {
        QFETCH(QString, host);
        QFETCH(QString, model);
        QFETCH(QString, file);
        QFETCH(QString, message);
        auto camera = startCamera();
        QVERIFY(camera);
        auto bridge = bridgeFor(camera->port());
        if (file.isEmpty())
            bridge->clearFile();
        else if (file != QLatin1String("-"))
            bridge->setFirmwareFile(m_dir.filePath(file), QStringLiteral("Heron"));
        QSignalSpy finished(bridge.get(), &FirmwareUpgradeBridge::finished);
        QSignalSpy busy(bridge.get(), &FirmwareUpgradeBridge::busyChanged);

        bridge->startUpgrade(host, model);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first(), QVariantList({false, message}));
        QCOMPARE(bridge->statusMessage(), message);
        QCOMPARE(busy.count(), 0);
        QCOMPARE(bridge->md5(), QString());
        QCOMPARE(camera->lastUpload().size, qint64(-1));
    }

    void choosingThePackage()
    {
        useChinese(true);
        HttpServer::Faults stall;
        stall.stallUpload = true;
        auto camera = startCamera(stall);
        QVERIFY(camera);
        auto bridge = bridgeFor(camera->port());
        bridge->clearFile();
        QCOMPARE(bridge->statusMessage(), QStringLiteral("请选择升级包"));

        QStringList shown; // title and filter of each dialog
        QString answer;
        bridge->setFileChooser([&](const QString &title, const QString &filter, const QString &) {
            shown << title << filter;
            return answer;
        });
        QSignalSpy pathChanged(bridge.get(), &FirmwareUpgradeBridge::filePathChanged);

        // The dialog names the English pattern in both languages.
        answer = m_package;
        QCOMPARE(bridge->pickFirmwareFile(QStringLiteral("Heron")), m_package);
        QCOMPARE(shown, QStringList({QStringLiteral("选择升级包（L4T-V<version>-Upgrade.tar）"),
                                     QStringLiteral("升级包 (*.tar *.TAR);;所有文件 (*.*)")}));
        QCOMPARE(bridge->fileName(), HeronPackage);
        QCOMPARE(bridge->statusMessage(), QStringLiteral("已选择：") + HeronPackage);

        // Closing the dialog keeps the choice.
        useChinese(false);
        answer.clear();
        shown.clear();
        QCOMPARE(bridge->pickFirmwareFile(QStringLiteral("Otter")), m_package);
        QCOMPARE(shown, QStringList({QStringLiteral("Select upgrade package"),
                                     QStringLiteral("Upgrade package (*.tar *.TAR);;All files "
                                                    "(*.*)")}));

        // A package name the product does not accept drops the choice.
        answer = m_dir.filePath(QStringLiteral("L4T-V3.1.4-upgrade.tar"));
        QCOMPARE(bridge->pickFirmwareFile(QStringLiteral("Heron")), QString());
        QCOMPARE(bridge->filePath(), QString());
        QCOMPARE(bridge->fileName(), QString());
        QCOMPARE(bridge->statusMessage(),
                 QStringLiteral("File name must match L4T-V版本号-Upgrade.tar"));
        QCOMPARE(bridge->setFirmwareFile(m_package, QStringLiteral("Heron")), m_package);
        QCOMPARE(pathChanged.count(), 3);

        // While an attempt runs (this camera never answers the upload) the
        // choice is frozen: no dialog, no new file, no clearing, no restart.
        QSignalSpy finished(bridge.get(), &FirmwareUpgradeBridge::finished);
        bridge->startUpgrade(QStringLiteral("127.0.0.1"), QStringLiteral("Heron"));
        QTRY_COMPARE(bridge->statusMessage(), QStringLiteral("Uploading upgrade package…"));
        shown.clear();
        answer = m_dir.filePath(QStringLiteral("L4T-V9-Upgrade.tar"));
        QCOMPARE(bridge->pickFirmwareFile(QStringLiteral("Heron")), m_package);
        QVERIFY(shown.isEmpty());
        QCOMPARE(bridge->setFirmwareFile(answer, QStringLiteral("Heron")), m_package);
        bridge->clearFile();
        bridge->startUpgrade(QStringLiteral("127.0.0.1"), QStringLiteral("Heron"));
        QCOMPARE(bridge->filePath(), m_package);
        QCOMPARE(pathChanged.count(), 3);
        QVERIFY(bridge->busy());
        QCOMPARE(finished.count(), 0);

        bridge->cancel();
        bridge->clearFile();
        QCOMPARE(bridge->filePath(), QString());
        QCOMPARE(bridge->progress(), 0);
        QCOMPARE(bridge->statusMessage(), QStringLiteral("Select an upgrade package"));
    }

    void hostCheck_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("valid");
        for (const char *host : {"192.168.144.64", "0.0.0.0", "255.255.255.255", "localhost",
                                 "camera-1.local", "a", "x1.y2"})
            QTest::newRow(host) << QString::fromLatin1(host) << true;
        for (const char *host : {"", "   ", "1.2.3", "127.1", "1.2.3.4.5", "01.2.3.4", "1.2.3.256",
                                 "1.2.3.4:80", "http://1.2.3.4", "1.2.3.4/x", "user@1.2.3.4", "::1",
                                 "cam_1", "-cam", "cam-.local", "a..b", "é.local", "1.2.3.4."})
            QTest::newRow(host) << QString::fromUtf8(host) << false;
        QTest::newRow("label of 64") << QString(64, QLatin1Char('a')) << false;
    }

    void hostCheck()
    {
        QFETCH(QString, host);
        QFETCH(bool, valid);
        QCOMPARE(FirmwareUpgradeBridge::isValidHost(host), valid);
    }

    void startReplies_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("message");

        const QString failed = QStringLiteral("Start upgrade failed");
        QTest::newRow("accepted with a message")
            << 200 << QByteArray(R"({"code":0,"message":"rebooting"})") << true << "rebooting";
        QTest::newRow("code missing")
            << 200 << QByteArray(R"({"message":"?"})") << false << failed + " (code=-1) — ?";
        QTest::newRow("code not whole")
            << 200 << QByteArray(R"({"code":0.5})") << false << failed + " (code=-1)";
        QTest::newRow("negative code")
            << 201 << QByteArray(R"({"code":-7,"message":""})") << false << failed + " (code=-7)";
        QTest::newRow("refusal under an error status")
            << 503 << QByteArray(R"({"code":9,"message":"busy"})") << false
            << failed + " (code=9) — busy";
        QTest::newRow("code 0 under an error status")
            << 500 << QByteArray(R"({"code":0})") << false << failed + R"( — {"code":0})";
        QTest::newRow("JSON that is not an object")
            << 204 << QByteArray("[0]") << true << "Upgrade started";
        QTest::newRow("error status, empty body") << 404 << QByteArray() << false << failed;
        QTest::newRow("text up to a zero byte")
            << 502 << QByteArray("bad gateway\0secret", 18) << false << failed + " — bad gateway";
        QTest::newRow("long text") << 500 << QByteArray(300, 'x') << false
                                   << failed + " — " + QString(200, QLatin1Char('x'));
        // Characters outside the basic plane take two UTF-16 units; after one
        // plain letter the 200th unit is the first half of a pair, which the
        // cut leaves out rather than splitting the character.
        QByteArray smiles("a");
        for (int i = 0; i < 150; ++i)
            smiles += "\xF0\x9F\x98\x80";
        QTest::newRow("long text of character pairs")
            << 500 << smiles << false << failed + " — " + QString::fromUtf8(smiles).left(199);
    }

    void startReplies()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, ok);
        QFETCH(QString, message);
        const UpgradeStartReply reply = UpgradeStartReply::evaluate(status, body, false);
        QCOMPARE(reply.ok, ok);
        QCOMPARE(reply.message, message);
    }
};
SKYRIG_REGISTER_TEST(FirmwareUpgradeTest)

#include "tst_upgrade.moc"
