#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

#include <optional>

namespace vxr {

// The IDs of the reference names a run has resolved, keyed by the exact text
// (and kind), so that the next line with that name runs no query. Each entry
// remembers the transaction mark it was learned at; a rollback forgets what
// it undid (see Transaction::mark).
class ReferenceCache
{
public:
    std::optional<QVariant> find(const QString &key) const
    {
        const auto found = m_entries.constFind(key);
        if (found == m_entries.constEnd())
            return std::nullopt;
        return found->id;
    }

    void remember(const QString &key, const QVariant &id, quint64 mark) { m_entries.insert(key, {id, mark}); }

    // Forgets every entry learned at mark since or later.
    void forgetSince(quint64 since)
    {
        m_entries.removeIf([since](const auto &entry) { return entry.value().mark >= since; });
    }

private:
    struct Entry
    {
        QVariant id;
        quint64 mark = 0;
    };
    QHash<QString, Entry> m_entries;
};

} // namespace vxr
