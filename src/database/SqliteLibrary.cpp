#include "SqliteLibrary.h"

#include <sqlite3.h>

namespace vxr {

void configureSqliteLibrary()
{
    // SQLITE_MISUSE once the library is initialised: the counting stays on,
    // which is only slower.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
}

} // namespace vxr
