#include "video/StatWindow.h"

#include <algorithm>
#include <cmath>
#include <vector>

void StatWindow::restart(qint64 nowUs)
{
    m_samples.clear();
    m_startUs = m_countedFromUs = nowUs;
    m_started = true;
}

void StatWindow::add(qint64 atUs, double value)
{
    if (!m_started)
        restart(atUs);
    m_samples.push_back({atUs, value});
    trim(atUs);
}

void StatWindow::trim(qint64 nowUs)
{
    while (!m_samples.empty() && m_samples.front().atUs <= nowUs - m_spanUs) {
        m_countedFromUs = m_samples.front().atUs;
        m_samples.pop_front();
    }
}

int StatWindow::count(qint64 nowUs)
{
    trim(nowUs);
    return int(m_samples.size());
}

qint64 StatWindow::spanFor(qint64 nowUs) const
{
    return std::min(m_spanUs, m_started ? nowUs - m_startUs : 0);
}

double StatWindow::ratePerSecond(qint64 nowUs)
{
    trim(nowUs);
    const qint64 span = spanFor(nowUs);
    return span > 0 ? double(m_samples.size()) * 1e6 / double(span) : 0.0;
}

double StatWindow::sumPerSecond(qint64 nowUs)
{
    trim(nowUs);
    const qint64 span = m_started ? nowUs - m_countedFromUs : 0;
    if (span <= 0)
        return 0.0;
    double sum = 0.0;
    for (const Sample &s : m_samples)
        sum += s.value;
    return sum * 1e6 / double(span);
}

double StatWindow::mean(qint64 nowUs)
{
    trim(nowUs);
    if (m_samples.empty())
        return 0.0;
    double sum = 0.0;
    for (const Sample &s : m_samples)
        sum += s.value;
    return sum / double(m_samples.size());
}

double StatWindow::percentile(qint64 nowUs, double fraction)
{
    trim(nowUs);
    if (m_samples.empty())
        return 0.0;
    std::vector<double> values;
    values.reserve(m_samples.size());
    for (const Sample &s : m_samples)
        values.push_back(s.value);
    const double clamped = std::clamp(fraction, 0.0, 1.0);
    const size_t rank = size_t(std::max(1.0, std::ceil(clamped * double(values.size()))));
    std::nth_element(values.begin(), values.begin() + long(rank - 1), values.end());
    return values[rank - 1];
}
