// vxrimp: the command-line front end of the import. It drives the same engine
// as the wizard, for operators who run the same import again and again and
// for scripted migrations.

#include "CancelOnSignal.h"
#include "CliArguments.h"
#include "Commands.h"
#include "Console.h"
#include "UndoCommand.h"

#include "catalogue/FieldTable.h"
#include "database/DriverWarnings.h"
#include "database/SqliteLibrary.h"

#include <QCoreApplication>

using namespace vxr;
using namespace vxr::cli;

int main(int argc, char **argv)
{
    // Before any thread exists: Ctrl-C and SIGTERM become a cancel request.
    CancelOnSignal::blockSignals();
    quietDriverWarnings();
    configureSqliteLibrary();
    QCoreApplication app(argc, argv);
    // The wizard's name, so that both front ends share the per-user log folder.
    QCoreApplication::setApplicationName(QStringLiteral("VXRImp"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VXR_VERSION_STRING));

    if (isUndoCommand(QCoreApplication::arguments()))
        return runUndo(QCoreApplication::arguments());
    const ParseResult parsed = parseArguments(QCoreApplication::arguments());
    if (!parsed.error.isEmpty()) {
        printErr(QStringLiteral("vxrimp: %1\n\nUsage:\n%2").arg(parsed.error, usageText()));
        return ExitFailed;
    }
    const CliArguments &arguments = parsed.arguments;

    TerminalReporter reporter;
    switch (arguments.command) {
    case Command::Help:
        printOut(QStringLiteral("Usage:\n") + usageText());
        return ExitAllStored;
    case Command::Version:
        printOut(QStringLiteral("vxrimp %1\n").arg(QStringLiteral(VXR_VERSION_STRING)));
        return ExitAllStored;
    case Command::InitStore:
        return runInitStore(arguments);
    case Command::Fields:
        return runFields(arguments, FieldTable::buildCatalogue(QDateTime::currentDateTime(), reporter));
    case Command::Preview:
        return runPreview(arguments, FieldTable::buildCatalogue(QDateTime::currentDateTime(), reporter));
    case Command::Import:
        return runImport(arguments, FieldTable::buildCatalogue(QDateTime::currentDateTime(), reporter));
    case Command::Runs:
        return runRuns(arguments);
    case Command::None:
        break;
    }
    return ExitFailed;
}
