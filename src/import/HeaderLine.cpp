#include "HeaderLine.h"

#include "HeaderGuess.h"
#include "ImportSetup.h"

#include "catalogue/FieldTable.h"
#include "text/RecordReader.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

namespace vxr {

namespace {

// The offered fields whose caption (or column name) has the key.
QList<int> fieldsWithKey(const FieldTable &fields, const QList<int> &offered, const QString &key, bool byColumn)
{
    QList<int> found;
    for (const int index : offered) {
        const FieldDef &field = fields[index];
        if (matchingKey(byColumn ? field.columnName : field.displayName) == key)
            found.append(field.fieldId);
    }
    return found;
}

} // namespace

QString matchingKey(const QString &name)
{
    QString key;
    key.reserve(name.size());
    for (const QChar c : name) {
        if (c.isLetterOrNumber())
            key += c.toCaseFolded();
    }
    return key;
}

int matchHeaderName(const FieldTable &fields, int tableId, const QString &name)
{
    const QString key = matchingKey(name);
    if (key.isEmpty())
        return 0;
    const QList<int> offered = fields.offeredFieldIndices(tableId);
    for (const bool byColumn : {false, true}) {
        const QList<int> found = fieldsWithKey(fields, offered, key, byColumn);
        if (found.size() == 1)
            return found.first();
        if (found.size() > 1)
            return -1;
    }
    return 0;
}

QList<HeaderColumn> matchHeaderNames(const FieldTable &fields, const QStringList &names, const ImportSetup &setup)
{
    using Outcome = HeaderColumn::Outcome;
    QSet<int> taken(setup.fieldIds.begin() + 1, setup.fieldIds.end());
    // The outcome of a column whose name matches field (0: none, -1: several).
    const auto settle = [&taken](HeaderColumn &column, int field, Outcome free) {
        column.fieldId = std::max(field, 0);
        if (field == -1)
            column.outcome = Outcome::Ambiguous;
        else if (field == 0)
            column.outcome = Outcome::NoMatch;
        else if (column.position > MappingRows)
            column.outcome = Outcome::BeyondMapping;
        else if (taken.contains(field))
            column.outcome = Outcome::FieldTaken;
        else
            column.outcome = free;
        if (column.outcome == free)
            taken.insert(field);
    };

    QList<HeaderColumn> columns;
    for (qsizetype i = 0; i < names.size(); ++i) {
        HeaderColumn column;
        column.position = int(i + 1);
        column.name = names.at(i);
        if (column.name.trimmed().isEmpty())
            continue;
        if (column.position <= MappingRows && setup.fieldIds[column.position] != 0) {
            // the operator's mapping stands, whatever the name
            column.fieldId = setup.fieldIds[column.position];
            column.outcome = Outcome::AlreadyMapped;
        } else {
            settle(column, matchHeaderName(fields, setup.tableId, column.name), Outcome::Mapped);
        }
        columns.append(column);
    }

    const QList<int> offered = fields.offeredFieldIndices(setup.tableId);
    for (HeaderColumn &column : columns) {
        if (column.outcome != Outcome::NoMatch)
            continue;
        const QList<int> guesses = guessedFieldIds(fields, offered, column.name);
        if (guesses.isEmpty())
            continue;
        column.guessed = true;
        settle(column, guesses.size() == 1 ? guesses.first() : -1, Outcome::Suggested);
    }
    return columns;
}

void applyHeaderColumns(QList<HeaderColumn> &columns, ImportSetup &setup, HeaderMatching matching)
{
    using Outcome = HeaderColumn::Outcome;
    for (HeaderColumn &column : columns) {
        const bool applies = column.outcome == Outcome::Mapped
                || (column.outcome == Outcome::Suggested && matching == HeaderMatching::Guesses);
        if (!applies)
            continue;
        if (const int mapped = setup.fieldIds[column.position]) {
            column.fieldId = mapped;
            column.outcome = Outcome::AlreadyMapped;
        } else if (setup.positionOf(column.fieldId) != 0) {
            column.outcome = Outcome::FieldTaken;
        } else {
            setup.fieldIds[column.position] = column.fieldId;
            column.outcome = Outcome::Mapped;
        }
    }
}

QList<HeaderColumn> applyHeaderNames(const FieldTable &fields, const QStringList &names, ImportSetup &setup,
                                     HeaderMatching matching)
{
    QList<HeaderColumn> columns = matchHeaderNames(fields, names, setup);
    applyHeaderColumns(columns, setup, matching);
    return columns;
}

std::optional<QList<HeaderColumn>> applyHeaderLine(const FieldTable &fields, ImportSetup &setup, QString *error,
                                                   HeaderMatching matching)
{
    RecordReader reader(fields);
    setup.configureReader(reader);
    if (!reader.openTextFile(setup.textFile)) {
        if (error)
            *error = QStringLiteral("the text file %1 cannot be opened: %2").arg(setup.textFile, reader.errorString());
        return std::nullopt;
    }
    QStringList names;
    if (!reader.atEndOfFile()) {
        reader.readNextRecord();
        int last = 0;
        for (int position = 1; position <= FieldMapLastPosition; ++position) {
            if (!reader.fieldMap[position].text.isEmpty())
                last = position;
        }
        for (int position = 1; position <= last; ++position)
            names.append(reader.fieldMap[position].text);
    }
    if (reader.hasReadError()) {
        if (error)
            *error = QStringLiteral("the text file %1 cannot be read: %2").arg(setup.textFile, reader.errorString());
        return std::nullopt;
    }
    return applyHeaderNames(fields, names, setup, matching);
}

} // namespace vxr
