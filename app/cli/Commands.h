#pragma once

#include "CliArguments.h"

namespace vxr {
class FieldTable;
}

namespace vxr::cli {

// Exit statuses of the tool.
enum ExitStatus : int {
    ExitAllStored = 0,   // every line was stored (or skipped)
    ExitLinesFailed = 1, // some lines failed (or would fail); they are in the log and the reject file
    ExitFailed = 2,      // the command could not start or failed
    ExitCancelled = 3,   // the run was cancelled (Ctrl-C, SIGTERM)
};

int runInitStore(const CliArguments &arguments);
int runFields(const CliArguments &arguments, const FieldTable &fields);
int runPreview(const CliArguments &arguments, const FieldTable &fields);
int runImport(const CliArguments &arguments, const FieldTable &fields);
int runRuns(const CliArguments &arguments);

} // namespace vxr::cli
