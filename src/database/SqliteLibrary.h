#pragma once

namespace vxr {

// The SQLite library counts every allocation it makes under one mutex
// shared by all its connections, for statistics this program never reads.
// A run writes the store on one thread and its journal on another, so both
// would take that mutex at every allocation. Turns the counting off; call
// once in main, before the first SQLite connection is opened (later, the
// library is already set up and the call changes nothing).
void configureSqliteLibrary();

} // namespace vxr
