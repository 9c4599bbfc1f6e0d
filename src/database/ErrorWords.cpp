#include "ErrorWords.h"

#include "DbError.h"

namespace vxr {

QString errorWords(qint32 errorNumber)
{
    using namespace ErrorNumbers;
    switch (errorNumber) {
    case SubscriptOutOfRange:
        return QStringLiteral("The line holds more fields than can be kept, so none of it was stored.");
    case NoCurrentRecord:
        return QStringLiteral("A row the line needed did not come back from the database.");
    case EmptyKey:
        return QStringLiteral("The line gives no key: the field that names the row is empty.");
    case InvalidValue:
        return QStringLiteral("A value cannot be read: no number in a number column or no date in a date column "
                              "(strict values), or a character no value may hold.");
    case DuplicateKeyClassic:
    case DuplicateKey:
        return QStringLiteral("The key is in the store already, or an earlier line of the file has it.");
    case ConstraintViolation:
        return QStringLiteral("The database refused the row: a value it requires is missing, a value names a "
                              "row that does not exist, or a value breaks one of the table's rules.");
    case ValueOutOfRange:
        return QStringLiteral("A value does not fit its column: a key longer than the column, a number too large "
                              "or a date outside the dates the column holds.");
    case ConversionFailed:
        return QStringLiteral("The database could not read a value as the type of its column.");
    case StatementFailed:
        return QStringLiteral("The database refused to write the line.");
    case ConnectionFailed:
        return QStringLiteral("The connection to the database was lost, or the store could not be written "
                              "(a full disk, a lock held by another program).");
    case OperationCancelled:
        return QStringLiteral("The statement was cancelled before it ended.");
    case NoUpdateByKey:
        return QStringLiteral("No stored row has this key to update, or rows of this table are not updated by key.");
    case NoSuchTable:
        return QStringLiteral("Rows cannot be imported into this table.");
    case TextCut:
        return QStringLiteral("A text is longer than its column; cut texts are refused, so the line was not stored.");
    default:
        return QString();
    }
}

QString errorSentence(qint32 errorNumber)
{
    const QString words = errorWords(errorNumber);
    return words.isEmpty() ? QStringLiteral("The database refused the line (error %1).").arg(errorNumber) : words;
}

} // namespace vxr
