#include "CancelOnSignal.h"

#include "Console.h"
#include "ConsoleSystem.h"

#include "database/CancelToken.h"

#ifdef Q_OS_WIN
#include <cstdlib>
#else
#include <pthread.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace vxr::cli {

namespace {

void announceCancel()
{
    printErr(QStringLiteral("\nvxrimp: cancelling after the current line (Ctrl-C again to stop at once) ...\n"));
}

void announceStop()
{
    printErr(QStringLiteral("\nvxrimp: stopped at once; the lines of the open batch are not stored.\n"));
}

constexpr int StoppedAtOnce = 130;

} // namespace

#ifdef Q_OS_WIN

void CancelOnSignal::blockSignals()
{
}

CancelOnSignal::CancelOnSignal(CancelToken &token) : m_token(token)
{
    watchConsoleStops({announceCancel, [this] { m_token.request(); },
                       [] {
                           announceStop();
                           std::_Exit(StoppedAtOnce);
                       }});
}

CancelOnSignal::~CancelOnSignal()
{
    endConsoleStopWatch();
}

#else

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
            announceStop();
            _exit(StoppedAtOnce);
        }
        if (!cancelled) {
            announceCancel();
            cancelled = true;
        }
        m_token.request();
    }
}

#endif

} // namespace vxr::cli
