// Local recordings made through the headless front end against the simulator,
// as an operator's would be: killed outright, or across a simulator restart.

#include "CamsimHarness.h"
#include "common/TestMain.h"
#include "video/RecordingFiles.h"

#include <QDateTime>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace camsim_test;
using namespace recording_test;

namespace
{

// skyrigctl running its steps, its output read line by line as it comes,
// each line with the moment it arrived.
class CtlSession
{
public:
    explicit CtlSession(const QStringList &arguments) { m_process.start(ctlPath(), arguments); }
    ~CtlSession() { kill(); }

    // Waits for a line starting with `start`; its text and arrival time.
    bool waitFor(const QString &start, int ms, QString *line = nullptr, QDateTime *at = nullptr)
    {
        const bool seen = QTest::qWaitFor(
            [&] { return find(start) >= 0 || m_process.state() == QProcess::NotRunning; }, ms);
        const int i = find(start);
        if (!seen || i < 0)
            return false;
        if (line)
            *line = m_lines.at(i).first;
        if (at)
            *at = m_lines.at(i).second;
        return true;
    }
    void kill() // SIGKILL: no chance to finish anything
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool waitForEnd(int ms)
    {
        return QTest::qWaitFor([this] { return m_process.state() == QProcess::NotRunning; }, ms) &&
               m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    QString output()
    {
        read();
        QStringList all;
        for (const auto &l : m_lines)
            all << l.first;
        return all.join(QLatin1Char('\n')) +
               QString::fromLocal8Bit(m_process.readAllStandardError());
    }

private:
    void read()
    {
        while (m_process.canReadLine())
            m_lines.append(
                {QString::fromUtf8(m_process.readLine()).trimmed(), QDateTime::currentDateTime()});
    }
    int find(const QString &start)
    {
        read();
        for (int i = 0; i < m_lines.size(); ++i)
            if (m_lines.at(i).first.startsWith(start))
                return i;
        return -1;
    }

    QProcess m_process;
    QList<QPair<QString, QDateTime>> m_lines;
};

QJsonObject json(const QString &line)
{
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

double cueValue(const QString &text, const char *name)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QLatin1String(name) + QStringLiteral(" (-?[0-9.]+)")).match(text);
    return m.hasMatch() ? m.captured(1).toDouble() : qQNaN();
}

} // namespace

