#include "HeaderLine.h"

#include "ImportSetup.h"

#include "catalogue/FieldTable.h"
#include "text/RecordReader.h"

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
        if (matchingKey(byColumn ? field.ColumnName : field.DisplayName) == key)
            found.append(field.FieldID);
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

QList<HeaderColumn> applyHeaderNames(const FieldTable &fields, const QStringList &names, ImportSetup &setup)
{
    QList<HeaderColumn> columns;
    for (qsizetype i = 0; i < names.size(); ++i) {
        HeaderColumn column;
        column.position = int(i + 1);
        column.name = names.at(i);
        if (column.name.trimmed().isEmpty())
            continue;
        const bool positionTaken = column.position <= MappingRows && setup.fieldIds[column.position] != 0;
        const int match = positionTaken ? setup.fieldIds[column.position]
                                        : matchHeaderName(fields, setup.tableId, column.name);
        column.fieldId = std::max(match, 0);
        if (positionTaken) // the operator's mapping stands, whatever the name
            column.outcome = HeaderColumn::Outcome::AlreadyMapped;
        else if (match == -1)
            column.outcome = HeaderColumn::Outcome::Ambiguous;
        else if (match == 0)
            column.outcome = HeaderColumn::Outcome::NoMatch;
        else if (column.position > MappingRows)
            column.outcome = HeaderColumn::Outcome::BeyondMapping;
        else if (setup.positionOf(match) != 0)
            column.outcome = HeaderColumn::Outcome::FieldTaken;
        else
            column.outcome = HeaderColumn::Outcome::Mapped;
        if (column.outcome == HeaderColumn::Outcome::Mapped)
            setup.fieldIds[column.position] = match;
        columns.append(column);
    }
    return columns;
}

std::optional<QList<HeaderColumn>> applyHeaderLine(const FieldTable &fields, ImportSetup &setup, QString *error)
{
    RecordReader reader(fields);
    setup.configureReader(reader);
    if (!reader.OpenTextFile(setup.textFile)) {
        if (error)
            *error = QStringLiteral("the text file %1 cannot be opened: %2").arg(setup.textFile, reader.errorString());
        return std::nullopt;
    }
    QStringList names;
    if (!reader.AtEndOfFile()) {
        reader.ReadNextRecord();
        int last = 0;
        for (int position = 1; position <= FieldMapLastPosition; ++position) {
            if (!reader.FieldMap[position].Text.isEmpty())
                last = position;
        }
        for (int position = 1; position <= last; ++position)
            names.append(reader.FieldMap[position].Text);
    }
    if (reader.hasReadError()) {
        if (error)
            *error = QStringLiteral("the text file %1 cannot be read: %2").arg(setup.textFile, reader.errorString());
        return std::nullopt;
    }
    return applyHeaderNames(fields, names, setup);
}

} // namespace vxr
