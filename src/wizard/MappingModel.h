#pragma once

#include "import/HeaderLine.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace vxr {

class FieldTable;
struct ImportSetup;

// The set-up's mapping as the grid of the mapping panel shows it: a row for
// each text position (1 to 52), with the position, the text the file's
// first line has there (its column name when the first line holds names),
// and the name of the field mapped to it, or in italics the field its column
// name suggests while that position and field are free. The mapping itself
// is the set-up's; the texts and suggestions are only shown.
class MappingModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { PositionColumn, SampleColumn, FieldColumn, ColumnCount };

    MappingModel(ImportSetup &setup, const FieldTable &fields, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Maps text position (1-based) to the field with this FieldID; 0 unmaps it.
    void setField(int position, int fieldId);
    // The set-up changed as a whole (another table, a settings file).
    void reload();

    // The texts of positions 1 upwards in the line the sample column shows.
    void setSamples(const QStringList &texts);
    QString sampleHeading() const;
    // The sample heading follows the set-up's "first line holds names".
    void refreshSampleHeading();

    // The header line's columns; those Suggested are shown until accepted,
    // or until their position or field is mapped otherwise.
    void setSuggestions(const QList<HeaderColumn> &columns);
    int suggestionCount() const;
    // Maps every suggestion still shown.
    void acceptSuggestions();

signals:
    void suggestionsChanged();

private:
    // The suggestion shown at a position; nullptr when none is.
    const HeaderColumn *suggestionAt(int position) const;
    QVariant suggestionData(int position, int role) const;
    void mappingChanged(int firstPosition, int lastPosition);

    ImportSetup &m_setup;
    const FieldTable &m_fields;
    QStringList m_samples;
    QList<HeaderColumn> m_suggestions;
};

} // namespace vxr