class SkyrigctlRecordingTest : public QObject
{
    Q_OBJECT

private slots:
    // About six seconds recorded with the gimbal held at one attitude, then
    // turned to another, then the program killed: the file plays to within
    // 1.5 s of the video taken in; every table row and cue taken while the
    // gimbal stood still holds what the simulator reported then (within
    // 0.1°); there is a cue per half second and a row per tenth of the
    // time recorded.
    void killedRecordingPlaysWithItsTelemetry()
    {
        if (!QFileInfo(simulatorPath()).isExecutable())
            QSKIP("the simulator is not built");
        SimProcess sim;
        QString error;
        quint16 port = 0;
        if (!sim.startWithRtsp(&port, &error))
            QSKIP(qPrintable(error));
        QTemporaryDir out;
        const QString url = rtspUrl(port);
        CtlSession ctl(
            QStringList{"--udp", sim.address(), "ready", "call", "laserPeriodicRange", "true"} +
            words("call gimbalAngleControl 1 30 1 20 until yawJoint=20 10000") +
            QStringList{"call", "videoPlayer.setOutputFolder", out.path(), "call",
                        "videoPlayer.start", url} +
            words("until videoPlayer.status=Playing 20000 call videoPlayer.startRecording") +
            QStringList{QString()} +
            words("until videoPlayer.recordingReady=true 15000 wait 2500 "
                  "state yawJoint pitchJoint rollJoint laserDistance videoPlayer.lastOutput "
                  "call gimbalAngleControl 1 15 1 50 until yawJoint=50 10000 wait 2500 "
                  "call videoPlayer.captureFrame "
                  "state yawJoint pitchJoint rollJoint laserDistance videoPlayer.lastOutput "
                  "videoRecording.elapsedMs videoRecording.recordedMs wait 60000"));
        QString first, second;
        QDateTime firstAt, secondAt;
        QVERIFY2(ctl.waitFor(QStringLiteral("{\"yawJoint\""), 60000, &first, &firstAt),
                 qPrintable(ctl.output()));
        QVERIFY2(ctl.waitFor(QStringLiteral("{\"yawJoint\":50"), 30000, &second, &secondAt),
                 qPrintable(ctl.output()));
        ctl.kill();
        const QDateTime killedAt = QDateTime::currentDateTime();
        const QJsonObject before = json(first);
        const QJsonObject after = json(second);
        // Elapsed on the clock, and the video the writer had taken in
        // (less when a loaded machine decodes the stream behind time).
        const qint64 elapsed = after.value("videoRecording.elapsedMs").toVariant().toLongLong();
        const qint64 recorded = after.value("videoRecording.recordedMs").toVariant().toLongLong();
        const QString video = before.value("videoPlayer.lastOutput").toString();
        const QString picture = after.value("videoPlayer.lastOutput").toString();
        QVERIFY2(elapsed > 5000 && recorded > 0, qPrintable(second));

        const Playback shown = play(video);
        qInfo("killed after %lld ms, %lld ms of video taken in; %d pictures, %lld ms play", elapsed,
              recorded, shown.pictures, shown.lengthMs);
        QVERIFY2(qAbs(shown.lengthMs - recorded) <= 1500, qPrintable(video));
        // A loaded machine's simulator drops pictures; none may be broken.
        QVERIFY(shown.pictures >= shown.lengthMs * 10 / 1000);

        // The two still stretches: until the first state line, and the
        // last two seconds before the second one.
        const auto stillAt = [&](const QDateTime &t) -> const QJsonObject * {
            if (t < firstAt.addMSecs(-300))
                return &before;
            if (t > secondAt.addMSecs(-2000) && t < secondAt.addMSecs(-300))
                return &after;
            return nullptr;
        };
        const QList<QStringList> rows = readCsv(QString(video).replace(".mp4", ".csv"));
        QVERIFY(rows.size() > 1);
        const QStringList header = rows.first();
        const auto near = [](double value, const QJsonObject *still, const char *name) {
            return qAbs(value - still->value(QLatin1String(name)).toDouble()) <= 0.1;
        };
        const QVector<QPair<QString, const char *>> columns{{"yaw_deg", "yawJoint"},
                                                            {"pitch_deg", "pitchJoint"},
                                                            {"roll_deg", "rollJoint"},
                                                            {"laser_range_m", "laserDistance"}};
        int compared = 0;
        QList<QPair<qint64, const QJsonObject *>> stillByVideoTime;
        for (const QStringList &row : rows.mid(1)) {
            const QJsonObject *still = stillAt(
                QDateTime::fromString(row.value(header.indexOf("time_of_day")), Qt::ISODateWithMs));
            stillByVideoTime.append({qint64(row.value(0).toDouble() * 1000), still});
            if (!still)
                continue;
            for (const auto &c : columns)
                QVERIFY2(near(row.value(header.indexOf(c.first)).toDouble(), still, c.second),
                         qPrintable(row.join(',') + QStringLiteral(" vs ") +
                                    QJsonDocument(*still).toJson(QJsonDocument::Compact)));
            ++compared;
        }
        QVERIFY2(compared > 20, qPrintable(QString::number(compared)));
        const int rowCount = rows.size() - 1;
        // Rows are stepped by the video's time line: at least the time read out
        // (less the moment of the read-out), at most the time until the kill,
        // which a loaded machine may make come well after the read-out.
        const qint64 untilKill =
            QDateTime::fromString(rows.at(1).value(header.indexOf("time_of_day")),
                                  Qt::ISODateWithMs)
                .msecsTo(killedAt);
        QVERIFY2(rowCount >= elapsed / 100 - 10 && rowCount <= untilKill / 100 + 4,
                 qPrintable(QStringLiteral("%1 rows for %2 ms read out, %3 ms until the kill")
                                .arg(rowCount)
                                .arg(elapsed)
                                .arg(untilKill)));

        bool numbered = false;
        const QList<Cue> cues = readSrt(QString(video).replace(".mp4", ".srt"), &numbered);
        QVERIFY(numbered);
        QVERIFY2(qAbs(cues.size() - (elapsed / 500 + 1)) <= 1,
                 qPrintable(QStringLiteral("%1 cues for %2 ms").arg(cues.size()).arg(elapsed)));
        int cuesCompared = 0;
        for (const Cue &cue : cues) {
            const QJsonObject *still = nullptr; // as of the row taken when the cue began
            for (const auto &r : stillByVideoTime)
                if (r.first >= cue.startMs && r.first < cue.startMs + 100)
                    still = r.second;
            if (!still)
                continue;
            using Field = QPair<const char *, const char *>;
            for (const Field &f : {Field{"Yaw", "yawJoint"}, Field{"Pitch", "pitchJoint"},
                                   Field{"Range", "laserDistance"}})
                QVERIFY2(near(cueValue(cue.text, f.first), still, f.second), qPrintable(cue.text));
            ++cuesCompared;
        }
        QVERIFY2(cuesCompared > 4, qPrintable(QString::number(cuesCompared)));

        // The screenshot taken just before the kill says the same.
        const QImage image(picture);
        QVERIFY2(!image.isNull(), qPrintable(picture));
        QCOMPARE(image.text("Yaw"), QStringLiteral("50.00 deg"));
        QCOMPARE(image.text("Model"), QStringLiteral("Otter"));
        QCOMPARE(image.text("Stream"), url);
        QVERIFY(image.text("Range").endsWith(QLatin1String(" m")));
        QVERIFY(QDateTime::fromString(image.text("Time"), Qt::ISODateWithMs).isValid());
    }

