#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

#include <optional>

namespace vxr {

// The IDs of the reference names a run has resolved, by kind and exact text, so that the next line with that name runs no query. Each entry
// remembers the transaction mark it was learned at; a rollback forgets what
// it undid (see Transaction::mark).
class ReferenceCache
{
public:
    std::optional<QVariant> find(char kind, const QString &name) const
    {
        const auto found = m_entries.constFind(Key{kind, name});
        if (found == m_entries.constEnd())
            return std::nullopt;
        return found->id;
    }

    void remember(char kind, const QString &name, const QVariant &id, quint64 mark)
    {
        m_entries.insert(Key{kind, name}, {id, mark});
    }

    // Forgets every entry learned at mark since or later.
    void forgetSince(quint64 since)
    {
        m_entries.removeIf([since](const auto &entry) { return entry.value().mark >= since; });
    }

private:
    // The kind and the name apart: a look-up makes no key text of its own.
    struct Key
    {
        char kind = 0;
        QString name;
        friend bool operator==(const Key &a, const Key &b) { return a.kind == b.kind && a.name == b.name; }
        friend size_t qHash(const Key &key, size_t seed) { return qHashMulti(seed, key.kind, key.name); }
    };
    struct Entry
    {
        QVariant id;
        quint64 mark = 0;
    };
    QHash<Key, Entry> m_entries;
};

} // namespace vxr
