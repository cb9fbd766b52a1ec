// A local recording as the operator makes it, through the player against
// the simulator's stream; every way it ends reaches the operator.

#include "RecordingFiles.h"
#include "VideoStreamServers.h"
#include "VideoTestSupport.h"
#include "catalog/AppSettingsBridge.h"
#include "common/TestMain.h"
#include "link/Language.h"
#include "log/ProgramFolder.h"
#include "video/QmlVideoPlayer.h"
#include "video/RecordingSession.h"
#include "video/TelemetrySample.h"
#include "video/TelemetryWriter.h"
#include "video/VideoFrameItem.h"
#include "video/VideoRecorder.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace recording_test;
using namespace video_test;

namespace
{

constexpr qint64 MB = 1024 * 1024;

struct Rig {
    Rig()
    {
        player.setTarget(&item);
        player.setOutputFolder(output.path());
        QmlVideoPlayer::Timing timing;
        timing.backoff = {200};
        player.setTiming(timing);
        item.setSize(QSizeF(320, 240));
    }
    RecordingSession &rec() { return *player.recordingSession(); }
    bool play(const RtspServer &server)
    {
        player.start(urlOf(server));
        return QTest::qWaitFor([this] { return player.status() == "Playing"; }, 15000);
    }
    QStringList files() const { return QDir(output.path()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir output;
    VideoFrameItem item;
    QmlVideoPlayer player;
    QSignalSpy errors{&player, &QmlVideoPlayer::errorOccurred};
};

// Beside `video`, which plays: a cue per half second and a table row per
// tenth over the time the part was recorded.
void checkTelemetry(const QString &video)
{
    QVERIFY2(play(video).pictures > 10, qPrintable(video));
    bool numbered = false;
    const QList<Cue> cues = readSrt(TelemetryWriter::srtPathFor(video), &numbered);
    const QList<QStringList> rows = readCsv(TelemetryWriter::csvPathFor(video)).mid(1);
    QVERIFY(numbered && !rows.isEmpty());
    const qint64 span = qint64(rows.last().value(0).toDouble() * 1000);
    QVERIFY2(qAbs(cues.size() - (span / 500 + 1)) <= 1,
             qPrintable(QStringLiteral("%1 cues over %2 ms").arg(cues.size()).arg(span)));
    QCOMPARE(cues.first().startMs, 0);
    QCOMPARE(cues.last().startMs, (cues.size() - 1) * 500);
    // A row every tenth, however late the timer that samples them.
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(qRound64(rows.at(i).value(0).toDouble() * 1000), qint64(i) * 100);
}

} // namespace

class VideoRecordingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Language::store(false); }

    // One sample in its three forms: device values only while the camera
    // reports, range only with a laser, infrared only while it is shown.
    void telemetryForms_data()
    {
        QTest::addColumn<bool>("reporting"); // and laser and infrared shown
        QTest::addColumn<QString>("cue");
        QTest::addColumn<QString>("chineseCue");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("fields");
        QTest::newRow("no reports")
            << false << "12:00:05  Yaw --  Pitch --  Roll --\nZoom --"
            << "12:00:05  航向 --  俯仰 --  横滚 --\n变焦 --"
            << "1.500,2025-03-14T12:00:05.250+08:00,,,,,,,,,,,"
            << "Time=2025-03-14T12:00:05.250+08:00|Model=Ibis|Yaw=--|Pitch=--|Roll=--|Zoom=--|"
               "Stream=rtsp://127.0.0.1/s";
        QTest::newRow("reporting, laser, infrared")
            << true
            << "12:00:05  Yaw 12.3°  Pitch -45.6°  Roll 0.0°\n"
               "Zoom 2.5×  Range 123.4 m  IR max 45.1 °C  min 20.0 °C  centre 30.3 °C"
            << "12:00:05  航向 12.3°  俯仰 -45.6°  横滚 0.0°\n"
               "变焦 2.5×  距离 123.4 m  红外 最高 45.1 °C  最低 20.0 °C  中心 30.3 °C"
            << "1.500,2025-03-14T12:00:05.250+08:00,12.35,-45.60,0.04,2.5,123.4,45.1,20.0,30.3,"
               "31.0,29.5,7"
            << "Time=2025-03-14T12:00:05.250+08:00|Model=Ibis|Yaw=12.35 deg|Pitch=-45.60 deg|"
               "Roll=0.04 deg|Zoom=2.5x|Range=123.4 m|Stream=rtsp://127.0.0.1/s";
    }

