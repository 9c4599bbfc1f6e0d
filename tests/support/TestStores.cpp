#include "TestStores.h"

#include "catalogue/Reporter.h"
#include "catalogue/TableCatalogue.h"
#include "database/StoreSchema.h"

#include <QHash>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include <functional>

namespace vxr::test {

namespace {

bool hasUniqueKeys(StoreTraits traits)
{
    return traits == StoreTraits::Schema || traits == StoreTraits::CaseInsensitive;
}

// What turns a store made from the schema into one of these traits.
QStringList traitStatements(StoreBackend backend, StoreTraits traits)
{
    QStringList statements;
    if (!hasUniqueKeys(traits)) {
        for (const char *index : {"UX_Item_ItemLookupCode", "UX_Customer_AccountNumber", "UX_Supplier_SupplierName",
                                  "UX_Alias_Alias", "UX_ItemClass_ItemLookupCode"})
            statements << QStringLiteral("DROP INDEX ") + QLatin1String(index);
    }
    if (backend == StoreBackend::SQLite || traits == StoreTraits::Schema || traits == StoreTraits::NoUniqueKeys)
        return statements;
    // Every text column under the collation; the unique indexes left follow it.
    statements << QStringLiteral("CREATE COLLATION ci (provider = icu, locale = 'und-u-ks-level2', deterministic = false)")
               << QStringLiteral(
                          "DO $$ DECLARE t record; BEGIN FOR t IN SELECT table_name, string_agg(format("
                          "'ALTER COLUMN %I TYPE %s COLLATE ci', column_name, CASE WHEN data_type = 'text' THEN 'TEXT' "
                          "ELSE format('VARCHAR(%s)', character_maximum_length) END), ', ') AS changes "
                          "FROM information_schema.columns WHERE table_schema = current_schema() "
                          "AND data_type IN ('character varying', 'text') GROUP BY table_name LOOP "
                          "EXECUTE format('ALTER TABLE %I %s', t.table_name, t.changes); END LOOP; END $$")
               << QStringLiteral("CREATE TABLE ItemAudit (ID SERIAL PRIMARY KEY, ItemID INTEGER NOT NULL, "
                                 "ItemLookupCode VARCHAR(25) COLLATE ci NOT NULL)")
               << QStringLiteral("CREATE FUNCTION item_audit() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                 "INSERT INTO ItemAudit (ItemID, ItemLookupCode) VALUES (NEW.ID, NEW.ItemLookupCode); "
                                 "RETURN NEW; END $$")
               << QStringLiteral("CREATE TRIGGER item_audit AFTER INSERT ON Item FOR EACH ROW EXECUTE FUNCTION item_audit()");
    return statements;
}

} // namespace

TempSqliteStore::TempSqliteStore(StoreTraits traits)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder: ") + m_dir.errorString();
        return;
    }
    m_path = m_dir.filePath(QStringLiteral("store.db"));
    if (!createSqliteStore(m_path, &m_error))
        return;
    const QStringList statements = traitStatements(StoreBackend::SQLite, traits);
    if (statements.isEmpty())
        return;
    // A plain connection: the program's own would set the store's journal mode.
    const QString name = QStringLiteral("vxr-test-traits-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_path);
        if (!db.open())
            m_error = db.lastError().text();
        QSqlQuery query(db);
        for (const QString &sql : statements) {
            if (m_error.isEmpty() && !query.exec(sql))
                m_error = sql + QStringLiteral(": ") + query.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(name);
}

QString TempSqliteStore::connectionString() const
{
    return QStringLiteral("Provider=SQLite;Data Source=") + m_path;
}

namespace {

// Runs statements on a short-lived connection of its own.
bool runStatements(const QString &odbc, const QStringList &statements, QString *error,
                   const std::function<bool(QSqlDatabase &, QString *)> &more = {})
{
    const QString name = QStringLiteral("vxr-test-pg-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(odbc);
        db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=15"));
        if (!db.open()) {
            *error = QStringLiteral("cannot reach the PostgreSQL server: ") + db.lastError().text();
        } else {
            ok = true;
            QSqlQuery query(db);
            for (const QString &sql : statements) {
                if (!query.exec(sql)) {
                    *error = sql + QStringLiteral(": ") + query.lastError().text();
                    ok = false;
                    break;
                }
            }
            if (ok && more)
                ok = more(db, error);
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace

const FieldTable &testCatalogue()
{
    static const FieldTable fields = FieldTable::buildCatalogue();
    return fields;
}

QStringList everyRow(const QString &connectionString, ItemIds ids)
{
    DbConnection connection;
    DbError error;
    EXPECT_TRUE(connection.open(connectionString, &error)) << error.description.toStdString();
    static const QRegularExpression timeOfDay(
            QStringLiteral("(?<=\\d{4}-\\d\\d-\\d\\d)[ T]\\d\\d:\\d\\d:\\d\\d(\\.\\d+)?$"));
    QHash<QString, QString> itemRank; // an item's ID as its place among the items
    if (ids == ItemIds::InOrder) {
        QSqlQuery items(connection.database());
        EXPECT_TRUE(items.exec(QStringLiteral("SELECT ID FROM Item ORDER BY ID")));
        while (items.next())
            itemRank.insert(items.value(0).toString(), QString::number(itemRank.size() + 1));
    }
    QStringList rows;
    for (const QString &table : importTableNames()) {
        QSqlQuery query(connection.database());
        EXPECT_TRUE(query.exec(QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(table)));
        while (query.next()) {
            const QSqlRecord record = query.record();
            QStringList columns;
            for (int c = 0; c < record.count(); ++c)
                columns << query.value(c).toString().replace(timeOfDay, QString());
            if (ids == ItemIds::InOrder) {
                for (int c = 0; c < record.count(); ++c) {
                    const QString name = record.fieldName(c).toLower();
                    if (name == QLatin1String("itemid") || name == QLatin1String("parentitem")
                        || (c == 0 && table == QLatin1String("Item")))
                        columns[c] = itemRank.value(columns[c], columns[c]);
                }
            }
            rows << table + QStringLiteral(": ") + columns.join(QLatin1Char('|'));
        }
    }
    return rows;
}

bool PostgresStore::isConfigured()
{
    return !qEnvironmentVariable("VXR_TEST_PG_CONNECT").trimmed().isEmpty();
}

PostgresStore::PostgresStore(StoreTraits traits)
    : m_admin(qEnvironmentVariable("VXR_TEST_PG_CONNECT").trimmed())
{
    if (m_admin.isEmpty()) {
        m_error = QStringLiteral("VXR_TEST_PG_CONNECT is not set");
        return;
    }
    m_database = QStringLiteral("vxr_test_") + QUuid::createUuid().toString(QUuid::Id128);

    // The same string, to the fresh database.
    static const QRegularExpression database(QStringLiteral("(^|;)\\s*Database\\s*=[^;]*"),
                                             QRegularExpression::CaseInsensitiveOption);
    m_odbc = m_admin;
    if (!m_odbc.endsWith(u';'))
        m_odbc += u';';
    if (m_odbc.contains(database))
        m_odbc.replace(database, QStringLiteral("\\1Database=") + m_database);
    else
        m_odbc += QStringLiteral("Database=") + m_database + u';';
    if (!m_odbc.contains(QLatin1String("BoolsAsChar"), Qt::CaseInsensitive))
        m_odbc += QStringLiteral("BoolsAsChar=0;");

    QString error;
    if (!runStatements(m_admin, {QStringLiteral("CREATE DATABASE ") + m_database}, &error)) {
        m_error = error;
        m_database.clear();
        return;
    }
    const auto loadStoreSchema = [traits](QSqlDatabase &db, QString *message) {
        if (!loadSchema(db, Dialect::PostgreSQL, message))
            return false;
        QSqlQuery query(db);
        for (const QString &sql : traitStatements(StoreBackend::PostgreSQL, traits)) {
            if (!query.exec(sql)) {
                *message = sql + QStringLiteral(": ") + query.lastError().text();
                return false;
            }
        }
        return true;
    };
    if (!runStatements(m_odbc, {}, &error, loadStoreSchema))
        m_error = error;
}

PostgresStore::~PostgresStore()
{
    if (m_database.isEmpty())
        return;
    QString error;
    // FORCE ends connections a failed test may have left open.
    runStatements(m_admin, {QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_database)}, &error);
}

QString PostgresStore::connectionString() const
{
    return QStringLiteral("Provider=MSDASQL;") + m_odbc;
}

namespace {

std::string kindName(const StoreKind &kind)
{
    static const char *const traitNames[] = {"", "_NoUniqueKeys", "_CaseInsensitive", "_CaseInsensitiveNoUniqueKeys"};
    return std::string(kind.backend == StoreBackend::SQLite ? "SQLite" : "PostgreSQL")
            + traitNames[int(kind.traits)];
}

} // namespace

void PrintTo(const StoreKind &kind, std::ostream *out)
{
    *out << kindName(kind);
}

std::string storeBackendName(const ::testing::TestParamInfo<StoreKind> &info)
{
    return kindName(info.param);
}

void BackendTest::SetUp()
{
    if (backend() == StoreBackend::SQLite) {
        m_sqlite = std::make_unique<TempSqliteStore>(traits());
        ASSERT_TRUE(m_sqlite->isValid()) << m_sqlite->error().toStdString();
    } else {
        if (!PostgresStore::isConfigured()) {
            if (qEnvironmentVariable("CI") == QLatin1String("true"))
                FAIL() << "VXR_TEST_PG_CONNECT is not set, but CI needs the PostgreSQL tests to run";
            GTEST_SKIP() << "PostgreSQL run skipped: VXR_TEST_PG_CONNECT is not set "
                            "(scripts/test starts a throwaway server and sets it)";
        }
        m_postgres = std::make_unique<PostgresStore>(traits());
        ASSERT_TRUE(m_postgres->isValid()) << m_postgres->error().toStdString();
    }
    DbError error;
    ASSERT_TRUE(connection.open(connectionString(), &error)) << error.description.toStdString();
}

void BackendTest::TearDown()
{
    connection.close();
    m_postgres.reset();
    m_sqlite.reset();
    m_morePostgres.clear();
    m_moreSqlite.clear();
}

QString BackendTest::freshStore()
{
    if (backend() == StoreBackend::SQLite) {
        m_moreSqlite.push_back(std::make_unique<TempSqliteStore>(traits()));
        EXPECT_TRUE(m_moreSqlite.back()->isValid()) << m_moreSqlite.back()->error().toStdString();
        return m_moreSqlite.back()->connectionString();
    }
    m_morePostgres.push_back(std::make_unique<PostgresStore>(traits()));
    EXPECT_TRUE(m_morePostgres.back()->isValid()) << m_morePostgres.back()->error().toStdString();
    return m_morePostgres.back()->connectionString();
}

QString BackendTest::connectionString() const
{
    if (m_sqlite)
        return m_sqlite->connectionString();
    if (m_postgres)
        return m_postgres->connectionString();
    return {};
}

bool runBound(QSqlQuery &query, const QString &sql, const QVariantList &values)
{
    if (!query.prepare(sql))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

QVariant BackendTest::scalar(const QString &sql, const QVariantList &values) const
{
    QSqlQuery query(connection.database());
    if (!runBound(query, sql, values)) {
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
        return {};
    }
    return query.next() ? query.value(0) : QVariant();
}

qint64 BackendTest::count(const QString &table) const
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toLongLong();
}

void BackendTest::exec(const QString &sql, const QVariantList &values) const
{
    QSqlQuery query(connection.database());
    ASSERT_TRUE(runBound(query, sql, values)) << sql.toStdString() << ": " << query.lastError().text().toStdString();
}

void RunStoreTest::SetUp()
{
    BackendTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    SilentReporter silent;
    fields = FieldTable::buildCatalogue(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)), silent);
    tables = std::make_unique<TableRecordsets>(connection, fields);
    // Fails when the store lacks a table or a catalogue column.
    try {
        tables->openTables();
        for (int tableId = FirstTableId; tableId <= LastTableId; ++tableId)
            tables->readFieldTypes(tableId);
    } catch (const DbError &error) {
        FAIL() << error.description.toStdString();
    }
    fields.resetFieldValues();
    writer = std::make_unique<RecordWriter>(fields, reader, *tables, regional, StrictValues::No);
}

void RunStoreTest::TearDown()
{
    // The run's statements go before the connection they were prepared on.
    writer.reset();
    tables.reset();
    BackendTest::TearDown();
}

void RunStoreTest::mapPositions(std::initializer_list<int> fieldIds)
{
    int position = 1;
    for (const int id : fieldIds)
        reader.setMapping(position++, id);
}

void RunStoreTest::setLine(std::initializer_list<const char *> texts)
{
    reader.clearFieldTexts();
    int position = 1;
    for (const char *text : texts)
        reader.fieldMap[position++].text = QString::fromUtf8(text);
}

} // namespace vxr::test
