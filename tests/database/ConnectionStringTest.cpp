#include "TestSupport.h"

#include "database/ConnectionString.h"
#include "database/DbConnection.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vxr;

namespace {

const QStringList freeTdsOnly = {QStringLiteral("PostgreSQL Unicode"), QStringLiteral("FreeTDS")};
const QStringList microsoft17 = {QStringLiteral("FreeTDS"), QStringLiteral("ODBC Driver 17 for SQL Server")};

ConnectionTarget target(const QString &connectionString, const QStringList &drivers = freeTdsOnly)
{
    ConnectionTarget result;
    QString error;
    EXPECT_TRUE(connectionTarget(connectionString, drivers, 15, &result, &error)) << error.toStdString();
    return result;
}

QString sqlServer(const QString &dataSource, const QString &password = QString())
{
    return QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=") + password
        + QStringLiteral(";Initial Catalog=Store;Data Source=") + dataSource;
}

// A loopback port where the kernel completes connections, but nobody ever
// reads or answers. Closed when the object goes.
struct SilentListener
{
    SilentListener()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
            && ::listen(fd, 8) == 0 && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            port = ntohs(address.sin_port);
    }
    ~SilentListener()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Q_DISABLE_COPY(SilentListener)

    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    quint16 port = 0;
};

} // namespace

