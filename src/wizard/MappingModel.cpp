#include "MappingModel.h"

#include "catalogue/FieldTable.h"
#include "import/ImportSetup.h"

#include <QFont>
#include <QGuiApplication>
#include <QPalette>

namespace vxr {

MappingModel::MappingModel(ImportSetup &setup, const FieldTable &fields, QObject *parent)
    : QAbstractTableModel(parent), m_setup(setup), m_fields(fields)
{
}

int MappingModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : MappingRows;
}

int MappingModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MappingModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const int position = index.row() + 1;
    if (index.column() == FieldColumn && m_setup.fieldIds[position] == 0)
        return suggestionData(position, role);
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case PositionColumn:
        return QStringLiteral("Field %1").arg(position);
    case SampleColumn:
        return m_samples.value(index.row());
    default: {
        const int fieldId = m_setup.fieldIds[position];
        return fieldId ? m_fields.byId(fieldId).displayName : QString();
    }
    }
}

QVariant MappingModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case PositionColumn:
        return QStringLiteral("Field No.");
    case SampleColumn:
        return sampleHeading();
    default:
        return QStringLiteral("Field Name");
    }
}

QString MappingModel::sampleHeading() const
{
    return m_setup.firstLineHeader ? QStringLiteral("Column Name") : QStringLiteral("Sample Value");
}

void MappingModel::refreshSampleHeading()
{
    emit headerDataChanged(Qt::Horizontal, SampleColumn, SampleColumn);
}

void MappingModel::setField(int position, int fieldId)
{
    m_setup.fieldIds[position] = fieldId;
    mappingChanged(position, position);
}

// The rows stay: a reset would give the columns their first widths again.
void MappingModel::reload()
{
    mappingChanged(1, MappingRows);
}

// A field mapped or unmapped anywhere can hide or show a suggestion anywhere.
void MappingModel::mappingChanged(int firstPosition, int lastPosition)
{
    const bool suggesting = !m_suggestions.isEmpty();
    emit dataChanged(index(suggesting ? 0 : firstPosition - 1, FieldColumn),
                     index(suggesting ? MappingRows - 1 : lastPosition - 1, FieldColumn));
    emit suggestionsChanged();
}

void MappingModel::setSuggestions(const QList<HeaderColumn> &columns)
{
    m_suggestions.clear();
    for (const HeaderColumn &column : columns) {
        if (column.outcome == HeaderColumn::Outcome::Suggested)
            m_suggestions.append(column);
    }
    mappingChanged(1, MappingRows);
}

const HeaderColumn *MappingModel::suggestionAt(int position) const
{
    for (const HeaderColumn &column : m_suggestions) {
        if (column.position == position)
            return m_setup.fieldIds[position] == 0 && m_setup.positionOf(column.fieldId) == 0 ? &column : nullptr;
    }
    return nullptr;
}

QVariant MappingModel::suggestionData(int position, int role) const
{
    const HeaderColumn *column = suggestionAt(position);
    if (!column)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return m_fields.byId(column->fieldId).displayName;
    case Qt::FontRole: {
        QFont font;
        font.setItalic(true);
        return font;
    }
    case Qt::ForegroundRole:
        return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    case Qt::ToolTipRole:
        return QStringLiteral("Suggested by the column name \"%1\": Accept Suggestions maps it").arg(column->name);
    default:
        return QVariant();
    }
}

int MappingModel::suggestionCount() const
{
    int count = 0;
    for (const HeaderColumn &column : m_suggestions)
        count += suggestionAt(column.position) ? 1 : 0;
    return count;
}

void MappingModel::acceptSuggestions()
{
    applyHeaderColumns(m_suggestions, m_setup, HeaderMatching::Guesses);
    m_suggestions.clear();
    mappingChanged(1, MappingRows);
}

void MappingModel::setSamples(const QStringList &texts)
{
    m_samples = texts;
    emit dataChanged(index(0, SampleColumn), index(MappingRows - 1, SampleColumn));
}

} // namespace vxr
