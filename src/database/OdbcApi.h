#pragma once

// Only for sources built with the driver manager's headers.
#ifdef VXR_HAVE_ODBC

// The ODBC C API, included the one way every platform takes: Windows' ODBC
// headers want windows.h before them.
#include <QtGlobal>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

// Our texts go to the driver as they are held: UTF-16 code units.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR must be a UTF-16 code unit");

#endif // VXR_HAVE_ODBC