TEST(ConnectionString, SqlServerBecomesAnOdbcStringForTheInstalledDriver)
{
    // The dialog's string for "(local)", "sa", no password and the database Store.
    const QString dialog = QStringLiteral(
        "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=;Initial Catalog=Store;Data Source=(local)");
    ConnectionTarget t = target(dialog);
    EXPECT_EQ(t.dialect, Dialect::SqlServer);
    EXPECT_EQ(t.qtDriver, QStringLiteral("QODBC"));
    EXPECT_EQ(t.databaseName, QStringLiteral("Driver={FreeTDS};Server=127.0.0.1;Database=Store;UID=sa;PWD=;"
                                             "TDS_Version=7.4;ClientCharset=UTF-8;"));
    EXPECT_EQ(t.connectOptions, QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=15"));


    QString error;
    EXPECT_FALSE(connectionTarget(dialog, {QStringLiteral("PostgreSQL Unicode")}, 15, &t, &error));
    EXPECT_TRUE(error.contains(QLatin1String("FreeTDS"))) << error.toStdString();
}

// host\instance and host,port (FreeTDS takes the port as a key of its own);
// a password with ";" (the dialog inserts it unchanged) or with blanks at its
// ends reaches ODBC in braces; keys match in any case. Microsoft's drivers
// first, Windows' own when nothing better is installed; the Windows login
// goes as Trusted_Connection, without user and password. An expected string
// starting "Driver=" is the whole ODBC string, any other a part of it.
TEST(ConnectionString, SqlServerFormsValuesDriversAndTheWindowsLogin)
{
    const QStringList windows = {QStringLiteral("SQL Server")};
    const QStringList nativeClient = {QStringLiteral("SQL Server"), QStringLiteral("SQL Server Native Client 11.0")};
    const QStringList microsoft18 = microsoft17 + nativeClient + QStringList{QStringLiteral("ODBC Driver 18 for SQL Server")};
    const QString srv = sqlServer(QStringLiteral("srv"));
    const struct { QString given; const QStringList &drivers; const char *expected; } rows[] = {
        {sqlServer("(local)\\SQLEXPRESS"), freeTdsOnly, ";Server=127.0.0.1\\SQLEXPRESS;Database="},
        {sqlServer("shop-db\\POS"), microsoft17, ";Server=shop-db\\POS;Database="},
        {sqlServer("10.0.0.5,1533"), freeTdsOnly, ";Server=10.0.0.5;Port=1533;Database="},
        {sqlServer("10.0.0.5,1533"), microsoft17, ";Server=10.0.0.5,1533;Database="},
        {sqlServer("."), freeTdsOnly, ";Server=127.0.0.1;"},
        {sqlServer("srv", "se;cret"), freeTdsOnly, ";PWD={se;cret};"},
        {sqlServer("srv", "a}b;"), freeTdsOnly, ";PWD={a}}b;};"},
        {sqlServer("srv", " Pass "), freeTdsOnly, ";PWD={ Pass };"},
        {"provider=sqloledb.1;user id=Clerk;PASSWORD=x;initial catalog=Back Office;DATA SOURCE=srv", freeTdsOnly,
         ";Server=srv;Database=Back Office;UID=Clerk;PWD=x;"},
        {srv, microsoft17, "Driver={ODBC Driver 17 for SQL Server};Server=srv;Database=Store;UID=sa;PWD=;"},
        {srv, microsoft18, "Driver={ODBC Driver 18 for SQL Server};Server=srv;Database=Store;UID=sa;PWD=;"
                           "Encrypt=Optional;"},
        {srv, windows, "Driver={SQL Server};Server=srv;Database=Store;UID=sa;PWD=;"},
        {srv, nativeClient, "Driver={SQL Server Native Client 11.0};Server=srv;Database=Store;UID=sa;PWD=;"},
        {srv + ";Integrated Security=SSPI", windows, "Driver={SQL Server};Server=srv;Database=Store;Trusted_Connection=Yes;"},
        {srv + ";trusted_connection=yes", microsoft17,
         "Driver={ODBC Driver 17 for SQL Server};Server=srv;Database=Store;Trusted_Connection=Yes;"},
        {srv + ";Integrated Security=SSPI", freeTdsOnly,
         "Driver={FreeTDS};Server=srv;Database=Store;Trusted_Connection=Yes;TDS_Version=7.4;ClientCharset=UTF-8;"},
        {srv + ";Integrated Security=False", windows, "Driver={SQL Server};Server=srv;Database=Store;UID=sa;PWD=;"},
    };
    for (const auto &row : rows) {
        const QString odbc = target(row.given, row.drivers).databaseName;
        if (QByteArray(row.expected).startsWith("Driver="))
            EXPECT_EQ(odbc, QString::fromLatin1(row.expected));
        else
            EXPECT_TRUE(odbc.contains(QLatin1String(row.expected))) << odbc.toStdString();
    }
}

TEST(ConnectionString, OdbcPassesThroughAndNamesTheDialect)
{
    ConnectionTarget t = target(QStringLiteral("Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=h;Pwd={a;b};"));
    EXPECT_EQ(t.qtDriver, QStringLiteral("QODBC"));
    EXPECT_EQ(t.databaseName, QStringLiteral("Driver={PostgreSQL Unicode};Server=h;Pwd={a;b};"));
    EXPECT_EQ(t.dialect, Dialect::PostgreSQL);

    EXPECT_EQ(target(QStringLiteral("Provider=MSDASQL;DSN=Shop")).dialect, Dialect::OtherOdbc);
    EXPECT_EQ(target(QStringLiteral("DSN=Shop;Provider=MSDASQL.1")).databaseName, QStringLiteral("DSN=Shop"));
    EXPECT_EQ(target(QStringLiteral("Provider=MSDASQL;Driver={FreeTDS};Server=h")).dialect, Dialect::SqlServer);

    t = target(QStringLiteral("Provider=SQLite;Data Source=/tmp/a;b.db"));
    EXPECT_EQ(t.qtDriver, QStringLiteral("QSQLITE"));
    EXPECT_EQ(t.databaseName, QStringLiteral("/tmp/a;b.db"));
}

TEST(ConnectionString, MissingOrUnknownProviderIsAnError)
{
    for (const char *text : {"Data Source=store.db", "", "Provider=;Data Source=x", "Provider=Jet.4.0;Data Source=x",
                             "Provider=SQLite", "Provider=MSDASQL"}) {
        ConnectionTarget t;
        QString error;
        EXPECT_FALSE(connectionTarget(QString::fromLatin1(text), freeTdsOnly, 15, &t, &error)) << text;
        EXPECT_FALSE(error.isEmpty()) << text;
    }
    // An open with such a string fails naming it: ImportJobTest.
}

TEST(DbConnection, SqliteOpensOnlyAnExistingStore)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("absent.db"));
    DbConnection connection;
    DbError error;
    EXPECT_FALSE(connection.open(QStringLiteral("Provider=SQLite;Data Source=") + path, &error));
    EXPECT_EQ(error.number, ErrorNumbers::ConnectionFailed);
    EXPECT_EQ(error.description, QStringLiteral("The database file \"%1\" does not exist.").arg(path));
    EXPECT_FALSE(QFile::exists(path)); // no empty database made on the way

    // Files that are not a store, an empty one included, are refused as they
    // are: SQLite would have made a store of the empty one.
    for (const QByteArray &bytes : {QByteArray(4096, 'x'), QByteArray(), QByteArray("SQLite format 2\0", 16)}) {
        const QString file = dir.filePath(QStringLiteral("notes.txt"));
        ASSERT_TRUE(test::writeTestFile(file, bytes));
        EXPECT_FALSE(connection.open(QStringLiteral("Provider=SQLite;Data Source=") + file, &error));
        EXPECT_EQ(error.number, ErrorNumbers::ConnectionFailed);
        EXPECT_TRUE(error.description.contains(QStringLiteral("is not a SQLite store"))) << error.description.toStdString();
        EXPECT_FALSE(connection.isOpen());
        EXPECT_EQ(test::readTestFile(file), bytes);
        EXPECT_FALSE(QFile::exists(file + QStringLiteral("-wal")));
    }
}

