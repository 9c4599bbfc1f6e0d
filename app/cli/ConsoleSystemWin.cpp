// The Windows form of ConsoleSystem.h.

#include "ConsoleSystem.h"

#include <windows.h>

#include <io.h>

#include <cassert>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

namespace vxr::cli {

namespace {

// The console window behind a stream; null when it is a file or a pipe.
HANDLE consoleOf(std::FILE *stream)
{
    const intptr_t osHandle = _get_osfhandle(_fileno(stream));
    if (osHandle == -1)
        return nullptr;
    const auto handle = reinterpret_cast<HANDLE>(osHandle);
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) ? handle : nullptr;
}

std::wstring wideText(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

// SetConsoleCtrlHandler takes a plain function without a context, so the
// handler finds the actions here, set and cleared under the mutex, so that
// the handler (on a thread Windows starts for each event) never calls
// actions that have gone.
struct ConsoleWatch
{
    std::mutex mutex;
    std::condition_variable ended;
    ConsoleStopActions actions;
    bool watching = false;
    bool requested = false;
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
    if (!watch.watching)
        return TRUE;
    if (watch.requested && event == CTRL_C_EVENT)
        watch.actions.stopAtOnce();
    if (!watch.requested) {
        watch.actions.firstRequest();
        watch.requested = true;
    }
    watch.actions.cancel();
    if (event == CTRL_CLOSE_EVENT)
        watch.ended.wait_for(lock, CloseGrace, [&watch] { return !watch.watching; });
    return TRUE;
}

} // namespace

bool isTerminal(std::FILE *stream)
{
    return _isatty(_fileno(stream)) != 0;
}

void writeUtf8(std::FILE *stream, std::string_view text)
{
    std::fflush(stream);
    if (HANDLE console = consoleOf(stream)) {
        const std::wstring wide = wideText(text);
        DWORD written = 0;
        WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

void watchConsoleStops(ConsoleStopActions actions)
{
    ConsoleWatch &watch = consoleWatch();
    {
        const std::lock_guard lock(watch.mutex);
        assert(!watch.watching);
        watch.actions = std::move(actions);
        watch.watching = true;
        watch.requested = false;
    }
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void endConsoleStopWatch()
{
    ConsoleWatch &watch = consoleWatch();
    {
        const std::lock_guard lock(watch.mutex);
        watch.watching = false;
        watch.actions = {};
    }
    watch.ended.notify_all();
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}

} // namespace vxr::cli
