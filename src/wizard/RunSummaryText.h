#pragma once

#include <QString>

namespace vxr {

struct ImportSummary;

// What a run came to, in a few sentences for the import panel: how it ended,
// what is stored, and where the lines that were not stored are. The counts
// themselves stand beside it.
QString runOutcomeText(const ImportSummary &summary);

} // namespace vxr
