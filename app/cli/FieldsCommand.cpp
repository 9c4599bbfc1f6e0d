#include "Commands.h"

#include "Console.h"
#include "import/PanelChoices.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"

namespace vxr::cli {

namespace {

QString fieldListing(const FieldTable &fields, const TableInfo &table)
{
    QString text = QStringLiteral("%1 (table id %2, table %3)\n")
                       .arg(table.listCaption)
                       .arg(table.tableId)
                       .arg(table.name);
    const QList<int> offered = fields.offeredFieldIndices(table.tableId);
    int captionWidth = 7;
    for (int index : offered)
        captionWidth = std::max(captionWidth, int(fields[index].displayName.size()));

    text += QStringLiteral("  FieldID  %1  Column\n").arg(QStringLiteral("Caption"), -captionWidth);
    for (int index : offered) {
        const FieldDef &field = fields[index];
        // Entries of a companion table (the supplier list of an item) say so.
        const QString column = field.tableId == table.tableId
            ? field.columnName
            : field.tableName + QLatin1Char('.') + field.columnName;
        text += QStringLiteral("  %1  %2  %3\n")
                    .arg(field.fieldId, 7)
                    .arg(field.displayName, -captionWidth)
                    .arg(column);
    }
    return text;
}

} // namespace

int runFields(const CliArguments &arguments, const FieldTable &fields)
{
    if (arguments.tableArgument.isEmpty()) {
        QStringList listings;
        for (const TableInfo *table : offeredTables())
            listings.append(fieldListing(fields, *table));
        printOut(listings.join(QLatin1Char('\n')));
        return ExitAllStored;
    }
    const TableInfo *table = findOfferedTable(arguments.tableArgument);
    if (!table) {
        printError(notATableMessage(arguments.tableArgument));
        return ExitFailed;
    }
    printOut(fieldListing(fields, *table));
    return ExitAllStored;
}

} // namespace vxr::cli
