#include "platform/SystemValues.h"

#include "text/Codec.h"

#include <pwd.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace tg::platform {

namespace {

// A "Name:   1234 kB" figure of /proc/meminfo in bytes; none when the line is missing.
std::optional<std::uint64_t> meminfoBytes(const std::string& meminfo, const std::string& name) {
    std::istringstream in(meminfo);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size() + 1, name + ":") != 0)
            continue;
        unsigned long long kb = 0;
        if (std::sscanf(line.c_str() + name.size() + 1, "%llu", &kb) != 1)
            return std::nullopt;
        return static_cast<std::uint64_t>(kb) * 1024;
    }
    return std::nullopt;
}

std::string readWholeFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The address space a process may use: the user half the kernel gives it, or less under a limit.
std::uint64_t userAddressSpace() {
#if defined(__x86_64__)
    std::uint64_t space = std::uint64_t{1} << 47;
#elif defined(__aarch64__)
    std::uint64_t space = std::uint64_t{1} << 48;
#else
    std::uint64_t space = sizeof(void*) >= 8 ? std::uint64_t{1} << 47 : std::uint64_t{3} << 30;
#endif
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        space = std::min<std::uint64_t>(space, limit.rlim_cur);
    return space;
}

// Bytes of the address space below limit that this process has mapped.
std::uint64_t mappedBytes(std::uint64_t limit) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    std::uint64_t total = 0;
    while (std::getline(maps, line)) {
        unsigned long long start = 0, end = 0;
        if (std::sscanf(line.c_str(), "%llx-%llx", &start, &end) != 2 || start >= limit)
            continue;
        total += std::min<std::uint64_t>(end, limit) - start;
    }
    return total;
}

} // namespace

bool isNT() {
    return true;
}

std::optional<Text> computerName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return std::nullopt;
    return utf8ToCp932(name);
}

std::optional<Text> windowsDirectory() {
    return std::nullopt;
}

MemoryStatus memoryStatus() {
    MemoryStatus status;
    std::string meminfo = readWholeFile("/proc/meminfo");
    auto pageSize = static_cast<std::uint64_t>(std::max(sysconf(_SC_PAGESIZE), 1L));
    auto pages = [&](int name) {
        long n = sysconf(name);
        return n > 0 ? static_cast<std::uint64_t>(n) * pageSize : 0;
    };

    status.totalPhys = meminfoBytes(meminfo, "MemTotal").value_or(pages(_SC_PHYS_PAGES));
    // Memory the system would hand out without swapping, page cache included, as Windows counts
    // its standby list as available.
    status.availPhys =
        meminfoBytes(meminfo, "MemAvailable")
            .value_or(meminfoBytes(meminfo, "MemFree").value_or(pages(_SC_AVPHYS_PAGES)));
    status.totalPageFile =
        meminfoBytes(meminfo, "CommitLimit")
            .value_or(status.totalPhys + meminfoBytes(meminfo, "SwapTotal").value_or(0));
    status.totalVirtual = userAddressSpace();
    status.availVirtual =
        status.totalVirtual - std::min(status.totalVirtual, mappedBytes(status.totalVirtual));
    return status;
}

} // namespace tg::platform

namespace tg::platform {

std::optional<Text> userName() {
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_name)
        return utf8ToCp932(entry->pw_name);
    return std::nullopt;
}

Text osDescription() {
    // The distribution's own name where it tells one, then the kernel's.
    std::ifstream release("/etc/os-release");
    std::string line, pretty;
    while (std::getline(release, line)) {
        if (line.rfind("PRETTY_NAME=", 0) == 0) {
            pretty = line.substr(12);
            if (pretty.size() >= 2 && pretty.front() == '"' && pretty.back() == '"')
                pretty = pretty.substr(1, pretty.size() - 2);
        }
    }
    utsname system{};
    std::string kernel;
    if (::uname(&system) == 0)
        kernel = std::string(system.sysname) + " " + system.release + " " + system.machine;
    if (pretty.empty())
        return utf8ToCp932(kernel);
    return utf8ToCp932(kernel.empty() ? pretty : pretty + " (" + kernel + ")");
}

Text argumentText(std::string_view argument) {
    return utf8ToCp932(argument);
}

std::vector<std::filesystem::path> argumentPaths(int argc, char** argv) {
    // A file name is bytes here, whatever their encoding.
    std::vector<std::filesystem::path> paths;
    for (int i = 1; i < argc; ++i)
        paths.emplace_back(argv[i]);
    return paths;
}

void writeErrorLine(TextView line) {
    const std::string bytes = cp932ToUtf8(line) + "\n";
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

bool writeOutput(TextView text) {
    return writeOutputBytes(cp932ToUtf8(text));
}

bool writeOutputBytes(std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
           std::fflush(stdout) == 0;
}

} // namespace tg::platform
