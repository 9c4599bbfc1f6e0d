#include "text/NumericText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace vxr {

namespace {

QString orDefault(const QString &value, const char *fallback)
{
    return value.isEmpty() ? QString::fromLatin1(fallback) : value;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int digitValue(QChar c, int base)
{
    int value = -1;
    if (c >= u'0' && c <= u'9')
        value = c.unicode() - u'0';
    else if (c >= u'a' && c <= u'f')
        value = c.unicode() - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        value = c.unicode() - u'A' + 10;
    return value < base ? value : -1;
}

// "&H1F" / "&O17": the integer in that base; digits run until the first
// character that is not one. Nothing when no digit follows.
std::optional<double> readRadixInteger(const QString &text, qsizetype from, int base)
{
    double value = 0;
    qsizetype i = from;
    for (; i < text.size(); ++i) {
        const int digit = digitValue(text.at(i), base);
        if (digit < 0)
            break;
        value = value * base + digit;
    }
    if (i == from)
        return std::nullopt;
    return value;
}

// The number at the start of text: optional sign, digits, optionally "."
// and digits, optionally an exponent (E or D, optional sign, digits).
// Reading stops at the first character that cannot continue the number.
// Nothing when the text does not start with a number.
std::optional<double> readLeadingNumber(const QString &text)
{
    qsizetype i = 0;
    const qsizetype size = text.size();
    bool negative = false;
    if (i < size && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }

    if (i + 1 < size && text.at(i) == u'&') {
        const QChar radix = text.at(i + 1).toUpper();
        if (radix == u'H' || radix == u'O') {
            const std::optional<double> value = readRadixInteger(text, i + 2, radix == u'H' ? 16 : 8);
            if (!value)
                return std::nullopt;
            return negative ? -*value : *value;
        }
    }

    // Rebuilt in the plain form std::from_chars reads, whatever the locale.
    std::string wholeDigits;
    std::string fractionDigits;
    while (i < size && isDigit(text.at(i)))
        wholeDigits += char(text.at(i++).unicode());
    if (i < size && text.at(i) == u'.') {
        ++i;
        while (i < size && isDigit(text.at(i)))
            fractionDigits += char(text.at(i++).unicode());
    }
    if (wholeDigits.empty() && fractionDigits.empty())
        return std::nullopt;
    std::string number = negative ? "-" : "";
    number += wholeDigits.empty() ? "0" : wholeDigits;
    number += '.';
    number += fractionDigits.empty() ? "0" : fractionDigits;

    if (i < size) {
        const QChar marker = text.at(i).toUpper();
        if (marker == u'E' || marker == u'D') {
            qsizetype j = i + 1;
            std::string exponent = "e";
            if (j < size && (text.at(j) == u'+' || text.at(j) == u'-')) {
                exponent += char(text.at(j).unicode());
                ++j;
            }
            bool exponentDigits = false;
            while (j < size && isDigit(text.at(j))) {
                exponent += char(text.at(j).unicode());
                exponentDigits = true;
                ++j;
            }
            // "12E" or "12E+" has no exponent: the number is 12.
            if (exponentDigits)
                number += exponent;
        }
    }

    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: infinity or zero, as the C
        // library reads it. No column takes infinity: binding it fails the
        // line as out of range (ColumnValue).
        const bool tiny = number.find("e-") != std::string::npos;
        value = tiny ? 0.0 : (negative ? -HUGE_VAL : HUGE_VAL);
    }
    return value;
}

// Whether none of the regional symbols can change a text of digits, minus
// signs and points when they are taken out or replaced.
bool leavesPlainNumbers(const RegionalSettings &settings)
{
    const auto touches = [](const QString &symbol) {
        for (const QChar c : symbol) {
            if (isDigit(c) || c == u'.' || c == u'-')
                return true;
        }
        return false;
    };
    return !touches(settings.currencySymbol) && !touches(settings.thousandSeparator)
        && (settings.decimalSeparator == QLatin1String(".") || !touches(settings.decimalSeparator));
}

// "477", "-195.81": an optional minus, digits, optionally a point and more
// digits, and nothing else. Most amounts in a file look like this, and they
// read the same without being rewritten first. Nothing for any other text.
std::optional<double> readPlainNumber(const QString &text)
{
    constexpr qsizetype MaxLength = 40;
    const qsizetype size = text.size();
    if (size == 0 || size > MaxLength)
        return std::nullopt;
    char plain[MaxLength];
    const QChar *units = text.constData();
    qsizetype i = 0;
    if (units[0] == u'-')
        plain[i++] = '-';
    int whole = 0;
    int fraction = -1;
    for (; i < size; ++i) {
        const QChar c = units[i];
        if (isDigit(c)) {
            ++(fraction < 0 ? whole : fraction);
        } else if (c != u'.' || fraction >= 0) {
            return std::nullopt;
        } else {
            fraction = 0;
        }
        plain[i] = char(c.unicode());
    }
    if (whole == 0 || fraction == 0)
        return std::nullopt;
    double value = 0;
    const auto result = std::from_chars(plain, plain + size, value);
    if (result.ec != std::errc() || result.ptr != plain + size)
        return std::nullopt;
    return value;
}

} // namespace

