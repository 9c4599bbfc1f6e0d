// How the line loop reads the text file: parts of it ahead of the lines
// written (the next one on another thread while the store takes one), the
// lines a resumed run passes over, and the lines it skips.

#include "LineLoop.h"

#include "RejectFile.h"

#include <QDir>

#include <algorithm>
#include <system_error>

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

int LineLoop::partSize() const
{
    return m_request.mode == RunMode::Batches ? qMin(m_request.batchLines, MaxChunk) : MaxChunk;
}

LineLoop::ReadPart LineLoop::readAhead(qint64 first)
{
    const int size = partSize();
    ReadPart part;
    part.lines.reserve(size);
    qint64 number = first;
    while (part.lines.size() < size && !m_reader.atEndOfFile()) {
        ReadLine line = m_reader.readNextLine();
        if (m_reader.hasReadError()) {
            part.stop = Stop{Stop::Kind::TextFile, QStringLiteral("line %1 of the text file %2 cannot be read: %3")
                                                           .arg(number + 1)
                                                           .arg(QDir::toNativeSeparators(m_request.textFilePath),
                                                                m_reader.errorString())};
            break;
        }
        part.lines.append({++number, std::move(line)});
    }
    return part;
}

LineLoop::ReadPart LineLoop::readPart()
{
    ReadPart part = readAhead(m_linesTaken);
    m_linesTaken += part.lines.size();
    return part;
}

// While the store takes a part, the next one is read on another thread: it
// needs neither the store nor the line the writer works on. Only in run(),
// which takes that part next. Parts of a few lines are not worth a thread,
// nor are a sheet's rows, which are read into the writer's line.
void LineLoop::startReadingOn()
{
    if (!m_mayReadOn || m_readOn || m_reading.valid() || partSize() < MinLinesReadInTheBackground
        || m_reader.isSpreadsheet() || m_reader.atEndOfFile() || m_reader.hasReadError() || cancelRequested())
        return;
    try {
        m_reading = std::async(std::launch::async, [this, first = m_linesTaken] { return readAhead(first); });
    } catch (const std::system_error &) {
        // No thread to be had: the part is read when it is due.
    }
}

// Waits for the part read on another thread; its lines are taken from then.
void LineLoop::collectReadOn()
{
    if (!m_reading.valid())
        return;
    m_readOn = m_reading.get();
    m_linesTaken += m_readOn->lines.size();
}

// While the journal puts a batch's way back on disk, before the store may
// commit the batch, the next part of the file is read, unless it is being
// read already: it needs neither. Only in run(), which takes that part
// next, and only after a whole part.
void LineLoop::readOn()
{
    if (m_mayReadOn && !m_reading.valid() && !m_readOn && !m_reader.atEndOfFile() && !m_reader.hasReadError()
        && !cancelRequested())
        m_readOn = readPart();
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
