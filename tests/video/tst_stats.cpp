// The arithmetic behind the player's health figures, and when a live stream
// counts as fallen behind or too slow to decode on one thread.

#include "common/TestMain.h"
#include "video/LiveEdge.h"
#include "video/StatWindow.h"

#include <QtTest>

namespace
{

constexpr qint64 Ms = 1000;

// "t:v t:v ..." in milliseconds (":v" may be left out).
void feed(StatWindow &w, const QString &samples)
{
    for (const QString &s : samples.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList parts = s.split(QLatin1Char(':'));
        w.add(parts.at(0).toLongLong() * Ms, parts.value(1, QStringLiteral("0")).toDouble());
    }
}

// Packets at `fps` from `fromMs` for `count` pictures, picture i arriving at
// `arrivalMs(i)`, key frames every `gop`; the actions in order as D / S.
QString run(LiveEdge &edge, int fromMs, int count, double fps, int gop,
            const std::function<double(int)> &arrivalMs)
{
    QString actions;
    for (int i = 0; i < count; ++i) {
        const qint64 pts = qint64((fromMs + i * 1000.0 / fps) * Ms);
        const qint64 arrival = qint64(arrivalMs(i) * Ms);
        actions += edge.onPacket(arrival, pts, i % gop == 0) == LiveEdge::Decode ? 'D' : 'S';
    }
    return actions;
}

} // namespace

class VideoStatsTest : public QObject
{
    Q_OBJECT

private slots:
    void windows_data()
    {
        QTest::addColumn<qint64>("spanMs");
        QTest::addColumn<qint64>("startMs");
        QTest::addColumn<QString>("samples");
        QTest::addColumn<qint64>("nowMs");
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("sumRate");
        QTest::addColumn<double>("mean");
        QTest::addColumn<double>("p95");
        QTest::addColumn<double>("median");
        // 30 pictures a second for 3 s: the 2 s window holds the last 60.
        QString steady;
        for (int i = 1; i <= 90; ++i)
            steady += QStringLiteral("%1:%2 ").arg(i * 1000 / 30).arg(i % 10);
        QTest::newRow("steady 30 fps")
            << 2000LL << 0LL << steady << 3000LL << 30.0 << 135.0 << 4.5 << 9.0 << 4.0;
        // Half a second after starting: counted over that half second, not
        // diluted over the whole span.
        QTest::newRow("young window") << 2000LL << 0LL << "100:1 200:1 300:1 400:1 500:1" << 500LL
                                      << 10.0 << 10.0 << 1.0 << 1.0 << 1.0;
        QTest::newRow("nothing yet")
            << 2000LL << 0LL << "" << 0LL << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
        // Samples as old as the span are gone.
        QTest::newRow("all expired")
            << 1000LL << 0LL << "100:5 200:7" << 1200LL << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
        // Nearest rank: of 20 values 1..20, p95 is the 19th, the median the 10th.
        QString twenty;
        for (int i = 1; i <= 20; ++i)
            twenty += QStringLiteral("%1:%2 ").arg(i * 10).arg(21 - i);
        QTest::newRow("p95 of twenty")
            << 5000LL << 0LL << twenty << 1000LL << 20.0 << 210.0 << 10.5 << 19.0 << 10.0;
        // One slow picture among nineteen fast ones moves the mean, not p95.
        QString spike;
        for (int i = 1; i <= 19; ++i)
            spike += QStringLiteral("%1:2 ").arg(i * 10);
        spike += QStringLiteral("200:40");
        QTest::newRow("one spike")
            << 5000LL << 0LL << spike << 1000LL << 20.0 << 78.0 << 3.9 << 2.0 << 2.0;
        // Counts of 30 fps taken twice a second by a timer that runs a
        // little early: five of them fall within 2 s, but they counted
        // 2.475 s of pictures.
        QTest::newRow("counts sampled early")
            << 2000LL << 0LL << "495:15 990:15 1485:15 1980:15 2475:15 2970:15" << 2970LL << 2.5
            << 30.3 << 15.0 << 15.0 << 15.0;
        // Restarted at 10 s: only what came after counts.
        QTest::newRow("restarted") << 2000LL << 10000LL << "10500:4 11000:6" << 11000LL << 2.0
                                   << 10.0 << 5.0 << 6.0 << 4.0;
    }

