#include "platform/SystemValues.h"

#include <windows.h>

namespace tg::platform {

bool isNT() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info; // 148 bytes
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    BOOL ok = GetVersionExA(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return ok && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::optional<Text> computerName() {
    char name[256] = {};
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size))
        return std::nullopt;
    return Text(name, size);
}

std::optional<Text> windowsDirectory() {
    char path[261] = {};
    UINT length = GetWindowsDirectoryA(path, sizeof path);
    // 0 is a failure; a length beyond the buffer is the size it would have needed.
    if (length == 0 || length >= sizeof path)
        return std::nullopt;
    return Text(path, length);
}

MemoryStatus memoryStatus() {
    // The 64-bit call: the 32-bit counts of GlobalMemoryStatus cap out at 4 GiB.
    MEMORYSTATUSEX ex{};
    ex.dwLength = sizeof ex;
    MemoryStatus status;
    if (!GlobalMemoryStatusEx(&ex))
        return status;
    status.totalPhys = ex.ullTotalPhys;
    status.availPhys = ex.ullAvailPhys;
    status.totalVirtual = ex.ullTotalVirtual;
    status.availVirtual = ex.ullAvailVirtual;
    status.totalPageFile = ex.ullTotalPageFile;
    return status;
}

} // namespace tg::platform
