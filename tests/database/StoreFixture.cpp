#include "StoreFixture.h"

#include "catalogue/Reporter.h"
#include "catalogue/TableCatalogue.h"

#include <QSqlError>
#include <QSqlQuery>

namespace vxr::test {

void StoreTest::SetUp()
{
    BackendTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;

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
    BackendTest::TearDown();
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
