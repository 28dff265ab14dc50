#include "platform/SocketOwners.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace tg::platform {

std::map<unsigned long, SocketOwner> socketOwners() {
    std::map<unsigned long, SocketOwner> out;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return out;
    while (dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0')
            continue;
        std::string base = std::string("/proc/") + entry->d_name;
        // Another user's descriptors cannot be opened without root: those stay unknown.
        DIR* fds = ::opendir((base + "/fd").c_str());
        if (!fds)
            continue;
        std::string program;
        std::ifstream(base + "/comm") >> program;
        while (dirent* fd = ::readdir(fds)) {
            char target[64] = {};
            std::string link = base + "/fd/" + fd->d_name;
            ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
            std::string_view text(target, n > 0 ? static_cast<std::size_t>(n) : 0);
            if (!text.starts_with("socket:[") || !text.ends_with("]"))
                continue;
            unsigned long inode = std::strtoul(target + 8, nullptr, 10);
            // The first holder found stands for a socket several processes share.
            out.try_emplace(inode, SocketOwner{static_cast<int>(pid), program});
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return out;
}

bool seesEveryOwner() {
    return ::geteuid() == 0;
}

} // namespace tg::platform
