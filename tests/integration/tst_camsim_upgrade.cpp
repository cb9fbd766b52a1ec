// Firmware upgrade: the simulator's reboot driven with a fake clock, and the
// headless front end upgrading the simulated Heron over HTTP.
#ifdef SKYRIG_HAS_CAMSIM_CORE

#include "CamsimHarness.h"
#include "MediaHarness.h"
#include "camsim/SimCamera.h"
#include "common/TestMain.h"

#include <QTcpServer>
#include <QTemporaryDir>

using camsim_test::words;

class CamsimUpgradeTest : public QObject
{
    Q_OBJECT

private slots:
    void rebootSilencesTheCameraThenReportsTheNewVersion()
    {
        SimOptions options;
        options.modelId = QStringLiteral("Heron");
        options.rebootMs = 1000;
        SimCamera camera(options);
        QVERIFY(!camera.advance(0).isEmpty());
        QCOMPARE(camera.handleCommand(0x0317, {}, 5).first().payload,
                 camsim_test::bytes({0, 0, 2, 6, 31}));

        camera.beginReboot(camsim_test::bytes({3, 1, 4}));
        for (qint64 t = 10; t < 1000; t += 10) {
            QVERIFY2(camera.advance(t).isEmpty(), qPrintable(QString::number(t)));
            QVERIFY(camera.handleCommand(0x0317, {}, t).isEmpty());
        }
        const QVector<SimFrame> back = camera.advance(1000);
        QVERIFY(!back.isEmpty());
        QCOMPARE(back.first().messageId, 0x010317u); // announced first, as an acknowledgement
        QCOMPARE(back.first().payload, camsim_test::bytes({0, 0, 3, 1, 4}));
        QCOMPARE(camera.handleCommand(0x0317, {}, 1020).first().payload,
                 camsim_test::bytes({0, 0, 3, 1, 4}));
    }

    void frontEndUpgradesTheSimulatedHeron()
    {
        if (!QFileInfo(camsim_test::ctlPath()).isExecutable())
            QSKIP("skyrigctl is not built");
        // The program always talks to the camera's port 8088.
        {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost, 8088))
                QSKIP("port 8088 is taken on this machine (the test suite runs in a namespace "
                      "of its own)");
        }
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString package = dir.filePath(QStringLiteral("L4T-V3.1.4-Upgrade.tar"));
        QVERIFY(media_test::writeFile(package, QByteArray(300000, 'p')));
        // Away longer than the program's silence allowance (2 s), so it tells
        // the restart before the camera comes back.
        CAMSIM_START(sim, "--model Heron --http-port 8088 --reboot-ms 2600");
        QVERIFY2(sim.readyLine.contains(QLatin1String(" http=127.0.0.1:8088")),
                 qPrintable(sim.readyLine));

        const camsim_test::Run run = camsim_test::runCtl(
            QStringList{"--udp", sim.address(), "--model", "Heron"} +
                words("ready call cameraVersionGet until cameraVersion=2.6.31 3000") +
                QStringList{"call", "firmwareUpgrade.setFirmwareFile", package, "Heron"} +
                words("call firmwareUpgrade.startUpgrade 127.0.0.1 Heron "
                      "until firmwareUpgrade.busy=false 20000 "
                      "state firmwareUpgrade.progress") +
                QStringList{"until",
                            "firmwareUpgrade.statusMessage=The camera is back, version 3.1.4",
                            "20000"},
            40000);
        QVERIFY2(run.exitCode == 0, qPrintable(run.all()));
        const QString out = run.out.join(QLatin1Char('\n'));
        const QStringList expected{
            QStringLiteral("event: firmwareUpgrade: Selected: L4T-V3.1.4-Upgrade.tar"),
            QStringLiteral("event: firmwareUpgrade: Computing the package's MD5…"),
            QStringLiteral("event: firmwareUpgrade: Uploading upgrade package…"),
            QStringLiteral("event: firmwareUpgrade: Upload done, starting upgrade…"),
            QStringLiteral("event: firmwareUpgrade: finished (ok) Upgrade started"),
            QStringLiteral("{\"firmwareUpgrade.progress\":100}"),
            QStringLiteral("event: firmwareUpgrade: Upgrade started; the camera is restarting…"),
            QStringLiteral("event: firmwareUpgrade: The camera is back, version 3.1.4")};
        int from = 0;
        for (const QString &line : expected) {
            from = out.indexOf(line, from);
            QVERIFY2(from >= 0, qPrintable(line + QStringLiteral("\n---\n") + out));
        }
    }
};
SKYRIG_REGISTER_TEST(CamsimUpgradeTest)

#include "tst_camsim_upgrade.moc"

#endif
