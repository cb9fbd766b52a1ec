// Firmware upgrades against the simulator's HTTP upgrade service on the
// loopback. (A 1 GiB package is bench_upgrade's.)

#include "camsim/HttpServer.h"
#include "commands/GimbalController.h"
#include "common/TestMain.h"
#include "link/CommandCode.h"
#include "link/FrameCodec.h"
#include "link/Language.h"
#include "link/TransportManager.h"
#include "link/UdpTransport.h"
#include "upgrade/FirmwareUpgradeBridge.h"
#include "upgrade/UpgradeStartReply.h"

#include <QCryptographicHash>
#include <QFile>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <algorithm>
#include <memory>

Q_DECLARE_METATYPE(HttpServer::Faults)

namespace
{

const QString HeronPackage = QStringLiteral("L4T-V3.1.4-Upgrade.tar");
constexpr qint64 PackageSize = 3 * 1048576 + 17;

// The camera's upgrade service for `model`, listening on a free port.
std::unique_ptr<HttpServer> startCamera(const HttpServer::Faults &faults = {},
                                        const QString &model = QStringLiteral("Heron"))
{
    auto server = std::make_unique<HttpServer>(QStringLiteral("127.0.0.1"), model, false, faults);
    QString error;
    if (server->start(0, &error))
        return server;
    qWarning("%s", qPrintable(error));
    return nullptr;
}

} // namespace

class FirmwareUpgradeTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_package;
    QString m_packageMd5;

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
        m_package = m_dir.filePath(HeronPackage);
        // Blocks that differ, so a part sent twice or out of order changes
        // the digest.
        QFile file(m_package);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCryptographicHash hash(QCryptographicHash::Md5);
        for (qint64 n = 0; n * 4096 < PackageSize; ++n) {
            const QByteArray block = QByteArray(4096, char(n * 31))
                                         .left(int(qMin<qint64>(4096, PackageSize - n * 4096)));
            file.write(block);
            hash.addData(block);
        }
        m_packageMd5 = QString::fromLatin1(hash.result().toHex());
    }

    void init() { skyrig_test::setChinese(false); }

    void attemptAgainstTheCamera_data()
    {
        QTest::addColumn<HttpServer::Faults>("faults");
        QTest::addColumn<bool>("listening");
        QTest::addColumn<int>("uploadMs"); // 0: the real time-outs
        QTest::addColumn<int>("startMs");
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("progress");     // -1: wherever the upload got to
        QTest::addColumn<QString>("switched"); // the message in the other language
        QTest::addColumn<QString>("cancelAt"); // cancel once this shows

        HttpServer::Faults normal;
        QTest::newRow("accepted") << normal << true << 0 << 0 << false << true << "Upgrade started"
                                  << 100 << "升级已启动" << QString();
        HttpServer::Faults code3;
        code3.startCode = 3;
        code3.startMessage = QStringLiteral("battery low");
        QTest::newRow("start refused with code 3")
            << code3 << true << 0 << 0 << false << false
            << QStringLiteral("Start upgrade failed (code=3) — battery low") << 92
            << QStringLiteral("启动升级失败 (code=3) — battery low") << QString();
        HttpServer::Faults status500;
        status500.uploadStatus = 500;
        status500.uploadBody.clear();
        QTest::newRow("upload answered 500 without a body, in Chinese")
            << status500 << true << 0 << 0 << true << false
            << QStringLiteral("上传被拒绝 (HTTP 500)") << 90
            << QStringLiteral("Upload rejected (HTTP 500)") << QString();
        HttpServer::Faults status403;
        status403.uploadStatus = 403;
        status403.uploadBody = "card full\nretry later";
        QTest::newRow("upload answered 403 with a text")
            << status403 << true << 0 << 0 << false << false
            << QStringLiteral("Upload rejected (HTTP 403) — card full\nretry later") << 90
            << QStringLiteral("上传被拒绝 (HTTP 403) — card full\nretry later") << QString();
        HttpServer::Faults cut;
        cut.cutUploadReply = true;
        QTest::newRow("upload answered 200, then the connection breaks")
            << cut << true << 0 << 0 << false << false << "Upload failed: Connection closed" << 90
            << "上传失败：Connection closed" << QString();
        HttpServer::Faults text;
        text.startBody = QByteArray("OK");
        QTest::newRow("start answered with plain text")
            << text << true << 0 << 0 << false << true << "Upgrade started" << 100 << "升级已启动"
            << QString();
        HttpServer::Faults stallUpload;
        stallUpload.stallUpload = true;
        QTest::newRow("upload never answered")
            << stallUpload << true << 300 << 300 << false << false << "Upload timed out" << -1
            << "上传超时" << QString();
        HttpServer::Faults stallStart;
        stallStart.stallStart = true;
        QTest::newRow("start never answered")
            << stallStart << true << 20000 << 300 << false << false << "Start-upgrade timed out"
            << 92 << "启动升级超时" << QString();
        QTest::newRow("nothing listens")
            << normal << false << 0 << 0 << false << false << "Upload failed: Connection refused"
            << 0 << "上传失败：Connection refused" << QString();
        // A cancel ends the attempt at once and for good: the time-out of the
        // stage cancelled is short, so a timer that outlived the request
        // would fire within the wait that follows.
        const QString cancelled = QStringLiteral("Upgrade cancelled");
        QTest::newRow("cancelled while hashing")
            << normal << true << 800 << 800 << false << false << cancelled << 0 << "已取消升级"
            << "Computing the package's MD5…";
        QTest::newRow("cancelled while uploading") << stallUpload << true << 800 << 800 << false
                                                   << false << cancelled << -1 << "已取消升级"
                                                   << "Uploading upgrade package…";
        QTest::newRow("cancelled while starting") << stallStart << true << 20000 << 800 << false
                                                  << false << cancelled << 92 << "已取消升级"
                                                  << "Upload done, starting upgrade…";
    }

    void attemptAgainstTheCamera()
    {
        QFETCH(HttpServer::Faults, faults);
        QFETCH(bool, listening);
        QFETCH(int, uploadMs);
        QFETCH(int, startMs);
        QFETCH(bool, chinese);
        QFETCH(bool, ok);
        QFETCH(QString, message);
        QFETCH(int, progress);

        std::unique_ptr<HttpServer> camera;
        quint16 port = 0;
        if (listening) {
            camera = startCamera(faults);
            QVERIFY(camera);
            port = camera->port();
        } else {
            QTcpServer probe; // a port that was free a moment ago and is closed again
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            port = probe.serverPort();
        }
        skyrig_test::setChinese(chinese);
        auto bridge = bridgeFor(port);
        if (uploadMs != 0)
            bridge->setTimeouts({uploadMs, startMs});
        QVector<int> progressShown;
        connect(bridge.get(), &FirmwareUpgradeBridge::progressChanged, this,
                [&] { progressShown << bridge->progress(); });
        QSignalSpy finished(bridge.get(), &FirmwareUpgradeBridge::finished);
        QSignalSpy busy(bridge.get(), &FirmwareUpgradeBridge::busyChanged);
        std::unique_ptr<QSignalSpy> started;
        if (camera)
            started = std::make_unique<QSignalSpy>(camera.get(), &HttpServer::upgradeStarted);

        bridge->startUpgrade(QStringLiteral(" 127.0.0.1 "), QStringLiteral("Heron"));
        QVERIFY(bridge->busy());
        QCOMPARE(bridge->statusMessage(),
                 chinese ? "正在计算升级包 MD5…" : "Computing the package's MD5…");
        QFETCH(QString, cancelAt);
        const bool hashing = cancelAt.startsWith("Computing");
        if (!cancelAt.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(bridge->statusMessage(), cancelAt, 60000);
            bridge->cancel();
            QCOMPARE(finished.count(), 1);
            bridge->cancel(); // no longer busy: nothing
        }
        QVERIFY(finished.count() == 1 || finished.wait(60000));
        QCOMPARE(finished.first(), QVariantList({ok, message}));
        QCOMPARE(bridge->statusMessage(), message);
        QCOMPARE(busy.count(), 2);
        QVERIFY(std::is_sorted(progressShown.cbegin(), progressShown.cend()));
        if (progress >= 0)
            QCOMPARE(bridge->progress(), progress);
        else
            QVERIFY(bridge->progress() <= 90);
        // A failure never leaves the bar reading as nearly done.
        QCOMPARE(bridge->failed(), !ok);
        // The status follows a language switch at once.
        QSignalSpy shown(bridge.get(), &FirmwareUpgradeBridge::statusMessageChanged);
        Language::store(!chinese);
        QTEST(bridge->statusMessage(), "switched");
        QCOMPARE(shown.count(), 1);
        Language::store(chinese);
        // Nothing left behind fires later: no time-out, no stray reply.
        QVERIFY(!finished.wait(qMin(uploadMs, startMs) + 100));

        // The request carried the digest computed from the disk; what the
        // camera holds was computed from the bytes on the wire.
        QCOMPARE(bridge->md5(), hashing ? QString() : m_packageMd5);
        if (hashing)
            QCOMPARE(camera->lastUpload().size, qint64(-1)); // nothing was sent
        else if (camera && !faults.stallUpload && faults.uploadStatus == 0) {
            QCOMPARE(camera->lastUpload().fileName, HeronPackage);
            QCOMPARE(camera->lastUpload().size, PackageSize);
            QCOMPARE(camera->lastUpload().md5, bridge->md5());
        }
        if (started)
            QTRY_COMPARE_WITH_TIMEOUT(started->count(), ok && !faults.startBody ? 1 : 0, 60000);
        QCOMPARE(bridge->filePath(), m_package); // the package stays chosen
    }

    // After an accepted start the status follows the camera over its link
    // (the simulator's restart is followed end to end); one that is back but
    // never tells its version is asked again, and not called missing.
    void cameraThatNeverComesBack_data()
    {
        QTest::addColumn<QString>("frames"); // from the camera: none, all along, once it was quiet
        QTest::addColumn<bool>("failed");
        QTest::addColumn<QString>("status");
        QTest::newRow("silent") << "none" << true
                                << "The camera has not come back since the upgrade started";
        QTest::newRow("never quiet")
            << "all along" << true
            << "The camera kept answering and did not restart after the upgrade started";
        QTest::newRow("back without a version")
            << "once quiet" << false << "The camera is back but did not tell its version";
    }
    void cameraThatNeverComesBack()
    {
        QFETCH(QString, frames);
        auto camera = startCamera();
        QVERIFY(camera);
        QUdpSocket peer; // takes the control frames, answers none
        QVERIFY(peer.bind(QHostAddress(QHostAddress::LocalHost), 0));
        UdpTransport udp;
        udp.setTarget(QHostAddress::LocalHost, peer.localPort());
        udp.setLocalPort(0);
        QVERIFY(udp.open());
        TransportManager link;
        link.setTransport(&udp);
        GimbalController controller;
        controller.setTransportManager(&link);
        auto bridge = bridgeFor(camera->port());
        bridge->setCamera(&controller);
        FirmwareUpgradeBridge::Timeouts timeouts;
        // Quiet means 100 ms; the chattering camera is never quiet that long,
        // however busy the machine, and the returning one has seconds to be
        // seen going and coming back before it is given up on.
        timeouts.silenceMs = frames == "all along" ? 30000 : 100;
        timeouts.versionPollMs = 100;
        timeouts.returnMs = frames == "once quiet" ? 5000 : 1000;
        bridge->setTimeouts(timeouts);
        // A frame every 20 ms, none of them a version report.
        QTimer chatter;
        quint8 sequence = 0;
        QObject::connect(&chatter, &QTimer::timeout, [&] {
            peer.writeDatagram(
                FrameCodec::encodeShortFrame(sequence, 4, 1, CommandCode::GetCameraVersion, {}),
                QHostAddress(QHostAddress::LocalHost), udp.boundPort());
        });
        if (frames == "all along")
            chatter.start(20);
        if (frames == "once quiet")
            QObject::connect(bridge.get(), &FirmwareUpgradeBridge::statusMessageChanged, &chatter,
                             [&] {
                                 if (bridge->statusMessage().contains("the camera is restarting"))
                                     chatter.start(20);
                             });
        QSignalSpy finished(bridge.get(), &FirmwareUpgradeBridge::finished);
        bridge->startUpgrade(QStringLiteral("127.0.0.1"), QStringLiteral("Heron"));
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.first(), QVariantList({true, QStringLiteral("Upgrade started")}));
        QVERIFY(!bridge->failed());
        QFETCH(QString, status);
        QTRY_COMPARE_WITH_TIMEOUT(bridge->statusMessage(), status, 60000);
        QTEST(bridge->failed(), "failed");
        QCOMPARE(finished.count(), 1);
        // Only a camera that is back is asked for its version, and asked again.
        int asked = 0;
        while (peer.hasPendingDatagrams()) {
            int used = 0;
            const QByteArray datagram = peer.receiveDatagram().data();
            asked +=
                FrameCodec::commandCode(FrameCodec::decodeShortFrame(datagram, used).messageId) ==
                CommandCode::GetCameraVersion;
        }
        QCOMPARE(asked >= 2, frames == "once quiet");
    }

    // Each refusal ends the attempt before anything is sent. Hosts: an IPv4
    // address in whole dotted-decimal form or a host name, nothing else; the
    // later rows pass the host check with other valid forms.
    void refusedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("file"); // "-": keep the chosen package; empty: none
        QTest::addColumn<QString>("message");

        const QString heron = QStringLiteral("Heron");
        const QString keep = QStringLiteral("-");
        for (const char *host :
             {"", "   ", "127.0.0.1:8088", "http://127.0.0.1", "1.2.3.4/x", "user@1.2.3.4", "::1",
              "1.2.3", "127.1", "1.2.3.4.5", "01.2.3.4", "1.2.3.256", "1.2.3.4.", "cam_1", "-cam",
              "cam-.local", "a..b", "é.local"})
            QTest::newRow(qPrintable(QStringLiteral("host \"%1\"").arg(QString::fromUtf8(host))))
                << QString::fromUtf8(host) << heron << keep << "Invalid camera IP";
        QTest::newRow("host label of 64")
            << QString(64, QLatin1Char('a')) << heron << keep << "Invalid camera IP";
        QTest::newRow("no package")
            << "127.0.0.1" << heron << QString() << "Please select a valid upgrade package";
        QTest::newRow("package gone from disk") << "x1.y2" << heron << "gone/" + HeronPackage
                                                << "Please select a valid upgrade package";
        QTest::newRow("model without a rule") << "255.255.255.255"
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
        auto bridge = bridgeFor(0); // nothing may be sent, so no camera listens
        if (file.isEmpty())
            bridge->clearFile();
        else if (file != QLatin1String("-"))
            bridge->setFirmwareFile(m_dir.filePath(file), QStringLiteral("Heron"));
        QSignalSpy finished(bridge.get(), &FirmwareUpgradeBridge::finished);
        QSignalSpy busy(bridge.get(), &FirmwareUpgradeBridge::busyChanged);

        bridge->startUpgrade(host, model);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first(), QVariantList({false, message}));
        QCOMPARE(busy.count(), 0);
        QCOMPARE(bridge->md5(), QString());
    }

    void choosingThePackage()
    {
        skyrig_test::setChinese(true);
        HttpServer::Faults stall;
        stall.stallUpload = true;
        auto camera = startCamera(stall);
        QVERIFY(camera);
        auto bridge = bridgeFor(camera->port());
        QStringList shown; // title and filter of each dialog
        QString answer = m_package;
        bridge->setFileChooser([&](const QString &title, const QString &filter, const QString &) {
            shown << title << filter;
            return answer;
        });
        QSignalSpy pathChanged(bridge.get(), &FirmwareUpgradeBridge::filePathChanged);

        // The dialog names the English pattern in both languages.
        QCOMPARE(bridge->pickFirmwareFile(QStringLiteral("Heron")), m_package);
        QCOMPARE(shown, QStringList({QStringLiteral("选择升级包（L4T-V<version>-Upgrade.tar）"),
                                     QStringLiteral("升级包 (*.tar *.TAR);;所有文件 (*.*)")}));
        QCOMPARE(bridge->statusMessage(), QStringLiteral("已选择：") + HeronPackage);

        // Closing the dialog keeps the choice; a name the product does not
        // accept drops it and shows the pattern with its Chinese hint.
        skyrig_test::setChinese(false);
        answer.clear();
        QCOMPARE(bridge->pickFirmwareFile(QStringLiteral("Otter")), m_package);
        QCOMPARE(shown.at(2), QStringLiteral("Select upgrade package"));
        answer = m_dir.filePath(QStringLiteral("L4T-V3.1.4-upgrade.tar"));
        QCOMPARE(bridge->pickFirmwareFile(QStringLiteral("Heron")), QString());
        QCOMPARE(bridge->fileName(), QString());
        QCOMPARE(bridge->statusMessage(),
                 QStringLiteral("File name must match L4T-V版本号-Upgrade.tar"));
        QCOMPARE(bridge->setFirmwareFile(m_package, QStringLiteral("Heron")), m_package);
        QCOMPARE(pathChanged.count(), 3);

        // While an attempt runs (this camera never answers the upload) the
        // choice is frozen: no dialog, no new file, no clearing, no restart.
        QSignalSpy finished(bridge.get(), &FirmwareUpgradeBridge::finished);
        bridge->startUpgrade(QStringLiteral("127.0.0.1"), QStringLiteral("Heron"));
        QTRY_COMPARE_WITH_TIMEOUT(bridge->statusMessage(),
                                  QStringLiteral("Uploading upgrade package…"), 60000);
        shown.clear();
        QCOMPARE(bridge->pickFirmwareFile(QStringLiteral("Heron")), m_package);
        QVERIFY(shown.isEmpty());
        QCOMPARE(bridge->setFirmwareFile(answer, QStringLiteral("Heron")), m_package);
        bridge->clearFile();
        bridge->startUpgrade(QStringLiteral("127.0.0.1"), QStringLiteral("Heron"));
        QCOMPARE(pathChanged.count(), 3);
        QCOMPARE(finished.count(), 0);

        bridge->cancel();
        bridge->clearFile();
        QCOMPARE(bridge->filePath(), QString());
        QCOMPARE(bridge->progress(), 0);
        QCOMPARE(bridge->statusMessage(), QStringLiteral("Select an upgrade package"));
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
        QTest::newRow("refusal under an error status")
            << 503 << QByteArray(R"({"code":9,"message":"busy"})") << false
            << failed + " (code=9) — busy";
        QTest::newRow("code 0 under an error status")
            << 500 << QByteArray(R"({"code":0})") << false << failed + R"( — {"code":0})";
        QTest::newRow("JSON that is not an object")
            << 204 << QByteArray("[0]") << true << "Upgrade started";
        QTest::newRow("text up to a zero byte")
            << 502 << QByteArray("bad gateway\0secret", 18) << false << failed + " — bad gateway";
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
        const UpgradeStartReply reply = UpgradeStartReply::evaluate(status, body, false);
        QTEST(reply.ok, "ok");
        QTEST(reply.message, "message");
    }
};
SKYRIG_REGISTER_TEST(FirmwareUpgradeTest)

#include "tst_upgrade.moc"