    void windows()
    {
        QFETCH(qint64, spanMs);
        QFETCH(qint64, startMs);
        QFETCH(QString, samples);
        QFETCH(qint64, nowMs);
        QFETCH(double, rate);
        QFETCH(double, sumRate);
        QFETCH(double, mean);
        QFETCH(double, p95);
        QFETCH(double, median);
        StatWindow w(spanMs * Ms);
        w.add(0, 99); // from before the restart
        w.restart(startMs * Ms);
        feed(w, samples);
        const qint64 now = nowMs * Ms;
        QCOMPARE(qRound(w.ratePerSecond(now) * 10), qRound(rate * 10));
        QCOMPARE(qRound(w.sumPerSecond(now) * 10), qRound(sumRate * 10));
        QCOMPARE(qRound(w.mean(now) * 100), qRound(mean * 100));
        QCOMPARE(w.percentile(now, 0.95), p95);
        QCOMPARE(w.percentile(now, 0.5), median);
    }

    // Live, late and catching up, in pictures at 30 fps with a key frame
    // every 30: D decodes, S skips.
    void liveEdge_data()
    {
        QTest::addColumn<QString>("scene");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("skips");
        // Arrivals jitter by up to 40 ms: nothing is late.
        QTest::newRow("jitter stays live") << "jitter" << QString(90, 'D') << 0;
        // A one-off stall of 600 ms after which the backlog is read at once
        // and decoded quickly: it drains on its own, nothing is skipped.
        QTest::newRow("stall that drains") << "drain" << QString(90, 'D') << 0;
        // The decoder takes 50 ms a picture: the backlog grows 17 ms a
        // picture; once 300 ms late and growing, the rest of the group is
        // read at once and dropped, and the next key frame is live again.
        const QString group = QString(19, 'D') + QString(11, 'S');
        QTest::newRow("growing backlog")
            << "slow" << group + QString(20, 'D') + QString(10, 'S') + group << 3;
        // From picture 20 on the network takes 600 ms longer: skipping finds
        // no backlog to drain, so the key frame at 30 is the new live.
        QTest::newRow("delay that stays")
            << "delay" << QString(20, 'D') + QString(10, 'S') + QString(60, 'D') << 1;
        // A file or a stream read faster than real time is never late.
        QTest::newRow("faster than real time") << "fast" << QString(90, 'D') << 0;
    }

    void liveEdge()
    {
        QFETCH(QString, scene);
        QFETCH(QString, expected);
        QFETCH(int, skips);
        LiveEdge edge;
        const double frame = 1000.0 / 30;
        std::function<double(int)> arrival;
        if (scene == QLatin1String("jitter"))
            arrival = [&](int i) { return 500 + i * frame + (i * 37 % 5) * 10; };
        else if (scene == QLatin1String("drain"))
            // Pictures 20..37 were held back to 1200 ms, then came 2 ms apart.
            arrival = [&](int i) {
                const double live = 500 + i * frame;
                return i >= 20 && i < 38 ? std::max(live, 1200.0 + (i - 20) * 2) : live;
            };
        else if (scene == QLatin1String("slow"))
            // Each picture is read when the one before is decoded (50 ms);
            // while skipping, reading is instant up to the live edge.
            arrival = [&, t = 0.0, skipping = false](int i) mutable {
                const double live = 500 + i * frame;
                t = std::max(live, t + (skipping ? 0.5 : 50.0));
                skipping = edge.skipping();
                return t;
            };
        else if (scene == QLatin1String("delay"))
            arrival = [&](int i) { return 500 + i * frame + (i >= 20 ? 600 : 0); };
        else
            arrival = [&](int i) { return 500 + i * 5.0; };
        const QString actions = run(edge, 0, 90, 30, 30, arrival);
        QCOMPARE(actions, expected);
        QCOMPARE(edge.skips(), skips);
        QCOMPARE(qRound(edge.frameIntervalUs() / 1000.0), 33);
    }

    // Decoding slower than 70 % of the frame interval, on average over 30
    // pictures, asks for threads once, at the 30th; at 65 % never.
    void slowDecoding()
    {
        for (const auto &[decodeUs, firstAt] : {std::pair{21600, -1}, std::pair{24000, 29}}) {
            LiveEdge edge;
            QList<int> asked;
            for (int i = 0; i < 100; ++i) {
                edge.onPacket(i * 33333, i * 33333, i % 30 == 0);
                if (edge.onDecoded(decodeUs))
                    asked << i;
            }
            QCOMPARE(asked, firstAt < 0 ? QList<int>{} : QList<int>{firstAt});
        }
    }
};
SKYRIG_REGISTER_TEST(VideoStatsTest)

#include "tst_stats.moc"
