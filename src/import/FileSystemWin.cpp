#include "FileSystemWin.h"

#ifdef _WIN32

#include <windows.h>

#include <io.h>

#include <system_error>

namespace vxr::windows {

bool fileIdentity(const wchar_t *path, std::uint64_t *volume, std::uint64_t *index)
{
    const HANDLE handle = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known)
        return false;
    *volume = info.dwVolumeSerialNumber;
    *index = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

bool replaceFile(const wchar_t *from, const wchar_t *to, std::string *error)
{
    if (MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *error = std::system_category().message(static_cast<int>(GetLastError()));
    return false;
}

bool onRemoteVolume(const wchar_t *path)
{
    wchar_t root[MAX_PATH + 1];
    if (!GetVolumePathNameW(path, root, MAX_PATH + 1))
        return false;
    return GetDriveTypeW(root) == DRIVE_REMOTE;
}

bool flushToDisk(int descriptor)
{
    const intptr_t handle = _get_osfhandle(descriptor);
    return handle != -1 && FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) != 0;
}

} // namespace vxr::windows

#endif