    void telemetryForms()
    {
        QFETCH(bool, reporting);
        QFETCH(QString, row);
        TelemetrySample s;
        s.time = QDateTime(QDate(2025, 3, 14), QTime(12, 0, 5, 250), Qt::OffsetFromUTC, 8 * 3600);
        s.model = QStringLiteral("Ibis");
        s.stream = QStringLiteral("rtsp://127.0.0.1/s");
        s.reporting = reporting;
        s.hasLaser = s.irShown = reporting;
        if (reporting) {
            s.yaw = 12.345;
            s.pitch = -45.6;
            s.roll = 0.04;
            s.zoom = 2.5;
            s.range = 123.44;
            s.irMax = 45.06;
            s.irMin = 20;
            s.irCentre = 30.26;
            s.irPoint = 31;
            s.irAverage = 29.5;
            for (int i = 0; i < TelemetrySample::statusColumns().size(); ++i)
                s.status << QStringLiteral("7");
        }
        QTEST(s.cueText(false), "cue");
        QTEST(s.cueText(true), "chineseCue");
        const QString csv = s.csvRow(1500);
        QVERIFY2(csv.startsWith(row), qPrintable(csv));
        QCOMPARE(csv.count(QLatin1Char(',')), TelemetrySample::csvHeader().count(QLatin1Char(',')));
        QStringList pairs;
        for (const auto &field : s.imageFields())
            pairs << field.first + QLatin1Char('=') + field.second;
        QTEST(pairs.join(QLatin1Char('|')), "fields");
    }

    // A timer late by a second leaves no gap: the next sample fills every
    // row and cue step it missed, each at its own time.
    void lateSampleFillsEveryStep()
    {
        QTemporaryDir dir;
        const QString video = dir.filePath(QStringLiteral("late.mp4"));
        TelemetryWriter writer;
        QVERIFY(writer.open(video, false, 100));
        writer.add(TelemetrySample(), 0);
        writer.add(TelemetrySample(), 1600);
        writer.close();
        bool numbered = false;
        const QList<Cue> cues = readSrt(TelemetryWriter::srtPathFor(video), &numbered);
        QVERIFY(numbered && cues.size() == 4);
        QCOMPARE(cues.last().startMs, qint64(1500));
        const QList<QStringList> rows = readCsv(TelemetryWriter::csvPathFor(video)).mid(1);
        QCOMPARE(rows.size(), 17);
        QCOMPARE(rows.last().value(0), QStringLiteral("1.600"));
    }

    // The stream drops while recording and comes back: the recording goes
    // on into NAME_part2.mp4 by itself, each part with its own telemetry.
    void continuesAcrossStreamDrop()
    {
        QString error;
        auto server = simulatorStream(400, &error);
        if (!server)
            QSKIP(qPrintable(error));
        const quint16 port = server->boundPort();
        Rig rig;
        QVERIFY(rig.play(*server));
        rig.player.toggleRecording(QString());
        const QString first = rig.player.lastOutput();
        QTRY_VERIFY_WITH_TIMEOUT(rig.rec().elapsedMs() > 1500, 15000);

        server.reset(); // the camera goes away
        QTRY_VERIFY_WITH_TIMEOUT(
            rig.rec().statusText().startsWith(QStringLiteral("Stream interrupted at ")), 15000);
        QVERIFY(rig.rec().statusText().endsWith(
            QStringLiteral("; recording resumes when pictures return")));
        QVERIFY(rig.player.recording());
        const qint64 beforeGap = rig.player.recordingElapsedMs();

        server = simulatorStream(400, &error, port);
        QVERIFY2(server, qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec().part(), 2, 20000);
        QVERIFY2(rig.rec().statusText().endsWith(QStringLiteral("; recording continues in file 2")),
                 qPrintable(rig.rec().statusText()));
        const qint64 resumed = rig.player.recordingElapsedMs();
        QVERIFY(resumed > beforeGap);
        QTRY_VERIFY_WITH_TIMEOUT(rig.player.recordingElapsedMs() > resumed + 1500, 20000);
        QVERIFY(!rig.rec().sizeText().isEmpty() && rig.rec().sizeBytes() > 0);

        Language::store(true);
        QVERIFY(rig.rec().statusText().contains(QStringLiteral("录像继续写入第 2 段")));
        QCOMPARE(rig.player.status(), QStringLiteral("正在播放"));
        Language::store(false);
        QCOMPARE(rig.player.status(), QStringLiteral("Playing"));

        rig.player.toggleRecording(QString());
        QVERIFY(!rig.player.recording() && !rig.player.recordingReady());
        QCOMPARE(rig.player.recordingElapsedMs(), 0);
        QCOMPARE(rig.rec().statusText(),
                 QStringLiteral("Recording saved: %1 (2 parts)").arg(first));
        QCOMPARE(rig.player.lastOutput(), first);
        const QString base = QFileInfo(first).completeBaseName();
        QCOMPARE(rig.files(),
                 (QStringList{base + ".csv", base + ".mp4", base + ".srt", base + "_part2.csv",
                              base + "_part2.mp4", base + "_part2.srt"}));
        for (const QString &video : {first, rig.output.filePath(base + "_part2.mp4")})
            checkTelemetry(video);
        // Only the decoder's "interrupted" and the failed reconnects.
        for (const QList<QVariant> &e : qAsConst(rig.errors))
            QVERIFY2(!e.first().toString().contains(QLatin1String("record")),
                     qPrintable(e.first().toString()));
        rig.player.stop();
    }

