#pragma once

#include <QString>

namespace vxr {

// The version the window shows: major, ".0", minor, a revision letter and
// " beta". Revisions 1 to 5 are the letters a to e, revision 0 has none and
// any other revision is written as its number (1.5 rev 5 -> "1.05e beta",
// 1.5 rev 12 -> "1.0512 beta").
QString versionText(int major, int minor, int revision);

// The version text of this build.
QString applicationVersionText();

} // namespace vxr
