#pragma once

#include "text/SpreadsheetReader.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace vxr {

// An .ods workbook (OpenDocument): the sheets of its content part.
class OdsBook
{
public:
    // content is the workbook's content.xml.
    explicit OdsBook(QByteArray content) : m_content(std::move(content)) {}

    std::optional<QStringList> sheetNames();
    std::optional<SheetRows> readSheet(const QString &name, const QString &decimalSeparator);
    QString errorString() const { return m_error; }

private:
    QByteArray m_content;
    QString m_error;
};

} // namespace vxr
