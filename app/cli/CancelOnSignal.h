#pragma once

#include <thread>

namespace vxr {
class CancelToken;
}

namespace vxr::cli {

// Turns Ctrl-C (SIGINT) and SIGTERM into a cancel request for the run, so
// that it stops after the current line with its summary and reject file; a
// second Ctrl-C ends the program at once. The signals are taken by a thread
// of their own (sigwait), so nothing runs inside a signal handler.
class CancelOnSignal
{
public:
    // Blocks the signals in the calling thread and in every thread it starts
    // later. Call first thing in main, before any other thread exists.
    static void blockSignals();

    explicit CancelOnSignal(CancelToken &token);
    ~CancelOnSignal();
    CancelOnSignal(const CancelOnSignal &) = delete;
    CancelOnSignal &operator=(const CancelOnSignal &) = delete;

private:
    void watch();

    CancelToken &m_token;
    std::thread m_thread;
};

} // namespace vxr::cli
