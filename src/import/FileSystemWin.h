#pragma once

// The Windows calls behind FileIdentity.cpp, without Qt, so that they can be
// compiled on their own. Paths are UTF-16 with the system's separators.

#ifdef _WIN32

#include <cstdint>
#include <string>

namespace vxr::windows {

// The volume serial number and file index of an existing file, through links.
bool fileIdentity(const wchar_t *path, std::uint64_t *volume, std::uint64_t *index);

// Moves from onto to in one step, replacing a file there, written through to
// the disk; the system's reason in error when it cannot.
bool replaceFile(const wchar_t *from, const wchar_t *to, std::string *error);

// Has the system write what the open C runtime file descriptor holds to the disk.
bool flushToDisk(int descriptor);

// Whether the volume that holds path is another computer's (a mapped drive
// or a \\server\share path).
bool onRemoteVolume(const wchar_t *path);

} // namespace vxr::windows

#endif
