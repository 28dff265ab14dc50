// Echo requests through ICMP datagram sockets, which need no privilege where
// net.ipv4.ping_group_range lets the user's group open them: the kernel fills in the identifier
// and hands the routers' answers back through the socket's error queue. Raw sockets, where the
// process may open them, serve otherwise.
#include "platform/Prober.h"

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace tg::platform {

namespace {

std::int64_t nowMicros() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

std::uint16_t checksum(const unsigned char* data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += std::uint32_t(data[i] << 8 | data[i + 1]);
    if (size % 2)
        sum += std::uint32_t(data[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return std::uint16_t(~sum);
}

std::uint16_t read16(const unsigned char* p) {
    return std::uint16_t(p[0] << 8 | p[1]);
}

std::string addressText(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
                  sizeof text);
    else if (address->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
                  sizeof text);
    return text;
}

// Raw sockets see every ICMP message of the host: each prober picks its own identifier.
std::atomic<unsigned> rawProbers{0};

class LinuxProber final : public Prober {
public:
    LinuxProber(int fd, bool raw, const HostAddress& target, std::size_t payloadSize)
        : fd_(fd), raw_(raw), v6_(target.v6), payloadSize_(payloadSize), sentAt_(65536, -1) {
        std::memset(&target_, 0, sizeof target_);
        if (v6_) {
            auto* in6 = reinterpret_cast<sockaddr_in6*>(&target_);
            in6->sin6_family = AF_INET6;
            std::memcpy(&in6->sin6_addr, target.bytes.data(), 16);
            targetLength_ = sizeof(sockaddr_in6);
        } else {
            auto* in = reinterpret_cast<sockaddr_in*>(&target_);
            in->sin_family = AF_INET;
            std::memcpy(&in->sin_addr, target.bytes.data(), 4);
            targetLength_ = sizeof(sockaddr_in);
        }
        if (raw_) {
            identifier_ = std::uint16_t((getpid() * 31 + rawProbers++) & 0xFFFF);
        } else {
            // The kernel uses the socket's port as the identifier.
            sockaddr_storage bound{};
            bound.ss_family = v6_ ? AF_INET6 : AF_INET;
            bind(fd_, reinterpret_cast<sockaddr*>(&bound),
                 v6_ ? sizeof(sockaddr_in6) : sizeof(sockaddr_in));
            socklen_t length = sizeof bound;
            getsockname(fd_, reinterpret_cast<sockaddr*>(&bound), &length);
            identifier_ = v6_ ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                              : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
        }
        // A raw socket reads the routers' answers itself; through the error queue as well, it
        // would see each twice.
        const int on = 1;
        if (!raw_ && v6_)
            setsockopt(fd_, SOL_IPV6, IPV6_RECVERR, &on, sizeof on);
        else if (!raw_)
            setsockopt(fd_, SOL_IP, IP_RECVERR, &on, sizeof on);
    }
    ~LinuxProber() override { close(fd_); }

    std::uint16_t identifier() const override { return identifier_; }

    void send(int hopLimit, std::uint16_t sequence) override {
        if (v6_)
            setsockopt(fd_, SOL_IPV6, IPV6_UNICAST_HOPS, &hopLimit, sizeof hopLimit);
        else
            setsockopt(fd_, SOL_IP, IP_TTL, &hopLimit, sizeof hopLimit);
        std::vector<unsigned char> packet(8 + payloadSize_, 0);
        packet[0] = v6_ ? ICMP6_ECHO_REQUEST : ICMP_ECHO;
        packet[4] = std::uint8_t(identifier_ >> 8);
        packet[5] = std::uint8_t(identifier_);
        packet[6] = std::uint8_t(sequence >> 8);
        packet[7] = std::uint8_t(sequence);
        for (std::size_t i = 8; i < packet.size(); ++i)
            packet[i] = std::uint8_t('a' + (i - 8) % 23);
        // Datagram sockets and ICMPv6 get their checksum from the kernel.
        if (raw_ && !v6_) {
            const std::uint16_t sum = checksum(packet.data(), packet.size());
            packet[2] = std::uint8_t(sum >> 8);
            packet[3] = std::uint8_t(sum);
        }
        sentAt_[sequence] = nowMicros();
        auto sent = [&] {
            return sendto(fd_, packet.data(), packet.size(), 0,
                          reinterpret_cast<sockaddr*>(&target_), targetLength_) >= 0;
        };
        // A router's answer to an earlier request leaves its error on the socket, and the next
        // send reports that instead of sending; the report clears it.
        if (!sent() && ((errno != EHOSTUNREACH && errno != ENETUNREACH) || !sent())) {
            if (errno == ENETUNREACH || errno == EHOSTUNREACH)
                pending_.push_back(ProbeAnswer{identifier_, sequence, ReplyKind::NoRoute, {}, 0});
            // Anything else (a full send queue) leaves the probe to time out as lost.
        }
    }

    std::vector<ProbeAnswer> receive(std::chrono::microseconds wait) override {
        std::vector<ProbeAnswer> answers = std::move(pending_);
        pending_.clear();
        drain(answers);
        if (!answers.empty() || wait.count() <= 0)
            return answers;
        pollfd watched{fd_, POLLIN | POLLERR, 0};
        timespec timeout{time_t(wait.count() / 1'000'000), long(wait.count() % 1'000'000) * 1000};
        if (ppoll(&watched, 1, &timeout, nullptr) > 0)
            drain(answers);
        return answers;
    }

private:
    void drain(std::vector<ProbeAnswer>& answers) {
        for (int guard = 0; guard < 4096; ++guard) {
            if (!readErrorQueue(answers) && !readAnswer(answers))
                return;
        }
    }

    // The routers' answers to a datagram socket: the original request comes back with the
    // kind of the answer and the router's address beside it.
    bool readErrorQueue(std::vector<ProbeAnswer>& answers) {
        unsigned char data[2048];
        unsigned char control[512];
        sockaddr_storage from{};
        iovec io{data, sizeof data};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t size = recvmsg(fd_, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (size < 0)
            return false;
        const std::int64_t arrived = nowMicros();
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            const bool ours = (c->cmsg_level == SOL_IP && c->cmsg_type == IP_RECVERR) ||
                              (c->cmsg_level == SOL_IPV6 && c->cmsg_type == IPV6_RECVERR);
            if (!ours)
                continue;
            sock_extended_err error;
            std::memcpy(&error, CMSG_DATA(c), sizeof error);
            ReplyKind kind = ReplyKind::None;
            if (error.ee_origin == SO_EE_ORIGIN_ICMP)
                kind = error.ee_type == ICMP_TIME_EXCEEDED  ? ReplyKind::TimeExceeded
                       : error.ee_type == ICMP_DEST_UNREACH ? ReplyKind::Unreachable
                                                            : ReplyKind::None;
            else if (error.ee_origin == SO_EE_ORIGIN_ICMP6)
                kind = error.ee_type == ICMP6_TIME_EXCEEDED ? ReplyKind::TimeExceeded
                       : error.ee_type == ICMP6_DST_UNREACH ? ReplyKind::Unreachable
                                                            : ReplyKind::None;
            if (kind == ReplyKind::None || size < 8)
                continue;
            const auto* offender = reinterpret_cast<const sockaddr*>(
                SO_EE_OFFENDER(reinterpret_cast<sock_extended_err*>(CMSG_DATA(c))));
            take(answers, read16(data + 4), read16(data + 6), kind, addressText(offender), arrived);
        }
        return true;
    }

    bool readAnswer(std::vector<ProbeAnswer>& answers) {
        unsigned char data[2048];
        sockaddr_storage from{};
        socklen_t fromLength = sizeof from;
        const ssize_t size = recvfrom(fd_, data, sizeof data, MSG_DONTWAIT,
                                      reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (size < 0)
            // A pending error report fails one read; the error queue holds the answer.
            return errno != EAGAIN && errno != EWOULDBLOCK;
        const std::int64_t arrived = nowMicros();
        const unsigned char* icmp = data;
        std::size_t length = std::size_t(size);
        if (raw_ && !v6_) {
            // Raw IPv4 sockets deliver the IP header too.
            const std::size_t header = std::size_t(data[0] & 0x0F) * 4;
            if (length < header + 8)
                return true;
            icmp += header;
            length -= header;
        }
        if (length < 8)
            return true;
        const std::string sender = addressText(reinterpret_cast<sockaddr*>(&from));
        const unsigned char echoReply = v6_ ? ICMP6_ECHO_REPLY : ICMP_ECHOREPLY;
        if (icmp[0] == echoReply) {
            take(answers, read16(icmp + 4), read16(icmp + 6), ReplyKind::EchoReply, sender,
                 arrived);
            return true;
        }
        if (!raw_)
            return true;
        // A raw socket reads the routers' answers as they are: the request they quote follows
        // its own IP header.
        ReplyKind kind = ReplyKind::None;
        if (v6_)
            kind = icmp[0] == ICMP6_TIME_EXCEEDED ? ReplyKind::TimeExceeded
                   : icmp[0] == ICMP6_DST_UNREACH ? ReplyKind::Unreachable
                                                  : ReplyKind::None;
        else
            kind = icmp[0] == ICMP_TIME_EXCEEDED  ? ReplyKind::TimeExceeded
                   : icmp[0] == ICMP_DEST_UNREACH ? ReplyKind::Unreachable
                                                  : ReplyKind::None;
        if (kind == ReplyKind::None)
            return true;
        std::size_t quoted = 8;
        quoted += v6_ ? 40 : std::size_t(icmp[8] & 0x0F) * 4;
        if (length < quoted + 8)
            return true;
        const unsigned char* request = icmp + quoted;
        const unsigned char echoRequest = v6_ ? ICMP6_ECHO_REQUEST : ICMP_ECHO;
        if (request[0] != echoRequest)
            return true;
        take(answers, read16(request + 4), read16(request + 6), kind, sender, arrived);
        return true;
    }

    void take(std::vector<ProbeAnswer>& answers, std::uint16_t identifier, std::uint16_t sequence,
              ReplyKind kind, std::string from, std::int64_t arrived) {
        // A raw socket sees other programs' pings as well.
        if (identifier != identifier_)
            return;
        const std::int64_t sent = sentAt_[sequence];
        answers.push_back(ProbeAnswer{identifier, sequence, kind, std::move(from),
                                      sent < 0 ? -1 : arrived - sent});
    }

    int fd_;
    bool raw_;
    bool v6_;
    std::size_t payloadSize_;
    std::uint16_t identifier_ = 0;
    sockaddr_storage target_;
    socklen_t targetLength_ = 0;
    std::vector<std::int64_t> sentAt_; // by sequence
    std::vector<ProbeAnswer> pending_;
};

} // namespace

OpenedProber openProber(const HostAddress& target, std::size_t payloadSize,
                        std::chrono::milliseconds) {
    const int family = target.v6 ? AF_INET6 : AF_INET;
    const int protocol = target.v6 ? int(IPPROTO_ICMPV6) : int(IPPROTO_ICMP);
    OpenedProber opened;
    int fd = socket(family, SOCK_DGRAM | SOCK_CLOEXEC, protocol);
    if (fd >= 0) {
        opened.prober = std::make_unique<LinuxProber>(fd, false, target, payloadSize);
        opened.method = "datagram";
        return opened;
    }
    fd = socket(family, SOCK_RAW | SOCK_CLOEXEC, protocol);
    if (fd >= 0) {
        opened.prober = std::make_unique<LinuxProber>(fd, true, target, payloadSize);
        opened.method = "raw";
        return opened;
    }
    opened.problem = "ICMP のソケットを開けません。sysctl で net.ipv4.ping_group_range "
                     "にこのユーザーのグループを含めるか (例: sudo sysctl -w "
                     "net.ipv4.ping_group_range=\"0 2147483647\")、setcap cap_net_raw+ep "
                     "でこのプログラムに CAP_NET_RAW の権限を与えてください。";
    return opened;
}

} // namespace tg::platform
