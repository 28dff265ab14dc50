#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tg::platform {

// What came back for one echo request.
enum class ReplyKind {
    None,         // nothing yet, or nothing before the timeout
    EchoReply,    // the target itself answered
    TimeExceeded, // a router on the way answered: the hop limit ran out there
    Unreachable,  // a router or the target said the destination cannot be reached
    NoRoute,      // this computer has no route: the request never left
};

struct HostAddress {
    bool v6 = false;
    std::array<unsigned char, 16> bytes{}; // IPv4 in the first four
    std::string text;                      // numeric, as the user reads it
};

struct ProbeAnswer {
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    ReplyKind kind = ReplyKind::None;
    std::string from;            // the answering address, numeric; empty for NoRoute
    std::int64_t rttMicros = -1; // from the request's sending to the answer's arrival
};

// ICMP echo requests with a chosen hop limit to one target. Requests are sent without waiting;
// answers are collected by receive, each carrying the sequence of the request it answers.
class Prober {
public:
    virtual ~Prober() = default;
    // The identifier this prober's requests carry; answers with another are not ours.
    virtual std::uint16_t identifier() const = 0;
    // A request that cannot leave comes back through receive as a NoRoute answer.
    virtual void send(int hopLimit, std::uint16_t sequence) = 0;
    // The answers that arrive within wait; returns early when there are some.
    virtual std::vector<ProbeAnswer> receive(std::chrono::microseconds wait) = 0;
};

struct OpenedProber {
    std::unique_ptr<Prober> prober;
    std::string problem; // UTF-8, Japanese, naming the fix; set when prober is null
    std::string method;  // which way the requests go: "datagram", "raw", "iphlpapi"
};

// A prober of echo requests of payloadSize bytes to target; timeout bounds the wait of a
// request where the system needs one.
OpenedProber openProber(const HostAddress& target, std::size_t payloadSize,
                        std::chrono::milliseconds timeout);

// The addresses of a host: a numeric address as it is, a name through the system's resolver.
// Empty with problem set when there are none.
std::vector<HostAddress> resolveHost(const std::string& host, std::string& problem);

// The name of an address by the system's reverse lookup; empty when it has none.
std::string hostNameOf(const std::string& numericAddress);

// The folder where the route monitor keeps its logs; empty when the system names none.
std::filesystem::path monitorLogFolder();

} // namespace tg::platform
