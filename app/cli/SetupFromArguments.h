#pragma once

#include "CliArguments.h"

#include "import/HeaderLine.h"
#include "import/ImportSetup.h"

#include <QList>
#include <QString>

#include <optional>

namespace vxr {
class FieldTable;
}

namespace vxr::cli {

enum class SetupPurpose { Preview, Import };

// The set-up a command line asks for: the settings file, then the options
// over it; checked for its purpose and, when asked, saved.
struct SetupResult
{
    ImportSetup setup;
    bool headerRead = false;          // the header line was matched
    QList<HeaderColumn> headerColumns; // what became of its names
    QString error;                    // empty when the set-up is usable
};

SetupResult resolveSetup(const CliArguments &arguments, const FieldTable &fields, SetupPurpose purpose);

// What the header line's names were mapped to, one position a line, with
// the names that map nothing and why; empty when no header line was read.
QString headerReport(const SetupResult &result, const FieldTable &fields);

// The set-up a command runs with, what became of the header line's names
// printed first; nothing, with why printed as an error, when it cannot be used.
std::optional<ImportSetup> commandSetup(const CliArguments &arguments, const FieldTable &fields,
                                        SetupPurpose purpose);

} // namespace vxr::cli