RegionalSettings RegionalSettings::readRegionalSettings(const QLocale &locale)
{
    RegionalSettings settings;
    if (locale.language() == QLocale::C)
        return settings; // the United States conventions
    settings.currencySymbol = orDefault(locale.currencySymbol(QLocale::CurrencySymbol), "$");
    settings.decimalSeparator = orDefault(locale.decimalPoint(), ".");
    settings.thousandSeparator = orDefault(locale.groupSeparator(), ",");
    settings.locale = locale;
    return settings;
}

std::optional<RegionalSettings> RegionalSettings::fromLocaleName(const QString &name, QString *error)
{
    const QString wanted = name.trimmed();
    const QLocale locale(wanted);
    // An unknown name gives the C locale; only C and POSIX ask for it.
    const bool asksForC = wanted == QLatin1String("C") || wanted == QLatin1String("POSIX");
    if (wanted.isEmpty() || (locale.language() == QLocale::C && !asksForC)) {
        if (error)
            *error = QStringLiteral("\"%1\" is not a locale (for example en_US, de_DE, fr_CA)").arg(wanted);
        return std::nullopt;
    }
    return readRegionalSettings(locale);
}

QString replaceAll(const QString &source, const QString &find, const QString &replacement)
{
    qsizetype found = find.isEmpty() ? -1 : source.indexOf(find, 0, Qt::CaseSensitive);
    // Most texts hold nothing to replace: they come back shared, not copied.
    if (found < 0)
        return source;
    QString result;
    result.reserve(source.size());
    qsizetype current = 0;
    do {
        result += QStringView(source).mid(current, found - current);
        result += replacement;
        current = found + find.size();
        found = source.indexOf(find, current, Qt::CaseSensitive);
    } while (found >= 0);
    result += QStringView(source).mid(current);
    return result;
}

double textToNumber(const QString &text, const RegionalSettings &settings)
{
    return ReadNumber(text, settings).value_or(0.0);
}

std::optional<double> ReadNumber(QString text, const RegionalSettings &settings)
{
    if (leavesPlainNumbers(settings)) {
        if (const std::optional<double> plain = readPlainNumber(text))
            return plain;
    }
    text = replaceAll(text, QStringLiteral(" "), QString());
    text = replaceAll(text, QStringLiteral(")"), QString());
    text = replaceAll(text, QStringLiteral("("), QStringLiteral("-"));
    text = replaceAll(text, settings.currencySymbol, QString());
    text = replaceAll(text, settings.thousandSeparator, QString());
    text = replaceAll(text, settings.decimalSeparator, QStringLiteral("."));
    if (text.contains(u'-')) {
        text.remove(u'-');
        text.prepend(u'-');
    }
    bool percent = false;
    if (text.contains(u'%')) {
        text.remove(u'%');
        percent = true;
    }
    // Tabs and line feeds do not interrupt a number, like spaces.
    text.remove(u'\t');
    text.remove(u'\n');
    const std::optional<double> value = readLeadingNumber(text);
    if (!value)
        return std::nullopt;
    return percent ? *value / 100 : *value;
}

} // namespace vxr
