#pragma once

// Which process holds each socket of this machine, as far as this user may see.

#include <map>
#include <string>

namespace tg::platform {

struct SocketOwner {
    int pid = 0;
    std::string program{}; // the process's command name
};

// The socket inodes of /proc/net/{tcp,udp}* by the processes whose descriptors this user can
// read: all of them as root, one's own otherwise.
std::map<unsigned long, SocketOwner> socketOwners();
// True when socketOwners() sees every process's sockets (root).
bool seesEveryOwner();

} // namespace tg::platform
