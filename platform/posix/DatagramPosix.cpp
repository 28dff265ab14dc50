#include "platform/posix/Datagram.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace tg::platform {

Datagram::~Datagram() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool Datagram::open(const std::string& address, unsigned port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &to.sin_addr) != 1)
        return false;
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
}

std::string Datagram::localAddress() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
    return text;
}

void Datagram::send(std::string_view bytes) {
    ::send(fd_, bytes.data(), bytes.size(), 0);
}

bool Datagram::wait(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

Datagram::Received Datagram::receive() {
    char buffer[1500];
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    Received out;
    if (n < 0 && errno == ECONNREFUSED)
        out.refused = true;
    else if (n > 0)
        out.bytes.assign(buffer, static_cast<std::size_t>(n));
    return out;
}

} // namespace tg::platform
