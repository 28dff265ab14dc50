// Echo requests through the ICMP functions of iphlpapi, which need no administrator rights. Each
// request runs on its own event and reply buffer; the system matches the answers to them.
#include "platform/Prober.h"

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>
// After iphlpapi.h, whose types it uses without including them.
#include <icmpapi.h>

#include <chrono>
#include <cstring>
#include <list>

namespace tg::platform {

namespace {

// The parts of iphlpapi that the mingw-w64 headers leave out, as the system declares them.
struct Icmp6Reply {
    IPV6_ADDRESS_EX Address;
    ULONG Status;
    unsigned int RoundTripTime;
};
using IcmpSendEcho2ExFunction = DWORD(WINAPI*)(HANDLE, HANDLE, FARPROC, PVOID, IPAddr, IPAddr,
                                               LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD,
                                               DWORD);

IcmpSendEcho2ExFunction icmpSendEcho2Ex() {
    static const auto function = reinterpret_cast<IcmpSendEcho2ExFunction>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"iphlpapi.dll"), "IcmpSendEcho2Ex")));
    return function;
}

std::int64_t nowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ReplyKind kindOf(ULONG status) {
    switch (status) {
    case IP_SUCCESS:
        return ReplyKind::EchoReply;
    case IP_TTL_EXPIRED_TRANSIT:
    case IP_TTL_EXPIRED_REASSEM:
        return ReplyKind::TimeExceeded;
    case IP_DEST_NET_UNREACHABLE:
    case IP_DEST_HOST_UNREACHABLE:
    case IP_DEST_PROT_UNREACHABLE:
    case IP_DEST_PORT_UNREACHABLE:
        return ReplyKind::Unreachable;
    default:
        return ReplyKind::None; // a timeout among them
    }
}

class WinProber final : public Prober {
public:
    WinProber(HANDLE icmp, const HostAddress& target, std::size_t payloadSize,
              std::chrono::milliseconds timeout)
        : icmp_(icmp), v6_(target.v6), payload_(payloadSize, 'a'),
          timeoutMillis_(DWORD(timeout.count())) {
        std::memcpy(&target4_, target.bytes.data(), 4);
        std::memset(&target6_, 0, sizeof target6_);
        target6_.sin6_family = AF_INET6;
        std::memcpy(&target6_.sin6_addr, target.bytes.data(), 16);
        std::memset(&source6_, 0, sizeof source6_);
        source6_.sin6_family = AF_INET6;
    }

    ~WinProber() override {
        IcmpCloseHandle(icmp_);
        // A request the system still holds writes into its buffer when it ends: wait for it a
        // little, and keep what is still pending rather than free it under the system's feet.
        for (Request& r : pending_) {
            if (WaitForSingleObject(r.event, 200) == WAIT_OBJECT_0)
                CloseHandle(r.event);
            else
                new Request(std::move(r));
        }
    }

    std::uint16_t identifier() const override { return 0; }

    void send(int hopLimit, std::uint16_t sequence) override {
        Request& r = pending_.emplace_back();
        r.sequence = sequence;
        r.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        r.reply.resize(sizeof(Icmp6Reply) + sizeof(ICMP_ECHO_REPLY) + payload_.size() + 64);
        IP_OPTION_INFORMATION options{};
        options.Ttl = UCHAR(hopLimit);
        r.sentAt = nowMicros();
        DWORD result;
        if (v6_) {
            result = Icmp6SendEcho2(icmp_, r.event, nullptr, nullptr, &source6_, &target6_,
                                    payload_.data(), WORD(payload_.size()), &options,
                                    r.reply.data(), DWORD(r.reply.size()), timeoutMillis_);
        } else {
            result = icmpSendEcho2Ex()(icmp_, r.event, nullptr, nullptr, INADDR_ANY, target4_,
                                       payload_.data(), WORD(payload_.size()), &options,
                                       r.reply.data(), DWORD(r.reply.size()), timeoutMillis_);
        }
        if (result == 0 && GetLastError() != ERROR_IO_PENDING) {
            const DWORD error = GetLastError();
            CloseHandle(r.event);
            pending_.pop_back();
            if (error == ERROR_NETWORK_UNREACHABLE || error == ERROR_HOST_UNREACHABLE ||
                error == IP_DEST_NO_ROUTE)
                failed_.push_back(ProbeAnswer{0, sequence, ReplyKind::NoRoute, {}, 0});
        }
    }

