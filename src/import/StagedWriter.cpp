#include "StagedWriter.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "database/DbError.h"
#include "database/Transaction.h"

namespace vxr {

namespace {

// The rows of a batch written together are undone as a whole when one of
// their statements fails.
const QString BatchSavepoint = QStringLiteral("vxr_batch");

// A key as a database comparing without regard to case and trailing blanks
// might take it.
QString folded(QStringView key)
{
    while (key.endsWith(u' '))
        key.chop(1);
    return key.toString().toCaseFolded();
}

int keyFieldIndexOf(int tableId)
{
    const TableInfo *table = tableInfo(tableId);
    return table && !table->keyColumn.isEmpty() ? table->keyFieldIndex : 0;
}

} // namespace

StagedWriter::StagedWriter(RecordWriter &writer, RecordReader &reader, Transaction &transaction,
                           const FieldTable &fields, int tableId, bool duplicatesAsErrors, OutcomeSink sink)
    : m_writer(writer), m_reader(reader), m_transaction(transaction), m_fields(fields), m_tableId(tableId),
      m_duplicatesAsErrors(duplicatesAsErrors), m_sink(std::move(sink)), m_keyFieldIndex(keyFieldIndexOf(tableId)),
      m_parentItemIndex(tableId == ItemTable ? fields.findFieldIndex(FieldIds::ItemParentItem) : 0)
{
}

// The last position that maps an entry: the one the resolution reads it
// from. 0 when no position maps it.
int StagedWriter::lastPositionOf(int fieldIndex) const
{
    for (int position = FieldMapLastPosition - 1; fieldIndex != 0 && position >= 1; --position) {
        if (m_reader.fieldMap[position].fieldIndex == fieldIndex)
            return position;
    }
    return 0;
}

QString StagedWriter::textAt(const ReadLine &line, int position)
{
    return position != 0 ? line.text(position).toString() : QString();
}

void StagedWriter::startBatch(const QList<const ReadLine *> &lines)
{
    m_storedKeys.clear();
    m_keysKnown = false;
    m_keyPosition = lastPositionOf(m_keyFieldIndex);
    m_parentPosition = lastPositionOf(m_parentItemIndex);
    m_writer.resolveReferencesAhead(m_tableId, lines);
    if (m_keyFieldIndex == 0)
        return;
    QStringList keys;
    keys.reserve(lines.size());
    QSet<QString> seen;
    seen.reserve(lines.size());
    for (const ReadLine *line : lines) {
        const QString key = textAt(*line, m_keyPosition);
        const qsizetype before = seen.size();
        if (!key.isEmpty() && (seen.insert(key), seen.size() > before))
            keys.append(key);
    }
    try {
        m_storedKeys = m_writer.storedKeys(m_tableId, keys);
        m_keysKnown = true;
    } catch (const DbError &error) {
        if (error.endsRun())
            throw;
        // The keys are checked line by line instead.
    }
}

// A line whose writing needs rows still staged: it repeats a staged key
// (whether it is a duplicate, or an update, depends on whether the staged
// row is stored in the end), or names a staged item as its parent.
bool StagedWriter::dependsOnStaged(const ReadLine &line, const QString &foldedKey) const
{
    if (m_staged.isEmpty())
        return false;
    if (m_keyFieldIndex != 0 && m_stagedFoldedKeys.contains(foldedKey))
        return true;
    return m_parentItemIndex != 0 && m_stagedFoldedKeys.contains(folded(line.text(m_parentPosition)));
}

// The duplicate check of a line, as the database would answer it: the key
// is stored (found at the batch's start, or written since). A staged key
// never counts: its line is written first, since its row may yet be refused.
bool StagedWriter::isDuplicate(const QString &key) const
{
    return m_storedKeys.contains(key);
}

// With duplicates not treated as errors, a line that could not be saved
// updates the row its key names instead; only that result counts.
LineOutcome StagedWriter::updateInstead(const ReadLine &line, const LineOutcome &saved)
{
    if (!saved.failed() || m_duplicatesAsErrors)
        return saved;
    m_reader.restoreLine(line);
    const LineOutcome updated = m_writer.updateRecord(m_tableId);
    if (updated.kind == LineOutcome::Kind::Updated)
        relearnKey(textAt(line, m_keyPosition));
    return updated;
}

// An update writes the key as its line gives it into the row it found: on a
// store that compares keys without regard to case, the row found by «abc»
// holds «ABC» from then on. Unless the key was stored exactly so and no
// other stored key of the batch folds to it, the stored keys that do are
// asked again.
void StagedWriter::relearnKey(const QString &key)
{
    if (!m_keysKnown || key.isEmpty())
        return;
    const QString fold = folded(key);
    QStringList alike;
    for (const QString &stored : std::as_const(m_storedKeys)) {
        if (folded(stored) == fold)
            alike.append(stored);
    }
    if (alike == QStringList{key})
        return;
    for (const QString &stored : std::as_const(alike))
        m_storedKeys.remove(stored);
    try {
        m_storedKeys.unite(m_writer.storedKeys(m_tableId, {key}));
    } catch (const DbError &error) {
        if (error.endsRun())
            throw;
        m_keysKnown = false; // the keys are checked line by line from here
    }
}

void StagedWriter::writeLine(qint64 number, const ReadLine &line)
{
    const QStringView keyText = line.text(m_keyPosition);
    const QString foldedKey = m_keyFieldIndex != 0 ? folded(keyText) : QString();
    if (dependsOnStaged(line, foldedKey))
        flush();
    m_reader.restoreLine(line);
    // Without a duplicate check for the batch, the line is written alone.
    if (!m_keysKnown && m_keyFieldIndex != 0) {
        const LineOutcome saved = m_writer.saveRecord(m_tableId);
        if (!saved.failed())
            m_storedKeys.insert(textAt(line, m_keyPosition));
        m_sink(number, updateInstead(line, saved));
        return;
    }
    StagedLine rows;
    const LineOutcome staged = m_writer.stageRecord(m_tableId, rows);
    if (staged.failed()) {
        m_sink(number, updateInstead(line, staged));
        return;
    }
    if (!rows.key.isEmpty() && isDuplicate(rows.key)) {
        m_sink(number, updateInstead(line, LineOutcome::failure(ErrorNumbers::DuplicateKey)));
        return;
    }
    // The key as stored is the line's, as a rule: folded once.
    m_stagedFoldedKeys.insert(rows.key == keyText ? foldedKey : folded(rows.key));
    m_staged.append({number, &line, std::move(rows)});
    m_sink(number, LineOutcome::staged());
}

void StagedWriter::flush()
{
    if (m_staged.isEmpty())
        return;
    if (!m_writer.canWriteStagedRecords(m_tableId)) {
        writeOneByOne(0, m_staged.size());
    } else if (const std::optional<DbError> refused = writeTogether(0, m_staged.size())) {
        if (refused->number == ErrorNumbers::DuplicateKey)
            writeAroundClashes();
        else
            writeOneByOne(0, m_staged.size()); // rolled back: each line alone
    }
    discard();
}

// Writes the staged lines from one place to another with a statement for
// each table; when one is refused, nothing of them is stored and the error
// comes back.
std::optional<DbError> StagedWriter::writeTogether(qsizetype from, qsizetype to)
{
    QList<const StagedLine *> lines;
    lines.reserve(to - from);
    for (qsizetype i = from; i < to; ++i)
        lines.append(&m_staged.at(i).rows);
    try {
        m_transaction.guarded(BatchSavepoint, [&] { m_writer.writeStagedRecords(m_tableId, lines); });
    } catch (const DbError &error) {
        if (error.endsRun())
            throw;
        return error;
    }
    for (qsizetype i = from; i < to; ++i) {
        const Staged &staged = m_staged.at(i);
        m_storedKeys.insert(staged.rows.key);
        m_sink(staged.number, LineOutcome::written(LineOutcome::Kind::Added, staged.rows.values));
    }
    return std::nullopt;
}

// A unique index refused a key the exact check let through: the store holds
// it in another case (or with other trailing blanks). Only the lines whose
// keys the store holds so go one by one; the lines between them go together
// again, in the order of the file, so that the rows are added as a
// line-by-line run adds them.
void StagedWriter::writeAroundClashes()
{
    QStringList keys;
    for (const Staged &staged : std::as_const(m_staged))
        keys.append(staged.rows.key);
    QSet<QString> held;
    try {
        for (const QString &key : m_writer.storedKeys(m_tableId, keys))
            held.insert(folded(key));
    } catch (const DbError &error) {
        if (error.endsRun())
            throw;
    }
    const auto clashes = [&](qsizetype i) { return held.contains(folded(m_staged.at(i).rows.key)); };
    qsizetype from = 0;
    for (qsizetype i = 0; i < m_staged.size(); ++i) {
        if (!clashes(i))
            continue;
        if (i > from && writeTogether(from, i))
            writeOneByOne(from, i);
        writeOneByOne(i, i + 1);
        from = i + 1;
    }
    // No clash found (the store compares otherwise than folding says): all
    // one by one, rather than the same refusal again.
    if (from == 0)
        writeOneByOne(0, m_staged.size());
    else if (from < m_staged.size() && writeTogether(from, m_staged.size()))
        writeOneByOne(from, m_staged.size());
}

void StagedWriter::discard()
{
    m_staged.clear();
    m_stagedFoldedKeys.clear();
}

// As a line-by-line run writes them: each line in its savepoint, checked
// against the rows written before it.
void StagedWriter::writeOneByOne(qsizetype from, qsizetype to)
{
    for (qsizetype i = from; i < to; ++i) {
        const Staged &staged = m_staged.at(i);
        const LineOutcome outcome = saveAlone(staged);
        if (outcome.kind == LineOutcome::Kind::Added)
            m_storedKeys.insert(staged.rows.key);
        m_sink(staged.number, outcome);
    }
}

LineOutcome StagedWriter::saveAlone(const Staged &staged)
{
    return updateInstead(*staged.line, m_writer.writeStagedRecord(m_tableId, staged.rows));
}

} // namespace vxr
