#include "StoreSchema.h"

#include "OdbcStatement.h"
#include "SqlDialect.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

// The schema scripts live in a resource of this static library; a static
// library's resources must be registered explicitly, outside any namespace.
static void registerSchemaResource()
{
    Q_INIT_RESOURCE(schema);
}

namespace vxr {

namespace {

void ensureSchemaResource()
{
    static const bool registered = (registerSchemaResource(), true);
    Q_UNUSED(registered);
}

} // namespace

QString schemaText(Dialect dialect)
{
    ensureSchemaResource();
    const QString name = sqlDialect(dialect).schemaResource();
    if (name.isEmpty())
        return {};
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QStringList splitSqlStatements(const QString &script)
{
    QStringList statements;
    QString current;
    QChar closing;            // the quote or bracket we are inside, if any
    const qsizetype n = script.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = script.at(i);
        if (!closing.isNull()) {
            current += c;
            if (c == closing)
                closing = QChar();
            continue;
        }
        if (c == u'-' && i + 1 < n && script.at(i + 1) == u'-') {
            while (i < n && script.at(i) != u'\n')
                ++i;
            current += u'\n';
            continue;
        }
        if (c == u';') {
            const QString statement = current.trimmed();
            if (!statement.isEmpty())
                statements.append(statement);
            current.clear();
            continue;
        }
        if (c == u'\'' || c == u'"')
            closing = c;
        else if (c == u'[')
            closing = u']';
        current += c;
    }
    const QString last = current.trimmed();
    if (!last.isEmpty())
        statements.append(last);
    return statements;
}

bool loadSchema(QSqlDatabase database, Dialect dialect, QString *error)
{
    const QString script = schemaText(dialect);
    if (script.isEmpty()) {
        if (error)
            *error = QStringLiteral("There is no store schema for this kind of database.");
        return false;
    }
    QSqlQuery query(database);
    const SqlDialect &sql = sqlDialect(dialect);
    for (const QString &statement : splitSqlStatements(script)) {
        // On ODBC through the driver manager itself, so the text goes with
        // its exact length.
        try {
            if (runOdbcDirect(database, statement, sql))
                continue;
        } catch (const DbError &failure) {
            if (error)
                *error = QStringLiteral("The store schema could not be created: %1").arg(failure.description);
            return false;
        }
        if (!query.exec(statement)) {
            if (error)
                *error = QStringLiteral("The store schema could not be created: %1")
                             .arg(query.lastError().text());
            return false;
        }
    }
    return true;
}

bool createSqliteStore(const QString &path, QString *error)
{
    if (QFileInfo::exists(path)) {
        if (error)
            *error = QStringLiteral("The file \"%1\" already exists; it is not overwritten.").arg(path);
        return false;
    }
    const QString connectionName = QStringLiteral("vxr-create-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(path);
        if (!db.open()) {
            if (error)
                *error = QStringLiteral("The file \"%1\" could not be created: %2")
                             .arg(path, db.lastError().text());
        } else {
            // One transaction: the store is either complete or not made at all.
            db.transaction();
            ok = loadSchema(db, Dialect::SQLite, error);
            if (ok && !db.commit()) {
                ok = false;
                if (error)
                    *error = db.lastError().text();
            }
            if (!ok)
                db.rollback();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connectionName);
    if (!ok)
        QFile::remove(path);
    return ok;
}

} // namespace vxr
