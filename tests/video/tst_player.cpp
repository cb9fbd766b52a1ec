// The player's state machine with timers the test fires itself, against real
// decoders and loopback peers; the URL history with its transports.

#include "VideoStreamServers.h"
#include "VideoTestSupport.h"
#include "common/TestMain.h"
#include "video/QmlVideoPlayer.h"
#include "video/TimeStampBlocks.h"
#include "video/VideoDecoder.h"
#include "video/VideoFrameItem.h"
#include "video/VideoPlayerTimer.h"
#include "video/VideoUrlHistory.h"

#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

using namespace video_test;

namespace
{

// Armed by the player, fired by the test; remembers every interval it was
// armed with.
class ManualTimer : public VideoPlayerTimer
{
public:
    void start(int ms) override
    {
        starts.append(ms);
        m_active = true;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    int interval() const { return starts.value(starts.size() - 1); }
    void fire()
    {
        m_active = false;
        emit timeout();
    }
    QList<int> starts;

private:
    bool m_active = false;
};

struct Rig {
    Rig()
    {
        player.setTimers(reconnect, watchdog);
        player.setTarget(&item);
        player.setOutputFolder(output.path());
        item.setSize(QSizeF(320, 240));
    }
    // Waits until the current decoder has ended and the player has reacted.
    bool waitForRestartArmed()
    {
        return QTest::qWaitFor([this] { return reconnect->isActive(); }, 20000);
    }

    QTemporaryDir output;
    VideoFrameItem item;
    QmlVideoPlayer player;
    ManualTimer *reconnect = new ManualTimer; // the player takes them
    ManualTimer *watchdog = new ManualTimer;
    QSignalSpy errors{&player, &QmlVideoPlayer::errorOccurred};
};

} // namespace

class VideoPlayerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { skyrig_test::setChinese(false); }

    // Five failures wait 1, 2, 3, 5, 8 s, the sixth 8 s again; each error
    // shows "Disconnected" first, the restart "Reconnecting".
    void backoffSequence()
    {
        Rig rig;
        rig.player.start(closedPortUrl());
        QCOMPARE(rig.player.status(), QStringLiteral("Connecting"));
        QCOMPARE(rig.watchdog->starts, QList<int>{12000});
        QList<int> waits;
        for (int i = 0; i < 6; ++i) {
            QSignalSpy status(&rig.player, &QmlVideoPlayer::statusChanged);
            QVERIFY(rig.waitForRestartArmed());
            waits.append(rig.reconnect->interval());
            QVERIFY(status.count() >= 2);
            QCOMPARE(status.at(status.count() - 2).first().toString(),
                     QStringLiteral("Disconnected"));
            QCOMPARE(rig.player.status(), QStringLiteral("Reconnecting"));
            QVERIFY(rig.player.reconnecting());
            QVERIFY(!rig.watchdog->isActive());
            rig.reconnect->fire();
            QVERIFY(rig.player.hasDecoder());
        }
        QCOMPARE(waits, (QList<int>{1000, 2000, 3000, 5000, 8000, 8000}));
        QCOMPARE(rig.errors.count(), 6);
        rig.player.stop();
        QCOMPARE(rig.player.status(), QStringLiteral("Stopped"));
        QVERIFY(!rig.player.playing());
    }

    // A file plays (pictures reset the back-off, the watchdog moves to 8 s),
    // then ends; every restart after pictures waits 1 s again.
    void picturesResetBackoff()
    {
        const QString clip = fixture(QStringLiteral("clip.mp4"));
        if (clip.isEmpty())
            QSKIP("cannot make the test clip");
        Rig rig;
        QSignalSpy info(&rig.player, &QmlVideoPlayer::streamInfoChanged);
        rig.player.start(clip);
        for (int round = 0; round < 2; ++round) {
            QVERIFY(rig.waitForRestartArmed());
            QCOMPARE(rig.reconnect->interval(), 1000);
            QVERIFY(rig.watchdog->starts.contains(8000));
            QCOMPARE(rig.item.videoWidth(), 320);
            rig.reconnect->fire();
        }
        QVERIFY(info.count() >= 2);
        QCOMPARE(rig.errors.first().first().toString(),
                 QStringLiteral("Video stream interrupted, reconnecting"));
    }

