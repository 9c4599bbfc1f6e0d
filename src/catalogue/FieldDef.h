#pragma once

#include <QString>
#include <QVariant>

namespace vxr {

// One importable database column of a destination table.
struct FieldDef
{
    QString tableName;      // table name of tableId; empty for the "<none>" entry
    int tableId = 0;        // destination table id, 0 for "<none>"
    QString displayName;    // caption in the field list and the mapping grid
    QString columnName;     // column that receives the value
    int fieldId = 0;        // catalogue id, stored in settings files
    int pass = 0;           // 0: never offered; 1..3: resolution pass
    QVariant defaultValue;  // value when no mapped text supplies one
    QVariant value;         // value written for the line being imported
    int dataType = -1;      // column data-type code, -1 until read
    int maxLength = -1;     // column defined size, -1 until read
};

} // namespace vxr
