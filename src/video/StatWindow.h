#pragma once

#include <QtGlobal>

#include <deque>

// Samples of the last few seconds (a time and a value each): how many came
// per second, their mean and their percentiles. Times are microseconds on
// any clock that only moves forward; samples older than the span are
// forgotten when a newer one is added or when the window is read.
class StatWindow
{
public:
    explicit StatWindow(qint64 spanUs) : m_spanUs(spanUs) {}

    // Empties the window; the rate counts from `nowUs` on, so a window that
    // began a moment ago is not diluted by the time before it.
    void restart(qint64 nowUs);
    void add(qint64 atUs, double value = 0.0);
    void trim(qint64 nowUs);

    // Samples within the span before `nowUs` per second of that span (or of
    // the time since restart, when that is shorter; 0 before any time has
    // passed).
    double ratePerSecond(qint64 nowUs);
    // For samples that are counts since the previous sample (bytes,
    // pictures): their sum per second of the time they counted, from the
    // sample before the oldest one kept (or the restart) up to `nowUs`. A
    // sampling tick that comes a little early then does not count one
    // period's worth twice within the span.
    double sumPerSecond(qint64 nowUs);
    int count(qint64 nowUs);
    // 0 when there is no sample.
    double mean(qint64 nowUs);
    // Nearest rank: the smallest value that at least `fraction` of the
    // samples do not exceed (fraction 0.5 is the median).
    double percentile(qint64 nowUs, double fraction);

private:
    qint64 spanFor(qint64 nowUs) const;

    struct Sample {
        qint64 atUs;
        double value;
    };
    qint64 m_spanUs;
    qint64 m_startUs = 0;
    qint64 m_countedFromUs = 0;
    bool m_started = false;
    std::deque<Sample> m_samples;
};