    // The simulator goes away while recording and comes back on the same
    // address: the recording continues into NAME_part2.mp4 by itself and
    // says when the stream was interrupted; both parts play.
    void simulatorRestartContinuesInSecondPart()
    {
        if (!QFileInfo(simulatorPath()).isExecutable())
            QSKIP("the simulator is not built");
        auto sim = std::make_unique<SimProcess>();
        QString error;
        quint16 port = 0;
        if (!sim->startWithRtsp(&port, &error))
            QSKIP(qPrintable(error));
        QTemporaryDir out;
        CtlSession ctl(QStringList{"call", "videoPlayer.setOutputFolder", out.path(), "call",
                                   "videoPlayer.start", rtspUrl(port)} +
                       words("until videoPlayer.status=Playing 20000 "
                             "call videoPlayer.startRecording") +
                       QStringList{QString()} +
                       words("until videoPlayer.recordingReady=true 15000 wait 2000 "
                             "state videoRecording.part until videoRecording.part=2 40000 "
                             "wait 2000 call videoPlayer.stopRecording "
                             "state videoRecording.statusText videoPlayer.lastOutput"));
        QVERIFY2(ctl.waitFor(QStringLiteral("{\"videoRecording.part\":1}"), 60000),
                 qPrintable(ctl.output()));
        sim = std::make_unique<SimProcess>(); // the old one stops, a new one on the same port
        QVERIFY2(sim->start({QStringLiteral("--rtsp-port"), QString::number(port)}, &error),
                 qPrintable(error));
        QVERIFY2(ctl.waitForEnd(60000), qPrintable(ctl.output()));
        const QString all = ctl.output();
        QVERIFY2(all.contains(QRegularExpression(
                     QStringLiteral("event: videoRecording: Stream interrupted at "
                                    "\\d\\d:\\d\\d:\\d\\d; recording resumes when pictures "
                                    "return"))),
                 qPrintable(all));
        QString last;
        QVERIFY(ctl.waitFor(QStringLiteral("{\"videoRecording.statusText\""), 1000, &last));
        const QString first = json(last).value("videoPlayer.lastOutput").toString();
        QCOMPARE(json(last).value("videoRecording.statusText").toString(),
                 QStringLiteral("Recording saved: %1 (2 parts)").arg(first));
        for (const QString &video : {first, QString(first).replace(".mp4", "_part2.mp4")}) {
            // Each part plays; how much of the two seconds' wait became video
            // depends on how busy the machine is.
            QVERIFY2(play(video).pictures >= 10, qPrintable(video));
            for (const char *telemetry : {".srt", ".csv"})
                QVERIFY(QFileInfo(QString(video).replace(".mp4", telemetry)).size() > 0);
        }
    }
};
SKYRIG_REGISTER_TEST(SkyrigctlRecordingTest)

#include "tst_skyrigctl_recording.moc"
