#include "database/DriverWarnings.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QtGlobal>

namespace {

QStringList shown;

void recordMessage(QtMsgType, const QMessageLogContext &, const QString &text)
{
    shown << text;
}

TEST(DriverWarnings, TheOdbcDriversWarningsAreDroppedAndEverythingElsePassesOn)
{
    const QtMessageHandler before = qInstallMessageHandler(recordMessage);
    vxr::quietDriverWarnings();
    qWarning("QODBCResult::exec: Unable to execute statement: \"server closed the connection\"");
    qWarning("QODBCDriver::commit: Unable to commit transaction");
    qWarning("QSqlDatabase: a real problem");
    qInfo("QODBCResult:: as information");
    qInstallMessageHandler(before);
    EXPECT_EQ(shown, QStringList({"QSqlDatabase: a real problem", "QODBCResult:: as information"}));
}

} // namespace
