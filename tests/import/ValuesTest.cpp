// Values that are not values, on real stores: with strict values a line
// whose number or date column gets a text that is none fails with
// <VALUE:Caption> and stores nothing of it, on the update path too; without,
// such lines are stored as always (0, or no date) and the summary counts the
// values read that way and the values cut to fit, for stored lines only.

#include "ImportFixture.h"

using namespace vxr;
using namespace vxr::test;

namespace {

constexpr int ReorderNumber = 404; // the supplier list's, 25 characters
constexpr int AccountOpened = 202;
constexpr int LastName = 235;
constexpr int Quantity = 134; // floating-point

// Costs that are no number (lines 2 and 5), a number with text after it,
// and no cost at all.
const QByteArray Costs = "V1,One,Tools,5\r\nV2,Two,Garden,abc\r\nV3,Three,Paint,12abc\r\nV4,Four,Yard,\r\n"
                         "V5,Five,Shed,$\r\n";
// Dates that are none (lines 2 and 4), and no date at all.
const QByteArray Dates = "C1,2003-01-02,Ames\r\nC2,31/02/2003,Bell\r\nC3,,Cole\r\nC4,soon,Dunn\r\n";

class ValuesTest : public ImportFixture
{
protected:
    ImportSummary importWith(int tableId, const QString &path, bool strict, bool duplicatesAsErrors = true)
    {
        ImportRequest r = requestFor(tableId, path);
        r.strictValues = strict;
        r.duplicatesAsErrors = duplicatesAsErrors;
        QFile::remove(logPath);
        return importFile(r);
    }
};

} // namespace

TEST_P(ValuesTest, CostsThatAreNoneFailWithStrictAndAreStoredAsZeroWithout)
{
    mapPositions({ItemLookupCode, Description, ItemDepartment, ItemCost});
    const ImportSummary strict = importWith(ItemTable, writeFile("items.csv", Costs), true);
    EXPECT_EQ(tally(strict), "3 added 0 updated 0 skipped 2 failed 0 not reached");
    EXPECT_EQ(strict.valuesReadAsEmpty, 0);
    EXPECT_EQ(logEntries(), QStringList({"[00002 <VALUE:Cost>] V2,Two,Garden,abc", "[00005 <VALUE:Cost>] V5,Five,Shed,$"}));
    EXPECT_EQ(query("SELECT ItemLookupCode, Cost FROM Item ORDER BY ItemLookupCode"),
              QStringList({"V1|5", "V3|12", "V4|0"}));
    // Not even the departments of the failed lines were added.
    EXPECT_EQ(query("SELECT Name FROM Department ORDER BY Name"), QStringList({"Paint", "Tools", "Yard"}));
    EXPECT_EQ(readTestFile(strict.rejectPath), QByteArray("V2,Two,Garden,abc\r\nV5,Five,Shed,$\r\n"));

    exec("DELETE FROM Item");
    const ImportSummary lenient = importWith(ItemTable, writeFile("items.csv", Costs), false);
    EXPECT_EQ(tally(lenient), "5 added 0 updated 0 skipped 0 failed 0 not reached");
    EXPECT_EQ(lenient.valuesReadAsEmpty, 2); // "abc" and "$"; neither "12abc" nor the blank cost
    EXPECT_EQ(lenient.valuesCut, 0);
    EXPECT_EQ(query("SELECT ItemLookupCode, Cost FROM Item ORDER BY ItemLookupCode"),
              QStringList({"V1|5", "V2|0", "V3|12", "V4|0", "V5|0"}));
}

TEST_P(ValuesTest, DatesThatAreNoneFailWithStrictAndAreCountedWithout)
{
    mapPositions({CustomerAccountNumber, AccountOpened, LastName});
    const ImportSummary strict = importWith(CustomerTable, writeFile("strict.csv", Dates), true);
    EXPECT_EQ(strict.rowsAdded, 2);
    EXPECT_EQ(logEntries(), QStringList({"[00002 <VALUE:Account Opened>] C2,31/02/2003,Bell",
                                         "[00004 <VALUE:Account Opened>] C4,soon,Dunn"}));

    QByteArray lenientDates = Dates;
    const ImportSummary lenient = importWith(CustomerTable, writeFile("lenient.csv", lenientDates.replace("C", "D")), false);
    EXPECT_EQ(lenient.rowsAdded, 4);
    EXPECT_EQ(lenient.valuesReadAsEmpty, 2);
    EXPECT_TRUE(logEntries().isEmpty());
    EXPECT_EQ(query("SELECT AccountNumber FROM Customer WHERE AccountNumber LIKE 'D%' AND AccountOpened IS NULL "
                    "ORDER BY AccountNumber"),
              QStringList({"D2", "D3", "D4"}));
}

