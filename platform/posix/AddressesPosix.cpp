#include "platform/posix/Addresses.h"

#include <arpa/inet.h>
#include <sys/socket.h>

namespace tg::platform {

static_assert(kInet == AF_INET && kInet6 == AF_INET6);

std::string addressText(int family, std::string_view bytes) {
    char text[INET6_ADDRSTRLEN] = {};
    if ((family == AF_INET && bytes.size() == 4) || (family == AF_INET6 && bytes.size() == 16))
        inet_ntop(family, bytes.data(), text, sizeof text);
    return text;
}

bool addressBytes(int family, const std::string& text, void* out) {
    return inet_pton(family, text.c_str(), out) == 1;
}

std::uint32_t ipv4Number(const std::string& text, bool& ok) {
    in_addr a{};
    ok = inet_pton(AF_INET, text.c_str(), &a) == 1;
    return ntohl(a.s_addr);
}

} // namespace tg::platform
