#pragma once

// One question to one name server through the system's resolver library, its answer as text
// fields. Only the Linux stand-ins use it; Windows has its own nslookup.

#include <string>
#include <vector>

namespace tg::platform {

enum DnsType : int {
    kDnsA = 1,
    kDnsNs = 2,
    kDnsCname = 5,
    kDnsSoa = 6,
    kDnsPtr = 12,
    kDnsMx = 15,
    kDnsTxt = 16,
    kDnsAaaa = 28,
    kDnsSrv = 33,
    kDnsAny = 255,
};

struct DnsRecord {
    std::string name{};
    int type = 0;
    // A, AAAA: the address; CNAME, NS, PTR: the name; MX: preference, exchange; TXT: its
    // strings; SOA: mname, rname, serial, refresh, retry, expire, minimum; SRV: priority,
    // weight, port, target; any other type: its length in bytes.
    std::vector<std::string> fields{};
};

struct DnsAnswer {
    enum class Outcome {
        Answered,   // the server replied (rcode tells how)
        TimedOut,   // no reply within the time
        NoResponse, // the server's port refused, or no server could be asked
    };
    Outcome outcome = Outcome::NoResponse;
    int rcode = 0; // 0 no error, 1 format error, 2 server failure, 3 no such name, 4, 5 refused
    bool authoritative = false;
    std::vector<DnsRecord> answers{};
    std::vector<DnsRecord> authority{};
    std::vector<DnsRecord> additional{};
};

struct DnsQuestion {
    std::string name{};
    int type = kDnsA;
    std::string server{}; // a numeric address; empty: the system's first name server
    unsigned port = 53;
    unsigned timeoutSeconds = 2;
    bool tcp = false; // TCP from the start; a truncated UDP answer goes to TCP anyway
};

// One try: one datagram (or one TCP exchange) and one wait.
DnsAnswer dnsQuery(const DnsQuestion& question);

// The first name server of the system's resolver configuration (a numeric address), or empty.
std::string systemNameServer();
// The IPv4 (else IPv6) address of a host name by the system's resolver, or empty.
std::string addressOfHost(const std::string& name);
bool isNumericAddress(const std::string& text);
// "4.3.2.1.in-addr.arpa" or the ip6.arpa name of a numeric address; empty for anything else.
std::string reverseLookupName(const std::string& address);

} // namespace tg::platform
