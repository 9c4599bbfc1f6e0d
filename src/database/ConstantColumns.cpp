#include "ConstantColumns.h"

#include "SqlDialect.h"
#include "TableRecordsetsPrivate.h"

#include <QDateTime>

#include <cstring>

namespace vxr {

namespace {

bool isNullBound(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        return static_cast<const QString *>(value.constData())->isNull();
    if (value.isNull())
        return true;
    return value.typeId() == QMetaType::QDateTime && !static_cast<const QDateTime *>(value.constData())->isValid();
}

// Whether a value gives the same literal as a constant (whose null-ness is
// known): of the same kind, and equal as the literal writes it (doubles to
// the bit, date and time as they read).
bool sameValue(const QVariant &constant, bool constantIsNull, const QVariant &value)
{
    const int kind = constant.typeId();
    if (kind != value.typeId())
        return false;
    if (kind == QMetaType::QString) {
        const auto *a = static_cast<const QString *>(constant.constData());
        const auto *b = static_cast<const QString *>(value.constData());
        return a->isNull() == b->isNull() && *a == *b;
    }
    if (isNullBound(value) != constantIsNull)
        return false;
    if (constantIsNull)
        return true;
    switch (kind) {
    case QMetaType::Double:
        return std::memcmp(constant.constData(), value.constData(), sizeof(double)) == 0;
    case QMetaType::LongLong:
        return *static_cast<const qlonglong *>(constant.constData()) == *static_cast<const qlonglong *>(value.constData());
    case QMetaType::QDateTime: {
        const auto *x = static_cast<const QDateTime *>(constant.constData());
        const auto *y = static_cast<const QDateTime *>(value.constData());
        return x->date() == y->date() && x->time() == y->time();
    }
    default:
        return constant == value;
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
        m_nulls.reserve(row.size());
        for (qsizetype i = 0; i < row.size(); ++i) {
            m_nulls.append(isNullBound(row.at(i)));
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
        if (!m_literals.at(i).isEmpty() && !sameValue(m_values.at(i), m_nulls.at(i), row.at(i))) {
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
