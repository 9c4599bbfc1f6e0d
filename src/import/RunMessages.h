#pragma once

#include <QString>

namespace vxr {

struct ImportSummary;

// What a finished run tells the operator, made from its summary.

// The status line: complete, test run, rolled back, cancelled at a line, or
// failed with the reason.
QString runStatusText(const ImportSummary &summary);
// Why a run stopped, what is stored and where the rest is.
QString stoppedMessage(const ImportSummary &summary);
// That failed lines are missing from a log that could not be written.
QString lostLogLinesMessage(const ImportSummary &summary);

} // namespace vxr
