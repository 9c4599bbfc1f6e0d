#pragma once

#include "database/RowChangeSink.h"

#include <QList>

#include <variant>

namespace vxr {

// One change of the open batch: a row added, or one column of a row updated.
using JournalEntry = std::variant<AddedRowChange, UpdatedColumnChange>;

// The changes of the open batch, as TableRecordsets reports them, less those
// a rollback took back. The batch's prepare takes them, so that memory holds
// one batch at most.
class JournalEntries : public RowChangeSink
{
public:
    void rowAdded(const AddedRowChange &change, quint64 mark) override;
    void columnUpdated(const UpdatedColumnChange &change, quint64 mark) override;
    void rolledBack(quint64 since) override;

    bool isEmpty() const { return m_entries.isEmpty(); }
    // The batch's changes, in the order they were made; none are left.
    QList<JournalEntry> take();

private:
    QList<JournalEntry> m_entries;
    QList<quint64> m_marks; // each entry's mark, never decreasing
};

} // namespace vxr