    // Too little room refuses the start; below 1 GB a warning shows, below
    // 200 MB the recording stops with its file finished and says why. (With
    // telemetry switched off in the settings, the video is all it writes.)
    void diskGuardWarnsThenStops()
    {
        QString error;
        const auto server = simulatorStream(400, &error);
        if (!server)
            QSKIP(qPrintable(error));
        Rig rig;
        qint64 free = 150 * MB;
        rig.rec().setFreeSpaceSource([&free](const QString &) { return free; });
        RecordingSession::Timing timing;
        timing.diskCheckMs = 50;
        rig.rec().setTiming(timing);
        QVERIFY(rig.play(*server));
        rig.player.startRecording(QString());
        QVERIFY(!rig.player.recording());
        QCOMPARE(rig.errors.takeLast().first().toString(),
                 QStringLiteral("Cannot start recording: only 150.0 MB left on the disk"));
        QVERIFY(rig.files().isEmpty());

        // Telemetry switched off in the settings: the video alone.
        AppSettingsBridge().setRecordTelemetry(false);
        free = 5 * 1024 * MB;
        rig.player.startRecording(QString());
        QTRY_VERIFY_WITH_TIMEOUT(rig.player.recordingReady(), 20000);
        QCOMPARE(rig.rec().diskText(), QString());
        free = 800 * MB;
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec().diskText(),
                                  QStringLiteral("Low disk space: 800.0 MB left"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(rig.rec().elapsedMs() > 1200, 20000);
        free = 150 * MB;
        QTRY_VERIFY_WITH_TIMEOUT(!rig.player.recording(), 20000);
        const QString path = rig.player.lastOutput();
        QCOMPARE(rig.rec().statusText(),
                 QStringLiteral("Recording stopped: only 150.0 MB left on the disk. "
                                "Recording saved: %1")
                     .arg(path));
        QCOMPARE(rig.rec().diskText(), QString());
        QVERIFY(play(path).pictures > 10);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.readAll().right(16).contains("mfro"), "not finished");
        QCOMPARE(rig.files(), QStringList{QFileInfo(path).fileName()});
        AppSettingsBridge().setRecordTelemetry(true);
        QCOMPARE(rig.errors.count(), 0);
    }

