// How the line loop reads the text file: parts of it ahead of the lines
// written, the lines a resumed run passes over, and the lines it skips.

#include "LineLoop.h"

#include "RejectFile.h"

#include <QDir>

#include <algorithm>

namespace vxr {

namespace {

// An empty line or one of blanks only (often at the end of an exported
// file) holds nothing to import. Checked on the bytes, so that it holds for
// every encoding whose blank is the byte 0x20 (UTF-16 adds zero bytes).
bool isBlankLine(const QByteArray &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](char c) { return c == ' ' || c == '\t' || c == '\0'; });
}

} // namespace

bool LineLoop::passOver(qint64 nextLine, const QList<qint64> &rejectAgain, QString *error)
{
    qsizetype again = 0;
    while (m_linesTaken + 1 < nextLine) {
        const bool atEnd = m_reader.atEndOfFile();
        ReadLine line = atEnd ? ReadLine() : m_reader.readNextLine();
        if (atEnd || m_reader.hasReadError()) {
            *error = QStringLiteral("the text file holds no line %1 to go on from (%2)")
                             .arg(nextLine)
                             .arg(m_reader.hasReadError() ? m_reader.errorString() : QStringLiteral("it ends before"));
            return false;
        }
        const AheadLine ahead{++m_linesTaken, std::move(line)};
        if (isSkipped(ahead))
            skip(ahead);
        if (again < rejectAgain.size() && rejectAgain.at(again) == ahead.number) {
            ++again;
            if (m_out.reject)
                m_out.reject->add(ahead.line.bytes + m_reader.endToWrite(ahead.line.bytes, ahead.line.end));
        }
    }
    return true;
}

// The next lines of the file, as many as a batch holds.
LineLoop::ReadPart LineLoop::readAhead()
{
    const int size = m_request.mode == RunMode::Batches ? qMin(m_request.batchLines, MaxChunk) : MaxChunk;
    ReadPart part;
    part.lines.reserve(size);
    while (part.lines.size() < size && !m_reader.atEndOfFile()) {
        ReadLine line = m_reader.readNextLine();
        if (m_reader.hasReadError()) {
            part.stop = Stop{Stop::Kind::TextFile, QStringLiteral("line %1 of the text file %2 cannot be read: %3")
                                                           .arg(m_linesTaken + 1)
                                                           .arg(QDir::toNativeSeparators(m_request.textFilePath),
                                                                m_reader.errorString())};
            break;
        }
        part.lines.append({++m_linesTaken, std::move(line)});
    }
    return part;
}

// While the journal puts a batch's way back on disk, before the store may
// commit the batch, the next part of the file is read: it needs neither.
// Only in run(), which takes that part next, and only after a whole part.
void LineLoop::readOn()
{
    if (m_mayReadOn && !m_readOn && !m_reader.atEndOfFile() && !m_reader.hasReadError() && !cancelRequested())
        m_readOn = readAhead();
}

bool LineLoop::isSkipped(const AheadLine &ahead) const
{
    return (m_request.skipFirstLine && ahead.number == 1) || isBlankLine(ahead.line.bytes);
}

bool LineLoop::skip(const AheadLine &ahead)
{
    if (m_request.skipFirstLine && ahead.number == 1) {
        // The same settings skip the first line of the reject file too.
        if (m_out.reject)
            m_out.reject->setPreamble(m_reader.byteOrderMark() + ahead.line.bytes + ahead.line.end);
        return true;
    }
    return isBlankLine(ahead.line.bytes);
}

} // namespace vxr
