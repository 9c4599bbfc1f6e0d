#include "MappingModel.h"

#include "catalogue/FieldTable.h"
#include "import/ImportSetup.h"

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
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    const int position = index.row() + 1;
    switch (index.column()) {
    case PositionColumn:
        return QStringLiteral("Field %1").arg(position);
    case SampleColumn:
        return m_samples.value(index.row());
    default: {
        const int fieldId = m_setup.fieldIds[position];
        return fieldId ? m_fields.byId(fieldId).DisplayName : QString();
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
    const QModelIndex changed = index(position - 1, FieldColumn);
    emit dataChanged(changed, changed);
}

// The rows stay: a reset would give the columns their first widths again.
void MappingModel::reload()
{
    emit dataChanged(index(0, FieldColumn), index(MappingRows - 1, FieldColumn));
}

void MappingModel::setSamples(const QStringList &texts)
{
    m_samples = texts;
    emit dataChanged(index(0, SampleColumn), index(MappingRows - 1, SampleColumn));
}

} // namespace vxr
