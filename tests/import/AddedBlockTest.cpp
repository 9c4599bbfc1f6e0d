// The journal's blocks of added rows: each row's values packed against the
// row before's, read back as the store would read them.

#include "import/AddedBlock.h"

#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>

using namespace vxr;

namespace {

// A block's rows come back as the store would read them: numbers as their
// shortest exact text, a null text as NULL (not empty) after a row that had
// a value there, texts with control characters, keys of every kind.
TEST(AddedBlockTest, RowsComeBackAsTheStoreWouldReadThem)
{
    const double numbers[] = {0.1,   2.25,  -3.5,       0.01,       -0.07,  12345678.9, 999999999.99, 1e9 + 0.5,
                              100.0, 1e5,   0.0001,     1e-7,       -0.0,   123456.78,  0.3 * 3,      1.005,
                              5e-324, 1e300, 4503599627370497.0, 70.1 + 0.2, 477.0, -12.0, 1e15,
                              9.65,   0.29,  90071992547409.92, -1e14, 155.0};
    const QString parted = QString("a%1b%2c%3d%4e").arg(QChar(0x1d), QChar(0x1e), QChar(0x1f), QChar(0x1b));
    const QString accented = QString::fromUtf8("Cr\u00e8me br\u00fbl\u00e9e \u20ac 4 \U0001F370");
    // Keys of real numbers stay real numbers, whole or not.
    const QVariant keys[] = {QVariant(qlonglong(42)), QVariant(2.5),  QVariant(parted), QVariant(QString()),
                             QVariant(true),          QVariant(3.0),  QVariant(-0.0),   QVariant(accented),
                             QVariant(19.99)};
    const QVariant keysBack[] = {QVariant(qlonglong(42)), QVariant(2.5),  QVariant(parted), QVariant(),
                                 QVariant(qlonglong(1)),  QVariant(3.0),  QVariant(-0.0),   QVariant(accented),
                                 QVariant(19.99)};
    constexpr qint64 keyCount = qint64(std::size(keys));
    const QStringList columns{"Number", "Text"};
    AddedBlockWriter writer(100);
    const auto add = [&](qint64 seq, const QVariantList &values) {
        writer.add(seq, {"Item", seq + 1, "ID", keys[(seq + 1) % keyCount], columns, values, {}});
    };
    qint64 seq = 100;
    for (const double number : numbers)
        add(seq++, {number, QString("x")});
    add(seq += 2, {1, QString()}); // the Seq of other entries between
    add(++seq, {1, parted});
    add(++seq, {1, accented});
    const QList<JournalAddedRow> rows = readAddedBlock({"Item", "ID", columns, 1, 100}, writer.rows()).value();
    ASSERT_EQ(rows.size(), std::size(numbers) + 3);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const JournalAddedRow &row = rows.at(i);
        EXPECT_EQ(row.rowId, row.seq + 1);
        const QVariant &keyBack = keysBack[(row.seq + 1) % keyCount];
        EXPECT_EQ(row.keyValue, keyBack) << i;
        EXPECT_EQ(row.keyValue.typeId(), keyBack.typeId()) << i;
        if (keyBack.typeId() == QMetaType::Double) { // -0.0 equals 0.0
            EXPECT_EQ(std::signbit(row.keyValue.toDouble()), std::signbit(keyBack.toDouble())) << i;
        }
        if (i < qsizetype(std::size(numbers))) {
            EXPECT_EQ(row.values.value(0).toString(), QVariant(numbers[i]).toString()) << numbers[i];
        }
    }
    EXPECT_EQ(rows.at(rows.size() - 3).seq, 100 + qint64(std::size(numbers)) + 2);
    EXPECT_EQ(rows.constLast().seq, 100 + qint64(std::size(numbers)) + 4);
    EXPECT_TRUE(rows.at(rows.size() - 3).values.value(1).isNull());
    EXPECT_EQ(rows.at(rows.size() - 2).values.value(1).toString(), parted);
    EXPECT_EQ(rows.constLast().values.value(1).toString(), accented);
    // A rollback cuts the block after the row it keeps.
    EXPECT_EQ(readAddedBlock({"Item", "ID", columns, 1, 100}, addedBlockUpTo(writer.rows(), 100, 104))->size(), 5);
    // A block whose bytes stop inside a row is not read as the rows before.
    EXPECT_FALSE(readAddedBlock({"Item", "ID", columns, 1, 100}, writer.rows().chopped(3)));
}

// Rows of a batch hold their own values and share one list of the rest; a
// row written alone holds all of them. Read back, each is whole.
TEST(AddedBlockTest, SharedValuesComeBackInEveryRow)
{
    const QStringList columns{"Code", "Price", "Notes", "Taxable"};
    const QVariantList shared{QString("none"), 1};
    const QVariantList otherShared{QString("none"), 0};
    const struct { QVariantList own, shared; QStringList back; } rows[] = {
            {{QString("A1"), 2.5}, shared, {"A1", "2.5", "none", "1"}},
            {{QString("A2"), 2.5}, shared, {"A2", "2.5", "none", "1"}},
            // Another list with the same values but one.
            {{QString("A3"), 3.0}, otherShared, {"A3", "3", "none", "0"}},
            // Written alone, after rows that shared.
            {{QString("A4"), 3.0, QString("none"), 1}, {}, {"A4", "3", "none", "1"}},
            {{QString("A5"), 3.0}, shared, {"A5", "3", "none", "1"}},
    };
    AddedBlockWriter writer(1);
    qint64 seq = 1;
    for (const auto &row : rows) {
        writer.add(seq, {"Item", seq, "ID", qlonglong(seq), columns, row.own, row.shared});
        ++seq;
    }
    const QList<JournalAddedRow> read = readAddedBlock({"Item", "ID", columns, 1, 1}, writer.rows()).value();
    ASSERT_EQ(read.size(), qsizetype(std::size(rows)));
    for (qsizetype i = 0; i < read.size(); ++i) {
        QStringList back;
        for (const QVariant &value : read.at(i).values)
            back << value.toString();
        EXPECT_EQ(back, rows[i].back) << i;
    }
}

} // namespace
