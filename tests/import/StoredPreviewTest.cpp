#include "TestStores.h"
#include "TestSupport.h"

#include "import/ImportSetup.h"
#include "import/StoredPreview.h"

#include <QTemporaryDir>

namespace vxr::test {
namespace {

// A stored key, a value read as 0 and a text cut, an item that does not
// exist, a supplier name cut to 30 characters, and a key given twice.
const QByteArray Lines = "A1,Hammer,9.5,Tools,,\n"
                         "B2,A description far longer than thirty,abc,Garden,,\n"
                         "B3,Saw,12.5,Tools,NOPE,\n"
                         "B4,Saw 2,1,Tools,A1,A supplier name longer than thirty\n"
                         "B4,Saw 3,1,,,\n";

// The marks: of line 2's price, line 4's supplier, line 5's key.
struct SetupCase { const char *name; bool strict, rejectCut, duplicatesAsErrors;
                   qint64 failing, changedLines, changedValues; CellMark price2, supplier4, key5; };

// The preview counts what the run would do under each set-up.
const SetupCase setupCases[] = {
    {"default", false, false, true, 3, 2, 3, CellMark::Changed, CellMark::Changed, CellMark::Fails},
    {"strict", true, false, true, 4, 1, 1, CellMark::Fails, CellMark::Changed, CellMark::Fails},
    // With cuts refused, line 4 fails, so line 5 is the first to give B4.
    {"reject cut", false, true, true, 4, 0, 0, CellMark::Changed, CellMark::Fails, CellMark::None},
    {"duplicates update", false, false, false, 1, 2, 3, CellMark::Changed, CellMark::Changed, CellMark::None},
};

class StoredPreviewTest : public BackendTest
{
};

TEST_P(StoredPreviewTest, CountsWhatTheRunWouldDoAndWritesNothing)
{
    exec(QStringLiteral("INSERT INTO Department (Name, Code) VALUES (?, ?)"), {QStringLiteral("Tools"), QStringLiteral("T")});
    exec(QStringLiteral("INSERT INTO Item (ItemLookupCode, Description) VALUES (?, ?)"),
         {QStringLiteral("A1"), QStringLiteral("Old")});
    const QString itemId = scalar(QStringLiteral("SELECT ID FROM Item")).toString();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("items.csv"));
    ASSERT_TRUE(writeTestFile(file, Lines));
    const QStringList before = everyRow(connectionString());

    for (const SetupCase &c : setupCases) {
        ImportSetup setup;
        setup.tableId = ItemTable;
        setup.textFile = file;
        setup.localeName = QStringLiteral("en_US");
        setup.connectionString = connectionString();
        setup.strictValues = c.strict;
        setup.rejectCut = c.rejectCut;
        setup.duplicatesAsErrors = c.duplicatesAsErrors;
        int position = 0;
        for (const int fieldId : {116, 114, 127, 113, 125, 142})
            setup.fieldIds[++position] = fieldId;

        StoredPreview preview(setup, testCatalogue());
        QString error;
        ASSERT_TRUE(preview.open(&error)) << c.name << ": " << error.toStdString();
        QList<PreviewLine> shown;
        const auto count = preview.run(19, [&shown](const QList<PreviewLine> &lines) { shown = lines; }, &error);
        ASSERT_TRUE(count) << c.name << ": " << error.toStdString();
        EXPECT_EQ(count->lines, 5) << c.name;
        EXPECT_EQ(count->failing, c.failing) << c.name;
        EXPECT_EQ(count->changedLines, c.changedLines) << c.name;
        EXPECT_EQ(count->changedValues, c.changedValues) << c.name;
        ASSERT_EQ(shown.size(), 5) << c.name;
        EXPECT_EQ(shown[1].cells[3].mark, c.price2) << c.name;
        EXPECT_EQ(shown[3].cells[6].mark, c.supplier4) << c.name;
        EXPECT_EQ(shown[4].cells[1].mark, c.key5) << c.name;
        EXPECT_EQ(shown[2].cells[5].mark, CellMark::Fails) << c.name << ": no item NOPE";
        EXPECT_EQ(shown[3].cells[5].shown, itemId + QStringLiteral(" (A1)")) << c.name;
        EXPECT_EQ(shown[1].cells[4].shown, QStringLiteral("Garden (new)")) << c.name;
    }
    EXPECT_EQ(everyRow(connectionString()), before) << "the preview writes nothing";
}

VXR_ON_EVERY_BACKEND(StoredPreviewTest);

} // namespace
} // namespace vxr::test
