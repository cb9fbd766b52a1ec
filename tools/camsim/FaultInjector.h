#pragma once

#include <QByteArray>
#include <QVector>

#include <random>

// Seeded line faults applied to what the simulator sends (and, for loss, to
// what it receives). The same seed and the same traffic give the same faults.
class FaultInjector
{
public:
    struct Settings {
        double loss = 0.0;
        double corrupt = 0.0;
        double duplicate = 0.0;
        double garbage = 0.0;
        int delayMs = 0;
        int jitterMs = 0;
        double reorder = 0.0;
    };

    // One piece of bytes to put on the line after `delayMs`.
    struct Delivery {
        QByteArray bytes;
        int delayMs = 0;
    };

    struct Counters {
        quint64 sent = 0;
        quint64 lost = 0;
        quint64 corrupted = 0;
        quint64 duplicated = 0;
        quint64 garbled = 0;
        quint64 receivedLost = 0;
        quint64 reordered = 0;
    };

    FaultInjector(const Settings &settings, quint32 seed);

    bool enabled() const;
    // True when an incoming frame is to be treated as never received.
    bool dropIncoming();
    // Turns one encoded frame into what actually goes on the line: nothing
    // (lost), the frame, a copy with one flipped bit, noise in front, or two
    // deliveries (duplicate). A frame picked for reordering is held back and
    // goes out right after the next one.
    QVector<Delivery> apply(const QByteArray &frame);
    // The frame held back for reordering, if any: the sender calls this when
    // it has nothing more to send for now, so a held frame is late, never lost.
    QVector<Delivery> flush();

    const Counters &counters() const { return m_counters; }

private:
    bool chance(double probability);
    int delay();

    Settings m_settings;
    std::mt19937 m_rng;
    Counters m_counters;
    QVector<Delivery> m_held;
};
