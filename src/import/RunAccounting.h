#pragma once

#include <QString>

#include <optional>

namespace vxr {

struct ImportSummary;

// What a run must be able to say of every line it read: it is in exactly one
// of the counts (added, updated, rolled back, skipped, failed, not reached),
// and each line not stored is in the reject file. Empty when that holds;
// otherwise what does not add up, so that the run reports a fault of its
// own instead of leaving a line untold.
QString accountingFault(const ImportSummary &summary, qint64 linesRead, std::optional<qint64> rejectedLines);

} // namespace vxr
