#pragma once

#include "database/LineOutcome.h"
#include "database/RecordWriter.h"
#include "text/RecordReader.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

namespace vxr {

class FieldTable;
class Transaction;

// Writes the lines of a batch with as few statements as it can, with the
// same result as writing them one by one: the references the batch names
// are resolved first, with a few statements for all its lines; then each
// line is resolved as it comes (a reference still unknown is looked up and
// added at once, and the field values carry from line to line as always), its rows wait with the others, and
// one statement checks the keys of the whole batch. The waiting rows are
// written together when the batch ends, and before a line that could depend
// on them (an update of their row, a parent item among them). When writing
// them together fails, they are written one by one, so that each failing
// line gets its own error and every other line is stored.
class StagedWriter
{
public:
    // Told what became of each line, by its number; a line first staged is
    // told again once it is written.
    using OutcomeSink = std::function<void(qint64 number, const LineOutcome &outcome)>;

    StagedWriter(RecordWriter &writer, RecordReader &reader, Transaction &transaction, const FieldTable &fields,
                 int tableId, bool duplicatesAsErrors, OutcomeSink sink);

    // Resolves the references the lines name (see BatchReferences) and
    // learns which keys of these lines the table holds, with one query.
    // The lines are those to be written, in file order: none the run skips.
    // A failure that ends the run is thrown as DbError; any other leaves the
    // keys to be checked line by line.
    void startBatch(const QList<const ReadLine *> &lines);
    // Writes, or stages, one line (the reader's fieldMap is set from it).
    void writeLine(qint64 number, const ReadLine &line);
    // Writes the staged lines.
    void flush();
    // Forgets the staged lines without writing them (their batch is lost).
    void discard();

private:
    struct Staged
    {
        qint64 number = 0;
        const ReadLine *line = nullptr;
        StagedLine rows;
    };

    int lastPositionOf(int fieldIndex) const;
    static QString textAt(const ReadLine &line, int position);
    bool dependsOnStaged(const ReadLine &line, const QString &foldedKey) const;
    bool isDuplicate(const QString &key) const;
    LineOutcome updateInstead(const ReadLine &line, const LineOutcome &saved);
    void relearnKey(const QString &key);
    LineOutcome saveAlone(const Staged &staged);
    std::optional<DbError> writeTogether(qsizetype from, qsizetype to);
    void writeAroundClashes();
    void writeOneByOne(qsizetype from, qsizetype to);

    RecordWriter &m_writer;
    RecordReader &m_reader;
    Transaction &m_transaction;
    const FieldTable &m_fields;
    const int m_tableId;
    const bool m_duplicatesAsErrors;
    const OutcomeSink m_sink;
    const int m_keyFieldIndex;
    const int m_parentItemIndex; // 0 unless items name their parent item
    // The last positions mapping the key and the parent item (0: none),
    // found at each batch's start rather than line by line.
    int m_keyPosition = 0;
    int m_parentPosition = 0;

    bool m_keysKnown = false;
    QSet<QString> m_storedKeys;       // held by the table: found at the batch's start, or written since
    QList<Staged> m_staged;
    QSet<QString> m_stagedFoldedKeys; // without regard to case and trailing blanks
};

} // namespace vxr
