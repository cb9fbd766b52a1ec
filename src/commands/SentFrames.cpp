#include "commands/SentFrames.h"

#include "link/FrameCodec.h"

void SentFrames::append(const Frame &frame)
{
    const quint16 code = FrameCodec::commandCode(frame.msgID);
    int count = 0;
    int oldest = -1;
    for (int i = 0; i < m_frames.size(); ++i) {
        if (m_perCode && FrameCodec::commandCode(m_frames.at(i).msgID) != code)
            continue;
        if (oldest < 0)
            oldest = i;
        ++count;
    }
    if (count >= m_limit && oldest >= 0)
        m_frames.remove(oldest);
    m_frames.append(frame);
}

std::optional<SentFrames::Frame> SentFrames::takeAnswered(quint16 code, int sequence)
{
    int at = -1;
    for (int i = 0; i < m_frames.size(); ++i) {
        if (FrameCodec::commandCode(m_frames.at(i).msgID) != code)
            continue;
        if (sequence >= 0 && m_frames.at(i).sequence == sequence) {
            at = i;
            break;
        }
        if (at < 0)
            at = i;
    }
    if (at < 0)
        return std::nullopt;
    return m_frames.takeAt(at);
}

void SentFrames::remove(uint32_t msgID, int sequence)
{
    const quint16 code = FrameCodec::commandCode(msgID);
    for (int i = 0; i < m_frames.size(); ++i) {
        if (FrameCodec::commandCode(m_frames.at(i).msgID) == code &&
            m_frames.at(i).sequence == sequence) {
            m_frames.remove(i);
            return;
        }
    }
}

QVector<SentFrames::Frame> SentFrames::takeDue(qint64 now)
{
    QVector<Frame> due;
    for (int i = 0; i < m_frames.size();) {
        if (m_frames.at(i).due <= now)
            due.append(m_frames.takeAt(i));
        else
            ++i;
    }
    return due;
}
