#include "Commands.h"

#include "Console.h"

#include "database/StoreSchema.h"

#include <QFileInfo>

namespace vxr::cli {

int runInitStore(const CliArguments &arguments)
{
    const QString path = QFileInfo(arguments.storeFile).absoluteFilePath();
    QString error;
    if (!createSqliteStore(path, &error)) {
        printError(error);
        return ExitFailed;
    }
    printOut(QStringLiteral("Created the store %1\nConnect with: Provider=SQLite;Data Source=%1\n").arg(path));
    return ExitAllStored;
}

} // namespace vxr::cli
