#pragma once

#include <QtGlobal>

#ifndef Q_OS_WIN
#include <thread>
#endif

namespace vxr {
class CancelToken;
}

namespace vxr::cli {

// Turns Ctrl-C and the other requests to stop into a cancel request for the
// run, so that it stops after the current line with its summary and reject
// file; a second Ctrl-C ends the program at once. Nothing runs inside a
// signal handler:
// - POSIX: SIGINT and SIGTERM are taken by a thread of their own (sigwait).
// - Windows: the console's handler, which Windows calls on a thread of its
//   own, takes Ctrl-C, Ctrl-Break and the closing of the console window.
// One instance exists at a time, for the length of the import.
class CancelOnSignal
{
public:
    // POSIX: blocks the signals in the calling thread and in every thread it
    // starts later. Call first thing in main, before any other thread exists.
    // Windows: nothing to block.
    static void blockSignals();

    explicit CancelOnSignal(CancelToken &token);
    ~CancelOnSignal();
    CancelOnSignal(const CancelOnSignal &) = delete;
    CancelOnSignal &operator=(const CancelOnSignal &) = delete;

private:
    CancelToken &m_token;
#ifndef Q_OS_WIN
    void watch();

    std::thread m_thread;
#endif
};

} // namespace vxr::cli
