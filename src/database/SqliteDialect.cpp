#include "SqliteDialect.h"

#include "ColumnValue.h"
#include "ErrorMapping.h"
#include "QtPreparedStatement.h"
#include "SqlitePreparedStatement.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVersionNumber>

#include <sqlite3.h>

#include <cmath>
#include <limits>

namespace vxr {

std::unique_ptr<PreparedStatement> SqliteDialect::prepare(const QSqlDatabase &database, const QString &sql,
                                                         StatementCanceller *canceller) const
{
    if (sqlite3 *handle = SqlitePreparedStatement::handleOf(database))
        return std::make_unique<SqlitePreparedStatement>(handle, sql, *this);
    return std::make_unique<QtPreparedStatement>(database, sql, *this, canceller);
}

void SqliteDialect::writeAheadOfCommit(const QSqlDatabase &database) const
{
    if (sqlite3 *handle = SqlitePreparedStatement::handleOf(database))
        sqlite3_db_cacheflush(handle);
}

QString SqliteDialect::existingFileUri(const QString &path)
{
    // SQLite reads %HH in a URI's path; '?' and '#' would end it. An empty
    // authority keeps a share's \\server\share path whole.
    QString file = QDir::fromNativeSeparators(QFileInfo(path).absoluteFilePath());
    file.replace(u'%', QLatin1String("%25")).replace(u'?', QLatin1String("%3f")).replace(u'#', QLatin1String("%23"));
    return QStringLiteral("file://") + (file.startsWith(u'/') ? QString() : QStringLiteral("/")) + file
            + QStringLiteral("?mode=rw");
}

NewIdSource SqliteDialect::newIdSource(const QSqlDatabase &database) const
{
    QSqlQuery query(database);
    if (query.exec(QStringLiteral("SELECT sqlite_version()")) && query.next()) {
        const QVersionNumber version = QVersionNumber::fromString(query.value(0).toString());
        if (version >= QVersionNumber(3, 35))
            return NewIdSource::Returning;
    }
    return NewIdSource::LastInsertId;
}

QString SqliteDialect::highestIdSql(const QSqlDatabase &database, const QString &table) const
{
    QSqlQuery query(database);
    query.prepare(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'table'"
                                 " AND name = ? COLLATE NOCASE"));
    query.addBindValue(table);
    if (!query.exec() || !query.next())
        return {};
    const QString name = query.value(0).toString();
    const QString created = query.value(1).toString();
    query.finish();
    if (created.contains(QStringLiteral("WITHOUT ROWID"), Qt::CaseInsensitive))
        return {};
    query.prepare(QStringLiteral("SELECT name, type FROM pragma_table_info(?) WHERE pk > 0"));
    query.addBindValue(name);
    if (!query.exec() || !query.next() || query.value(0).toString().compare(QStringLiteral("ID"), Qt::CaseInsensitive)
        || query.value(1).toString().compare(QStringLiteral("INTEGER"), Qt::CaseInsensitive) || query.next())
        return {};
    const auto enclosed = [&name](QChar mark) {
        return mark + QString(name).replace(mark, QString(2, mark)) + mark;
    };
    const QString quoted = enclosed(QLatin1Char('"'));
    if (!created.contains(QStringLiteral("AUTOINCREMENT"), Qt::CaseInsensitive))
        return QStringLiteral("SELECT COALESCE(MAX(ID), 0) FROM %1").arg(quoted);
    const QString literal = enclosed(QLatin1Char('\''));
    return QStringLiteral("SELECT MAX(COALESCE((SELECT MAX(ID) FROM %1), 0),"
                          " COALESCE((SELECT seq FROM sqlite_sequence WHERE name = %2), 0))")
            .arg(quoted, literal);
}

QList<ColumnType> SqliteDialect::readColumnTypes(const QSqlDatabase &database, const QString &table) const
{
    // QSQLITE reports no sizes and calls DATETIME text: read the declared types.
    QSqlQuery query(database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT name, type FROM pragma_table_info(?)"));
    query.addBindValue(table);
    if (!query.exec())
        throw errorFrom(query.lastError(), {});
    return columnTypesFrom(query, table, [](const QSqlQuery &row) { return classifyDeclaredType(row.value(1).toString()); });
}

bool SqliteDialect::prepareConnection(const QSqlDatabase &database, const std::function<bool()> &waitForLock,
                                      QString *error) const
{
    QSqlQuery query(database);
    // A long run's key index outgrows SQLite's default page cache of 2 MB:
    // each insert then reads its index page back from the file. And with a
    // checkpoint every 1,000 pages of the write-ahead log, the index pages
    // a batch touches are copied into the store at nearly every commit;
    // with 10,000 a page written by many commits is copied once. On
    // 1,000,000 items this saves a quarter of the run's processor time for
    // 6 MB of memory.
    // A batch's rows go in inside a savepoint, so SQLite keeps the first
    // image of every page they change, and each statement in a transaction
    // does the same for its own pages: in temporary files, by default, which
    // costs two writes to the kernel a page (a second of system time on
    // 100,000 items). Kept in memory they cost a few megabytes, as many as
    // one batch changes, and are freed when its savepoint is released.
    const QStringList pragmas{QStringLiteral("PRAGMA journal_mode=WAL"), QStringLiteral("PRAGMA synchronous=NORMAL"),
                              QStringLiteral("PRAGMA cache_size=-8192"), QStringLiteral("PRAGMA wal_autocheckpoint=10000"),
                              QStringLiteral("PRAGMA temp_store=MEMORY")};
    for (const QString &pragma : pragmas) {
        while (!query.exec(pragma)) {
            const int code = query.lastError().nativeErrorCode().trimmed().toInt();
            const bool locked = (code & 0xff) == 5 || (code & 0xff) == 6; // SQLITE_BUSY, SQLITE_LOCKED
            if (!locked || !waitForLock()) {
                *error = errorDescription(query.lastError());
                return false;
            }
        }
        query.finish();
    }
    return true;
}

bool SqliteDialect::codeEndsRun(int code)
{
    switch (code & 0xff) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
    case 7:  // SQLITE_NOMEM
    case 10: // SQLITE_IOERR
    case 11: // SQLITE_CORRUPT
    case 13: // SQLITE_FULL
    case 14: // SQLITE_CANTOPEN
    case 26: // SQLITE_NOTADB
        return true;
    default:
        return false;
    }
}

