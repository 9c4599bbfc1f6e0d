#pragma once

#include <QList>
#include <QString>

namespace vxr {

// Guesses a text file's field delimiter from its first lines: the comma,
// semicolon, tab or pipe that splits the lines into the same number of
// columns (two or more), line after line. Lines are given decoded, as the
// reader splits them; blank lines are left out.
class DelimiterSniffer
{
public:
    // Lines enough to judge a file by; more add little.
    static constexpr int SampleLines = 50;
    // The characters tried, in the order a tie between them is settled.
    static const QList<int> &candidates();

    explicit DelimiterSniffer(bool quotesAsDelimiters) : m_quotes(quotesAsDelimiters) {}

    void addLine(const QString &line);
    qsizetype lineCount() const { return m_lines.size(); }

    // The number of columns delimiterCode splits the sampled lines into when
    // nearly all of them (nine in ten) agree on it; 1 when they do not, or
    // when there are no lines.
    int steadyColumns(int delimiterCode) const;
    // The candidate with the most steady columns (at least two); 0 when none
    // has them.
    int best() const;
    // The delimiter to offer instead of current: the best candidate, when it
    // gives more steady columns than current does; 0 when there is none.
    int betterThan(int current) const;

private:
    bool m_quotes;
    QList<QString> m_lines;
};

// The fields a line splits into at delimiterCode, counted as the reader
// splits it (a delimiter inside quoted text does not split when quotes are
// text delimiters).
int fieldCount(const QString &line, int delimiterCode, bool quotesAsDelimiters);

} // namespace vxr
