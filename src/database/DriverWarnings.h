#pragma once

namespace vxr {

// Qt's ODBC driver writes a warning to standard error for every statement
// that fails. The import reports each failure itself (the line in the log,
// the run's end in one message), so a run against a server that went away
// would otherwise bury the operator's terminal in thousands of copies of the
// same driver text. Installs a message handler that drops those warnings and
// passes every other message on; call once, early in main.
void quietDriverWarnings();

} // namespace vxr
