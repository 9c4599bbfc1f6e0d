#pragma once

#include <QString>

#include <array>

namespace vxr {

constexpr int MappingRows = 52;

// The set-up saved to and loaded from an ".imp" settings file.
struct SessionSettings
{
    bool SkipFirstLine = false;
    bool QuoteDelimiter = true;
    bool Duplicate = true;
    bool FirstLineHeader = false;
    int FieldDelimiter = 0;   // index in the delimiter list (-1 for none)
    int TableName = 0;        // index in the destination table list
    QString FileName;
    QString ConnectionString; // written with the password left empty; never read
    std::array<QString, MappingRows> FieldNames; // mapping grid column 1, rows 1..52
    std::array<QString, MappingRows> FieldIds;   // mapping grid column 2, rows 1..52

    // Reads a settings file as loading does: every value through a
    // 155-character buffer, "Yes" as a prefix, the leading integer of indices.
    // A missing file reads as all keys missing. The skip-first-line,
    // first-line-header and connection keys are not read.
    static SessionSettings read(const QString &path);

    // Writes every key in its fixed order; false (with *error) on failure.
    bool write(const QString &path, QString *error = nullptr) const;
};

// The integer a value begins with (after blanks, with an optional sign);
// 0 when it begins with none.
int leadingInteger(const QString &text);

} // namespace vxr
