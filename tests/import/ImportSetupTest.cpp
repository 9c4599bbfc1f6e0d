#include "TestStores.h"
#include "TestSupport.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "import/HeaderLine.h"
#include "import/ImportSetup.h"

#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace vxr;
using namespace vxr::test;

namespace {

class ImportSetupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(writeTestFile(textFile(), "A1,Mug,7.95\r\n"));
        setup.tableId = ItemTable;
        setup.textFile = textFile();
        setup.fieldIds[1] = 116; // Item Lookup Code
        setup.fieldIds[2] = 114; // Description
        setup.logPath = m_dir.filePath(QStringLiteral("VUVEDIZE.LOG"));
        setup.connectionString = QStringLiteral("Provider=SQLite;Data Source=") + m_dir.filePath(QStringLiteral("store.db"));
    }
    QString textFile() const { return m_dir.filePath(QStringLiteral("items.csv")); }

    QTemporaryDir m_dir;
    ImportSetup setup;
};

} // namespace

TEST_F(ImportSetupTest, RefusesWhatCannotRunAndNamesIt)
{
    EXPECT_EQ(setup.runProblem(testCatalogue()), QString());
    const struct { std::function<void(ImportSetup &)> change; const char *problem; } cases[] = {
        {[](ImportSetup &s) { s.fieldIds[1] = 0; }, "the key field \"Item Lookup Code\" of Inventory is not mapped"},
        {[](ImportSetup &s) { s.fieldIds.fill(0); }, "no text position is mapped"},
        {[](ImportSetup &s) { s.fieldIds[9] = 114; }, "\"Description\" is mapped to positions 2 and 9"},
        {[](ImportSetup &s) { s.fieldIds[3] = 201; }, "FieldID 201, which is not a field of Inventory"},
        {[](ImportSetup &s) { s.tableId = 0; }, "no destination table"},
        {[](ImportSetup &s) { s.textFile += QStringLiteral(".gone"); }, "does not exist"},
        {[this](ImportSetup &s) { s.logPath = textFile(); }, "is the text file itself"},
        {[this](ImportSetup &s) { s.logPath = m_dir.filePath(QStringLiteral("./store.db")); }, "is the store database"},
        {[](ImportSetup &s) { s.delimiterCode = '"'; }, "cannot be the field delimiter"},
        // UTF-7 writes a backslash as "+AFw-": it cannot separate fields there.
        {[](ImportSetup &s) {
             s.delimiterCode = '\\';
             s.encoding = TextEncoding::fromName(QStringLiteral("UTF-7"), nullptr).value();
         },
         "not a single ASCII byte in the encoding UTF-7"},
        {[](ImportSetup &s) { s.localeName = QStringLiteral("xx_YY"); }, "is not a locale"},
    };
    for (const auto &c : cases) {
        ImportSetup changed = setup;
        c.change(changed);
        const QString problem = changed.runProblem(testCatalogue());
        EXPECT_TRUE(problem.contains(QString::fromUtf8(c.problem))) << c.problem << " / " << problem.toStdString();
    }
    // Tables without a key need none mapped; a preview needs no table.
    setup.tableId = SecurityTable;
    setup.fieldIds.fill(0);
    setup.fieldIds[1] = 801;
    EXPECT_EQ(setup.runProblem(testCatalogue()), QString());
    setup.tableId = 0;
    setup.fieldIds.fill(0);
    EXPECT_EQ(setup.previewProblem(testCatalogue()), QString());
}

