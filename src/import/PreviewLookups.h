#pragma once

#include "PreviewCell.h"

#include "database/ReferenceLookups.h"

#include <QHash>
#include <QVariant>

namespace vxr {

class SqlStatements;

// The reference look-ups of the stored-value preview: the same queries the
// run asks, read-only. A name that is missing is shown as the row the run
// would add, and nothing is added. Each name is asked once.
class PreviewLookups
{
public:
    explicit PreviewLookups(SqlStatements &sql) : m_sql(sql) {}

    // The cell for the text of reference entry fieldId. *id gets the ID the
    // line would store: a found row's, 0 for a blank name, and an invalid
    // value for a row the run would add. departmentId is the line's
    // department, for its category. Throws DbError when a query fails.
    PreviewCell look(int fieldId, const QString &text, const QVariant &departmentId, QVariant *id);

private:
    using Found = LookUpQueries::Row;
    Found cached(const QString &key, const QString &sql, const QVariantList &parameters);
    PreviewCell byName(const QString &table, const QString &sql, const QString &name, QVariant *id);
    PreviewCell byCode(const QString &table, const QString &code, QVariant *id);
    PreviewCell category(const QString &name, const QVariant &departmentId, QVariant *id);

    SqlStatements &m_sql;
    QHash<QString, Found> m_cache;
};

} // namespace vxr
