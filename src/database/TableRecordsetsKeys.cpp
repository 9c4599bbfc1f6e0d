// The keys a table holds among those of a batch: the duplicate check of
// the batch's lines.

#include "TableRecordsetsPrivate.h"

#include "ColumnValue.h"
#include "QueryHelpers.h"
#include "SqlDialect.h"
#include "SqlStatements.h"

namespace vxr {

using namespace recordsets;

QList<QVariant> TableRecordsets::valuesPresent(const QString &tableName, const QString &column,
                                               const QStringList &values)
{
    QList<QVariant> present;
    const SqlDialect &dialect = d->statements.sqlDialect();
    const Table &target = d->table(tableName);
    const QString name = d->column(target, column).name;
    if (dialect.isEmbedded()) {
        // In-process, a look-up per key costs no round trip, and SQLite
        // answers it from the key's index: cheaper than sorting a list of
        // the batch's keys into a temporary one first.
        PreparedStatement &probe = d->statements.prepared(dialect.valuesPresentSql(target.name, name, 1));
        QVariantList bound(1);
        for (const QString &value : values) {
            bound[0] = boundText(value);
            probe.execute(bound);
            const ResultRelease release(probe);
            while (probe.next())
                present.append(probe.value(0));
        }
        return present;
    }
    // Leave room for what a driver binds beside the values.
    const int perStatement = qMax(1, dialect.maxParameters() - 10);
    for (qsizetype first = 0; first < values.size(); first += perStatement) {
        const int count = int(qMin<qsizetype>(perStatement, values.size() - first));
        const int places = placesFor(count, perStatement);
        QVariantList bound;
        bound.reserve(places);
        for (qsizetype i = 0; i < places; ++i)
            bound.append(boundText(values.at(first + qMin<qsizetype>(i, count - 1))));
        PreparedStatement &statement = d->statements.run(dialect.valuesPresentSql(target.name, name, places), bound);
        const ResultRelease release(statement);
        while (statement.next())
            present.append(statement.value(0));
    }
    return present;
}

} // namespace vxr