    // Stopped before the first keyframe: no file, nothing to show but that
    // nothing was recorded; the last output stays what it was.
    void nothingRecorded()
    {
        SilentServer silent;
        Rig rig;
        rig.player.start(silent.url());
        rig.player.startRecording(QString());
        QVERIFY(rig.player.recording());
        QVERIFY(!rig.player.lastOutput().isEmpty());
        // Its writer falls behind (it waits for a stream that never comes):
        // what it had to drop is counted and shown, in either language.
        VideoRecorder *writer = rig.rec().findChild<VideoRecorder *>();
        QVERIFY(writer);
        for (int i = 0; i <= VideoRecorder::MaxQueuedPackets + 2; ++i)
            writer->enqueuePacket(RecordedPacket{QByteArray(8, 'x'), 0, 0, 0, i ? 0 : 1});
        QTRY_COMPARE_WITH_TIMEOUT(rig.rec().droppedText(),
                                  QStringLiteral("3 pictures dropped: the disk was too slow"),
                                  20000);
        Language::store(true);
        QCOMPARE(rig.rec().droppedText(), QStringLiteral("磁盘写入过慢，已丢弃 3 帧"));
        Language::store(false);
        QSignalSpy ended(&rig.rec(), &RecordingSession::ended);
        rig.player.stopRecording();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().toBool(), false);
        QCOMPARE(rig.rec().statusText(),
                 QStringLiteral("Nothing was recorded: no key frame came from the stream"));
        QCOMPARE(rig.player.lastOutput(), QString());
        QVERIFY(rig.files().isEmpty());
        QCOMPARE(rig.errors.count(), 0);
    }

    // The disk fills while a stop writes the last fragment: the failure
    // reaches the operator, and the recording is not called saved.
    void failureWhileStoppingIsReported()
    {
        QString error;
        const auto server = simulatorStream(400, &error);
        if (!server)
            QSKIP(qPrintable(error));
        Rig rig;
        QVERIFY(rig.play(*server));
        rig.player.startRecording(QString());
        QTRY_VERIFY_WITH_TIMEOUT(rig.rec().elapsedMs() > 500, 20000);
        const QString path = rig.player.lastOutput();
        limitFileSize(rlim_t(QFileInfo(path).size() + 64));
        rig.player.stopRecording();
        limitFileSize(0);
        QCOMPARE(rig.errors.count(), 1);
        QCOMPARE(rig.errors.first().first().toString(),
                 QStringLiteral("Failed to write recorded video"));
        QCOMPARE(rig.player.lastError(), QStringLiteral("Failed to write recorded video"));
        QVERIFY(!rig.rec().statusText().contains(QLatin1String("saved")));
        rig.player.stop();
    }

    // No folder can be written: a screenshot and a recording are refused
    // with their usual texts, and nothing lands in the working directory.
    void refusedWithoutWritableFolder_data()
    {
        QTest::addColumn<bool>("chosen"); // a chosen folder, or the usual places
        QTest::newRow("chosen folder") << true;
        QTest::newRow("usual places") << false;
    }

    void refusedWithoutWritableFolder()
    {
        QFETCH(bool, chosen);
        QTemporaryDir work;
        const QString before = QDir::currentPath();
        const QByteArray home = qgetenv("HOME");
        QDir::setCurrent(work.path());
        // Nobody, root included, can create files under /proc/self.
        const QString refused = QStringLiteral("/proc/self");
        ProgramFolder::setPathForTests(refused);
        qputenv("HOME", refused.toLocal8Bit());
        SilentServer silent;
        {
            Rig rig;
            rig.player.setOutputFolder(chosen ? refused : QString());
            rig.item.setFrame(quadrantFrame());
            QCOMPARE(rig.player.captureFrame(), QString());
            rig.player.start(silent.url());
            rig.player.startRecording(QString());
            QVERIFY(!rig.player.recording());
            QStringList said;
            for (const QList<QVariant> &e : qAsConst(rig.errors))
                said << e.first().toString();
            QCOMPARE(said, (QStringList{QStringLiteral("Failed to save screenshot"),
                                        QStringLiteral("Cannot create record file: Permission "
                                                       "denied")}));
            // The error on screen follows a language switch.
            QSignalSpy shown(&rig.player, &QmlVideoPlayer::lastErrorChanged);
            Language::store(true);
            QCOMPARE(rig.player.lastError(), QStringLiteral("无法创建录像文件: Permission denied"));
            Language::store(false);
            QCOMPARE(shown.count(), 2);
        }
        qputenv("HOME", home);
        ProgramFolder::setPathForTests(QString());
        QDir::setCurrent(before);
        QVERIFY(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }
};
SKYRIG_REGISTER_TEST(VideoRecordingTest)

#include "tst_recording.moc"
