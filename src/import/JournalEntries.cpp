#include "JournalEntries.h"

#include <algorithm>
#include <utility>

namespace vxr {

void JournalEntries::rowAdded(const AddedRowChange &change, quint64 mark)
{
    m_entries.append(change);
    m_marks.append(mark);
}

void JournalEntries::columnUpdated(const UpdatedColumnChange &change, quint64 mark)
{
    m_entries.append(change);
    m_marks.append(mark);
}

// Marks grow with every savepoint: the entries made since are the last ones.
void JournalEntries::rolledBack(quint64 since)
{
    const auto first = std::lower_bound(m_marks.cbegin(), m_marks.cend(), since);
    const qsizetype kept = first - m_marks.cbegin();
    m_entries.resize(kept);
    m_marks.resize(kept);
}

QList<JournalEntry> JournalEntries::take()
{
    m_marks.clear();
    // Given up whole, so that the next batch starts from nothing held.
    return std::exchange(m_entries, {});
}

} // namespace vxr
