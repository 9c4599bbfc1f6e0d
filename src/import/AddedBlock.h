#pragma once

#include "database/RowChangeSink.h"

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>

#include <optional>
#include <string>

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
    QVariantList values; // as texts (numbers as their shortest exact text), NULL as a null QVariant; one per column
};

// The rows a batch added to one table with one list of columns, written as
// one row of the journal's AddedBlock rather than a row each: a batch of a
// thousand items is a handful of journal rows. Bytes, each row as its Seq
// after the block's first, its ID, its key, and the values that differ from
// the row before's in the block (the first row's all), each as its column's
// number and the value; a 0 ends the row. Numbers are kept as they are
// (whole numbers as variable-length integers; real numbers that are whole
// or in cents as the integer, exactly, others as their 8 bytes), texts as
// bytes when they are ASCII, else as their UTF-16, with their length:
// nothing is formatted or escaped while the run goes on. A block is read on
// its own.
class AddedBlockWriter
{
public:
    explicit AddedBlockWriter(qint64 firstSeq) : m_firstSeq(firstSeq), m_lastSeq(firstSeq) {}

    void add(qint64 seq, const AddedRowChange &row);
    qint64 firstSeq() const { return m_firstSeq; }
    qint64 lastSeq() const { return m_lastSeq; }
    QByteArray rows() const { return QByteArray(m_bytes.data(), qsizetype(m_bytes.size())); }

private:
    qint64 m_firstSeq;
    qint64 m_lastSeq;
    std::string m_bytes;
    AddedRowChange m_before; // the row before, its values as bound
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

// The block's rows back, in the order they were added; nullopt when its
// bytes do not read as whole rows (a damaged journal).
std::optional<QList<JournalAddedRow>> readAddedBlock(const AddedBlockHead &head, QByteArrayView rows);
// The block's rows up to and with Seq lastKept, the rest taken back.
QByteArray addedBlockUpTo(QByteArrayView rows, qint64 firstSeq, qint64 lastKept);

// The added rows of the batches (Batch b) that the condition picks, from
// blocks and from single rows (journals before blocks), in the order they
// were added; firstOnly: the first of them only. False with *error when the
// journal cannot be read.
bool readAddedRows(const QSqlDatabase &journal, const QString &batchCondition, const QVariantList &values,
                   QList<JournalAddedRow> *rows, QString *error, bool firstOnly = false);

} // namespace vxr
