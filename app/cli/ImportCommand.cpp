#include "Commands.h"

#include "Console.h"
#include "ImportSetup.h"
#include "TerminalProgress.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "database/DbConnection.h"
#include "import/ImportLog.h"
#include "import/ImportRun.h"
#include "text/NumericText.h"
#include "text/RecordReader.h"

namespace vxr::cli {

namespace {

QString summaryText(const ImportSummary &summary, const ImportSetup &setup)
{
    const QString caption = tableInfo(setup.tableId)->listCaption;
    const QString outcome = summary.completed ? QStringLiteral("Complete") : QStringLiteral("Failed");
    QString text = QStringLiteral("%1 -> %2: %3\n").arg(setup.textFile, caption, outcome);
    const auto row = [&](const QString &label, const QString &value) {
        text += QStringLiteral("  %1 %2\n").arg(label + QLatin1Char(':'), -14).arg(value);
    };
    row(QStringLiteral("Lines read"), QString::number(summary.linesRead));
    row(QStringLiteral("Rows added"), QString::number(summary.rowsAdded));
    row(QStringLiteral("Rows updated"), QString::number(summary.rowsUpdated));
    row(QStringLiteral("Lines skipped"), QString::number(summary.linesSkipped));
    row(QStringLiteral("Lines failed"), QString::number(summary.linesFailed));
    row(QStringLiteral("Log"), summary.logPath + (summary.logWritten ? QString() : QStringLiteral(" (not written)")));
    return text;
}

} // namespace

int runImport(const CliArguments &arguments, FieldTable &fields)
{
    const SetupResult resolved = resolveSetup(arguments, fields, SetupPurpose::Import);
    if (!resolved.error.isEmpty()) {
        printError(resolved.error);
        return ExitFailed;
    }
    const ImportSetup &setup = resolved.setup;

    DbConnection connection;
    DbError dbError;
    if (!connection.open(setup.connectionString, &dbError)) {
        printError(QStringLiteral("cannot connect to the database: %1 (error %2)")
                       .arg(dbError.description)
                       .arg(dbError.number));
        return ExitFailed;
    }

    RecordReader reader(fields);
    setup.configureReader(reader);

    const RegionalSettings regional = RegionalSettings::ReadRegionalSettings();
    TerminalReporter reporter;
    TerminalProgress progress(stdoutIsTerminal());
    Import import(fields, reader, connection, regional, reporter, progress);

    ImportRequest request;
    request.tableId = setup.tableId;
    request.textFilePath = setup.textFile;
    request.skipFirstLine = setup.skipFirstLine;
    request.duplicatesAsErrors = setup.duplicatesAsErrors;
    request.logPath = setup.logPath.isEmpty() ? defaultLogPath() : setup.logPath;
    const ImportSummary summary = import.run(request);

    printOut(summaryText(summary, setup));
    if (!summary.completed)
        return ExitFailed;
    return summary.linesFailed > 0 ? ExitLinesFailed : ExitAllStored;
}

} // namespace vxr::cli
