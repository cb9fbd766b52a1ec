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
    if (m_pending.size() >= PendingLimit)
        m_pending.removeFirst();
    m_pending.append({msgID, sequence, label, m_clock.elapsed() + m_timeoutMs});
    arm();
}

void AnswerWatch::answered(uint32_t msgID, int sequence)
{
    const quint16 code = FrameCodec::commandCode(msgID);
    int oldest = -1;
    for (int i = 0; i < m_pending.size(); ++i) {
        if (FrameCodec::commandCode(m_pending.at(i).msgID) != code)
            continue;
        if (sequence >= 0 && m_pending.at(i).sequence == sequence) {
            oldest = i;
            break;
        }
        if (oldest < 0)
            oldest = i;
    }
    if (oldest < 0)
        return;
    m_pending.remove(oldest);
    arm();
}

void AnswerWatch::clear()
{
    m_pending.clear();
    m_timer.stop();
}

void AnswerWatch::expire()
{
    const qint64 now = m_clock.elapsed();
    // Taken off before anyone hears of them: a listener may send or close the link.
    QVector<Pending> late;
    for (int i = 0; i < m_pending.size();) {
        if (m_pending.at(i).due <= now) {
            late.append(m_pending.takeAt(i));
        } else {
            ++i;
        }
    }
    arm();
    for (const Pending &p : late)
        emit unanswered(p.msgID, p.label, p.sequence);
}

void AnswerWatch::arm()
{
    if (m_pending.isEmpty()) {
        m_timer.stop();
        return;
    }
    const auto first =
        std::min_element(m_pending.cbegin(), m_pending.cend(),
                         [](const Pending &a, const Pending &b) { return a.due < b.due; });
    m_timer.start(int(std::max<qint64>(0, first->due - m_clock.elapsed())));
}
