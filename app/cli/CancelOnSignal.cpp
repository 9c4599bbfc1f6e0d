#include "CancelOnSignal.h"

#include "Console.h"

#include "database/CancelToken.h"

#ifdef Q_OS_WIN
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
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

namespace {

// SetConsoleCtrlHandler takes a plain function without a context, so the
// handler finds the run's token here: a CancelOnSignal sets it in its
// constructor and clears it in its destructor, under the mutex, so the
// handler (on a thread Windows starts for each event) never sees a token
// that has gone.
struct ConsoleWatch
{
    std::mutex mutex;
    std::condition_variable ended;
    CancelToken *token = nullptr;
    bool cancelled = false;
};

ConsoleWatch &consoleWatch()
{
    static ConsoleWatch watch;
    return watch;
}

// Windows ends the program when the handler of a closing console returns,
// and at the latest some five seconds after the event. The run gets most of
// that time to stop after its line and write its summary and files.
constexpr std::chrono::milliseconds CloseGrace{4500};

BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    ConsoleWatch &watch = consoleWatch();
    std::unique_lock lock(watch.mutex);
    // The run has just ended: the program ends with its result.
    if (!watch.token)
        return TRUE;
    if (watch.cancelled && event == CTRL_C_EVENT) {
        announceStop();
        std::_Exit(StoppedAtOnce);
    }
    if (!watch.cancelled) {
        announceCancel();
        watch.cancelled = true;
    }
    watch.token->request();
    if (event == CTRL_CLOSE_EVENT)
        watch.ended.wait_for(lock, CloseGrace, [&watch] { return watch.token == nullptr; });
    return TRUE;
}

} // namespace

void CancelOnSignal::blockSignals()
{
}

CancelOnSignal::CancelOnSignal(CancelToken &token) : m_token(token)
{
    ConsoleWatch &watch = consoleWatch();
    {
        const std::lock_guard lock(watch.mutex);
        Q_ASSERT(!watch.token);
        watch.token = &m_token;
        watch.cancelled = false;
    }
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

CancelOnSignal::~CancelOnSignal()
{
    ConsoleWatch &watch = consoleWatch();
    {
        const std::lock_guard lock(watch.mutex);
        watch.token = nullptr;
    }
    watch.ended.notify_all();
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
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
