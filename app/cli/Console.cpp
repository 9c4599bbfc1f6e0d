#include "Console.h"

#include "ConsoleSystem.h"

#include <cstdio>

namespace vxr::cli {

void printOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    writeUtf8(stdout, {bytes.constData(), size_t(bytes.size())});
}

void printErr(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    writeUtf8(stderr, {bytes.constData(), size_t(bytes.size())});
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
    return isTerminal(stdout);
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
