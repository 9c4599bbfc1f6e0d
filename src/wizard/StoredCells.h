#pragma once

#include "import/PreviewCell.h"

class QTableWidget;

namespace vxr {

// Fills a row of the review grid with a line as it would be stored: each
// problem cell coloured and given an icon (the colour is never the only
// sign), its problem in its tooltip; the row's heading marked when the line
// fails.
void showStoredLine(QTableWidget *grid, int row, const PreviewLine &line, int columns);

} // namespace vxr
