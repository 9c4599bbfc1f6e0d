#pragma once

#include <QString>

namespace vxr {

// What an error number a line can fail with means, in a sentence an operator
// understands without the number: shown in the problems report and in the
// wizard. The log keeps the number (stored logs and users' scripts read it).
// Empty for a number the program never gives.
QString errorWords(qint32 errorNumber);

// The words of the number, or, for a number the program does not know,
// "The database refused the line (error N).".
QString errorSentence(qint32 errorNumber);

} // namespace vxr
