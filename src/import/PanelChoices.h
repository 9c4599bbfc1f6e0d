#pragma once

#include <QList>
#include <QString>

namespace vxr {

// One entry of the delimiter list: its caption, the character code, and the
// name the command-line tool's --delimiter option takes for it.
struct DelimiterChoice
{
    QString caption;
    int code;
    QString name;
};

// The delimiter list in list order: "Comma (,)" 44 "comma" ... "Space ( )" 32 "space".
const QList<DelimiterChoice> &delimiterChoices();

} // namespace vxr
