#pragma once

// The console as the operating system offers it, without Qt, so that the
// Windows form (ConsoleSystemWin.cpp) can be compiled on its own.

#include <cstdio>
#include <functional>
#include <string_view>

namespace vxr::cli {

// True when the stream is an interactive terminal (a console window).
bool isTerminal(std::FILE *stream);

// Writes UTF-8 text to the stream and flushes it. A Windows console window
// is given the text in UTF-16, so that it shows every character whatever
// its code page; files and pipes get the UTF-8 bytes.
void writeUtf8(std::FILE *stream, std::string_view text);

#ifdef _WIN32
// What the console's requests to stop (Ctrl-C, Ctrl-Break, the window
// closing) do while they are watched. Each is called on a thread the system
// starts for the event.
struct ConsoleStopActions
{
    std::function<void()> firstRequest; // the first request, told once
    std::function<void()> cancel;       // every request
    std::function<void()> stopAtOnce;   // a second Ctrl-C; does not return
};

// From watchConsoleStops until endConsoleStopWatch the console's
// requests to stop go to the actions; one watch at a time. The window
// closing waits, within the few seconds Windows gives, for the watch to end.
void watchConsoleStops(ConsoleStopActions actions);
void endConsoleStopWatch();
#endif

} // namespace vxr::cli
