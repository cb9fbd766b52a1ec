// End to end through a poor line: the headless front end drives the simulator
// through loss, corruption and noise, and the link must keep going.

#include "CamsimHarness.h"
#include "common/TestMain.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace camsim_test;

class CamsimSoakTest : public QObject
{
    Q_OBJECT

private slots:
    // Commands leave, each ends in an answer or a no-answer line, the state
    // keeps moving, and only log, state and no-answer lines are printed.
    void frontEndSurvivesAPoorLine()
    {
        if (!QFileInfo(ctlPath()).isExecutable())
            QSKIP("skyrigctl is not built");
        // Half a minute is enough for both ends' frame numbers to wrap and for
        // every fault to hit many times; SKYRIG_SOAK_SECONDS runs it longer.
        bool ok = false;
        int seconds = qEnvironmentVariableIntValue("SKYRIG_SOAK_SECONDS", &ok);
        if (!ok || seconds <= 0)
            seconds = 30;
        CAMSIM_START(sim, "--loss 0.05 --corrupt 0.01 --garbage 0.05 --seed 3");

        // One round takes about 0.8 s: move right or left, stop, five queries,
        // sometimes a photo, then a look at the state.
        QStringList steps{QStringLiteral("ready")};
        const int rounds = qMax(1, seconds * 10 / 8);
        int commands = 0;
        const auto call = [&](const QStringList &operation) {
            steps << QStringLiteral("call") << operation;
            ++commands;
        };
        for (int i = 0; i < rounds; ++i) {
            for (int k = 0; k < 3; ++k) {
                call(words(i % 2 ? "gimbalControl 0 0 2" : "gimbalControl 0 1 2"));
                steps << words("wait 100");
            }
            call(words("gimbalControl 0 2 2"));
            for (const QString &op :
                 words("gimbalVersionGet cameraVersionGet coreTempGet irAllParamsGet "
                       "visAllParamsGet"))
                call({op});
            if (i % 5 == 0)
                call(words("takePhoto 0 0"));
            steps << words("wait 450 state yawJoint connected sdFreeMB coreTemp");
        }
        // Past the time-out of the last commands, so each has its answer or its line.
        steps << words("wait 2500");

        const Run run = runCtl(QStringList{"--udp", sim.address(), "--lang", "en"} + steps,
                               (seconds + 90) * 1000);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(sim.process.state(), QProcess::Running); // the simulator did not crash

        int sent = 0, replies = 0, failures = 0, stateLines = 0, moves = 0, connected = 0;
        int unanswered = 0, unansweredEvents = 0;
        double lastYaw = qQNaN();
        QVERIFY(run.out.contains(QStringLiteral("log: [Comm/Link] Opened")));
        for (const QString &line : run.out) {
            if (line.startsWith(QLatin1String("event: controller: no answer: "))) {
                ++unansweredEvents;
                continue;
            }
            // Log and state lines only: protocol detail stays in the session file.
            const bool log = line.startsWith(QLatin1String("log: "));
            QVERIFY2(log || line.startsWith(QLatin1Char('{')), qPrintable(line));
            QVERIFY(!line.startsWith(QLatin1String("log: [ACK Raw]")));
            unanswered += line.startsWith(QLatin1String("log: [Link/NoAnswer] "));
            if (log && line.contains(QLatin1String("TX] Sent"))) {
                // Ready means the time sync went out before any command.
                QVERIFY2(sent > 0 || line.contains(QLatin1String("Sent Time sync")),
                         qPrintable(line));
                ++sent;
            } else if (line.startsWith(QLatin1String("log: Received reply"))) {
                ++replies;
            } else if (log && line.contains(QLatin1String("command failed"))) {
                ++failures;
            } else if (!log) {
                const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
                ++stateLines;
                connected += o.value(QStringLiteral("connected")).toBool();
                const double yaw = o.value(QStringLiteral("yawJoint")).toDouble();
                moves += !qIsNaN(lastYaw) && yaw != lastYaw;
                lastYaw = yaw;
            }
        }
        // Speed commands are logged only in the detailed log, so count them apart.
        const int speedCommands = rounds * 4;
        qInfo("soak %d s: %d commands issued, %d logged as sent (+%d speed), %d replies, "
              "%d unanswered, %d failures, %d state lines, %d with the gimbal moved, %d connected",
              seconds, commands, sent, speedCommands, replies, unanswered, failures, stateLines,
              moves, connected);
        QCOMPARE(sent + speedCommands, commands + 1); // + the handshake's time sync
        QCOMPARE(stateLines, rounds);
        // About 90 % of the questions and 90 % of the answers get through.
        QVERIFY2(replies > commands * 0.75, qPrintable(QString::number(replies)));
        QVERIFY2(replies <= commands + 1, "more replies than commands");
        // Every command (and the handshake's time sync) ends in an answer or
        // a line saying none came.
        QVERIFY2(replies + unanswered >= commands + 1,
                 qPrintable(QStringLiteral("%1 + %2").arg(replies).arg(unanswered)));
        QCOMPARE(unansweredEvents, unanswered);
        QCOMPARE(failures, 0);
        QVERIFY(moves > rounds * 0.7);
        QVERIFY(connected > rounds * 0.9);
    }
};
SKYRIG_REGISTER_TEST(CamsimSoakTest)

#include "tst_camsim_soak.moc"