TEST(HeaderLine, MatchesNamesHoweverTheyAreWrittenAndNeverGuesses)
{
    const FieldTable &fields = testCatalogue();
    const struct { const char *name; int table; int fieldId; } rows[] = {
        {"Item Lookup Code", ItemTable, 116}, {"item_lookup_code", ItemTable, 116},
        {"ItemLookupCode", ItemTable, 116},   {" ITEM-LOOKUP.CODE ", ItemTable, 116},
        {"TaxId", ItemTable, 147},            {"Sales Tax", ItemTable, 147},
        {"Cost", ItemTable, 112},             // the caption wins over SupplierList's Cost column
        {"reorder_number", ItemTable, 404},   {"MasterPackQuantity", ItemTable, 410},
        {"account number", CustomerTable, 201}, {"SKU", ItemTable, 0}, {"Code", ItemTable, 0},
        {"", ItemTable, 0},                   {"Item Lookup Code", CustomerTable, 0},
    };
    for (const auto &row : rows)
        EXPECT_EQ(matchHeaderName(fields, row.table, QString::fromLatin1(row.name)), row.fieldId) << row.name;

    ImportSetup setup;
    setup.tableId = ItemTable;
    setup.fieldIds[3] = 114; // the operator mapped Description at 3
    const QStringList names = {"Item_Lookup_Code", "Descr", "Price", "Description", "", "Item Lookup Code"};
    const QList<HeaderColumn> columns = applyHeaderNames(fields, names, setup);
    using Outcome = HeaderColumn::Outcome;
    const QList<std::pair<int, Outcome>> expected = {
        {1, Outcome::Mapped}, {2, Outcome::FieldTaken}, {3, Outcome::AlreadyMapped}, // "Descr": Description
        {4, Outcome::FieldTaken}, {6, Outcome::FieldTaken},
    };
    ASSERT_EQ(columns.size(), expected.size());
    for (qsizetype i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(columns[i].position, expected[i].first);
        EXPECT_EQ(columns[i].outcome, expected[i].second) << columns[i].name.toStdString();
    }
    EXPECT_EQ(setup.fieldIds[1], 116);
    EXPECT_EQ(setup.fieldIds[2], 0);
    EXPECT_EQ(setup.fieldIds[3], 114);
    EXPECT_EQ(setup.fieldIds[4], 0);
}

TEST_F(ImportSetupTest, ReadsTheHeaderLineAsTheImportSplitsIt)
{
    // UTF-16 with semicolons and quotes, as a spreadsheet saves it.
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    ASSERT_TRUE(writeTestFile(textFile(),
                              encoder.encode(QStringLiteral("\"Account_Number\";\"E-Mail Address\";\"Balance\"\r\n"
                                                            "C1;a@b.example;12,50\r\n"))));
    setup.tableId = CustomerTable;
    setup.fieldIds.fill(0);
    setup.delimiterCode = ';';
    QString error;
    const auto columns = applyHeaderLine(testCatalogue(), setup, &error);
    ASSERT_TRUE(columns) << error.toStdString();
    EXPECT_EQ(setup.fieldIds[1], 201);
    EXPECT_EQ(testCatalogue().byId(setup.fieldIds[2]).columnName, QStringLiteral("EmailAddress"));
    // "Balance" only suggests "Account Balance"
    EXPECT_EQ(columns->at(2).outcome, HeaderColumn::Outcome::Suggested);
    EXPECT_EQ(setup.fieldIds[3], 0);
    // The lines after it, split the same way, as the wizard shows them.
    const auto lines = setup.readLines(testCatalogue(), 1, 5, &error);
    ASSERT_TRUE(lines) << error.toStdString();
    ASSERT_EQ(lines->size(), 1);
    EXPECT_EQ(lines->first().size(), MappingRows);
    EXPECT_EQ(lines->first().mid(0, 4), (QStringList{QStringLiteral("C1"), QStringLiteral("a@b.example"),
                                                     QStringLiteral("12,50"), QString()}));
    setup.textFile += QStringLiteral(".gone");
    EXPECT_FALSE(applyHeaderLine(testCatalogue(), setup, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("cannot be opened")));
    error.clear();
    EXPECT_FALSE(setup.readLines(testCatalogue(), 0, 1, &error));
    EXPECT_FALSE(error.isEmpty());
}
