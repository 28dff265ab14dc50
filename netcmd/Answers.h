#pragma once

// The answers this machine gives natively, in the layout a Japanese Windows prints. Each takes
// what it shows as data, so that recorded or hand-written system files give exact lines.

#include "netcmd/NetState.h"
#include "platform/SocketOwners.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg::netcmd {

using Lines = std::vector<std::string>;

Lines ipconfigLines(const NetState& net, bool all);
// The adapters ipconfig lists, in its order.
std::vector<const Link*> ipconfigAdapters(const NetState& net);

struct RouteFilter {
    bool ipv4 = true;
    bool ipv6 = true;
    std::string destination{}; // a pattern with '*'; empty: every route
};
Lines routePrintLines(const NetState& net, const RouteFilter& filter);

struct ArpFilter {
    std::string address{};          // one neighbour only
    std::string interfaceAddress{}; // one interface only
    bool verbose = false;           // incomplete entries as well
};
Lines arpLines(std::string_view procNetArp, const NetState& net, const ArpFilter& filter);

struct Socket {
    std::string protocol{}; // "TCP", "UDP"
    bool ipv6 = false;
    std::string localAddress{};
    unsigned localPort = 0;
    std::string remoteAddress{};
    unsigned remotePort = 0;
    int state = 0;           // the kernel's TCP state number
    unsigned long inode = 0; // none once the socket has no process (TIME_WAIT)
};
// The sockets of one /proc/net/{tcp,tcp6,udp,udp6} file.
std::vector<Socket> parseSockets(std::string_view content, std::string_view protocol, bool ipv6);

struct ConnectionOptions {
    bool all = false;
    bool numeric = false;
    std::string protocol{}; // upper case: "TCP", "UDP", "TCPV6", "UDPV6"; empty: all
    bool pids = false;      // -o: the owning process's number in a last column
    bool programs = false;  // -b: its program in brackets on the next line
    // The owners this user can see, by socket inode; a socket missing from it is hidden.
    std::map<unsigned long, platform::SocketOwner> owners{};
    // Run as root: what stays hidden then (another PID namespace's) no rights would show.
    bool privileged = false;
    // Host and service names when not numeric; none: numbers.
    std::function<std::string(const std::string& address)> hostName{};
    std::function<std::string(unsigned port, const std::string& protocol)> serviceName{};
};
Lines connectionLines(std::vector<Socket> sockets, const ConnectionOptions& options);
Lines interfaceStatisticsLines(std::string_view procNetDev, std::string_view procNetSnmp,
                               std::string_view procNetNetstat);
// protocol as for connections, or "IP", "IPV6", "ICMP", "ICMPV6"; empty: all.
Lines protocolStatisticsLines(std::string_view snmp, std::string_view snmp6,
                              std::string_view protocol);

struct Account {
    std::string name{};
    std::string fullName{};
    std::string home{};
    std::string shell{};
    std::vector<std::string> groups{};
};
struct Group {
    std::string name{};
    std::vector<std::string> members{};
};
Lines netUserLines(const std::string& host, const std::vector<Account>& accounts);
Lines netUserDetailLines(const Account& account);
Lines netLocalgroupLines(const std::string& host, const std::vector<Group>& groups);
Lines netLocalgroupDetailLines(const Group& group);
// service: empty (the list of services), "workstation" or "server".
Lines netStatisticsLines(const std::string& host, std::string_view service, std::string_view snmp,
                         std::string_view netstat, std::time_t since);
// topic: empty for the list of subcommands.
Lines netHelpLines(std::string_view topic);

// NetBIOS node status: the request datagram, and the answer's lines (none when the bytes are
// not an answer to that request).
std::string nodeStatusRequest(std::uint16_t id);
std::optional<Lines> nodeStatusLines(std::string_view answer, std::uint16_t id);

// nslookup as Windows answers it, through the system's resolver library.
struct NslookupRequest {
    std::string name{};
    std::string server{}; // a name or address; empty: the system's first name server
    int type = 0;         // a DNS type number; 0: the addresses (A and AAAA) of a name
    unsigned port = 53;
    unsigned timeoutSeconds = 2;
    unsigned tries = 2;
    bool tcp = false;
};
// Hands each group of lines to print as soon as it is known; returns the exit status.
int nslookup(const NslookupRequest& request, const std::function<void(const Lines&)>& print);
// The DNS type number of a Windows type name ("MX", "aaaa"); 0 when unknown.
int dnsTypeNumber(std::string_view name);

// Turns the output of iputils ping into what Windows ping prints, line by line.
class PingOutput {
public:
    // header: the destination as Windows names it when it has a name to give ("name [addr]").
    PingOutput(std::string target, int dataSize, std::string resolvedName);
    Lines line(std::string_view toolLine);
    // interrupted: stopped by Ctrl+C, where Windows counts only the echoes it saw and says so.
    Lines finish(bool interrupted = false);
    bool anyReply() const { return received_ > 0; }

private:
    std::string target_;
    int dataSize_;
    std::string resolvedName_;
    std::string address_;
    bool ipv6_ = false;
    bool failed_ = false;
    unsigned long sent_ = 0;
    unsigned long received_ = 0;
    unsigned long reported_ = 0;
    std::vector<unsigned long> times_;
    bool headerDone_ = false;
    // -r: the hops iputils lists after a reply ("RR:"), shown again for "(same route)".
    std::vector<std::string> route_;
    bool inRoute_ = false;
    Lines routeLines() const;
};

// Turns the output of traceroute into what Windows tracert prints.
class TracertOutput {
public:
    explicit TracertOutput(std::string target) : target_(std::move(target)) {}
    Lines line(std::string_view toolLine);
    // An interrupted trace ends without the line that says it is complete, as on Windows.
    Lines finish(bool interrupted = false);

private:
    std::string target_;
    bool started_ = false;
};

} // namespace tg::netcmd
