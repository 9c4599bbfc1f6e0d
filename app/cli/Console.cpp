#include "Console.h"

#include <QtGlobal>

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vxr::cli {

void printOut(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void printErr(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

void printError(const QString &text)
{
    printErr(QStringLiteral("vxrimp: error: ") + text + QLatin1Char('\n'));
}

QString visibleText(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control && c.unicode() < 0x100)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else if (category == QChar::Other_Control || category == QChar::Other_Format
                 || category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            shown += QStringLiteral("\\u{%1}").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

bool stdoutIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stdout)) != 0;
#else
    return ::isatty(STDOUT_FILENO) == 1;
#endif
}

void TerminalReporter::message(MessageKind kind, const QString &text, const QString &caption)
{
    QString prefix;
    switch (kind) {
    case MessageKind::Critical:
        prefix = QStringLiteral("error: ");
        break;
    case MessageKind::Exclamation:
        prefix = QStringLiteral("warning: ");
        break;
    case MessageKind::Information:
    case MessageKind::Plain:
        break;
    }
    QString body = text;
    if (!caption.isEmpty())
        body = caption + QStringLiteral(": ") + body;
    // Continuation lines are indented under the first.
    body.replace(QLatin1Char('\n'), QStringLiteral("\n  "));
    printErr(QStringLiteral("vxrimp: ") + prefix + body + QLatin1Char('\n'));
}

} // namespace vxr::cli
