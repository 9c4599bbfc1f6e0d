#include "SqlitePreparedStatement.h"

#include "ColumnValue.h"
#include "SqlDialect.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

namespace vxr {

namespace {

// Writes text as UTF-8 at out, at most three bytes a UTF-16 unit; a lone
// surrogate becomes U+FFFD, as Qt writes it. Gives the bytes written.
qsizetype writeUtf8(const QString &text, char *out)
{
    const auto *units = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype size = text.size();
    char *p = out;
    for (qsizetype i = 0; i < size; ++i) {
        char32_t c = units[i];
        if (c < 0x80) {
            *p++ = char(c);
            continue;
        }
        if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
            continue;
        }
        if (QChar::isSurrogate(c)) {
            if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])) {
                c = QChar::surrogateToUcs4(char16_t(c), units[++i]);
                *p++ = char(0xF0 | (c >> 18));
                *p++ = char(0x80 | ((c >> 12) & 0x3F));
                *p++ = char(0x80 | ((c >> 6) & 0x3F));
                *p++ = char(0x80 | (c & 0x3F));
                continue;
            }
            c = QChar::ReplacementCharacter;
        }
        *p++ = char(0xE0 | (c >> 12));
        *p++ = char(0x80 | ((c >> 6) & 0x3F));
        *p++ = char(0x80 | (c & 0x3F));
    }
    return p - out;
}

// The room the UTF-8 forms of the texts among values can take.
qsizetype utf8Room(const QVariantList &values)
{
    qsizetype room = 0;
    for (const QVariant &value : values) {
        if (value.typeId() == QMetaType::QString)
            room += static_cast<const QString *>(value.constData())->size() * 3;
    }
    return room;
}

} // namespace

sqlite3 *SqlitePreparedStatement::handleOf(const QSqlDatabase &database)
{
    if (!database.driver())
        return nullptr;
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    // The handle belongs to the library Qt's driver was built with; it is
    // ours only when that is the library we call (a driver with its own copy
    // of SQLite reports another version, or the same by chance: then the
    // driver is used as it is).
    QSqlQuery version(database);
    if (!version.exec(QStringLiteral("SELECT sqlite_version(), sqlite_source_id()")) || !version.next()
        || version.value(0).toString() != QLatin1String(sqlite3_libversion())
        || version.value(1).toString() != QLatin1String(sqlite3_sourceid()))
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

SqlitePreparedStatement::SqlitePreparedStatement(sqlite3 *database, const QString &sql, const SqlDialect &dialect)
    : m_database(database), m_dialect(dialect)
{
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(m_database, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT,
                                      &m_statement, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
}

SqlitePreparedStatement::~SqlitePreparedStatement()
{
    sqlite3_finalize(m_statement);
}

// The failure as the dialect classifies it: the extended result code and the
// library's message, as Qt's driver would report them.
void SqlitePreparedStatement::fail(int resultCode)
{
    const int code = m_database ? sqlite3_extended_errcode(m_database) : resultCode;
    const QString message = m_database ? QString::fromUtf8(sqlite3_errmsg(m_database))
                                       : QString::fromUtf8(sqlite3_errstr(resultCode));
    if (m_statement)
        sqlite3_reset(m_statement);
    m_rowPending = false;
    m_done = true;
    throw m_dialect.errorFrom(QSqlError(QStringLiteral("Unable to execute statement"), message,
                                        QSqlError::StatementError, QString::number(code)),
                              {});
}

void SqlitePreparedStatement::bind(int index, const QVariant &value)
{
    const int position = index + 1;
    int rc = SQLITE_OK;
    if (isNullBound(value)) {
        rc = sqlite3_bind_null(m_statement, position);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int(m_statement, position, value.toBool() ? 1 : 0);
            break;
        // The kinds rows bind, read where they are without QVariant's conversions.
        case QMetaType::LongLong:
            rc = sqlite3_bind_int64(m_statement, position, *static_cast<const qlonglong *>(value.constData()));
            break;
        case QMetaType::Int:
            rc = sqlite3_bind_int64(m_statement, position, *static_cast<const int *>(value.constData()));
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(m_statement, position, *static_cast<const double *>(value.constData()));
            break;
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(m_statement, position, value.toLongLong());
            break;
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_statement, position, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const auto *bytes = static_cast<const QByteArray *>(value.constData());
            rc = sqlite3_bind_blob(m_statement, position, bytes->constData(), int(bytes->size()), SQLITE_STATIC);
            break;
        }
        case QMetaType::QString: {
            // Room for it was made before the first value was bound, so the
            // texts bound before it stay where they are.
            const auto *text = static_cast<const QString *>(value.constData());
            char *start = m_utf8.data() + m_utf8Used;
            const qsizetype length = writeUtf8(*text, start);
            m_utf8Used += length;
            rc = sqlite3_bind_text(m_statement, position, start, int(length), SQLITE_STATIC);
            break;
        }
        default: {
            const QString text = value.typeId() == QMetaType::QDateTime
                    ? value.toDateTime().toString(Qt::ISODateWithMs)
                    : value.toString();
            rc = sqlite3_bind_text16(m_statement, position, text.constData(), int(text.size() * sizeof(QChar)),
                                     SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        fail(rc);
}

bool SqlitePreparedStatement::step()
{
    if (m_done)
        return false;
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    m_done = true;
    if (rc == SQLITE_DONE)
        return false;
    fail(rc);
}

void SqlitePreparedStatement::execute(const QVariantList &values)
{
    sqlite3_reset(m_statement);
    m_done = false;
    m_bound = values;
    const qsizetype room = utf8Room(values);
    if (m_utf8.size() < room)
        m_utf8.resize(room);
    m_utf8Used = 0;
    for (int i = 0; i < m_bound.size(); ++i)
        bind(i, m_bound.at(i));
    m_rowPending = step();
}

bool SqlitePreparedStatement::next()
{
    if (m_rowPending) {
        m_rowPending = false;
        return true;
    }
    return step();
}

QVariant SqlitePreparedStatement::value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue<qlonglong>(sqlite3_column_int64(m_statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_statement, column);
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(m_statement, column)),
                          sqlite3_column_bytes(m_statement, column));
    default:
        return QString(static_cast<const QChar *>(sqlite3_column_text16(m_statement, column)),
                       sqlite3_column_bytes16(m_statement, column) / int(sizeof(QChar)));
    }
}

// The bound values are let go with the result: a statement kept for the
// run does not keep the last rows it wrote alive.
void SqlitePreparedStatement::finish()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    m_bound.clear();
    m_rowPending = false;
    m_done = true;
}

QVariant SqlitePreparedStatement::lastInsertId() const
{
    return QVariant::fromValue<qlonglong>(sqlite3_last_insert_rowid(m_database));
}

} // namespace vxr
