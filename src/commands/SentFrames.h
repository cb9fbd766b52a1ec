#pragma once

#include <QString>
#include <QVector>
#include <cstdint>
#include <optional>

// Frames that went out and still wait for the camera's answer, in the order
// they were sent. An answer is for the frame whose sequence number it
// echoes, else for the oldest waiting frame of its code: cameras that do not
// echo the number answer in order.
class SentFrames
{
public:
    struct Frame {
        uint32_t msgID;
        int sequence;
        QString label;
        qint64 due = 0; // for whoever times the answers
    };

    // A camera that leaves frames unanswered must not make the list grow
    // without end: beyond `limit` frames (of one code when `perCode`, else of
    // all), the oldest falls off.
    SentFrames(int limit, bool perCode) : m_limit(limit), m_perCode(perCode) {}

    void append(const Frame &frame);
    // Takes off the frame an answer of `code` echoing `sequence` (-1 when it
    // echoes none) is for.
    std::optional<Frame> takeAnswered(quint16 code, int sequence);
    // Takes off exactly this frame, if it still waits.
    void remove(uint32_t msgID, int sequence);
    void clear() { m_frames.clear(); }

    bool isEmpty() const { return m_frames.isEmpty(); }
    int size() const { return m_frames.size(); }
    const QVector<Frame> &frames() const { return m_frames; }
    // Takes off, in order, every frame due at or before `now`.
    QVector<Frame> takeDue(qint64 now);

private:
    QVector<Frame> m_frames;
    int m_limit;
    bool m_perCode;
};
