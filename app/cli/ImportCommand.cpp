#include "Commands.h"

#include "Console.h"
#include "SetupFromArguments.h"
#include "TerminalProgress.h"

#include "catalogue/FieldTable.h"
#include "import/PanelChoices.h"
#include "database/DbConnection.h"
#include "import/ImportLog.h"
#include "import/ImportRun.h"
#include "text/NumericText.h"
#include "text/RecordReader.h"

namespace vxr::cli {

namespace {

QString summaryText(const ImportSummary &summary, const ImportSetup &setup)
{
    const QString caption = tableCaption(setup.tableId);
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
    printOut(headerReport(resolved, fields));

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

    const RegionalSettings regional = setup.regionalSettings();
    TerminalReporter reporter;
    TerminalProgress progress(stdoutIsTerminal());
    Import import(fields, reader, connection, regional, reporter, progress);

    const ImportSummary summary = import.run(setup.request(defaultLogPath()));

    printOut(summaryText(summary, setup));
    if (!summary.completed)
        return ExitFailed;
    return summary.linesFailed > 0 ? ExitLinesFailed : ExitAllStored;
}

} // namespace vxr::cli
