#pragma once

#include <QtGlobal>

// Finds where one axis of a newly connected controller rests, so a worn
// stick that rests off centre does not steer and a stuck one never does.
//
// For its first SettleMs the axis gives nothing. Then: an axis resting within
// FarFromRest of its rest position (0 for a stick, released for a trigger)
// and holding still is measured there, and what it gives is stretched from
// that rest to the ends; an axis further out is ignored until it comes back
// near its rest (an operator holding it at connect lets go; a stuck one
// stays ignored).
class AxisCalibration
{
public:
    enum State { Settling, Live, Ignored };
    static constexpr qint64 SettleMs = 250;
    static constexpr double FarFromRest = 0.5;
    // Back this close to rest counts as returned.
    static constexpr double NearRest = 0.1;
    // Moving more than this while settling: someone is touching it.
    static constexpr double StillSpread = 0.05;

    explicit AxisCalibration(bool trigger = false) : m_trigger(trigger) {}

    // One reading at `ms` (any monotonic clock); returns the calibrated value
    // (−1…1 for a stick, 0…1 for a trigger, 0 while settling or ignored).
    double feed(double raw, qint64 ms);

    State state() const { return m_state; }
    // The measured rest position (0 unless it was calibrated away from it).
    double rest() const { return m_rest; }
    // What it read when it was ignored.
    double stuckAt() const { return m_stuckAt; }

private:
    double calibrated(double raw) const;

    bool m_trigger;
    State m_state = Settling;
    qint64 m_firstMs = -1;
    double m_min = 0;
    double m_max = 0;
    double m_rest = 0;
    double m_stuckAt = 0;
};
