#pragma once

#include "DbConnection.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace vxr {

// The store schema of a dialect, as the script in schema/ holds it (embedded in
// the program). Empty for a generic ODBC source, which has no schema of ours.
QString schemaText(Dialect dialect);

// The statements of a script, split at the semicolons that end them; comments
// are dropped and semicolons inside quotes or brackets are kept.
QStringList splitSqlStatements(const QString &script);

// Runs every statement of the dialect's schema on an open database. Stops at
// the first failure and describes it in *error.
bool loadSchema(QSqlDatabase database, Dialect dialect, QString *error);

// Creates an empty SQLite store at path. Refuses to overwrite an existing
// file; on failure nothing is left behind and *error says why.
bool createSqliteStore(const QString &path, QString *error);

} // namespace vxr
