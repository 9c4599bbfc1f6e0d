#include "text/ProfileFile.h"

#include "text/ProfileFileLines.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace vxr {
namespace ProfileFile {

namespace {

// At most bufferSize - 1 characters, never half a surrogate pair.
QString fitToBuffer(const QString &text, int bufferSize)
{
    const qsizetype room = qMax(bufferSize - 1, 0);
    if (text.size() <= room)
        return text;
    qsizetype cut = room;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut);
}

} // namespace

Contents Contents::load(const QString &path)
{
    Contents contents;
    QFile file(path);
    if (isNotAFile(QFileInfo(path)) || !file.open(QIODevice::ReadOnly))
        return contents;
    const QByteArray raw = file.readAll();
    const QByteArray bytes = FileEncoding::of(raw).toWorkingBytes(raw);
    for (const Line &line : splitLines(bytes)) {
        Parsed parsed = parseLine(lineText(bytes, line));
        if (parsed.kind == Parsed::Section)
            contents.m_sections.append({std::move(parsed.name), {}});
        else if (parsed.kind == Parsed::Key && !contents.m_sections.isEmpty())
            contents.m_sections.last().keys.append({std::move(parsed.name), std::move(parsed.value)});
    }
    return contents;
}

std::optional<QString> Contents::find(const QString &section, const QString &key) const
{
    // A later section of the same name is not looked at, as writing changes
    // only the first one.
    const auto inSection = std::find_if(m_sections.cbegin(), m_sections.cend(),
                                        [&](const Section &s) { return sameName(s.name, section); });
    if (inSection != m_sections.cend()) {
        for (const Key &entry : inSection->keys) {
            if (sameName(entry.name, key))
                return entry.value;
        }
    }
    return std::nullopt;
}

bool Contents::hasSection(const QString &section) const
{
    return std::any_of(m_sections.cbegin(), m_sections.cend(),
                       [&](const Section &s) { return sameName(s.name, section); });
}

QString Contents::value(const QString &section, const QString &key, const QString &defaultValue,
                        int bufferSize) const
{
    return fitToBuffer(find(section, key).value_or(defaultValue), bufferSize);
}

QString readString(const QString &path, const QString &section, const QString &key,
                   const QString &defaultValue, int bufferSize)
{
    return Contents::load(path).value(section, key, defaultValue, bufferSize);
}

} // namespace ProfileFile
} // namespace vxr
