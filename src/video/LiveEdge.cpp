#include "video/LiveEdge.h"

#include <algorithm>
#include <cstdlib>

namespace
{

constexpr qint64 BucketUs = 1000000;
// Presentation times that go back, or leap this far ahead, start a new time
// line (the camera restarted its clock, a file began again): not lateness.
constexpr qint64 DiscontinuityUs = 10000000;

} // namespace

void LiveEdge::resetBaseline()
{
    m_buckets.clear();
    m_trend.clear();
}

qint64 LiveEdge::baseline(qint64 nowUs, qint64 offsetUs)
{
    if (m_buckets.empty() || nowUs - m_buckets.back().startUs >= BucketUs)
        m_buckets.push_back({nowUs, offsetUs});
    else
        m_buckets.back().minOffsetUs = std::min(m_buckets.back().minOffsetUs, offsetUs);
    while (m_buckets.size() > 1 && m_buckets.front().startUs <= nowUs - m_settings.baselineUs)
        m_buckets.pop_front();
    qint64 lowest = offsetUs;
    for (const Bucket &b : m_buckets)
        lowest = std::min(lowest, b.minOffsetUs);
    return lowest;
}

void LiveEdge::skipToKeyFrame(qint64 nowUs)
{
    if (m_skipping)
        return;
    m_skipping = true;
    m_skipSinceUs = nowUs;
}

LiveEdge::Action LiveEdge::onPacket(qint64 arrivalUs, qint64 ptsUs, bool keyFrame)
{
    const qint64 before = m_behindUs;
    if (ptsUs != NoTime) {
        if (m_lastPtsUs != NoTime) {
            const qint64 step = ptsUs - m_lastPtsUs;
            if (step >= 1000 && step <= 1000000)
                m_intervalUs = m_intervalUs ? (7 * m_intervalUs + step) / 8 : step;
            if (step < 0 || step > DiscontinuityUs)
                resetBaseline();
        }
        m_lastPtsUs = ptsUs;
        const qint64 offset = arrivalUs - ptsUs;
        m_behindUs = offset - baseline(arrivalUs, offset);
        m_trend.push_back({arrivalUs, m_behindUs});
        while (m_trend.size() > 2 && m_trend[1].atUs <= arrivalUs - m_settings.trendUs)
            m_trend.pop_front();
    }

    if (m_skipping) {
        if (!keyFrame)
            return Skip;
        // A backlog drains by about a picture per packet while skipping; a
        // delay that stays is the network's own, and skipping cannot help:
        // it becomes the new "live".
        const bool draining = before - m_behindUs >= m_intervalUs / 2;
        const bool tooLong = arrivalUs - m_skipSinceUs >= m_settings.longestSkipUs;
        if (m_behindUs > m_settings.behindUs && draining && !tooLong)
            return Skip;
        m_skipping = false;
        if (m_behindUs > m_settings.behindUs)
            resetBaseline();
        m_trend.clear();
        return Decode;
    }

    if (ptsUs == NoTime || m_behindUs <= m_settings.behindUs || m_trend.empty())
        return Decode;
    const Point &then = m_trend.front();
    const qint64 elapsed = arrivalUs - then.atUs;
    if (elapsed < m_settings.trendUs)
        return Decode; // just fell behind: give the decoder a moment to catch up
    const double drained = double(then.behindUs - m_behindUs);
    if (drained >= m_settings.drainShare * double(elapsed))
        return Decode; // catching up quickly enough on its own
    // Even a key frame here is old: the next one close to live is wanted.
    ++m_skips;
    m_skipping = true;
    m_skipSinceUs = arrivalUs;
    return Skip;
}

bool LiveEdge::onDecoded(qint64 decodeUs)
{
    m_decodeTimes.push_back(decodeUs);
    m_decodeSumUs += decodeUs;
    while (int(m_decodeTimes.size()) > m_settings.slowPictures) {
        m_decodeSumUs -= m_decodeTimes.front();
        m_decodeTimes.pop_front();
    }
    if (m_slowReported || m_intervalUs <= 0 || int(m_decodeTimes.size()) < m_settings.slowPictures)
        return false;
    const double mean = double(m_decodeSumUs) / double(m_decodeTimes.size());
    if (mean <= m_settings.slowShare * double(m_intervalUs))
        return false;
    m_slowReported = true;
    return true;
}
