#include "ConstantColumns.h"

#include "SqlDialect.h"
#include "TableRecordsetsPrivate.h"

#include <QDateTime>

#include <cstring>

namespace vxr {

namespace {

bool isNullBound(const QVariant &value)
{
    if (value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString: return static_cast<const QString *>(value.constData())->isNull();
    case QMetaType::QDateTime: return !static_cast<const QDateTime *>(value.constData())->isValid();
    default: return false;
    }
}

// Whether two bound values give the same literal: of the same kind, and
// equal as the literal writes them (doubles to the bit, date and time as
// they read).
bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.typeId() != b.typeId())
        return false;
    const bool aNull = isNullBound(a);
    if (aNull || isNullBound(b))
        return aNull == isNullBound(b);
    switch (a.typeId()) {
    case QMetaType::QString:
        return *static_cast<const QString *>(a.constData()) == *static_cast<const QString *>(b.constData());
    case QMetaType::Double:
        return std::memcmp(a.constData(), b.constData(), sizeof(double)) == 0;
    case QMetaType::QDateTime: {
        const auto *x = static_cast<const QDateTime *>(a.constData());
        const auto *y = static_cast<const QDateTime *>(b.constData());
        return x->date() == y->date() && x->time() == y->time();
    }
    default:
        return a == b;
    }
}

} // namespace

void ConstantColumns::admit(const SqlDialect &dialect, const QList<recordsets::Column> &columns,
                            const QVariantList &row)
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
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (!m_literals.at(i).isEmpty() && !sameValue(m_values.at(i), row.at(i))) {
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

void ConstantColumns::appendBound(QVariantList &bound, const QVariantList &row) const
{
    if (m_constantCount == 0) {
        bound.append(row);
        return;
    }
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (m_literals.at(i).isEmpty())
            bound.append(row.at(i));
    }
}

} // namespace vxr
