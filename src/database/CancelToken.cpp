#include "CancelToken.h"

#include <QMutexLocker>

namespace vxr {

void CancelToken::request()
{
    m_requested.store(true, std::memory_order_release);
    // Interrupters run under the lock, so none is removed (and its object
    // destroyed) while it runs.
    const QMutexLocker lock(&m_mutex);
    for (const auto &[id, interrupter] : std::as_const(m_interrupters))
        interrupter();
}

int CancelToken::addInterrupter(std::function<void()> interrupter)
{
    const QMutexLocker lock(&m_mutex);
    const int id = m_nextId++;
    m_interrupters.append({id, std::move(interrupter)});
    return id;
}

void CancelToken::removeInterrupter(int id)
{
    const QMutexLocker lock(&m_mutex);
    m_interrupters.removeIf([id](const auto &entry) { return entry.first == id; });
}

} // namespace vxr
