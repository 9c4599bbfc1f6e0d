#pragma once

#include "JournalValues.h"

#include "database/RowChangeSink.h"

#include <QList>
#include <QSqlDatabase>

namespace vxr {

// An added row as the journal holds it.
struct JournalAddedRow
{
    QString table;
    qint64 rowId = 0;
    QString keyColumn;
    QVariant keyValue; // as the store took it: an integer, a real number, text or NULL
    qint64 seq = 0;    // order within the run
    qint64 batch = 0;
    bool valuesKept = true; // a journal's first version kept none
    QStringList columns;
    QVariantList values; // as texts, NULL as a null QVariant; one per column
};

// The rows a batch added to one table with one list of columns, written as
// one row of the journal's AddedBlock rather than a row each: a batch of a
// thousand items is a handful of journal rows. Each row as its Seq after the
// block's first, its ID, its key (a kind letter and the text) and its packed
// values, parted by U+001D; rows parted by U+001E. The values are packed
// against the row before in the block, so that a block is read on its own.
class AddedBlockWriter
{
public:
    explicit AddedBlockWriter(qint64 firstSeq) : m_firstSeq(firstSeq), m_lastSeq(firstSeq) {}

    void add(qint64 seq, const AddedRowChange &row);
    qint64 firstSeq() const { return m_firstSeq; }
    qint64 lastSeq() const { return m_lastSeq; }
    QString rows() const;

private:
    qint64 m_firstSeq;
    qint64 m_lastSeq;
    PackedText m_text;
    ValuePacker m_packer;
};

// Where a block's rows come from in the journal.
struct AddedBlockHead
{
    QString table;
    QString keyColumn;
    QStringList columns;
    qint64 batch = 0;
    qint64 firstSeq = 0;
};

// The block's rows back, in the order they were added.
QList<JournalAddedRow> readAddedBlock(const AddedBlockHead &head, QStringView rows);
// The block's rows up to and with Seq lastKept, the rest taken back.
QString addedBlockUpTo(QStringView rows, qint64 firstSeq, qint64 lastKept);

// The added rows of the batches (Batch b) that the condition picks, from
// blocks and from single rows (journals before blocks), in the order they
// were added; firstOnly: the first of them only. False with *error when the
// journal cannot be read.
bool readAddedRows(const QSqlDatabase &journal, const QString &batchCondition, const QVariantList &values,
                   QList<JournalAddedRow> *rows, QString *error, bool firstOnly = false);

} // namespace vxr