DbError SqliteDialect::errorFrom(const QSqlError &error, const OdbcDiagnostics &) const
{
    DbError result;
    result.description = errorDescription(error);
    bool ok = false;
    const int code = error.nativeErrorCode().trimmed().toInt(&ok);
    const QString text = error.databaseText() + u' ' + error.driverText();
    if (ok)
        result.number = errorNumberForSqliteCode(code, text);
    if (!ok || result.number == 0)
        result.number = errorNumberForText(error);
    if (ok && codeEndsRun(code))
        result.scope = FailureScope::Run;
    else if (ok && (code & 0xff) == 9) // SQLITE_INTERRUPT
        result.scope = FailureScope::Cancel;
    return result;
}

namespace {

// Writes number into text as exactly width digits, from the back.
void putDigits(QChar *text, int number, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        text[i] = QChar(u'0' + number % 10);
        number /= 10;
    }
}

} // namespace

QVariant SqliteDialect::dateTimeValue(const QDateTime &value) const
{
    // SQLite has no date type: store the sortable text form its date
    // functions read, "yyyy-MM-dd HH:mm:ss" with ".zzz" when there are
    // milliseconds. Written by hand: a row carries a dozen dates, and the
    // general formatter costs more than the insert.
    const QDate date = value.date();
    const QTime time = value.time();
    if (date.year() < 0 || date.year() > 9999)
        return value.toString(Qt::ISODateWithMs);
    const bool millis = time.msec() != 0;
    QString text(millis ? 23 : 19, Qt::Uninitialized);
    QChar *c = text.data();
    putDigits(c, date.year(), 4);
    c[4] = u'-';
    putDigits(c + 5, date.month(), 2);
    c[7] = u'-';
    putDigits(c + 8, date.day(), 2);
    c[10] = u' ';
    putDigits(c + 11, time.hour(), 2);
    c[13] = u':';
    putDigits(c + 14, time.minute(), 2);
    c[16] = u':';
    putDigits(c + 17, time.second(), 2);
    if (millis) {
        c[19] = u'.';
        putDigits(c + 20, time.msec(), 3);
    }
    return text;
}

// SQLite gives a literal the same storage class as the bound value of its
// kind, and the column's affinity then treats both alike: what matters is
// that the literal reads back as exactly that value.
std::optional<QString> SqliteDialect::literal(const QVariant &value, int /*typeCode*/) const
{
    if (isNullBound(value))
        return QStringLiteral("NULL");
    const void *data = value.constData();
    switch (value.typeId()) {
    case QMetaType::QString: {
        const auto *text = static_cast<const QString *>(data);
        // The statement's text and a bound text meet a NUL or a broken
        // surrogate pair differently.
        for (const QChar c : *text) {
            if (c.isNull() || c.isSurrogate())
                return std::nullopt;
        }
        QString quoted = *text;
        return QLatin1Char('\'') + quoted.replace(u'\'', QLatin1String("''")) + QLatin1Char('\'');
    }
    case QMetaType::LongLong: {
        const qlonglong number = *static_cast<const qlonglong *>(data);
        if (number == std::numeric_limits<qlonglong>::min())
            return std::nullopt;
        return QString::number(number);
    }
    case QMetaType::Int:
        return QString::number(*static_cast<const int *>(data));
    case QMetaType::Double: {
        // Whole numbers only, which the parser reads back exactly; with the
        // point, so that they stay real numbers. Not -0.
        const double number = *static_cast<const double *>(data);
        if (!(std::fabs(number) < 1e15) || number != std::trunc(number) || (number == 0 && std::signbit(number)))
            return std::nullopt;
        return QString::number(qlonglong(number)) + QLatin1String(".0");
    }
    default:
        return std::nullopt;
    }
}

} // namespace vxr
