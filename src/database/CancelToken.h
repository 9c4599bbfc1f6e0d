#pragma once

#include <QList>
#include <QMutex>

#include <atomic>
#include <functional>

namespace vxr {

// A request to stop a long piece of work, made from another thread (the
// wizard's Cancel button, the signal thread of the command-line tool) and
// looked at by the work between lines. Whoever may be waiting inside the
// database when the request comes (for a lock, on a server) registers an
// interrupter that wakes the wait up; it runs on the requesting thread.
class CancelToken
{
public:
    CancelToken() = default;
    CancelToken(const CancelToken &) = delete;
    CancelToken &operator=(const CancelToken &) = delete;

    // Asks the work to stop and interrupts a wait in progress. Thread-safe;
    // repeated requests interrupt again.
    void request();
    bool isRequested() const { return m_requested.load(std::memory_order_acquire); }

    // The interrupter stays registered until the returned id is given back
    // to removeInterrupter. It must be thread-safe and return quickly.
    int addInterrupter(std::function<void()> interrupter);
    void removeInterrupter(int id);

private:
    std::atomic<bool> m_requested{false};
    QMutex m_mutex;
    int m_nextId = 1;
    QList<std::pair<int, std::function<void()>>> m_interrupters;
};

// Registers an interrupter for the length of a scope.
class InterrupterScope
{
public:
    InterrupterScope(CancelToken *token, std::function<void()> interrupter)
        : m_token(token), m_id(token ? token->addInterrupter(std::move(interrupter)) : 0)
    {
    }
    ~InterrupterScope()
    {
        if (m_token)
            m_token->removeInterrupter(m_id);
    }
    InterrupterScope(const InterrupterScope &) = delete;
    InterrupterScope &operator=(const InterrupterScope &) = delete;

private:
    CancelToken *m_token;
    int m_id;
};

} // namespace vxr
