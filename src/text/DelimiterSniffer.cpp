#include "DelimiterSniffer.h"

#include <QHash>

namespace vxr {

namespace {

// Nine in ten sampled lines must agree on a column count for it to count.
bool steady(qsizetype agreeing, qsizetype lines)
{
    return lines > 0 && agreeing * 10 >= lines * 9;
}

} // namespace

const QList<int> &DelimiterSniffer::candidates()
{
    static const QList<int> codes = {',', ';', '\t', '|'};
    return codes;
}

void DelimiterSniffer::addLine(const QString &line)
{
    if (m_lines.size() < SampleLines && !line.trimmed().isEmpty())
        m_lines.append(line);
}

int DelimiterSniffer::steadyColumns(int delimiterCode) const
{
    QHash<int, qsizetype> lines; // per column count
    for (const QString &line : m_lines)
        ++lines[fieldCount(line, delimiterCode, m_quotes)];
    for (auto count = lines.cbegin(); count != lines.cend(); ++count) {
        if (steady(count.value(), m_lines.size()))
            return count.key();
    }
    return 1;
}

int DelimiterSniffer::best() const
{
    int chosen = 0;
    int chosenColumns = 1;
    for (int code : candidates()) {
        const int columns = steadyColumns(code);
        if (columns > chosenColumns) {
            chosen = code;
            chosenColumns = columns;
        }
    }
    return chosen;
}

int DelimiterSniffer::betterThan(int current) const
{
    const int candidate = best();
    if (candidate == 0 || candidate == current)
        return 0;
    return steadyColumns(candidate) > steadyColumns(current) ? candidate : 0;
}

// The reader's splitting, counting its fields only: a quotation mark opens
// quoted text, and one followed by the delimiter closes it; a doubled one
// inside stands for itself.
int fieldCount(const QString &line, int delimiterCode, bool quotesAsDelimiters)
{
    int fields = 1;
    bool inQuotes = false;
    bool quoteSeen = false;
    for (const QChar c : line) {
        if (c == u'"' && quotesAsDelimiters) {
            if (!inQuotes)
                inQuotes = true;
            else
                quoteSeen = !quoteSeen;
        } else if (c.unicode() == delimiterCode && (!inQuotes || quoteSeen)) {
            ++fields;
            inQuotes = false;
            quoteSeen = false;
        }
    }
    return fields;
}

} // namespace vxr