    // A decoder stuck in its open is retired to end in the background (here
    // without any wait); none of its signals reach the player.
    void watchdogRetiresStalledDecoder()
    {
        SilentServer silent;
        Rig rig;
        QmlVideoPlayer::Timing timing;
        timing.retireWaitMs = 0;
        rig.player.setTiming(timing);
        rig.player.start(silent.url());
        QTRY_COMPARE_WITH_TIMEOUT(silent.connections, 1, 15000);
        for (int expected : {1000, 2000}) {
            QPointer<VideoDecoder> stalled = rig.player.findChild<VideoDecoder *>();
            QVERIFY(stalled);
            rig.watchdog->fire();
            QVERIFY(!rig.player.hasDecoder());
            QCOMPARE(rig.reconnect->interval(), expected);
            QCOMPARE(rig.player.status(), QStringLiteral("Reconnecting"));
            QTRY_VERIFY_WITH_TIMEOUT(stalled.isNull(), 15000);
            QCoreApplication::processEvents();
            QCOMPARE(rig.errors.count(), 0);
            rig.reconnect->fire();
            QTRY_COMPARE_WITH_TIMEOUT(silent.connections, expected == 1000 ? 2 : 3, 15000);
        }
    }

    // Holding keeps the last picture frozen (newer frames are dropped
    // without a word) and opens nothing until reconnect(); stopping clears
    // the picture and the freeze. start("") only marks playback as wanted.
    void holdAndEmptyStart()
    {
        Rig rig;
        rig.player.start(QString());
        QVERIFY(rig.player.playing());
        QVERIFY(!rig.player.hasDecoder());
        QCOMPARE(rig.player.status(), QStringLiteral("Stopped"));

        SilentServer silent;
        rig.player.start(silent.url());
        rig.item.setFrame(quadrantFrame());
        rig.player.holdForStreamChange();
        QVERIFY(rig.item.frozen());
        QSignalSpy changed(&rig.item, &VideoFrameItem::frameChanged);
        rig.item.setFrame(quadrantFrame(32, 16));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(rig.item.videoWidth(), 64);
        QVERIFY(!rig.player.hasDecoder());
        QVERIFY(!rig.reconnect->isActive());
        QCOMPARE(rig.player.status(), QStringLiteral("Reconnecting"));
        rig.player.reconnect();
        QVERIFY(rig.player.hasDecoder());
        rig.player.stop();
        // Announced, so what is drawn over the picture follows videoWidth.
        QCOMPARE(changed.count(), 1);
        QVERIFY(!rig.item.frozen());
        QCOMPARE(rig.item.videoWidth(), 0);
        QCOMPARE(rig.item.videoRect(), QRectF());
        QVERIFY(rig.item.currentFrameImage().isNull());
        rig.item.clearFrame(); // nothing shown: nothing to announce
        QCOMPARE(changed.count(), 1);
        rig.item.setFrame(quadrantFrame(32, 16));
        QCOMPARE(rig.item.videoWidth(), 32);
    }

    void bitrateTexts_data()
    {
        QTest::addColumn<qint64>("bits");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << qint64(0) << "--";
        QTest::newRow("999") << qint64(999) << "999 bps";
        QTest::newRow("1000") << qint64(1000) << "1 Kbps";
        QTest::newRow("999999") << qint64(999999) << "1000 Kbps";
        QTest::newRow("1000000") << qint64(1000000) << "1.0 Mbps";
        QTest::newRow("2345678") << qint64(2345678) << "2.3 Mbps";
    }

    void bitrateTexts()
    {
        QFETCH(qint64, bits);
        QFETCH(QString, text);
        QCOMPARE(QmlVideoPlayer::formatBitrate(bits), text);
    }

