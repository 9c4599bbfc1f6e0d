#pragma once

#include <QList>
#include <QString>

namespace vxr {

// One entry of the delimiter list: its caption and the character code.
struct DelimiterChoice
{
    QString caption;
    int code;
};

// The delimiter list in list order: "Comma (,)" 44 ... "Space ( )" 32.
const QList<DelimiterChoice> &delimiterChoices();

} // namespace vxr
