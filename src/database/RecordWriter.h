#pragma once

#include <QLocale>

namespace vxr {

class DbConnection;
class FieldTable;
class RecordReader;
class TableRecordsets;
struct RegionalSettings;

// Writes the line last read (FieldMap) as one row of a destination table,
// with its look-ups and companion rows; or updates the existing row by key.
class RecordWriter
{
public:
    RecordWriter(FieldTable &fields, const RecordReader &reader, DbConnection &connection,
                 TableRecordsets &tables, const RegionalSettings &regional,
                 const QLocale &locale = QLocale::system());

    // 0 when the row was added; ErrorNumbers::DuplicateKey when the key is
    // already present; otherwise the number of the first failure.
    qint32 SaveRecord(int tableId);
    // 0 when the existing Item or Customer row was updated; -1 for other
    // tables; otherwise the number of the failure.
    qint32 UpdateRecord(int tableId);

private:
    FieldTable &m_fields;
    const RecordReader &m_reader;
    DbConnection &m_connection;
    TableRecordsets &m_tables;
    const RegionalSettings &m_regional;
    QLocale m_locale;
};

} // namespace vxr