// Nothing answers: a port nobody listens on, and a listener that accepts the
// connection but never says a word. Both must fail within the time-out.
TEST(DbConnection, SqlServerThatDoesNotAnswerFailsWithinTheTimeout)
{
    const QStringList drivers = installedOdbcDrivers();
    bool haveDriver = false;
    for (const QString &driver : preferredSqlServerDrivers())
        haveDriver = haveDriver || drivers.contains(driver, Qt::CaseInsensitive);
    if (!haveDriver)
        GTEST_SKIP() << "no SQL Server ODBC driver (FreeTDS) installed";

    const SilentListener silent;
    const quint16 closedPort = SilentListener().port; // closed again at once
    ASSERT_NE(silent.port, 0);
    ASSERT_NE(closedPort, 0);
    for (quint16 port : {closedPort, silent.port}) {
        DbConnection connection;
        DbError error;
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(connection.open(sqlServer(QStringLiteral("127.0.0.1,%1").arg(port)), &error, 2));
        EXPECT_LT(clock.elapsed(), 8000) << "port " << port;
        EXPECT_EQ(error.number, ErrorNumbers::ConnectionFailed);
        EXPECT_FALSE(error.description.isEmpty());
        EXPECT_FALSE(connection.isOpen());
    }
}

// Stored, a connection string loses the passwords its parser finds and
// nothing else: read back, it has the same parts with every password empty.
TEST(ConnectionString, ThePasswordGoesAndEverythingElseStays)
{
    const std::pair<const char *, const char *> cases[] = {
        {"User ID=u; password = x y ", "User ID=u; password ="},
        {"Provider=SQLite;Data Source=/a b/store.db", "Provider=SQLite;Data Source=/a b/store.db"},
        // The connect dialog puts a password with ";" into the string as typed.
        {"Provider=SQLOLEDB.1;User ID=sa;Password=se;cret;Initial Catalog=Store;Data Source=srv",
         "Provider=SQLOLEDB.1;User ID=sa;Password=;Initial Catalog=Store;Data Source=srv"},
        {"Provider=MSDASQL;Driver={PostgreSQL Unicode};UID=u;PWD={a;b}}c};Port=5432",
         "Provider=MSDASQL;Driver={PostgreSQL Unicode};UID=u;PWD=;Port=5432"},
        {"Password=\"p;q\";Initial Catalog=db;", "Password=;Initial Catalog=db;"},
        // A value that starts with a quote or brace it never closes.
        {"Provider=MSDASQL;Server=\"h;Pwd=secret;UID=u", "Provider=MSDASQL;Server=\"h;Pwd=;UID=u"},
        {"Provider=MSDASQL;Driver={x;Pwd=secret", "Provider=MSDASQL;Driver={x;Pwd="},
        {"Pwd={unclosed;UID=u", "Pwd=;UID=u"}, {"PWD=\"ab\"c;d;UID=u", "PWD=;UID=u"},
        {"pAsSwOrD=1;pwd=2;Password=3", "pAsSwOrD=;pwd=;Password="},
        // A password that merely appears inside another value is not a key.
        {"Data Source=Password=x", "Data Source=Password=x"}, {"Driver={a;Pwd=b};Server=h", "Driver={a;Pwd=b};Server=h"},
    };
    for (const auto &[given, kept] : cases) {
        const QString stored = withoutPassword(QString::fromUtf8(given));
        EXPECT_EQ(stored, QString::fromUtf8(kept));
        const QList<ConnectionStringPart> before = parseConnectionString(QString::fromUtf8(given));
        const QList<ConnectionStringPart> after = parseConnectionString(stored);
        ASSERT_EQ(after.size(), before.size()) << given;
        for (qsizetype i = 0; i < before.size(); ++i) {
            const bool password = before[i].key.compare(QLatin1String("Password"), Qt::CaseInsensitive) == 0
                || before[i].key.compare(QLatin1String("Pwd"), Qt::CaseInsensitive) == 0;
            EXPECT_EQ(after[i].key + u'=' + after[i].value,
                      before[i].key + u'=' + (password ? QString() : before[i].value)) << given;
        }
    }
}

