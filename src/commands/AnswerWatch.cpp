#include "commands/AnswerWatch.h"

#include "link/FrameCodec.h"

#include <algorithm>

AnswerWatch::AnswerWatch(int timeoutMs, QObject *parent)
    : QObject(parent), m_timer(this), m_timeoutMs(timeoutMs)
{
    m_timer.setSingleShot(true);
    m_timer.callOnTimeout(this, &AnswerWatch::expire);
    m_clock.start();
}

void AnswerWatch::watch(uint32_t msgID, int sequence, const QString &label)
{
    m_pending.append({msgID, sequence, label, m_clock.elapsed() + m_timeoutMs});
    arm();
}

void AnswerWatch::answered(uint32_t msgID, int sequence)
{
    if (m_pending.takeAnswered(FrameCodec::commandCode(msgID), sequence))
        arm();
}

void AnswerWatch::clear()
{
    m_pending.clear();
    m_timer.stop();
}

void AnswerWatch::expire()
{
    // Taken off before anyone hears of them: a listener may send or close the link.
    const QVector<SentFrames::Frame> late = m_pending.takeDue(m_clock.elapsed());
    arm();
    for (const SentFrames::Frame &f : late)
        emit unanswered(f.msgID, f.label, f.sequence);
}

void AnswerWatch::arm()
{
    if (m_pending.isEmpty()) {
        m_timer.stop();
        return;
    }
    const QVector<SentFrames::Frame> &frames = m_pending.frames();
    const auto first = std::min_element(
        frames.cbegin(), frames.cend(),
        [](const SentFrames::Frame &a, const SentFrames::Frame &b) { return a.due < b.due; });
    m_timer.start(int(std::max<qint64>(0, first->due - m_clock.elapsed())));
}
