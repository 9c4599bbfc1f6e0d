#pragma once

#include <QString>

namespace vxr {

struct ImportSummary;

// What a run came to, in a few sentences for the import panel: how it ended,
// what is stored, and where the lines that were not stored are. The counts
// themselves stand beside it.
QString runOutcomeText(const ImportSummary &summary);

// The run's problems by line: the first few in words, how many more, and
// the report that lists them all; empty when there were none.
QString runProblemsText(const ImportSummary &summary);

// Whether strict values would have failed some of the run's lines: values
// without a number or date were read as 0 or empty.
bool strictValuesWouldHelp(const ImportSummary &summary);

} // namespace vxr
