#include "platform/Dns.h"

#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tg::platform {

namespace {

std::string nameAt(const ns_msg& message, const unsigned char* at) {
    char name[NS_MAXDNAME] = {};
    if (ns_name_uncompress(ns_msg_base(message), ns_msg_end(message), at, name, sizeof name) < 0)
        return {};
    return name;
}

std::vector<std::string> fieldsOf(const ns_msg& message, const ns_rr& rr) {
    const unsigned char* data = ns_rr_rdata(rr);
    const unsigned length = ns_rr_rdlen(rr);
    const unsigned char* end = data + length;
    char text[INET6_ADDRSTRLEN] = {};
    auto u16 = [&](unsigned at) {
        return std::to_string(at + 2 <= length ? ns_get16(data + at) : 0);
    };
    auto u32 = [&](unsigned at) {
        return std::to_string(at + 4 <= length ? static_cast<unsigned long>(ns_get32(data + at))
                                               : 0);
    };
    switch (ns_rr_type(rr)) {
    case ns_t_a:
        if (length == 4 && inet_ntop(AF_INET, data, text, sizeof text))
            return {text};
        break;
    case ns_t_aaaa:
        if (length == 16 && inet_ntop(AF_INET6, data, text, sizeof text))
            return {text};
        break;
    case ns_t_cname:
    case ns_t_ns:
    case ns_t_ptr:
        return {nameAt(message, data)};
    case ns_t_mx:
        if (length > 2)
            return {u16(0), nameAt(message, data + 2)};
        break;
    case ns_t_srv:
        if (length > 6)
            return {u16(0), u16(2), u16(4), nameAt(message, data + 6)};
        break;
    case ns_t_txt: {
        std::vector<std::string> strings;
        for (const unsigned char* at = data; at < end && at + 1 + *at <= end; at += 1 + *at)
            strings.emplace_back(reinterpret_cast<const char*>(at + 1), *at);
        return strings;
    }
    case ns_t_soa: {
        char mname[NS_MAXDNAME] = {}, rname[NS_MAXDNAME] = {};
        int first = ns_name_uncompress(ns_msg_base(message), ns_msg_end(message), data, mname,
                                       sizeof mname);
        if (first < 0)
            break;
        int second = ns_name_uncompress(ns_msg_base(message), ns_msg_end(message), data + first,
                                        rname, sizeof rname);
        if (second < 0)
            break;
        unsigned at = static_cast<unsigned>(first + second);
        return {mname, rname, u32(at), u32(at + 4), u32(at + 8), u32(at + 12), u32(at + 16)};
    }
    default:
        break;
    }
    return {std::to_string(length)};
}

std::vector<DnsRecord> section(ns_msg& message, ns_sect which) {
    std::vector<DnsRecord> out;
    for (int i = 0; i < ns_msg_count(message, which); ++i) {
        ns_rr rr;
        if (ns_parserr(&message, which, i, &rr) != 0)
            break;
        out.push_back({ns_rr_name(rr), ns_rr_type(rr), fieldsOf(message, rr)});
    }
    return out;
}

// The length of a whole message from its counts: the resolver gives none when it reports an
// error rcode, but leaves the reply in the buffer.
int messageLength(const unsigned char* buffer, int size) {
    const unsigned char* at = buffer + NS_HFIXEDSZ;
    const unsigned char* end = buffer + size;
    const ns_sect sections[] = {ns_s_qd, ns_s_an, ns_s_ns, ns_s_ar};
    for (int i = 0; i < 4; ++i) {
        int count = ns_get16(buffer + 4 + 2 * i);
        int skipped = ns_skiprr(at, end, sections[i], count);
        if (skipped < 0)
            return -1;
        at += skipped;
    }
    return static_cast<int>(at - buffer);
}

// Points the resolver state at the one server, on the given port.
bool setServer(struct __res_state& state, const std::string& server, unsigned port) {
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, server.c_str(), &v4) == 1) {
        state.nscount = 1;
        state.nsaddr_list[0] = {};
        state.nsaddr_list[0].sin_family = AF_INET;
        state.nsaddr_list[0].sin_addr = v4;
        state.nsaddr_list[0].sin_port = htons(static_cast<uint16_t>(port));
        return true;
    }
    if (inet_pton(AF_INET6, server.c_str(), &v6) == 1) {
        // IPv6 servers live in the extension slots, which res_nclose frees.
        auto* address = static_cast<sockaddr_in6*>(std::calloc(1, sizeof(sockaddr_in6)));
        if (!address)
            return false;
        address->sin6_family = AF_INET6;
        address->sin6_addr = v6;
        address->sin6_port = htons(static_cast<uint16_t>(port));
        std::free(state._u._ext.nsaddrs[0]);
        state._u._ext.nsaddrs[0] = address;
        state.nsaddr_list[0] = {};
        state.nscount = 1;
        return true;
    }
    return false;
}

} // namespace

