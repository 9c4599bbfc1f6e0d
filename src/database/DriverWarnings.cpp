#include "DriverWarnings.h"

#include <QString>
#include <QtGlobal>

namespace vxr {

namespace {

QtMessageHandler previousHandler = nullptr;

bool isDriverWarning(QtMsgType type, const QString &text)
{
    return type == QtWarningMsg
            && (text.startsWith(QLatin1String("QODBCResult::")) || text.startsWith(QLatin1String("QODBCDriver::")));
}

void filterDriverWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (isDriverWarning(type, text))
        return;
    if (previousHandler)
        previousHandler(type, context, text);
}

} // namespace

void quietDriverWarnings()
{
    previousHandler = qInstallMessageHandler(filterDriverWarnings);
}

} // namespace vxr