    void captureFrame()
    {
        Rig rig;
        QCOMPARE(rig.player.captureFrame(), QString());
        QCOMPARE(rig.errors.takeFirst().first().toString(),
                 QStringLiteral("No video frame available to save"));
        rig.item.setFrame(quadrantFrame());
        const QString path = rig.player.captureFrame();
        QVERIFY(path.startsWith(rig.output.path()));
        QVERIFY(QRegularExpression(QStringLiteral("/Skyrig_\\d{8}_\\d{6}_\\d{3}\\.png$"))
                    .match(path)
                    .hasMatch());
        QCOMPARE(rig.player.lastOutput(), path);
        QCOMPARE(QImage(path).size(), QSize(64, 32));
        rig.player.setTarget(nullptr);
        QCOMPARE(rig.player.captureFrame(), QString());
        QCOMPARE(rig.errors.takeFirst().first().toString(),
                 QStringLiteral("No video frame to capture"));
        rig.player.startRecording(QStringLiteral("rtsp://127.0.0.1:1/x"));
        QCOMPARE(rig.errors.takeFirst().first().toString(),
                 QStringLiteral("No video source available for recording"));
    }

    // A consumer that holds every picture for 80 ms (the stream brings one
    // every 33 ms) makes the picture fall behind: the decoder skips to the
    // next key frame, and once the consumer is quick the picture is live
    // within 2 s.
    void liveStreamRestartFallBehindRecover()
    {
        QString error;
        const auto server = simulatorStream(400, &error);
        if (!server)
            QSKIP(qPrintable(error));
        const QString url = urlOf(*server);
        Rig rig;
        rig.player.start(url);
        QTRY_COMPARE_WITH_TIMEOUT(rig.player.status(), QStringLiteral("Playing"), 15000);
        QCOMPARE(rig.player.codecName(), QStringLiteral("H.264"));
        QCOMPARE(rig.player.streamWidth(), 320);
        // The simulator's capture clock in the picture: a moment before now.
        VideoFrame shown;
        bool hasFrame = false;
        rig.item.snapshot(shown, hasFrame);
        quint32 stamp = 0;
        QVERIFY(TimeStampBlocks::read(reinterpret_cast<const uint8_t *>(shown.yPlane.constData()),
                                      shown.width, shown.width, shown.height, stamp));
        QVERIFY(TimeStampBlocks::nowMs() - stamp < 5000);
        VideoDecoder *decoder = rig.player.findChild<VideoDecoder *>();
        rig.player.start(QStringLiteral("  ") + url);
        QCOMPARE(rig.player.findChild<VideoDecoder *>(), decoder);
        QVERIFY(!rig.reconnect->isActive());

        rig.player.start(url + QStringLiteral("?again"));
        QVERIFY(!rig.player.hasDecoder());
        QCOMPARE(rig.reconnect->interval(), 400);
        QCOMPARE(rig.player.status(), QStringLiteral("Reconnecting"));
        QSignalSpy summaries(&rig.player, &QmlVideoPlayer::statsSummary);
        rig.reconnect->fire();
        QTRY_COMPARE_WITH_TIMEOUT(rig.player.status(), QStringLiteral("Playing"), 15000);
        decoder = rig.player.findChild<VideoDecoder *>();
        QVERIFY(decoder);
        std::atomic<bool> slow{true};
        QObject::connect(
            decoder, &VideoDecoder::frameReady, decoder,
            [&slow](const VideoFrame &) {
                if (slow.load())
                    QThread::msleep(80);
            },
            Qt::DirectConnection);
        qint64 latencyMs = -1;
        QObject::connect(rig.player.statistics(), &PlayerStats::pictureShown,
                         [&latencyMs](const FrameTiming &t, qint64 shownUs) {
                             if (t.capturedUs > 0)
                                 latencyMs = (shownUs - t.capturedUs) / 1000;
                         });
        const auto stat = [&rig](const char *key) { return rig.player.stats().value(key); };
        QTRY_VERIFY_WITH_TIMEOUT(stat("keyFrameSkips").toInt() >= 1, 15000);
        slow.store(false);
        latencyMs = -1;
        QTRY_VERIFY_WITH_TIMEOUT(latencyMs >= 0 && latencyMs < 300, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(stat("latencyKind") == "measured", 15000);
        QVERIFY(stat("dropped").toInt() >= 1);
        QCOMPARE(stat("decoder").toString(), QStringLiteral("h264"));
        QCOMPARE(stat("transport").toString(), QStringLiteral("udp"));
        QCOMPARE(stat("transportChoice").toString(), QStringLiteral("auto"));
        QVERIFY(stat("receivedFps").toDouble() > 10);
        QVERIFY(stat("bitrateKbps").toInt() > 50);
        rig.player.stop();
        QCOMPARE(summaries.count(), 1);
        const QString line = summaries.first().first().toString();
        QVERIFY2(line.startsWith(QLatin1String("[Video/Stats] ")) &&
                     line.contains(QLatin1String("UDP; h264 x1")),
                 qPrintable(line));
        QCOMPARE(stat("latencyKind").toString(), QStringLiteral("none"));
        QVERIFY(stat("latencyMs").isNull());
    }

    void urlHistory()
    {
        QSettings().setValue(QStringLiteral("Video/urlHistory"),
                             QStringList{" a ", "", "b", "a", "c", "d", "e"});
        VideoUrlHistory history;
        QSignalSpy model(&history, &VideoUrlHistory::modelIdChanged);
        QSignalSpy changed(&history, &VideoUrlHistory::historyChanged);
        history.setModelId(QStringLiteral("  Otter "));
        QCOMPARE(history.modelId(), QStringLiteral("Otter"));
        QCOMPARE(history.history(), (QStringList{"a", "b", "c", "d"}));
        QCOMPARE(QSettings().value(QStringLiteral("Video/urls_Otter")).toStringList(),
                 history.history());
        history.setModelId(QStringLiteral("Otter"));
        QCOMPARE(model.count(), 1);
        history.saveUrl(QStringLiteral("  rtsp://x  "));
        history.saveUrl(QStringLiteral("c"));
        QCOMPARE(history.history(), (QStringList{"c", "rtsp://x", "a", "b"}));
        // Another model's list is that model's own, the shown one stays as it was.
        const int before = changed.count();
        history.saveUrlForModel(QStringLiteral("Heron"), QStringLiteral("rtsp://h"));
        QCOMPARE(changed.count(), before);
        QCOMPARE(QSettings().value(QStringLiteral("Video/urls_Heron")).toStringList(),
                 QStringList{"rtsp://h"});
        QCOMPARE(history.history(), (QStringList{"c", "rtsp://x", "a", "b"}));

        // A transport per address, kept beside the lists (which load as
        // before): unknown names are refused, and an address that leaves the
        // list takes its transport with it.
        QSignalSpy transports(&history, &VideoUrlHistory::transportsChanged);
        QVERIFY(history.setTransportFor(QStringLiteral(" c "), QStringLiteral("UDP")));
        QVERIFY(history.setTransportFor(QStringLiteral("a"), QStringLiteral("tcp")));
        QVERIFY(!history.setTransportFor(QStringLiteral("a"), QStringLiteral("quic")));
        QVERIFY(!history.setTransportFor(QString(), QStringLiteral("tcp")));
        QCOMPARE(transports.count(), 2);
        QCOMPARE(history.transportFor(QStringLiteral("c")), QStringLiteral("udp"));
        QCOMPARE(history.transportFor(QStringLiteral("a")), QStringLiteral("tcp"));
        QCOMPARE(history.transportFor(QStringLiteral("rtsp://x")), QStringLiteral("auto"));
        for (const char *url : {"p", "q", "r"})
            history.saveUrl(QString::fromLatin1(url));
        QCOMPARE(history.history(), (QStringList{"r", "q", "p", "c"}));
        QCOMPARE(history.transportFor(QStringLiteral("c")), QStringLiteral("udp"));
        QCOMPARE(history.transportFor(QStringLiteral("a")), QStringLiteral("auto"));
        QCOMPARE(QSettings().value(QStringLiteral("Video/urls_Otter")).toStringList(),
                 history.history());

        history.setModelId(QStringLiteral("   "));
        QCOMPARE(history.modelId(), QStringLiteral("default"));
        QCOMPARE(history.urlList().size(), 4);
        QCOMPARE(history.transportFor(QStringLiteral("c")), QStringLiteral("auto"));
    }
};
SKYRIG_REGISTER_TEST(VideoPlayerTest)

#include "tst_player.moc"
