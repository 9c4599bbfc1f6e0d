#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "TestSupport.h"
#include "catalogue/VariantKinds.h"

#include <gtest/gtest.h>

using namespace vxr;

namespace {

const QDateTime Startup(QDate(2026, 3, 4), QTime(15, 16, 17));

// The catalogue as its golden file holds it: every entry as "index|FieldID|
// table id|table|column|caption|pass|default's type|default" (date defaults
// from Startup), each offered table's list caption with the captions of the
// fields it offers, and the tables a run opens.
QStringList catalogueLines(const FieldTable &fields)
{
    QStringList lines;
    for (int i = 0; i < fields.fieldCount(); ++i) {
        const FieldDef &f = fields[i];
        lines << QStringList{QString::number(i), QString::number(f.fieldId), QString::number(f.tableId), f.tableName,
                             f.columnName, f.displayName, QString::number(f.pass),
                             QString::fromLatin1(f.defaultValue.typeName()), f.defaultValue.toString()}
                         .join(u'|');
    }
    for (const TableInfo *table : offeredTables()) {
        QStringList captions;
        for (int index : fields.offeredFieldIndices(table->tableId))
            captions << fields[index].displayName;
        lines << table->listCaption + QStringLiteral(": ") + captions.join(QStringLiteral(", "));
    }
    return lines << QStringLiteral("opened: ") + importTableNames().join(QStringLiteral(", "));
}

} // namespace

// The entries' order, ids, columns, captions, passes and defaults are what
// settings files and the duplicate check rely on: any change shows against
// tests/catalogue/Catalogue.golden (the new form is written beside the build).
TEST(Catalogue, MatchesItsGoldenFile)
{
    SilentReporter silent;
    const FieldTable fields = FieldTable::buildCatalogue(Startup, silent);
    const QStringList lines = catalogueLines(fields);
    const QStringList golden =
            QString::fromUtf8(test::readTestFile(test::sourcePath(QStringLiteral("tests/catalogue/Catalogue.golden"))))
                    .remove(u'\r')
                    .split(u'\n', Qt::SkipEmptyParts);
    if (lines != golden) {
        const QString now = QStringLiteral(VXR_BINARY_DIR "/Catalogue.golden");
        test::writeTestFile(now, lines.join(u'\n').toUtf8() + '\n');
        for (qsizetype i = 0; i < qMax(lines.size(), golden.size()); ++i)
            ASSERT_EQ(lines.value(i), golden.value(i)) << "line " << i + 1 << "; the catalogue now: " << now.toStdString();
    }
    // Each FieldID is found at its own entry; a fresh entry has no column type or value yet.
    for (int i = 0; i < fields.fieldCount(); ++i) {
        EXPECT_EQ(fields.findFieldIndex(fields[i].fieldId), i);
        EXPECT_EQ(std::pair(fields[i].dataType, fields[i].maxLength), std::pair(-1, -1));
        EXPECT_FALSE(fields[i].value.isValid());
    }
    for (int absent : {999, -5})
        EXPECT_EQ(fields.findFieldIndex(absent), 0);
    // The duplicate check's keys are addressed by index.
    for (const TableInfo *table : offeredTables()) {
        if (table->keyFieldIndex != 0) {
            EXPECT_EQ(fields[table->keyFieldIndex].tableId, table->tableId);
            EXPECT_EQ(fields[table->keyFieldIndex].columnName, table->keyColumn);
        }
    }
}

TEST(Catalogue, ResetCopiesTheDefaults)
{
    SilentReporter silent;
    FieldTable fields = FieldTable::buildCatalogue(Startup, silent);
    fields.byId(112).value = 3.5;
    fields.resetFieldValues();
    for (const FieldDef &field : fields.entries)
        EXPECT_EQ(field.value, field.defaultValue) << field.fieldId;
    // Two Date columns are separate entries.
    fields[153].value = QDate(2000, 1, 1);
    EXPECT_NE(fields[165].value, fields[153].value);
}

// The known ones name every catalogue entry's table: the golden file.
TEST(TableCatalogue, GetTableNameReportsUnknownIds)
{
    test::RecordingReporter reporter;
    EXPECT_FALSE(tableName(11, reporter).isValid());
    EXPECT_FALSE(tableName(-1, reporter).isValid());
    ASSERT_EQ(reporter.messages.size(), 2);
    EXPECT_EQ(reporter.messages[0].text, "<Definition::GetTableName> Unknown table id '11'.");
    EXPECT_EQ(reporter.messages[1].text, "<Definition::GetTableName> Unknown table id '-1'.");
    EXPECT_EQ(reporter.messages[0].kind, MessageKind::Exclamation);
}
