#pragma once

#include <QString>

namespace vxr {

struct DbError;

// What a failed connect means for the operator, in plain words: the server
// did not answer, the name or password was refused, there is no such
// database, data source or driver. The driver's own text is for the details.
QString plainConnectionFailure(const DbError &error);

} // namespace vxr
