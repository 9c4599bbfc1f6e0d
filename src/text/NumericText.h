#pragma once

#include <QLocale>
#include <QString>

namespace vxr {

// The regional strings that amount texts are read with. Read once at start-up;
// tests construct them directly.
struct RegionalSettings
{
    QString CurrencySymbol = QStringLiteral("$");
    QString DecimalSeparator = QStringLiteral(".");
    QString ThousandSeparator = QStringLiteral(",");

    // From the locale; "$", "." and "," where the locale gives none.
    static RegionalSettings ReadRegionalSettings(const QLocale &locale = QLocale::system());
};

// Every occurrence of find in source replaced by replacement (no overlaps,
// replacements are not searched again; an empty find changes nothing).
QString ReplaceAll(const QString &source, const QString &find, const QString &replacement);

// An amount as people type it ("$1,234.50", "(12.50)", "12.50-", "15%") turned
// into a number under the regional settings; text without a number gives 0.
double TextToNumber(QString text, const RegionalSettings &settings);

} // namespace vxr
