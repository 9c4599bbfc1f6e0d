#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace vxr {

// Lines per second and the time left of a run, from its progress reports.
// The rate is that of the last few seconds, so that a slow start (opening
// the store, counting the lines) or a pause (a wait for a lock) soon stops
// counting.
class RunRate
{
public:
    // The stretch of time the rate is measured over, and the least of it
    // that gives a rate at all.
    static constexpr qint64 WindowMilliseconds = 5000;
    static constexpr qint64 LeastMilliseconds = 1000;

    void clear() { m_samples.clear(); }
    // Lines read by a moment of the run (milliseconds since it started);
    // moments come in order.
    void add(qint64 milliseconds, qint64 linesRead);

    // Lines per second; none until the reports span LeastMilliseconds.
    std::optional<double> linesPerSecond() const;
    // Seconds until total lines are read at the present rate; none without
    // a rate, or while it is nothing.
    std::optional<qint64> secondsLeft(qint64 total) const;

private:
    struct Sample
    {
        qint64 milliseconds;
        qint64 lines;
    };
    QList<Sample> m_samples;
};

// A length of time for the operator: "45 s", "3 min 05 s", "2 h 07 min".
QString durationText(qint64 seconds);

} // namespace vxr
