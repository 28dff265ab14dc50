#include "platform/Prober.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>

namespace tg::platform {

std::vector<HostAddress> resolveHost(const std::string& host, std::string& problem) {
    std::vector<HostAddress> found;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    // A numeric address never reaches the resolver.
    hints.ai_flags = AI_NUMERICHOST;
    int status = getaddrinfo(host.c_str(), nullptr, &hints, &list);
    if (status == EAI_NONAME) {
        hints.ai_flags = AI_ADDRCONFIG;
        status = getaddrinfo(host.c_str(), nullptr, &hints, &list);
    }
    if (status != 0) {
        problem = "ホスト " + host + " が見つかりません。";
        return found;
    }
    for (addrinfo* entry = list; entry; entry = entry->ai_next) {
        HostAddress address;
        char text[INET6_ADDRSTRLEN] = {};
        if (entry->ai_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
            std::memcpy(address.bytes.data(), &in->sin_addr, 4);
            inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        } else if (entry->ai_family == AF_INET6) {
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(entry->ai_addr);
            address.v6 = true;
            std::memcpy(address.bytes.data(), &in6->sin6_addr, 16);
            inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        } else {
            continue;
        }
        address.text = text;
        bool repeat = false;
        for (const HostAddress& earlier : found)
            repeat = repeat || earlier.text == address.text;
        if (!repeat)
            found.push_back(address);
    }
    freeaddrinfo(list);
    if (found.empty())
        problem = "ホスト " + host + " が見つかりません。";
    return found;
}

std::string hostNameOf(const std::string& numericAddress) {
    sockaddr_storage storage{};
    socklen_t length = 0;
    auto* in = reinterpret_cast<sockaddr_in*>(&storage);
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, numericAddress.c_str(), &in->sin_addr) == 1) {
        in->sin_family = AF_INET;
        length = sizeof(sockaddr_in);
    } else if (inet_pton(AF_INET6, numericAddress.c_str(), &in6->sin6_addr) == 1) {
        in6->sin6_family = AF_INET6;
        length = sizeof(sockaddr_in6);
    } else {
        return {};
    }
    char name[NI_MAXHOST] = {};
    if (getnameinfo(reinterpret_cast<sockaddr*>(&storage), length, name, sizeof name, nullptr, 0,
                    NI_NAMEREQD) != 0)
        return {};
    return name;
}

std::filesystem::path monitorLogFolder() {
    // XDG says a relative $XDG_DATA_HOME is to be ignored.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && std::filesystem::path(data).is_absolute())
        return std::filesystem::path(data) / "tginfo" / "monitor";
    const char* home = std::getenv("HOME");
    if (home && std::filesystem::path(home).is_absolute())
        return std::filesystem::path(home) / ".local" / "share" / "tginfo" / "monitor";
    return {};
}

} // namespace tg::platform
