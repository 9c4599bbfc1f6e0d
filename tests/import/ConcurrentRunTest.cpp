// Two imports at once into one store, as two programs on two machines run
// them: the departments, categories, suppliers and taxes both files name are
// added once, and no line fails for the other run's sake.

#include "TestStores.h"
#include "TestSupport.h"
#include "ToolRun.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <numeric>

using namespace vxr;
using namespace vxr::test;

namespace {

constexpr int Lines = 1200;

// Inventory lines naming 40 departments with 10 categories each, 50
// suppliers and 5 taxes of the round, in an order of the seed's.
QByteArray inventoryLines(const QString &codePrefix, int round, quint32 seed)
{
    QList<int> order(Lines);
    std::iota(order.begin(), order.end(), 0);
    QRandomGenerator random(seed);
    std::shuffle(order.begin(), order.end(), random);
    QByteArray text;
    for (int i = 0; i < Lines; ++i) {
        const int n = order.at(i);
        text += QStringLiteral("%1%2,Item %2,R%3 Department %4,R%3 Category %5,R%3 Supplier %6,%3.%7,1.50,2.50\r\n")
                        .arg(codePrefix)
                        .arg(i)
                        .arg(round)
                        .arg(n % 40)
                        .arg(n % 400 / 40)
                        .arg(n % 50)
                        .arg(n % 5 + 1)
                        .toUtf8();
    }
    return text;
}

class ConcurrentRunTest : public BackendTest
{
protected:
    // Starts vxrimp importing the file into the test's store.
    // A batch of 1,100 ends inside the lines read ahead (1,000 at a time):
    // the lines after it look their names up in the next batch's
    // transaction too.
    void startImport(QProcess &process, const QString &file, int batch)
    {
        startTool(process, m_dir.path(),
                  {"import", "--file", file, "--table", "Inventory", "--map",
                   "1=Item Lookup Code,2=Description,3=Department,4=Category,5=Supplier,6=Sales Tax,7=Cost,8=Price",
                   "--connect", connectionString(), "--log", m_dir.filePath("import.log"), "--batch",
                   QString::number(batch)});
    }

    // Rows of the table, and how many of them differ in the columns that
    // name them.
    std::pair<qint64, qint64> rowsAndNames(const QString &table, const QString &names) const
    {
        return {count(table),
                scalar(QStringLiteral("SELECT COUNT(*) FROM (SELECT DISTINCT %1 FROM %2) names").arg(names, table))
                        .toLongLong()};
    }

    QTemporaryDir m_dir;
};

TEST_P(ConcurrentRunTest, TwoRunsAtOnceAddEachReferenceOnce)
{
    constexpr int Rounds = 3;
    for (int round = 1; round <= Rounds; ++round) {
        QProcess first;
        QProcess second;
        const QString firstFile = m_dir.filePath("first.csv");
        const QString secondFile = m_dir.filePath("second.csv");
        ASSERT_TRUE(writeTestFile(firstFile, inventoryLines("A" + QString::number(round) + "-", round, round)));
        ASSERT_TRUE(writeTestFile(secondFile, inventoryLines("B" + QString::number(round) + "-", round, 100 + round)));
        const int batch = round % 2 == 0 ? 1100 : 200;
        startImport(first, firstFile, batch);
        startImport(second, secondFile, batch);
        for (QProcess *run : {&first, &second}) {
            ASSERT_TRUE(run->waitForFinished(180000));
            EXPECT_EQ(run->exitCode(), 0) << run->readAllStandardOutput().toStdString()
                                          << run->readAllStandardError().toStdString();
        }
    }
    EXPECT_EQ(count("Item"), 2 * Lines * Rounds);
    const struct { const char *table; const char *names; qint64 rows; } tables[] = {
        {"Department", "Name", 40 * Rounds},       {"Category", "Name, DepartmentID", 400 * Rounds},
        {"Supplier", "SupplierName", 50 * Rounds}, {"Tax", "Description", 5 * Rounds},
        {"ItemTax", "Description", 5 * Rounds},
    };
    for (const auto &table : tables)
        EXPECT_EQ(rowsAndNames(table.table, table.names), std::make_pair(table.rows, table.rows)) << table.table;
}

VXR_ON_EVERY_BACKEND(ConcurrentRunTest);

} // namespace
