#pragma once

// Runs the built vxrimp as another program would: in a folder of the test's,
// with environment variables of its own, under a file size limit when one is
// given, killed or signalled where a test says.

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

namespace vxr::test {

// What a finished vxrimp gave; exitCode -1: killed or crashed.
struct ToolResult { int exitCode = -1; QString out; QString err; };

// Starts vxrimp in the folder with the variables ("NAME=value"; empty: none) set. With a
// limit (KiB), no file of the run may grow past it: a write beyond it fails
// as on a full disk.
inline void startTool(QProcess &process, const QString &folder, const QStringList &arguments,
                      const QStringList &variables = {}, qint64 limitKiB = 0)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ASAN_OPTIONS", "detect_leaks=0");
    for (const QString &variable : variables)
        if (!variable.isEmpty())
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    const QString program = VXR_BINARY_DIR "/bin/vxrimp";
    if (limitKiB == 0)
        process.start(program, arguments);
    else
        process.start("bash", QStringList{"-c", QStringLiteral("ulimit -f %1; trap '' XFSZ; exec \"$0\" \"$@\"")
                                                        .arg(limitKiB), program} + arguments);
}

inline ToolResult finishTool(QProcess &process)
{
    EXPECT_TRUE(process.waitForFinished(120000)) << "vxrimp did not finish";
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// Waits until vxrimp says the words on standard error (a test pause).
inline void awaitSaid(QProcess &process, const char *said)
{
    process.setReadChannel(QProcess::StandardError);
    QByteArray err;
    while (!err.contains(said) && process.waitForReadyRead(60000))
        err += process.readAllStandardError();
    ASSERT_TRUE(err.contains(said)) << err.toStdString();
}

// Item lines with their references: key, description, department, category,
// supplier, tax, supplier cost, price.
inline const QString ItemMap = "1=Item Lookup Code,2=Description,3=Department,4=Category,5=Supplier,6=Sales Tax,"
                               "7=Supplier Cost,8=Price";

} // namespace vxr::test
