#include "platform/SystemValues.h"

#include "text/FileName.h"

#include <windows.h>

#include <shellapi.h>

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

namespace tg::platform {

std::optional<Text> userName() {
    char name[257] = {};
    DWORD size = sizeof name;
    if (!GetUserNameA(name, &size) || size == 0)
        return std::nullopt;
    return Text(name, size - 1); // the size counts the closing zero
}

Text osDescription() {
    // GetVersionEx answers an older version to a program without a manifest naming the newer
    // ones; the registry keeps the name and build the system itself shows.
    auto value = [](const char* name) {
        char buffer[256] = {};
        DWORD size = sizeof buffer;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                         name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
            return Text();
        return Text(buffer);
    };
    Text product = value("ProductName");
    if (product.empty())
        product = "Windows";
    const Text build = value("CurrentBuild");
    return build.empty() ? product : product + " (build " + build + ")";
}

Text argumentText(std::string_view argument) {
    // main's arguments are in the ANSI code page, which on a Japanese system is code page 932.
    return Text(argument);
}

std::vector<std::filesystem::path> argumentPaths(int argc, char** argv) {
    std::vector<std::filesystem::path> paths;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide && count == argc) {
        for (int i = 1; i < count; ++i)
            paths.emplace_back(wide[i]);
    } else {
        // The two splits disagree only on command lines no shell writes; the ANSI form then.
        for (int i = 1; i < argc; ++i)
            paths.push_back(toNativePath(argv[i]));
    }
    LocalFree(wide);
    return paths;
}

void writeErrorLine(TextView line) {
    // The console shows code page 932 as it stands; a redirected error stream takes the same bytes.
    Text bytes(line);
    bytes += "\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

bool writeOutput(TextView text) {
    // The console shows code page 932 as it stands.
    return writeOutputBytes(text);
}

bool writeOutputBytes(std::string_view text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    return out != INVALID_HANDLE_VALUE && out != nullptr &&
           WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

} // namespace tg::platform
