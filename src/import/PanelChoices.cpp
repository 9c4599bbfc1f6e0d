#include "PanelChoices.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"

#include <QStringList>

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
        {QStringLiteral("Pipe (|)"), 124, QStringLiteral("pipe")},
    };
    return choices;
}

QString delimiterName(int code)
{
    const int index = delimiterIndex(code);
    return index >= 0 ? delimiterChoices().at(index).name : QString(QChar(code));
}

QString delimiterCaption(int code)
{
    const int index = delimiterIndex(code);
    return index >= 0 ? delimiterChoices().at(index).caption : QStringLiteral("'%1'").arg(QChar(code));
}

int delimiterIndex(int code)
{
    const auto &choices = delimiterChoices();
    for (qsizetype i = 0; i < choices.size(); ++i) {
        if (choices.at(i).code == code)
            return int(i);
    }
    return -1;
}

QString delimiterProblem(int code)
{
    // Line ends never reach the splitter, and apostrophes may be removed
    // before it: neither could ever separate two fields. The quotation mark
    // opens quoted text.
    if (code <= 0 || code > 0xFFFF || code == '\r' || code == '\n' || code == '"' || code == '\'')
        return QStringLiteral("this character cannot be the field delimiter");
    return QString();
}

int delimiterCodeOf(const QString &text, QString *error)
{
    for (const DelimiterChoice &choice : delimiterChoices()) {
        if (text.compare(choice.name, Qt::CaseInsensitive) == 0)
            return choice.code;
    }
    if (text.size() != 1) {
        *error = QStringLiteral("--delimiter takes %1, auto or a single character, not '%2'").arg(delimiterNames(), text);
        return 0;
    }
    const int code = text.at(0).unicode();
    if (!delimiterProblem(code).isEmpty()) {
        *error = QStringLiteral("'%1' cannot be the field delimiter").arg(text);
        return 0;
    }
    return code;
}

QString delimiterNames()
{
    QStringList names;
    for (const DelimiterChoice &choice : delimiterChoices())
        names.append(choice.name);
    return names.join(QStringLiteral(", "));
}

const QList<EncodingChoice> &encodingChoices()
{
    static const QList<EncodingChoice> choices = {
        {QStringLiteral("Automatic (UTF-8, Windows-1252 or UTF-16)"), QStringLiteral("auto")},
        {QStringLiteral("UTF-8"), QStringLiteral("UTF-8")},
        {QStringLiteral("UTF-16"), QStringLiteral("UTF-16")},
        {QStringLiteral("Western European (Windows-1252)"), QStringLiteral("windows-1252")},
        {QStringLiteral("Western European (ISO-8859-15)"), QStringLiteral("ISO-8859-15")},
        {QStringLiteral("Central European (Windows-1250)"), QStringLiteral("windows-1250")},
        {QStringLiteral("Central European (ISO-8859-2)"), QStringLiteral("ISO-8859-2")},
        {QStringLiteral("Cyrillic (Windows-1251)"), QStringLiteral("windows-1251")},
        {QStringLiteral("Greek (Windows-1253)"), QStringLiteral("windows-1253")},
        {QStringLiteral("Turkish (Windows-1254)"), QStringLiteral("windows-1254")},
        {QStringLiteral("Baltic (Windows-1257)"), QStringLiteral("windows-1257")},
        {QStringLiteral("DOS United States (cp437)"), QStringLiteral("cp437")},
        {QStringLiteral("DOS Western European (cp850)"), QStringLiteral("cp850")},
        {QStringLiteral("DOS Central European (cp852)"), QStringLiteral("cp852")},
        {QStringLiteral("Japanese (Shift_JIS)"), QStringLiteral("Shift_JIS")},
        {QStringLiteral("Simplified Chinese (GBK)"), QStringLiteral("GBK")},
        {QStringLiteral("Traditional Chinese (Big5)"), QStringLiteral("Big5")},
    };
    return choices;
}

const QStringList &localeChoices()
{
    static const QStringList names = {
        QStringLiteral("en_US"), QStringLiteral("en_CA"), QStringLiteral("en_GB"), QStringLiteral("en_AU"),
        QStringLiteral("fr_CA"), QStringLiteral("fr_FR"), QStringLiteral("de_DE"), QStringLiteral("de_AT"),
        QStringLiteral("de_CH"), QStringLiteral("es_ES"), QStringLiteral("es_MX"), QStringLiteral("it_IT"),
        QStringLiteral("nl_NL"), QStringLiteral("pt_BR"), QStringLiteral("pl_PL"), QStringLiteral("cs_CZ"),
    };
    return names;
}

const TableInfo *findOfferedTable(const QString &text)
{
    const QString wanted = text.trimmed();
    bool isNumber = false;
    const int id = wanted.toInt(&isNumber);
    for (const TableInfo *table : offeredTables()) {
        if (isNumber ? table->tableId == id
                     : (table->listCaption.compare(wanted, Qt::CaseInsensitive) == 0
                        || table->name.compare(wanted, Qt::CaseInsensitive) == 0))
            return table;
    }
    return nullptr;
}

int offeredTableIndex(int tableId)
{
    const auto tables = offeredTables();
    for (qsizetype i = 0; i < tables.size(); ++i) {
        if (tables.at(i)->tableId == tableId)
            return int(i);
    }
    return -1;
}

QString notATableMessage(const QString &text)
{
    QStringList captions;
    for (const TableInfo *table : offeredTables())
        captions.append(QStringLiteral("\"%1\" (%2)").arg(table->listCaption).arg(table->tableId));
    return QStringLiteral("'%1' is not a destination table; choose one of %2")
        .arg(text, captions.join(QStringLiteral(", ")));
}

QString tableCaption(int tableId)
{
    const TableInfo *table = tableInfo(tableId);
    return table && !table->listCaption.isEmpty() ? table->listCaption : QString::number(tableId);
}

int findOfferedField(const FieldTable &fields, int tableId, const QString &text, QString *error)
{
    const QString wanted = text.trimmed();
    const QList<int> offered = fields.offeredFieldIndices(tableId);
    const QString tableName = tableCaption(tableId);

    bool isNumber = false;
    const int id = wanted.toInt(&isNumber);
    if (isNumber) {
        if (id != 0 && offered.contains(fields.findFieldIndex(id)))
            return id;
        *error = QStringLiteral("%1 is not the FieldID of a field of %2 (see: vxrimp fields \"%2\")")
                     .arg(wanted, tableName);
        return 0;
    }
    QList<int> matches;
    for (int index : offered) {
        if (fields[index].displayName.compare(wanted, Qt::CaseInsensitive) == 0)
            matches.append(index);
    }
    if (matches.size() == 1)
        return fields[matches.first()].fieldId;
    *error = matches.isEmpty()
        ? QStringLiteral("\"%1\" is not a field of %2 (see: vxrimp fields \"%2\")").arg(wanted, tableName)
        : QStringLiteral("\"%1\" names more than one field of %2: give its FieldID").arg(wanted, tableName);
    return 0;
}

} // namespace vxr