// A line whose key is there already goes on to update its row when
// duplicates are not errors: the value fails there the same way.
TEST_P(ValuesTest, TheUpdatePathFailsAndCountsAlike)
{
    mapPositions({ItemLookupCode, Description, ItemCost});
    ASSERT_EQ(importWith(ItemTable, writeFile("first.csv", "U1,One,5\r\n"), false).rowsAdded, 1);

    const QString path = writeFile("again.csv", "U1,Changed,abc\r\nU2,New,abc\r\n");
    EXPECT_EQ(importWith(ItemTable, path, true, false).linesFailed, 2);
    EXPECT_EQ(logEntries(), QStringList({"[00001 <VALUE:Cost>] U1,Changed,abc", "[00002 <VALUE:Cost>] U2,New,abc"}));
    EXPECT_EQ(query("SELECT ItemLookupCode, Description, Cost FROM Item"), QStringList({"U1|One|5"}));

    const ImportSummary lenient = importWith(ItemTable, path, false, false);
    EXPECT_EQ(tally(lenient), "1 added 1 updated 0 skipped 0 failed 0 not reached");
    EXPECT_EQ(lenient.valuesReadAsEmpty, 2);
    EXPECT_EQ(query("SELECT ItemLookupCode, Description, Cost FROM Item ORDER BY ItemLookupCode"),
              QStringList({"U1|Changed|0", "U2|New|0"}));
}

TEST_P(ValuesTest, TextsAndSupplierNamesCutToFitAreCounted)
{
    mapPositions({ItemLookupCode, Description, ItemSupplier, ItemCost, ReorderNumber});
    const QByteArray longSupplier = "Northwind Traders International"; // 31 characters
    const QByteArray emojiSupplier = QByteArray(29, 'a') + "\xF0\x9F\x98\x80"; // the emoji ends at 31 units
    const QString path = writeFile("items.csv",
                                   "T1,Description longer than the column," + longSupplier + " Ltd,5,R1\r\n"
                                   "T2,Short," + longSupplier + " Inc,6,Reorder number that is too long\r\n"
                                   "T3,Plain,,7,Reorder number that is too long\r\n" // no supplier list row
                                   "T4,Smile," + emojiSupplier + ",8,R4\r\n");
    const ImportSummary summary = importWith(ItemTable, path, false);

    EXPECT_EQ(summary.rowsAdded, 4);
    // T1's description and supplier, T2's supplier and reorder number, T4's
    // supplier; T3's reorder number went into no row.
    EXPECT_EQ(summary.valuesCut, 5);
    EXPECT_EQ(summary.valuesReadAsEmpty, 0);
    EXPECT_EQ(query("SELECT Description FROM Item WHERE ItemLookupCode = 'T1'"),
              QStringList({"Description longer than the co"}));
    // The two long names are one supplier; the emoji is not split in two.
    QStringList suppliers = query("SELECT SupplierName FROM Supplier");
    suppliers.sort();
    EXPECT_EQ(suppliers, QStringList({"Northwind Traders Internationa", QString(29, 'a')}));
    EXPECT_EQ(query("SELECT ReorderNumber FROM SupplierList ORDER BY ID"),
              QStringList({"R1", "Reorder number that is to", "R4"}));
}

// What no column may take, strict values or not: a number beyond its type
// fails as money beyond its range does; a key holding a line feed fails with
// the line feed in the marker. A NUL is left out and counted as cut, and
// fails the line with strict values. A final ^Z is no line at all.
TEST_P(ValuesTest, OverflowsLineFeedsInKeysAndNulsNeverReachAColumn)
{
    mapPositions({ItemLookupCode, Description, Quantity, ItemCost});
    const QByteArray lines = "N1,One,1e400\r\nN2,Two,-1e309\r\nN3,Th" + QByteArray(1, '\0') + "ree,3\r\n"
                             "\"N4\nX\",Four,4\r\nN5,Five,5,1e400\r\nN6,Six,6\r\n\x1A";
    const QByteArray outOfRange = "<" + QByteArray::number(ErrorNumbers::ValueOutOfRange) + ">] ";
    for (const bool strict : {false, true}) {
        QByteArray text = lines;
        const ImportSummary summary = importWith(ItemTable, writeFile("items.csv", text.replace('N', strict ? 'S' : 'L')), strict);
        const char k = strict ? 'S' : 'L';
        EXPECT_EQ(summary.linesRead, 6) << strict;
        EXPECT_EQ(summary.linesFailed, strict ? 5 : 4) << strict;
        EXPECT_EQ(summary.valuesCut, strict ? 0 : 1) << strict;
        const QByteArray log = readTestFile(logPath);
        for (const QByteArray &entry : {"[00001 " + outOfRange + k + "1,One,1e400\r\n",
                                        "[00002 " + outOfRange + k + "2,Two,-1e309\r\n",
                                        "[00004 <VALUE:Item Lookup Code \\n>] \"" + QByteArray(1, k) + "4\nX\",Four,4\r\n",
                                        "[00005 " + outOfRange + k + "5,Five,5,1e400\r\n"})
            EXPECT_TRUE(log.contains(entry)) << entry.toStdString() << log.toStdString();
        EXPECT_EQ(log.contains("[00003 <VALUE:Description>] "), strict);
        EXPECT_EQ(readTestFile(summary.rejectPath).count('\n'), strict ? 6 : 5); // each line whole, no ^Z
    }
    EXPECT_EQ(query("SELECT ItemLookupCode, Description, Quantity FROM Item ORDER BY ItemLookupCode"),
              QStringList({"L3|Three|3", "L6|Six|6", "S6|Six|6"}));
}

VXR_ON_EVERY_BACKEND(ValuesTest);
