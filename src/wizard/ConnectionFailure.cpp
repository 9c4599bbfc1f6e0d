#include "ConnectionFailure.h"

#include "database/DbError.h"

#include <QRegularExpression>

namespace vxr {

namespace {

struct FailureRule
{
    const char *pattern; // matched against the driver's text, without regard to case
    const char *meaning; // null: the description is plain already (our own words)
};

// The first rule whose pattern is found gives the meaning. The patterns are
// the texts of unixODBC, psqlODBC, FreeTDS, Microsoft's driver and our own
// connection code; the more particular ones come first, since Qt ends every
// ODBC failure with "Unable to connect".
const FailureRule Rules[] = {
    {R"(password authentication failed|login failed|role ".*" does not exist|authentication failed)",
     "The server did not accept the user name or the password."},
    {R"(database ".*" does not exist|cannot open database)", "The server has no database of that name."},
    {R"(could not translate host name|name or service not known|unknown host|no such host)",
     "The server name is not known on the network. Check its spelling."},
    {R"(data source name not found)", "There is no ODBC data source of that name on this computer."},
    {R"(can't open lib|driver.*could not be loaded|file not found)",
     "The ODBC driver could not be loaded. Check that it is installed."},
    {R"(no odbc driver for sql server|^the database file .* (does not exist|is not a file)\.$)", nullptr},
    {R"(could not be used as a database|not a database|file is not a database)",
     "The file is not a store database."},
    {R"(database driver .* is not available)",
     "The database driver for this kind of database is not installed with the program."},
    {R"(connection refused|unable to connect|unavailable or does not exist|timeout expired|timed out|could not connect)",
     "The server did not answer. Check the server name and port, and that the database server is running."},
    {R"(^the connection string|^the provider)", nullptr},
};

} // namespace

QString plainConnectionFailure(const DbError &error)
{
    for (const FailureRule &rule : Rules) {
        const QRegularExpression pattern(QString::fromLatin1(rule.pattern),
                                         QRegularExpression::CaseInsensitiveOption);
        if (pattern.match(error.description).hasMatch())
            return rule.meaning ? QString::fromLatin1(rule.meaning) : error.description;
    }
    return QStringLiteral("The database could not be opened.");
}

} // namespace vxr
