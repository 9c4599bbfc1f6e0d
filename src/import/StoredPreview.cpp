#include "StoredPreview.h"

#include "ImportSetup.h"
#include "PreviewLookups.h"
#include "PreviewTexts.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "catalogue/VariantKinds.h"
#include "database/CancelToken.h"
#include "database/DbConnection.h"
#include "database/ReferenceLookups.h"
#include "database/TableRecordsets.h"
#include "database/ValueResolver.h"
#include "text/NumericText.h"
#include "text/RecordReader.h"

#include <QDateTime>
#include <QLocale>
#include <QSet>

namespace vxr {

namespace {

// Lines whose keys are asked of the store in one query.
constexpr int ChunkLines = 500;

// A value as the store holds it: numbers with a point, dates in ISO form.
QString shownValue(const QVariant &value)
{
    if (!value.isValid() || isNullValue(value))
        return QString();
    if (value.typeId() == QMetaType::QDateTime) {
        const QDateTime date = value.toDateTime();
        return date.time() == QTime(0, 0) ? date.date().toString(Qt::ISODate)
                                          : date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

// One line read: the texts of positions 1.. (index 0 unused).
struct TextLine
{
    QStringList texts;
    bool tooManyFields = false;
};

} // namespace

QString PreviewCount::text() const
{
    const QLocale locale;
    QString text = QStringLiteral("%1 lines: %2 would fail").arg(locale.toString(lines), locale.toString(failing));
    if (changedValues > 0)
        text += QStringLiteral(", %1 values in %2 lines would be stored changed (read as 0 or empty, or cut)")
                    .arg(locale.toString(changedValues), locale.toString(changedLines));
    return text + QLatin1Char('.');
}

struct StoredPreview::Private
{
    Private(const ImportSetup &setupGiven, const FieldTable &catalogue, CancelToken *cancelGiven)
        : setup(setupGiven), fields(catalogue), regional(setupGiven.regionalSettings()), cancel(cancelGiven),
          table(tableInfo(setupGiven.tableId))
    {
    }

    bool cancelled() const { return cancel && cancel->isRequested(); }
    PreviewLine convert(const TextLine &source, QString *key);
    PreviewCell convertCell(int fieldIndex, const QString &text);
    void markKeys(QList<PreviewLine> &lines, const QStringList &keys);
    int keyPosition() const;

    ImportSetup setup;
    FieldTable fields;
    RegionalSettings regional;
    CancelToken *cancel;
    const TableInfo *table;
    DbConnection connection;
    std::unique_ptr<TableRecordsets> tables;
    std::unique_ptr<ReferenceLookups> lookups; // never asked: the resolver needs one
    std::unique_ptr<ValueResolver> resolver;
    std::unique_ptr<PreviewLookups> previewLookups;
    QSet<QString> keysSeen;
};

StoredPreview::StoredPreview(const ImportSetup &setup, const FieldTable &catalogue, CancelToken *cancel)
    : d(std::make_unique<Private>(setup, catalogue, cancel))
{
}

StoredPreview::~StoredPreview()
{
    if (d->tables)
        d->tables->closeTables();
}

bool StoredPreview::open(QString *error)
{
    if (!d->table) {
        *error = QStringLiteral("No destination table is chosen.");
        return false;
    }
    DbError failure;
    if (!d->connection.open(d->setup.connectionString, &failure, 15, d->cancel)) {
        *error = failure.description;
        return false;
    }
    // A cancel request also interrupts a statement running on a server.
    d->connection.setCancelToken(d->cancel);
    d->tables = std::make_unique<TableRecordsets>(d->connection, d->fields);
    try {
        d->tables->openTables();
        for (int tableId = FirstTableId; tableId <= LastTableId; ++tableId)
            d->tables->readFieldTypes(tableId);
    } catch (const DbError &failed) {
        *error = failed.description;
        return false;
    }
    d->lookups = std::make_unique<ReferenceLookups>(d->fields, *d->tables, d->regional);
    d->resolver = std::make_unique<ValueResolver>(d->fields, *d->lookups, d->regional,
                                                  d->setup.strictValues ? StrictValues::Yes : StrictValues::No);
    d->resolver->setCutFails(d->setup.rejectCut);
    d->resolver->setKeyEntry(d->table->keyColumn.isEmpty() ? 0 : d->table->keyFieldIndex);
    d->previewLookups = std::make_unique<PreviewLookups>(d->tables->statements());
    return true;
}

int StoredPreview::Private::keyPosition() const
{
    if (table->keyColumn.isEmpty())
        return 0;
    return setup.positionOf(fields[table->keyFieldIndex].fieldId);
}

PreviewCell StoredPreview::Private::convertCell(int fieldIndex, const QString &text)
{
    FieldDef &field = fields[fieldIndex];
    try {
        // What fails a line before its look-ups (strict values, cut texts refused).
        resolver->checkValue(fieldIndex, text);
    } catch (const DbError &error) {
        return {text, CellMark::Fails, previewTexts::fails(error)};
    }
    if (isReferenceField(field.fieldId)) {
        QVariant id;
        PreviewCell cell = previewLookups->look(field.fieldId, text, fields.byId(FieldIds::ItemDepartment).value, &id);
        field.value = id;
        return cell;
    }
    const qsizetype notesBefore = resolver->notes().size();
    try {
        resolver->resolveFieldValue(fieldIndex, text);
    } catch (const DbError &error) {
        return {text, CellMark::Fails, previewTexts::fails(error)};
    }
    PreviewCell cell{shownValue(field.value), CellMark::None, {}};
    QStringList problems;
    for (qsizetype n = notesBefore; n < resolver->notes().size(); ++n)
        problems << previewTexts::changed(resolver->notes().at(n));
    if (!problems.isEmpty()) {
        cell.mark = CellMark::Changed;
        cell.problem = problems.join(QLatin1Char('\n'));
    }
    return cell;
}

// The entries resolved pass by pass, as the run resolves them: a category
// after its department.
PreviewLine StoredPreview::Private::convert(const TextLine &source, QString *key)
{
    fields.resetFieldValues();
    resolver->clearNotes();
    PreviewLine line;
    line.cells.resize(MappingRows + 1);
    for (int pass = 1; pass <= 3; ++pass) {
        for (int position = 1; position <= MappingRows; ++position) {
            const int index = setup.fieldIds[position] ? fields.findFieldIndex(setup.fieldIds[position]) : 0;
            if (index != 0 && fields[index].pass == pass)
                line.cells[position] = convertCell(index, source.texts.at(position));
        }
    }
    if (const int position = keyPosition(); position != 0 && line.cells[position].mark != CellMark::Fails) {
        *key = fields[table->keyFieldIndex].value.toString();
        if (key->trimmed().isEmpty())
            line.cells[position] = {QString(), CellMark::Fails, previewTexts::fails({ErrorNumbers::EmptyKey, {}})};
    }
    if (source.tooManyFields)
        line.problem = previewTexts::tooManyFields();
    for (const PreviewCell &cell : line.cells) {
        line.fails = line.fails || cell.mark == CellMark::Fails;
        line.changed += cell.mark == CellMark::Changed ? 1 : 0;
    }
    line.fails = line.fails || source.tooManyFields;
    if (line.fails || key->trimmed().isEmpty())
        key->clear();
    return line;
}

// A key the store holds, or an earlier line gave, fails its line as a
// duplicate, or updates that row when duplicates update.
void StoredPreview::Private::markKeys(QList<PreviewLine> &lines, const QStringList &keys)
{
    const int position = keyPosition();
    if (position == 0)
        return;
    QStringList asked;
    for (const QString &key : keys) {
        if (!key.isEmpty())
            asked << key;
    }
    QSet<QString> stored;
    if (!asked.isEmpty()) {
        for (const QVariant &value : tables->valuesPresent(table->name, table->keyColumn, asked))
            stored.insert(value.toString());
    }
    const bool updates = !setup.duplicatesAsErrors && table->updatable;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString &key = keys.at(n);
        if (key.isEmpty())
            continue;
        PreviewCell &cell = lines[n].cells[position];
        if (stored.contains(key) || keysSeen.contains(key)) {
            cell.problem = stored.contains(key) ? previewTexts::keyStored(updates) : previewTexts::keyRepeated();
            if (!updates) {
                cell.mark = CellMark::Fails;
                lines[n].fails = true;
            }
        } else {
            keysSeen.insert(key);
        }
    }
}

std::optional<PreviewCount> StoredPreview::run(int shownLines,
                                               const std::function<void(const QList<PreviewLine> &)> &shown,
                                               QString *error)
{
    RecordReader reader(d->fields);
    d->setup.configureReader(reader);
    const auto close = qScopeGuard([&reader] { reader.closeTextFile(); });
    if (!reader.openTextFile(d->setup.textFile)) {
        *error = reader.errorString();
        return std::nullopt;
    }
    if (d->setup.skipsFirstLine() && !reader.atEndOfFile())
        reader.readNextRecord();
    d->keysSeen.clear();
    PreviewCount count;
    bool shownYet = false;
    try {
        while (!reader.atEndOfFile() || !shownYet) {
            QList<PreviewLine> lines;
            QStringList keys;
            const int chunk = shownYet ? ChunkLines : shownLines;
            while (lines.size() < chunk && !reader.atEndOfFile()) {
                if (d->cancelled())
                    return std::nullopt;
                TextLine source;
                reader.readNextRecord();
                if (reader.hasReadError()) {
                    *error = reader.errorString();
                    return std::nullopt;
                }
                source.tooManyFields = reader.lineHasTooManyFields();
                for (int position = 0; position <= MappingRows; ++position)
                    source.texts << reader.fieldMap[position].text;
                QString key;
                lines << d->convert(source, &key);
                keys << key;
            }
            d->markKeys(lines, keys);
            for (const PreviewLine &line : std::as_const(lines)) {
                ++count.lines;
                count.failing += line.fails ? 1 : 0;
                count.changedLines += !line.fails && line.changed > 0 ? 1 : 0;
                count.changedValues += line.fails ? 0 : line.changed;
            }
            if (!shownYet && shown)
                shown(lines);
            shownYet = true;
        }
    } catch (const DbError &failed) {
        *error = failed.description;
        return std::nullopt;
    }
    return count;
}

} // namespace vxr
