#pragma once

#include "CliArguments.h"

#include <QString>

#include <array>

namespace vxr {
class FieldTable;
class RecordReader;
struct TableInfo;
} // namespace vxr

namespace vxr::cli {

constexpr int LastMappablePosition = 52;

// Everything a preview or an import needs, with the settings file applied and
// the command-line options over it.
struct ImportSetup
{
    int tableId = 0;                // 0 when none was chosen (only a preview allows that)
    int delimiterCode = 44;
    bool quotes = true;
    bool duplicatesAsErrors = true;
    bool skipFirstLine = false;
    QString textFile;
    QString connectionString;
    QString logPath;
    // FieldID mapped to each text position 1..52 (index 0 unused); 0 = not mapped.
    std::array<int, LastMappablePosition + 1> fieldIds{};

    bool hasMapping() const;
    // Gives the reader the delimiter, the quote option and the mapping.
    void configureReader(RecordReader &reader) const;
};

enum class SetupPurpose { Preview, Import };

struct SetupResult
{
    ImportSetup setup;
    QString error; // empty when the set-up is usable
};

SetupResult resolveSetup(const CliArguments &arguments, const FieldTable &fields, SetupPurpose purpose);

// A destination table by its list caption or table name (without regard to
// case) or by its table id; nullptr when no offered table matches.
const TableInfo *findOfferedTable(const QString &text);

// The FieldID of an offered field of the table, given by FieldID or display
// name (without regard to case); 0 with *error when there is none.
int findOfferedField(const FieldTable &fields, int tableId, const QString &text, QString *error);

// The character code of a delimiter given by name or as the character itself;
// 0 with *error when it cannot be used.
int delimiterCodeOf(const QString &text, QString *error);

// The delimiter names --delimiter takes, in list order: "comma, period, ...".
QString delimiterNames();

// The message for a table argument that names no offered table; it lists
// the offered ones.
QString notATableMessage(const QString &text);

} // namespace vxr::cli
