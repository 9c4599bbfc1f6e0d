#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vxr {

enum class SpreadsheetKind { None, Xlsx, Ods };

// The workbook kind of the file at path, by what its zip holds (not by its
// name); None for anything else, a damaged workbook included.
SpreadsheetKind spreadsheetKind(const QString &path);

// The rows of one sheet as cell texts, empty trailing cells and rows left
// out. Only the first SheetColumns columns are kept.
struct SheetRows
{
    static constexpr int SheetColumns = 52;
    QList<QStringList> rows;
    bool columnsCut = false; // some row had text past the last kept column
};

// Reads the sheets of an .xlsx or .ods workbook. Each cell is taken by its
// type: text as it stands (formatted text without its formatting), a number
// in plain digits with decimalSeparator (no grouping, no exponent), so that
// the run reads it back exactly under its regional settings, a date (by the
// cell's number format in .xlsx, 1904 date system included, by its date value
// in .ods) as ISO 8601, a truth value as 1 or 0.
class SpreadsheetReader
{
public:
    explicit SpreadsheetReader(QString path) : m_path(std::move(path)) {}

    // The names of the sheets, in order; nothing (with errorString()) when
    // the workbook cannot be read.
    std::optional<QStringList> sheetNames();
    // The sheet of that name, or the first sheet for an empty name.
    std::optional<SheetRows> readSheet(const QString &sheet, const QString &decimalSeparator);
    QString errorString() const { return m_error; }

private:
    // The content part of an .ods file; nothing (with the reason) when the
    // zip cannot give it.
    std::optional<QByteArray> odsContent();

    QString m_path;
    QString m_error;
};

} // namespace vxr
