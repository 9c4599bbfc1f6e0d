#include "JournalEntries.h"

#include <algorithm>
#include <utility>

namespace vxr {

namespace {

// The batch goes to the journal in parts of a few hundred rows, written on
// the journal's own thread while the store takes the rows after them: what
// is left for the batch's prepare, which the store's commit waits for, is
// small.
constexpr qsizetype WriteAheadWeight = 16384;
constexpr qsizetype WriteAheadEntries = 256;

} // namespace

void JournalEntries::writeAheadWith(WritePart writePart, TakeBack takeBack)
{
    m_writePart = std::move(writePart);
    m_takeBack = std::move(takeBack);
}

void JournalEntries::rowAdded(const AddedRowChange &change, quint64 mark)
{
    m_entries.append(change);
    added(mark, 1 + change.valueCount());
}

void JournalEntries::columnUpdated(const UpdatedColumnChange &change, quint64 mark)
{
    m_entries.append(change);
    added(mark, 3);
}

void JournalEntries::added(quint64 mark, qsizetype weight)
{
    m_marks.append(mark);
    m_weight += weight;
    if ((m_weight >= WriteAheadWeight || m_entries.size() >= WriteAheadEntries) && m_writePart
        && m_failure.isEmpty())
        writeAhead();
}

void JournalEntries::writeAhead()
{
    if (!m_writePart(m_entries, &m_failure))
        return;
    for (qsizetype i = 0; i < m_marks.size(); ++i) {
        if (m_writtenMarks.isEmpty() || m_writtenMarks.constLast().mark != m_marks.at(i))
            m_writtenMarks.append({m_marks.at(i), m_written + i});
    }
    m_written += m_marks.size();
    m_entries.clear();
    m_marks.clear();
    m_weight = 0;
}

// Marks grow with every savepoint: the entries made since are the last ones.
void JournalEntries::rolledBack(quint64 since)
{
    const auto first = std::lower_bound(m_marks.cbegin(), m_marks.cend(), since);
    const qsizetype kept = first - m_marks.cbegin();
    m_entries.resize(kept);
    m_marks.resize(kept);
    if (m_writtenMarks.isEmpty() || m_writtenMarks.constLast().mark < since)
        return;
    const auto written = std::lower_bound(m_writtenMarks.cbegin(), m_writtenMarks.cend(), since,
                                          [](const WrittenMark &at, quint64 wanted) { return at.mark < wanted; });
    const qint64 keptWritten = written->index;
    m_writtenMarks.erase(written, m_writtenMarks.cend());
    m_written = keptWritten;
    m_weight = 0;
    if (m_failure.isEmpty())
        m_takeBack(keptWritten, &m_failure);
}

QList<JournalEntry> JournalEntries::take()
{
    m_marks.clear();
    m_weight = 0;
    m_written = 0;
    m_writtenMarks.clear();
    m_failure.clear();
    // Given up whole, so that the next batch starts from nothing held.
    return std::exchange(m_entries, {});
}

} // namespace vxr
