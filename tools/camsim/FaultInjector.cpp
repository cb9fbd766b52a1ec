#include "camsim/FaultInjector.h"

namespace
{
constexpr char StartByte = char(0xFD);
}

FaultInjector::FaultInjector(const Settings &settings, quint32 seed)
    : m_settings(settings), m_rng(seed)
{
}

bool FaultInjector::enabled() const
{
    return m_settings.loss > 0 || m_settings.corrupt > 0 || m_settings.duplicate > 0 ||
           m_settings.garbage > 0 || m_settings.delayMs > 0 || m_settings.jitterMs > 0 ||
           m_settings.reorder > 0;
}

bool FaultInjector::chance(double probability)
{
    if (probability <= 0.0)
        return false;
    if (probability >= 1.0)
        return true;
    // Own mapping from the raw generator output, so the sequence does not
    // depend on how a standard library implements its distributions.
    const double u = double(m_rng()) / 4294967296.0;
    return u < probability;
}

int FaultInjector::delay()
{
    int d = m_settings.delayMs;
    if (m_settings.jitterMs > 0)
        d += int(m_rng() % quint32(m_settings.jitterMs + 1));
    return d;
}

bool FaultInjector::dropIncoming()
{
    if (chance(m_settings.loss)) {
        ++m_counters.receivedLost;
        return true;
    }
    return false;
}

QVector<FaultInjector::Delivery> FaultInjector::apply(const QByteArray &frame)
{
    QVector<Delivery> out;
    if (frame.isEmpty())
        return out;
    if (chance(m_settings.loss)) {
        ++m_counters.lost;
        return out;
    }
    QByteArray bytes = frame;
    if (bytes.size() > 1 && chance(m_settings.corrupt)) {
        // One flipped bit after the start byte: the checksum catches every
        // single-bit error, so the receiver must drop exactly this frame.
        const int index = 1 + int(m_rng() % quint32(bytes.size() - 1));
        bytes[index] = char(quint8(bytes[index]) ^ quint8(1u << (m_rng() % 8)));
        ++m_counters.corrupted;
    }
    if (chance(m_settings.garbage)) {
        // Noise never contains a start byte, so it costs the receiver only
        // the noise itself and never the frame behind it.
        const int count = 1 + int(m_rng() % 16);
        QByteArray noise;
        noise.reserve(count + bytes.size());
        for (int i = 0; i < count; ++i) {
            char c = char(m_rng() & 0xFF);
            if (c == StartByte)
                c = 0x00;
            noise.append(c);
        }
        bytes.prepend(noise);
        ++m_counters.garbled;
    }
    out.append({bytes, delay()});
    ++m_counters.sent;
    if (chance(m_settings.duplicate)) {
        out.append({bytes, delay()});
        ++m_counters.duplicated;
    }
    if (m_held.isEmpty() && chance(m_settings.reorder)) {
        m_held = out;
        ++m_counters.reordered;
        return {};
    }
    out += flush();
    return out;
}

QVector<FaultInjector::Delivery> FaultInjector::flush()
{
    QVector<Delivery> out;
    out.swap(m_held);
    return out;
}