// Values that end, enclose or escape a part when written as they stand.
class ConnectionStringValue : public ::testing::TestWithParam<const char *>
{
};

TEST_P(ConnectionStringValue, EveryBuilderGivesItBackThroughTheParser)
{
    const QString v = QString::fromUtf8(GetParam());
    const auto parsed = [](const QString &text, const char *key) {
        return connectionStringValue(parseConnectionString(text), QString::fromLatin1(key));
    };
    const QString sqlServer = sqlServerConnectionString(v, v, v, v);
    for (const char *key : {"User ID", "Password", "Initial Catalog", "Data Source"})
        EXPECT_EQ(parsed(sqlServer, key), v) << key << " in " << sqlServer.toStdString();
    EXPECT_EQ(parsed(sqlServer, "Provider"), QStringLiteral("SQLOLEDB.1"));

    const QString postgres = odbcDriverConnectionString(QStringLiteral("PostgreSQL Unicode"), v, v, v, v, v);
    for (const char *key : {"Server", "Database", "UID", "PWD"})
        EXPECT_EQ(parsed(postgres, key), v) << key << " in " << postgres.toStdString();
    EXPECT_EQ(parsed(postgres, "Driver"), QStringLiteral("PostgreSQL Unicode"));
    EXPECT_EQ(parsed(odbcDsnConnectionString(v, v, v), "PWD"), v);
    EXPECT_EQ(parsed(sqliteConnectionString(v), "Data Source"), v);

    // On its way to the SQL Server driver the password is the same value.
    EXPECT_EQ(parsed(target(sqlServer).databaseName, "PWD"), v);

    // Shown with the password masked, and nothing else changed.
    EXPECT_EQ(withPasswordShownAs(sqlServer, passwordMask()), sqlServerConnectionString(v, passwordMask(), v, v));
}

INSTANTIATE_TEST_SUITE_P(Awkward, ConnectionStringValue,
                         ::testing::Values("", "plain", "se;cret", "a;b=c", "{brace", "brace}", "{a;b}", "}}",
                                           "\"quoted\"", "'apos'", "\"a;b\"", " blanks ", "x=y", "ünï cødé;"));

TEST(ConnectionString, ThePostgresDriverIsTheUnicodeOneWhenInstalled)
{
    EXPECT_EQ(preferredPostgresDriver({QStringLiteral("PostgreSQL ANSI"), QStringLiteral("PostgreSQL Unicode")}),
              QStringLiteral("PostgreSQL Unicode"));
    EXPECT_EQ(preferredPostgresDriver({QStringLiteral("FreeTDS"), QStringLiteral("psqlodbcw")}),
              QStringLiteral("psqlodbcw"));
    EXPECT_EQ(preferredPostgresDriver({QStringLiteral("FreeTDS")}), QStringLiteral("PostgreSQL Unicode"));
}
