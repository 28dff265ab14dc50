#include "platform/Prober.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#endif

#include <cstring>

namespace tg::platform {

namespace {

#ifdef _WIN32
// Winsock's resolver works only once the program has said which version it speaks.
void startResolver() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}
// Windows counts no loopback address as configured, so AI_ADDRCONFIG would leave a host with
// only loopback addresses without 127.0.0.1 and ::1.
constexpr int kNameFlags = 0;
#else
void startResolver() {}
constexpr int kNameFlags = AI_ADDRCONFIG;
#endif

} // namespace

std::vector<HostAddress> resolveHost(const std::string& host, std::string& problem) {
    startResolver();
    std::vector<HostAddress> found;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    // A numeric address never reaches the resolver.
    hints.ai_flags = AI_NUMERICHOST;
    int status = getaddrinfo(host.c_str(), nullptr, &hints, &list);
    if (status == EAI_NONAME) {
        hints.ai_flags = kNameFlags;
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
    startResolver();
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* list = nullptr;
    if (getaddrinfo(numericAddress.c_str(), nullptr, &hints, &list) != 0)
        return {};
    char name[NI_MAXHOST] = {};
    const int status = getnameinfo(list->ai_addr, static_cast<socklen_t>(list->ai_addrlen), name,
                                   sizeof name, nullptr, 0, NI_NAMEREQD);
    freeaddrinfo(list);
    return status == 0 ? name : std::string();
}

} // namespace tg::platform
