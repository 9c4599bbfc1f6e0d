#include "ConstantColumns.h"

#include "ColumnValue.h"
#include "SqlDialect.h"
#include "TableRecordsetsPrivate.h"

namespace vxr {

void ConstantColumns::admit(const SqlDialect &dialect, const QList<recordsets::Column> &columns,
                            const QVariantList &row, const Changed &changed)
{
    if (!m_decided) {
        m_decided = true;
        m_values = row;
        m_literals.reserve(row.size());
        for (qsizetype i = 0; i < row.size(); ++i) {
            const std::optional<QString> literal = dialect.literal(row.at(i), columns.at(i).typeCode);
            m_literals.append(literal.value_or(QString()));
            if (literal)
                ++m_constantCount;
        }
        return;
    }
    if (m_constantCount == 0)
        return;
    for (const qsizetype i : changed) {
        if (!m_literals.at(i).isEmpty() && !sameBound(m_values.at(i), row.at(i))) {
            m_literals[i].clear();
            m_values[i] = QVariant();
            --m_constantCount;
        }
    }
}

QStringList ConstantColumns::literals() const
{
    return m_constantCount > 0 ? m_literals : QStringList();
}

qsizetype ConstantColumns::boundCount() const
{
    return m_literals.size() - m_constantCount;
}

void ConstantColumns::appendBound(QVariantList &bound, const QVariantList &row, const QVariantList &shared) const
{
    if (m_constantCount == 0) {
        bound.append(row);
        bound.append(shared);
        return;
    }
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (m_literals.at(i).isEmpty())
            bound.append(row.at(i));
    }
    for (qsizetype i = 0; i < shared.size(); ++i) {
        if (m_literals.at(row.size() + i).isEmpty())
            bound.append(shared.at(i));
    }
}

} // namespace vxr
