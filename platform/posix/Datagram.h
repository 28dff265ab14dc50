#pragma once

// One UDP socket talking to one IPv4 address and port: a question and its answer.

#include <string>
#include <string_view>

namespace tg::platform {

class Datagram {
public:
    Datagram() = default;
    Datagram(const Datagram&) = delete;
    Datagram& operator=(const Datagram&) = delete;
    ~Datagram();

    // Opens the socket towards address (dotted IPv4) and port; false when that fails.
    bool open(const std::string& address, unsigned port);
    // The local address the system chose for it.
    std::string localAddress() const;
    void send(std::string_view bytes);
    // True when something can be received within timeoutMs.
    bool wait(int timeoutMs);

    struct Received {
        std::string bytes{};
        bool refused = false; // the address said at once that nothing listens there
    };
    Received receive();

private:
    int fd_ = -1;
};

} // namespace tg::platform
