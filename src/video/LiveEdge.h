#pragma once

#include <QtGlobal>

#include <deque>
#include <limits>

// Keeps a live stream live on the decoder's thread. It compares when each
// packet arrives with its presentation time: the smallest difference seen
// lately is "live", anything above it is how far the picture has fallen
// behind. When that is more than a threshold and not shrinking quickly
// (the backlog grows, or drains too slowly to matter), the decoder skips the
// rest of the picture group and starts again at the next key frame. It also
// tells when decoding takes too large a share of the frame interval, which
// is when the decoder should turn on its slice threads.
//
// Plain arithmetic, no clock of its own: every call carries its time.
class LiveEdge
{
public:
    struct Settings {
        // Further behind than this is late.
        qint64 behindUs = 300000;
        // Late and shrinking by less than this share of the time passing
        // (measured over `trendUs`) counts as falling behind.
        double drainShare = 0.2;
        qint64 trendUs = 250000;
        // A skip that found no key frame this close to live stops at the
        // first one after this long anyway, and "live" is measured afresh.
        qint64 longestSkipUs = 2000000;
        // How long the smallest difference is remembered (clocks drift).
        qint64 baselineUs = 30000000;
        // Decoding slower than this share of the frame interval, on average
        // over the last `slowPictures` pictures, needs more threads.
        double slowShare = 0.7;
        int slowPictures = 30;
    };
    enum Action { Decode, Skip };

    LiveEdge() = default;
    explicit LiveEdge(const Settings &settings) : m_settings(settings) {}

    // One packet of the stream: when the demuxer handed it over, its
    // presentation time on the stream's clock (NoTime when it has none) and
    // whether it begins a key frame. Skip: drop it without decoding.
    Action onPacket(qint64 arrivalUs, qint64 ptsUs, bool keyFrame);
    // Drop everything up to the next key frame (the decoder was replaced).
    void skipToKeyFrame(qint64 nowUs);

    // How far behind live the last packet came, and the frame interval the
    // presentation times show (0 while unknown).
    qint64 behindUs() const { return m_behindUs; }
    qint64 frameIntervalUs() const { return m_intervalUs; }
    bool skipping() const { return m_skipping; }
    // Number of skips that began because the stream fell behind.
    int skips() const { return m_skips; }

    // After each decoded picture: true (once) when decoding is too slow for
    // the stream.
    bool onDecoded(qint64 decodeUs);

    static constexpr qint64 NoTime = std::numeric_limits<qint64>::min();

private:
    void resetBaseline();
    qint64 baseline(qint64 nowUs, qint64 offsetUs);

    Settings m_settings;
    struct Bucket {
        qint64 startUs;
        qint64 minOffsetUs;
    };
    std::deque<Bucket> m_buckets;
    struct Point {
        qint64 atUs;
        qint64 behindUs;
    };
    std::deque<Point> m_trend;
    qint64 m_lastPtsUs = NoTime;
    qint64 m_intervalUs = 0;
    qint64 m_behindUs = 0;
    bool m_skipping = false;
    qint64 m_skipSinceUs = 0;
    int m_skips = 0;

    std::deque<qint64> m_decodeTimes;
    qint64 m_decodeSumUs = 0;
    bool m_slowReported = false;
};
