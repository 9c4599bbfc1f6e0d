#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>

#include <optional>

namespace vxr {

class FieldTable;
class RecordReader;
class ReferenceLookups;
class TableRecordsets;
class ValueResolver;
struct ReadLine;
struct RegionalSettings;

// The references of a batch of item lines resolved before its lines are:
// the departments, suppliers, taxes and categories the lines name are looked
// up with one statement per kind, and the missing ones added with a
// multi-row insert per table; the IDs go into the look-ups' cache, where
// each line then finds them.
//
// The store ends as a run one line at a time leaves it, IDs included. A
// name is added ahead only when its line is sure to reach its look-up and
// its add is sure to be the next one of its table: every new name before
// it in the batch was added ahead too. The first name that is not (its line
// may fail before, on a value or another reference; its add may fail; the
// store may take it for a stored name that differs in case) ends the adding
// of its kind for the batch, and from there its lines add their names one
// by one as before. An add that fails is rolled back and left to the lines,
// which then get its error, each as before; its names are not added ahead
// again in the run. (A refused multi-row statement on a server whose IDs
// come from a sequence has used one ID for each row up to the refused one;
// the one-line run uses one for the refused row alone.)
class BatchReferences
{
public:
    // The kinds, as the look-ups' cache keys them.
    enum class Kind : char { Department = 'D', Supplier = 'S', Tax = 'T', Category = 'C' };

    // One name a line needs.
    struct Need
    {
        QString name;            // as the cache keys it (a category's with its department)
        QString text;            // as stored: the category's own name, "Tax " and the rate
        QString fullText;        // a supplier's text before its cut (its code comes from it)
        qint32 departmentId = 0; // a category's
        bool doubtful = false;   // the line may fail before it reaches this look-up
    };

    BatchReferences(FieldTable &fields, const RecordReader &reader, ReferenceLookups &lookups,
                    const ValueResolver &resolver, TableRecordsets &tables, const RegionalSettings &regional);

    // Resolves what the lines (of the destination table, in file order) will
    // look up. Failures of look-ups and adds leave the names to the lines;
    // a failure that ends the run is thrown as DbError.
    void prepare(int tableId, const QList<const ReadLine *> &lines);

    // Looks up the names of one kind and adds the new ones that can be
    // added ahead (see above), in the order of the needs.
    void resolve(Kind kind, const QList<Need> &needs);

private:
    struct LineState;
    // The needs of a batch's lines at a position: each different one once,
    // in the order the lines first need it, and which one each line needs
    // (-1: none, for a line that does not reach it or names nothing there).
    struct LineNeeds
    {
        QList<Need> distinct;
        QList<qsizetype> ofLine;
    };

    std::optional<Need> needOf(Kind kind, const QString &rawText, const LineState &state) const;
    LineNeeds needsAt(Kind kind, int position, const QList<LineState> &states) const;
    void settle(Kind kind, const LineNeeds &needs, QList<LineState> &states) const;

    QSet<QString> lookUp(Kind kind, const QList<Need> &needs);
    QList<Need> plan(Kind kind, const QList<Need> &needs, const QSet<QString> &unclear) const;
    bool fits(Kind kind, const Need &need) const;
    void add(Kind kind, const QList<Need> &planned);

    FieldTable &m_fields;
    const RecordReader &m_reader;
    ReferenceLookups &m_lookups;
    const ValueResolver &m_resolver;
    TableRecordsets &m_tables;
    const RegionalSettings &m_regional;
    QSet<QString> m_refused; // kind and name of each add that failed
};

// The texts of the statements the batch look-ups run (with three names),
// for a check of their syntax.
QStringList batchLookUpStatementTexts();

} // namespace vxr
