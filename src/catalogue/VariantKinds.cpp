#include "VariantKinds.h"

namespace vxr {

bool valueIsTrue(const QVariant &v)
{
    if (isEmptyValue(v) || isNullValue(v))
        return false;
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::QString: {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        return ok ? d != 0.0 : !v.toString().isEmpty();
    }
    default:
        return v.toDouble() != 0.0;
    }
}

qint32 valueToInt32(const QVariant &v)
{
    if (isEmptyValue(v) || isNullValue(v))
        return 0;
    return static_cast<qint32>(v.toLongLong());
}

} // namespace vxr