    std::vector<ProbeAnswer> receive(std::chrono::microseconds wait) override {
        std::vector<ProbeAnswer> answers = std::move(failed_);
        failed_.clear();
        collect(answers);
        if (!answers.empty() || pending_.empty()) {
            if (answers.empty() && wait.count() > 0)
                Sleep(DWORD(wait.count() / 1000));
            return answers;
        }
        HANDLE events[MAXIMUM_WAIT_OBJECTS];
        DWORD count = 0;
        for (auto it = pending_.begin(); it != pending_.end() && count < MAXIMUM_WAIT_OBJECTS; ++it)
            events[count++] = it->event;
        WaitForMultipleObjects(count, events, FALSE, DWORD((wait.count() + 999) / 1000));
        collect(answers);
        return answers;
    }

private:
    struct Request {
        std::uint16_t sequence = 0;
        HANDLE event = nullptr;
        std::vector<char> reply;
        std::int64_t sentAt = 0;
    };

    void collect(std::vector<ProbeAnswer>& answers) {
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (WaitForSingleObject(it->event, 0) != WAIT_OBJECT_0) {
                ++it;
                continue;
            }
            const std::int64_t arrived = nowMicros();
            char from[INET6_ADDRSTRLEN] = {};
            ReplyKind kind = ReplyKind::None;
            if (v6_) {
                if (Icmp6ParseReplies(it->reply.data(), DWORD(it->reply.size())) > 0) {
                    const auto* reply = reinterpret_cast<const Icmp6Reply*>(it->reply.data());
                    kind = kindOf(reply->Status);
                    in6_addr address;
                    std::memcpy(&address, reply->Address.sin6_addr, sizeof address);
                    inet_ntop(AF_INET6, &address, from, sizeof from);
                }
            } else if (IcmpParseReplies(it->reply.data(), DWORD(it->reply.size())) > 0) {
                const auto* reply = reinterpret_cast<const ICMP_ECHO_REPLY*>(it->reply.data());
                kind = kindOf(reply->Status);
                in_addr address;
                address.s_addr = reply->Address;
                inet_ntop(AF_INET, &address, from, sizeof from);
            }
            if (kind != ReplyKind::None)
                answers.push_back(ProbeAnswer{0, it->sequence, kind,
                                              kind == ReplyKind::NoRoute ? std::string() : from,
                                              arrived - it->sentAt});
            CloseHandle(it->event);
            it = pending_.erase(it);
        }
    }

    HANDLE icmp_;
    bool v6_;
    std::vector<char> payload_;
    DWORD timeoutMillis_;
    IPAddr target4_ = 0;
    sockaddr_in6 target6_;
    sockaddr_in6 source6_;
    std::list<Request> pending_;
    std::vector<ProbeAnswer> failed_;
};

} // namespace

OpenedProber openProber(const HostAddress& target, std::size_t payloadSize,
                        std::chrono::milliseconds timeout) {
    OpenedProber opened;
    HANDLE icmp = target.v6 ? Icmp6CreateFile() : IcmpCreateFile();
    if (icmp != INVALID_HANDLE_VALUE && !target.v6 && !icmpSendEcho2Ex()) {
        IcmpCloseHandle(icmp);
        icmp = INVALID_HANDLE_VALUE;
    }
    if (icmp == INVALID_HANDLE_VALUE) {
        opened.problem = "ICMP のハンドルを開けません (iphlpapi)。";
        return opened;
    }
    opened.prober = std::make_unique<WinProber>(icmp, target, payloadSize, timeout);
    opened.method = "iphlpapi";
    return opened;
}

} // namespace tg::platform
