#include "RunRate.h"

#include <algorithm>
#include <cmath>

namespace vxr {

void RunRate::add(qint64 milliseconds, qint64 linesRead)
{
    m_samples.append({milliseconds, linesRead});
    // The oldest sample kept is the last one at or before the window's start,
    // so that the window is always spanned in full.
    const qint64 windowStart = milliseconds - WindowMilliseconds;
    qsizetype drop = 0;
    while (drop + 1 < m_samples.size() && m_samples.at(drop + 1).milliseconds <= windowStart)
        ++drop;
    m_samples.remove(0, drop);
}

std::optional<double> RunRate::linesPerSecond() const
{
    if (m_samples.size() < 2)
        return std::nullopt;
    const Sample &first = m_samples.constFirst();
    const Sample &last = m_samples.constLast();
    const qint64 span = last.milliseconds - first.milliseconds;
    if (span < LeastMilliseconds)
        return std::nullopt;
    return double(last.lines - first.lines) * 1000.0 / double(span);
}

std::optional<qint64> RunRate::secondsLeft(qint64 total) const
{
    const std::optional<double> rate = linesPerSecond();
    if (!rate || *rate <= 0.0)
        return std::nullopt;
    const qint64 left = std::max<qint64>(total - m_samples.constLast().lines, 0);
    return static_cast<qint64>(std::ceil(double(left) / *rate));
}

QString durationText(qint64 seconds)
{
    seconds = std::max<qint64>(seconds, 0);
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    const qint64 minutes = seconds / 60;
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace vxr
