#pragma once

#include "database/RowChangeSink.h"

#include <QList>
#include <QString>

#include <functional>
#include <variant>

namespace vxr {

// One change of the open batch: a row added, or one column of a row updated.
using JournalEntry = std::variant<AddedRowChange, UpdatedColumnChange>;

// The changes of the open batch, as TableRecordsets reports them, less those
// a rollback took back. The batch's prepare takes them, so that memory holds
// one batch at most; a batch that grows past what is worth holding (a run
// in one transaction) is written ahead in parts, and a rollback that reaches
// into what was written takes it back out of the journal.
class JournalEntries : public RowChangeSink
{
public:
    // Writes the part to the journal, after the parts written before.
    using WritePart = std::function<bool(const QList<JournalEntry> &part, QString *error)>;
    // Takes the batch's written entries back out of the journal, all but
    // the first `kept`.
    using TakeBack = std::function<bool(qint64 kept, QString *error)>;
    void writeAheadWith(WritePart writePart, TakeBack takeBack);

    void rowAdded(const AddedRowChange &change, quint64 mark) override;
    void columnUpdated(const UpdatedColumnChange &change, quint64 mark) override;
    void rolledBack(quint64 since) override;

    // Nothing held and nothing written ahead.
    bool isEmpty() const { return m_entries.isEmpty() && m_written == 0; }
    // Why the journal could not follow the batch (a part not written, or not
    // taken back): the batch must not be committed. Empty when it could.
    QString failure() const { return m_failure; }
    // The batch's changes not yet written, in the order they were made; none
    // are left, and the next batch starts from nothing.
    QList<JournalEntry> take();

private:
    void added(quint64 mark, qsizetype weight);
    void writeAhead();

    // Where a mark first appears among the entries written ahead.
    struct WrittenMark
    {
        quint64 mark;
        qint64 index;
    };

    QList<JournalEntry> m_entries;
    QList<quint64> m_marks; // each entry's mark, never decreasing
    qsizetype m_weight = 0; // about the values held
    WritePart m_writePart;
    TakeBack m_takeBack;
    qint64 m_written = 0;              // entries of the batch written ahead
    QList<WrittenMark> m_writtenMarks; // one per mark among them
    QString m_failure;
};

} // namespace vxr