DnsAnswer dnsQuery(const DnsQuestion& question) {
    DnsAnswer answer;
    struct __res_state state {};
    if (res_ninit(&state) != 0)
        return answer;
    std::string server = question.server.empty() ? systemNameServer() : question.server;
    if (server.empty() || !setServer(state, server, question.port)) {
        res_nclose(&state);
        return answer;
    }
    state.retrans = static_cast<int>(question.timeoutSeconds == 0 ? 1 : question.timeoutSeconds);
    state.retry = 1;
    if (question.tcp)
        state.options |= RES_USEVC;
    std::vector<unsigned char> buffer(65536, 0);
    const int size = static_cast<int>(buffer.size());
    int length =
        res_nquery(&state, question.name.c_str(), ns_c_in, question.type, buffer.data(), size);
    int error = errno;
    res_nclose(&state);
    const bool reply = (buffer[2] & 0x80) != 0;
    if (length < 0 && !reply) {
        answer.outcome =
            error == ECONNREFUSED ? DnsAnswer::Outcome::NoResponse : DnsAnswer::Outcome::TimedOut;
        return answer;
    }
    if (length < 0)
        length = messageLength(buffer.data(), size);
    answer.outcome = DnsAnswer::Outcome::Answered;
    answer.rcode = buffer[3] & 0x0f;
    answer.authoritative = (buffer[2] & 0x04) != 0;
    ns_msg message;
    if (length < 0 || ns_initparse(buffer.data(), length, &message) != 0)
        return answer;
    answer.answers = section(message, ns_s_an);
    answer.authority = section(message, ns_s_ns);
    answer.additional = section(message, ns_s_ar);
    return answer;
}

std::string systemNameServer() {
    struct __res_state state {};
    if (res_ninit(&state) != 0)
        return {};
    char text[INET6_ADDRSTRLEN] = {};
    std::string out;
    if (state.nscount > 0) {
        if (state.nsaddr_list[0].sin_family == AF_INET)
            out = inet_ntop(AF_INET, &state.nsaddr_list[0].sin_addr, text, sizeof text);
        else if (state._u._ext.nsaddrs[0] &&
                 inet_ntop(AF_INET6, &state._u._ext.nsaddrs[0]->sin6_addr, text, sizeof text))
            out = text;
    }
    res_nclose(&state);
    return out;
}

std::string addressOfHost(const std::string& name) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found)
        return {};
    std::string out;
    char text[INET6_ADDRSTRLEN] = {};
    for (int family : {AF_INET, AF_INET6})
        for (addrinfo* a = found; a && out.empty(); a = a->ai_next)
            if (a->ai_family == family && family == AF_INET)
                out = inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr,
                                text, sizeof text);
            else if (a->ai_family == family)
                out = inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(a->ai_addr)->sin6_addr,
                                text, sizeof text);
    freeaddrinfo(found);
    return out;
}

bool isNumericAddress(const std::string& text) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, text.c_str(), bytes) == 1 ||
           inet_pton(AF_INET6, text.c_str(), bytes) == 1;
}

std::string reverseLookupName(const std::string& address) {
    unsigned char bytes[16];
    std::string out;
    if (inet_pton(AF_INET, address.c_str(), bytes) == 1) {
        for (int i = 3; i >= 0; --i)
            out += std::to_string(bytes[i]) + ".";
        return out + "in-addr.arpa";
    }
    if (inet_pton(AF_INET6, address.c_str(), bytes) == 1) {
        const char* hex = "0123456789abcdef";
        for (int i = 15; i >= 0; --i) {
            out += hex[bytes[i] & 0xf];
            out += '.';
            out += hex[bytes[i] >> 4];
            out += '.';
        }
        return out + "ip6.arpa";
    }
    return {};
}

} // namespace tg::platform
