#include "catalogue/VariantKinds.h"
#include "database/ColumnKinds.h"
#include "database/ValueResolver.h"
#include "text/NumericText.h"

#include <gtest/gtest.h>

#include <QDateTime>

using namespace vxr;

namespace {

QVariant convert(const QString &text, int type, int size)
{
    // Dollar amounts, British dates.
    static const RegionalSettings regional{.locale = QLocale(QLocale::English, QLocale::UnitedKingdom)};
    return ValueResolver::convertByType(text, type, size, regional);
}

TEST(ValueResolverTypes, TextIsCutDatesAndNumbersAreRead)
{
    // Every text kind takes text, cut to its size; a non-Unicode text
    // column gets text too, never a number made of it.
    const struct { const char *text; int type; int size; QVariant expected; } rows[] = {
        {"0123456789012345678901234567890123456789", TypeCodes::VarWChar, 30,
         QStringLiteral("012345678901234567890123456789")},
        {"short", TypeCodes::VarWChar, 30, QStringLiteral("short")},
        {"", TypeCodes::VarWChar, 30, QStringLiteral("")},
        {"Blue widget", TypeCodes::Char, 4, QStringLiteral("Blue")},
        {"Blue widget", TypeCodes::VarChar, 4, QStringLiteral("Blue")},
        {"Blue widget", TypeCodes::LongVarChar, 4, QStringLiteral("Blue")},
        {"02/01/2003", TypeCodes::DBTimeStamp, 16, QDateTime(QDate(2003, 1, 2), QTime(0, 0))},
        {"$1,234.50", TypeCodes::Currency, 8, 1234.5},
        {"abc", TypeCodes::Integer, 4, 0.0},
        {"7", -1, -1, 7.0}, // a column whose type was never read
    };
    for (const auto &row : rows) {
        const QVariant value = convert(QString::fromUtf8(row.text), row.type, row.size);
        EXPECT_EQ(value.typeId(), row.expected.typeId()) << row.text;
        EXPECT_EQ(value, row.expected) << row.text;
    }
    // Not a date, or nothing at all, for a date column: null.
    EXPECT_TRUE(isNullValue(convert(QStringLiteral("31/02/2003"), TypeCodes::DBTimeStamp, 16)));
    EXPECT_TRUE(isNullValue(convert(QString(), TypeCodes::DBTimeStamp, 16)));
}

TEST(ValueResolverTypes, TextIsCutBetweenWholeCharacters)
{
    // UTF-16 units: an emoji takes two, a letter with a combining accent two.
    const struct { QString text; int size; QString expected; } rows[] = {
        {QStringLiteral("abcd"), 3, QStringLiteral("abc")},
        {QString::fromUtf8("ab\xF0\x9F\x98\x80"), 3, QStringLiteral("ab")},       // the emoji would be split
        {QString::fromUtf8("ab\xF0\x9F\x98\x80"), 4, QString::fromUtf8("ab\xF0\x9F\x98\x80")},
        {QString::fromUtf8("abe\xCC\x81x"), 3, QStringLiteral("ab")},             // e and its accent stay together
        {QString::fromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x98\x80"), 1, QString()},
    };
    for (const auto &row : rows) {
        const QString cut = cutToLength(row.text, row.size);
        EXPECT_EQ(cut, row.expected) << row.text.toStdString() << " to " << row.size;
        EXPECT_EQ(cut.toUtf8(), QString::fromUtf8(cut.toUtf8()).toUtf8()); // still valid text
    }
}

} // namespace
