#include "PanelChoices.h"

namespace vxr {

const QList<DelimiterChoice> &delimiterChoices()
{
    static const QList<DelimiterChoice> choices = {
        {QStringLiteral("Comma (,)"), 44},      {QStringLiteral("Period (.)"), 46},
        {QStringLiteral("Semi-Colon (;)"), 59}, {QStringLiteral("Slash (/)"), 47},
        {QStringLiteral("Backslash (\\)"), 92}, {QStringLiteral("Asterisk (*)"), 42},
        {QStringLiteral("Percentage (%)"), 37}, {QStringLiteral("Amperstand (&)"), 38},
        {QStringLiteral("TAB"), 9},             {QStringLiteral("Space ( )"), 32},
    };
    return choices;
}

} // namespace vxr
