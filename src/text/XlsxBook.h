#pragma once

#include "text/SpreadsheetReader.h"
#include "text/ZipArchive.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vxr {

// An .xlsx workbook (Office Open XML): its sheet list, shared strings and
// cell styles, and the rows of a sheet.
class XlsxBook
{
public:
    explicit XlsxBook(const QString &path) : m_zip(path) {}

    // Reads the workbook part and its relationships (the sheet list); false
    // (with errorString()) when they are missing or damaged.
    bool open();
    QStringList sheetNames() const;
    std::optional<SheetRows> readSheet(const QString &name, const QString &decimalSeparator);
    QString errorString() const;

private:
    struct Sheet
    {
        QString name;
        QString part;
    };

    bool readRelationships(QHash<QString, QString> *targets);
    bool readSharedStrings();
    bool readStyles();
    bool fail(const QString &why);
    QString cellText(const QString &type, const QString &value, int style, const QString &decimalSeparator) const;

    ZipArchive m_zip;
    QString m_error;
    QList<Sheet> m_sheets;
    QString m_sharedStringsPart;
    QString m_stylesPart;
    bool m_date1904 = false;
    QStringList m_sharedStrings;
    QList<bool> m_dateStyles; // by style index: the cell's number format is a date
};

} // namespace vxr
