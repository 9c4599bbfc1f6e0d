#include "StoreFixture.h"

#include "catalogue/TableCatalogue.h"
#include "database/StoreSchema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QUuid>

namespace vxr::test {

std::string backendName(const ::testing::TestParamInfo<Backend> &info)
{
    return info.param == Backend::SQLite ? "SQLite" : "PostgreSQL";
}

namespace {

class SqliteHandle final : public StoreHandle
{
public:
    QString connectionString() const override { return m_store.connectionString(); }
    TempSqliteStore m_store;
};

// A schema of its own on the PostgreSQL server, dropped afterwards; the
// connection of the test finds it first on its search path.
class PostgresHandle final : public StoreHandle
{
public:
    explicit PostgresHandle(const QString &odbc) : m_odbc(odbc)
    {
        m_schema = QStringLiteral("vxr_t_")
                + QUuid::createUuid().toString(QUuid::Id128).left(16);
    }
    ~PostgresHandle() override
    {
        if (m_created)
            withAdmin([this](QSqlDatabase &db) {
                QSqlQuery(db).exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_schema));
                return true;
            });
    }

    bool create(QString *error)
    {
        return withAdmin([this, error](QSqlDatabase &db) {
            QSqlQuery query(db);
            if (!query.exec(QStringLiteral("CREATE SCHEMA %1").arg(m_schema))
                || !query.exec(QStringLiteral("SET search_path TO %1").arg(m_schema))) {
                *error = query.lastError().text();
                return false;
            }
            m_created = true;
            return loadSchema(db, Dialect::PostgreSQL, error);
        });
    }

    QString connectionString() const override
    {
        QString odbc = m_odbc;
        if (!odbc.endsWith(QLatin1Char(';')))
            odbc += QLatin1Char(';');
        return QStringLiteral("Provider=MSDASQL;") + odbc
                + QStringLiteral("ConnSettings=SET search_path TO %1;").arg(m_schema);
    }

private:
    template <typename F>
    bool withAdmin(F work)
    {
        const QString name = QStringLiteral("admin-") + m_schema;
        bool result = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
            db.setDatabaseName(m_odbc);
            if (db.open())
                result = work(db);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        return result;
    }

    QString m_odbc;
    QString m_schema;
    bool m_created = false;
};

} // namespace

std::unique_ptr<StoreHandle> makeStore(Backend backend, QString *skipReason)
{
    if (backend == Backend::SQLite) {
        auto handle = std::make_unique<SqliteHandle>();
        if (!handle->m_store.isValid()) {
            *skipReason = handle->m_store.error();
            return nullptr;
        }
        return handle;
    }
    const QString odbc = qEnvironmentVariable("VXR_TEST_PG_CONNECT");
    if (odbc.isEmpty()) {
        *skipReason = QStringLiteral("VXR_TEST_PG_CONNECT is not set: no PostgreSQL server to test on");
        return nullptr;
    }
    auto handle = std::make_unique<PostgresHandle>(odbc);
    QString error;
    if (!handle->create(&error)) {
        ADD_FAILURE() << "PostgreSQL schema cannot be made: " << error.toStdString();
        return nullptr;
    }
    return handle;
}

void StoreTest::SetUp()
{
    QString skipReason;
    m_store = makeStore(GetParam(), &skipReason);
    if (!m_store) {
        if (!skipReason.isEmpty())
            GTEST_SKIP() << skipReason.toStdString();
        return;
    }
    DbError error;
    ASSERT_TRUE(connection.open(m_store->connectionString(), &error))
            << error.number << " " << error.description.toStdString();

    SilentReporter silent;
    fields = FieldTable::buildCatalogue(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)), silent);
    tables = std::make_unique<TableRecordsets>(connection, fields);
    tables->OpenTables();
    for (int tableId = FirstTableId; tableId <= LastTableId; ++tableId)
        tables->ReadFieldTypes(tableId);
    fields.ResetFieldValues();
    writer = std::make_unique<RecordWriter>(fields, reader, connection, *tables, regional,
                                            QLocale(QLocale::English, QLocale::UnitedStates));
}

void StoreTest::TearDown()
{
    writer.reset();
    if (tables)
        tables->CloseTables();
    tables.reset();
    connection.close();
    m_store.reset();
}

void StoreTest::mapPositions(std::initializer_list<int> fieldIds)
{
    int position = 1;
    for (const int id : fieldIds)
        reader.SetMapping(position++, id);
}

void StoreTest::setLine(std::initializer_list<const char *> texts)
{
    reader.ClearFieldTexts();
    int position = 1;
    for (const char *text : texts)
        reader.FieldMap[position++].Text = QString::fromUtf8(text);
}

QVariant StoreTest::scalar(const QString &sql, const QVariantList &values) const
{
    QSqlQuery query(connection.database());
    if (!query.prepare(sql)) {
        ADD_FAILURE() << "cannot prepare " << sql.toStdString() << ": "
                      << query.lastError().text().toStdString();
        return {};
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        ADD_FAILURE() << "cannot run " << sql.toStdString() << ": " << query.lastError().text().toStdString();
        return {};
    }
    return query.next() ? query.value(0) : QVariant();
}

qint64 StoreTest::count(const QString &table) const
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toLongLong();
}

void StoreTest::exec(const QString &sql, const QVariantList &values) const
{
    QSqlQuery query(connection.database());
    ASSERT_TRUE(query.prepare(sql)) << query.lastError().text().toStdString();
    for (const QVariant &value : values)
        query.addBindValue(value);
    ASSERT_TRUE(query.exec()) << sql.toStdString() << ": " << query.lastError().text().toStdString();
}

} // namespace vxr::test
