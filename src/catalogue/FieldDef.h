#pragma once

#include <QString>
#include <QVariant>

namespace vxr {

// One importable database column of a destination table.
struct FieldDef
{
    QString TableName;      // table name of TableID; empty for the "<none>" entry
    int TableID = 0;        // destination table id, 0 for "<none>"
    QString DisplayName;    // caption in the field list and the mapping grid
    QString ColumnName;     // column that receives the value
    int FieldID = 0;        // catalogue id, stored in settings files
    int Pass = 0;           // 0: never offered; 1..3: resolution pass
    QVariant DefaultValue;  // value when no mapped text supplies one
    QVariant Value;         // value written for the line being imported
    int DataType = -1;      // column data-type code, -1 until read
    int MaxLength = -1;     // column defined size, -1 until read
};

} // namespace vxr
