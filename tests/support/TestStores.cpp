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

// Runs statements on a short-lived connection of its own (QSQLITE or QODBC),
// the store's schema loaded first when asked; the first failure in *error.
bool runStatements(const QString &driver, const QString &database, const QStringList &statements, QString *error,
                   bool loadStoreSchema = false)
{
    const QString name = QStringLiteral("vxr-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
        db.setDatabaseName(database);
        db.setConnectOptions(driver == QLatin1String("QODBC") ? QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=15") : QString());
        ok = db.open();
        if (!ok)
            *error = QStringLiteral("cannot open the store: ") + db.lastError().text();
        else if (loadStoreSchema)
            ok = loadSchema(db, Dialect::PostgreSQL, error);
        QSqlQuery query(db);
        for (qsizetype i = 0; ok && i < statements.size(); ++i) {
            ok = query.exec(statements[i]);
            if (!ok)
                *error = statements[i] + QStringLiteral(": ") + query.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
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
    // A store of the schema's kind is left as made; traits go on through a
    // plain connection (the program's own would set the journal mode).
    if (const QStringList statements = traitStatements(StoreBackend::SQLite, traits); !statements.isEmpty())
        runStatements(QStringLiteral("QSQLITE"), m_path, statements, &m_error);
}

QString TempSqliteStore::connectionString() const { return QStringLiteral("Provider=SQLite;Data Source=") + m_path; }

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

bool PostgresStore::isConfigured() { return !qEnvironmentVariable("VXR_TEST_PG_CONNECT").trimmed().isEmpty(); }

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

    const QString odbc = QStringLiteral("QODBC");
    if (!runStatements(odbc, m_admin, {QStringLiteral("CREATE DATABASE ") + m_database}, &m_error)) {
        m_database.clear();
        return;
    }
    runStatements(odbc, m_odbc, traitStatements(StoreBackend::PostgreSQL, traits), &m_error, true);
}

PostgresStore::~PostgresStore()
{
    if (m_database.isEmpty())
        return;
    QString error;
    // FORCE ends connections a failed test may have left open.
    runStatements(QStringLiteral("QODBC"), m_admin,
                  {QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_database)}, &error);
}

QString PostgresStore::connectionString() const { return QStringLiteral("Provider=MSDASQL;") + m_odbc; }

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

std::string storeBackendName(const ::testing::TestParamInfo<StoreKind> &info) { return kindName(info.param); }

std::unique_ptr<TestStore> makeStore(const StoreKind &kind)
{
    if (kind.backend == StoreBackend::SQLite)
        return std::make_unique<TempSqliteStore>(kind.traits);
    return std::make_unique<PostgresStore>(kind.traits);
}

void BackendTest::SetUp()
{
    if (backend() == StoreBackend::PostgreSQL && !PostgresStore::isConfigured()) {
        if (qEnvironmentVariable("CI") == QLatin1String("true"))
            FAIL() << "VXR_TEST_PG_CONNECT is not set, but CI needs the PostgreSQL tests to run";
        GTEST_SKIP() << "PostgreSQL run skipped: VXR_TEST_PG_CONNECT is not set "
                        "(scripts/test starts a throwaway server and sets it)";
    }
    m_stores.push_back(makeStore(GetParam()));
    ASSERT_TRUE(m_stores.front()->isValid()) << m_stores.front()->error().toStdString();
    DbError error;
    ASSERT_TRUE(connection.open(connectionString(), &error)) << error.description.toStdString();
}

void BackendTest::TearDown()
{
    connection.close();
    m_stores.clear();
}

QString BackendTest::freshStore()
{
    m_stores.push_back(makeStore(GetParam()));
    EXPECT_TRUE(m_stores.back()->isValid()) << m_stores.back()->error().toStdString();
    return m_stores.back()->connectionString();
}

QString BackendTest::connectionString() const
{
    return m_stores.empty() ? QString() : m_stores.front()->connectionString();
}

QString BackendTest::sqliteStorePath() const
{
    const auto *sqlite = m_stores.empty() ? nullptr : dynamic_cast<const TempSqliteStore *>(m_stores.front().get());
    return sqlite ? sqlite->path() : QString();
}

QStringList rowsOf(const QString &connectionString, const QString &sql)
{
    DbConnection connection;
    DbError error;
    EXPECT_TRUE(connection.open(connectionString, &error)) << error.description.toStdString();
    QSqlQuery query(connection.database());
    EXPECT_TRUE(query.exec(sql)) << sql.toStdString() << ": " << query.lastError().text().toStdString();
    return rowTexts(query);
}

QStringList rowTexts(QSqlQuery &query)
{
    QStringList rows;
    while (query.next()) {
        QStringList columns;
        for (int c = 0; c < query.record().count(); ++c)
            columns << query.value(c).toString();
        rows << columns.join(u'|');
    }
    return rows;
}

SqliteFile::SqliteFile(const QString &path, const QString &options)
    : m_name(QStringLiteral("sqlite-file-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    db.setConnectOptions(options);
    EXPECT_TRUE(db.open()) << path.toStdString() << ": " << db.lastError().text().toStdString();
}

SqliteFile::~SqliteFile()
{
    database().close();
    QSqlDatabase::removeDatabase(m_name);
}

QStringList SqliteFile::rows(const QString &sql) const
{
    QSqlQuery query(database());
    EXPECT_TRUE(query.exec(sql)) << sql.toStdString() << ": " << query.lastError().text().toStdString();
    return rowTexts(query);
}

QStringList fileRows(const QString &sqliteFile, const QString &sql) { return SqliteFile(sqliteFile).rows(sql); }

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

QStringList BackendTest::rows(const QString &sql, const QVariantList &values) const
{
    QSqlQuery query(connection.database());
    EXPECT_TRUE(runBound(query, sql, values)) << sql.toStdString() << ": " << query.lastError().text().toStdString();
    return rowTexts(query);
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

void BackendTest::refuseRowsUnless(const QString &table, const QString &condition) const
{
    if (backend() == StoreBackend::SQLite)
        exec(QStringLiteral("CREATE TRIGGER refuse_%1 BEFORE INSERT ON %1 WHEN NOT (%2) BEGIN SELECT RAISE(ABORT, "
                            "'refused'); END").arg(table, condition));
    else
        exec(QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT refuse_%1 CHECK (%2)")
                     .arg(table, QString(condition).remove(QStringLiteral("NEW."))));
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
