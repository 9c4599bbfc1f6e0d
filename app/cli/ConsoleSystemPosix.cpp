// The POSIX form of ConsoleSystem.h. The requests to stop are signals here,
// which CancelOnSignal takes on a thread of its own.

#include "ConsoleSystem.h"

#include <unistd.h>

namespace vxr::cli {

bool isTerminal(std::FILE *stream)
{
    return ::isatty(::fileno(stream)) == 1;
}

void writeUtf8(std::FILE *stream, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

} // namespace vxr::cli
