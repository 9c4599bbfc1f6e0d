#include "CancelOnSignal.h"

#include "Console.h"

#include "database/CancelToken.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

namespace vxr::cli {

namespace {

// SIGUSR2 only wakes the watching thread when it is to end.
sigset_t watchedSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGUSR2);
    return set;
}

} // namespace

void CancelOnSignal::blockSignals()
{
    const sigset_t set = watchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

CancelOnSignal::CancelOnSignal(CancelToken &token) : m_token(token)
{
    blockSignals();
    m_thread = std::thread([this] { watch(); });
}

CancelOnSignal::~CancelOnSignal()
{
    pthread_kill(m_thread.native_handle(), SIGUSR2);
    m_thread.join();
}

void CancelOnSignal::watch()
{
    const sigset_t set = watchedSignals();
    bool cancelled = false;
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0 || signal == SIGUSR2)
            return;
        if (cancelled && signal == SIGINT) {
            printErr(QStringLiteral("\nvxrimp: stopped at once; the lines of the open batch are not stored.\n"));
            _exit(130);
        }
        if (!cancelled) {
            printErr(QStringLiteral("\nvxrimp: cancelling after the current line (Ctrl-C again to stop at once) ...\n"));
            cancelled = true;
        }
        m_token.request();
    }
}

} // namespace vxr::cli
