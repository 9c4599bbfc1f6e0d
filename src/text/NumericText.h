#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace vxr {

// The regional conventions that amount and date texts are read with: the
// currency symbol and separators of amounts, and the locale whose date order
// dates follow. Read once at start-up or from the operator's choice; tests
// construct them directly.
struct RegionalSettings
{
    QString currencySymbol = QStringLiteral("$");
    QString decimalSeparator = QStringLiteral(".");
    QString thousandSeparator = QStringLiteral(",");
    QLocale locale{QLocale::English, QLocale::UnitedStates};

    // From the locale; "$", "." and "," where the locale gives none. The C
    // (POSIX) locale, which names no region, reads as the United States.
    static RegionalSettings readRegionalSettings(const QLocale &locale = QLocale::system());

    // The settings of a locale name ("en_US", "de_DE", "fr_CA", "C"); without
    // a value (and with *error) for a name that is no locale.
    static std::optional<RegionalSettings> fromLocaleName(const QString &name, QString *error);
};

// Every occurrence of find in source replaced by replacement (no overlaps,
// replacements are not searched again; an empty find changes nothing).
QString replaceAll(const QString &source, const QString &find, const QString &replacement);

// An amount as people type it ("$1,234.50", "(12.50)", "12.50-", "15%") turned
// into a number under the regional settings; text without a number gives 0.
double textToNumber(const QString &text, const RegionalSettings &settings);

// The same, but nothing for a text that holds no number where the number
// should start ("abc", "$", "-", "abc12", and the empty text); what follows a
// number is ignored ("12abc" is 12).
std::optional<double> ReadNumber(QString text, const RegionalSettings &settings);

} // namespace vxr
