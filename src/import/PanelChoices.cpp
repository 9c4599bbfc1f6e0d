#include "PanelChoices.h"

namespace vxr {

const QList<DelimiterChoice> &delimiterChoices()
{
    static const QList<DelimiterChoice> choices = {
        {QStringLiteral("Comma (,)"), 44, QStringLiteral("comma")},
        {QStringLiteral("Period (.)"), 46, QStringLiteral("period")},
        {QStringLiteral("Semi-Colon (;)"), 59, QStringLiteral("semicolon")},
        {QStringLiteral("Slash (/)"), 47, QStringLiteral("slash")},
        {QStringLiteral("Backslash (\\)"), 92, QStringLiteral("backslash")},
        {QStringLiteral("Asterisk (*)"), 42, QStringLiteral("asterisk")},
        {QStringLiteral("Percentage (%)"), 37, QStringLiteral("percent")},
        {QStringLiteral("Amperstand (&)"), 38, QStringLiteral("ampersand")},
        {QStringLiteral("TAB"), 9, QStringLiteral("tab")},
        {QStringLiteral("Space ( )"), 32, QStringLiteral("space")},
    };
    return choices;
}

} // namespace vxr
