#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vxr {

class FieldTable;
struct TableInfo;

// One entry of the delimiter list: its caption, the character code, and the
// name the command-line tool's --delimiter option takes for it.
struct DelimiterChoice
{
    QString caption;
    int code;
    QString name;
};

// The delimiter list in list order: "Comma (,)" 44 "comma" ... "Space ( )" 32
// "space", "Pipe (|)" 124 "pipe". Settings files hold a delimiter as its index
// in this list: new entries go at its end.
const QList<DelimiterChoice> &delimiterChoices();

// The name --delimiter takes for it: its list name, or the character.
QString delimiterName(int code);

// The delimiter as the lists show it: its caption, or the character in quotes.
QString delimiterCaption(int code);

// The index of a delimiter code in the delimiter list; -1 when it has none.
int delimiterIndex(int code);

// The character code of a delimiter given by name or as the character itself;
// 0 with *error when it cannot be used.
int delimiterCodeOf(const QString &text, QString *error);

// Why a character code cannot separate fields (a line end, the quotation
// mark, an apostrophe, no character at all); empty when it can.
QString delimiterProblem(int code);

// The delimiter names, in list order: "comma, period, ...".
QString delimiterNames();

// One entry of the encoding list: its caption and the encoding name.
struct EncodingChoice
{
    QString caption;
    QString name;
};

// The encodings offered in the wizard's list, automatic first. Any other name
// the platform's converters know can be typed in.
const QList<EncodingChoice> &encodingChoices();

// The locale names offered in the wizard's regional settings list; any other
// can be typed in.
const QStringList &localeChoices();

// A destination table by its list caption or table name (without regard to
// case) or by its table id; nullptr when no offered table matches.
const TableInfo *findOfferedTable(const QString &text);

// The index of a table id in the destination table list; -1 when it has none.
int offeredTableIndex(int tableId);

// The message for a table that names no offered table; it lists them.
QString notATableMessage(const QString &text);

// The FieldID of an offered field of the table, given by FieldID or display
// name (without regard to case); 0 with *error when there is none.
int findOfferedField(const FieldTable &fields, int tableId, const QString &text, QString *error);

// The list caption of a table id, or its number when it has none.
QString tableCaption(int tableId);

} // namespace vxr
