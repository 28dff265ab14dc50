// nslookup against a name server of the test's own on 127.0.0.1, on a port the system chose:
// the exact lines a Japanese Windows prints, for each kind of answer and each failure.

#include "netcmd/Answers.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

namespace {

using tg::netcmd::Lines;

std::string wireName(const std::string& name) {
    std::string out;
    std::size_t start = 0;
    while (start < name.size()) {
        std::size_t dot = name.find('.', start);
        if (dot == std::string::npos)
            dot = name.size();
        out += static_cast<char>(dot - start);
        out += name.substr(start, dot - start);
        start = dot + 1;
    }
    return out + '\0';
}
std::string u16(unsigned v) {
    return {static_cast<char>(v >> 8), static_cast<char>(v & 0xff)};
}
std::string u32(unsigned v) {
    return u16(v >> 16) + u16(v & 0xffff);
}
std::string v4(const char* text) {
    char bytes[4];
    inet_pton(AF_INET, text, bytes);
    return {bytes, 4};
}
std::string v6(const char* text) {
    char bytes[16];
    inet_pton(AF_INET6, text, bytes);
    return {bytes, 16};
}

struct Record {
    std::string name;
    unsigned type;
    std::string data;
};

const std::vector<Record> kZone = {
    {"www.test", 5, wireName("host.test")},
    {"host.test", 1, v4("198.51.100.5")},
    {"host.test", 28, v6("2001:db8::5")},
    {"multi.test", 1, v4("198.51.100.6")},
    {"multi.test", 1, v4("198.51.100.7")},
    {"mx.test", 15, u16(10) + wireName("mail.test")},
    {"txt.test", 16, std::string("\x0bv=spf1 -all") + "\x06second"},
    {"test", 6,
     wireName("ns.test") + wireName("hostmaster.test") + u32(2026120701) + u32(3600) + u32(900) +
         u32(1209600) + u32(90061)},
    {"5.100.51.198.in-addr.arpa", 12, wireName("host.test")},
    {"big.test", 1, v4("203.0.113.1")},
    {"big.test", 1, v4("203.0.113.2")},
    {"big.test", 1, v4("203.0.113.3")},
    {"aa.test", 1, v4("203.0.113.9")},
};

// UDP and TCP on one port of 127.0.0.1. "silent.test" is never answered, "fail.test" fails,
// "big.test" comes truncated over UDP and whole over TCP, "aa.test" is authoritative, and a
// name of no record does not exist.
class TestNameServer {
public:
    explicit TestNameServer(bool named = false) : named_(named) {
        for (int attempt = 0; attempt < 20 && port_ == 0; ++attempt) {
            udp_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t length = sizeof a;
            ::bind(udp_, reinterpret_cast<sockaddr*>(&a), sizeof a);
            ::getsockname(udp_, reinterpret_cast<sockaddr*>(&a), &length);
            tcp_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            int on = 1;
            ::setsockopt(tcp_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            if (::bind(tcp_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                ::listen(tcp_, 4) == 0) {
                port_ = ntohs(a.sin_port);
            } else {
                ::close(udp_);
                ::close(tcp_);
            }
        }
        thread_ = std::thread([this] { serve(); });
    }
    ~TestNameServer() {
        stop_ = true;
        thread_.join();
        ::close(udp_);
        ::close(tcp_);
    }
    unsigned port() const { return port_; }
    int tcpQueries() const { return tcpQueries_; }

private:
    void serve() {
        while (!stop_) {
            pollfd p[2] = {{udp_, POLLIN, 0}, {tcp_, POLLIN, 0}};
            if (::poll(p, 2, 20) <= 0)
                continue;
            char buffer[1024];
            if (p[0].revents & POLLIN) {
                sockaddr_in from{};
                socklen_t length = sizeof from;
                ssize_t n = ::recvfrom(udp_, buffer, sizeof buffer, 0,
                                       reinterpret_cast<sockaddr*>(&from), &length);
                std::string reply = n > 0 ? answer(std::string(buffer, n), false) : "";
                if (!reply.empty())
                    ::sendto(udp_, reply.data(), reply.size(), 0,
                             reinterpret_cast<sockaddr*>(&from), length);
            }
            if (p[1].revents & POLLIN) {
                int c = ::accept4(tcp_, nullptr, nullptr, SOCK_CLOEXEC);
                pollfd in{c, POLLIN, 0};
                ssize_t n = ::poll(&in, 1, 1000) > 0 ? ::recv(c, buffer, sizeof buffer, 0) : 0;
                ++tcpQueries_;
                std::string reply = n > 2 ? answer(std::string(buffer + 2, n - 2), true) : "";
                reply = reply.empty() ? reply : u16(static_cast<unsigned>(reply.size())) + reply;
                ::send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
                ::close(c);
            }
        }
    }

    std::string answer(const std::string& query, bool tcp) const {
        // The question: its name (no compression in a query), type and class.
        std::string name;
        std::size_t at = 12;
        while (at < query.size() && query[at] != 0) {
            std::size_t length = static_cast<unsigned char>(query[at]);
            if (!name.empty())
                name += '.';
            name.append(query, at + 1, length);
            at += 1 + length;
        }
        if (at + 5 > query.size() || name == "silent.test")
            return {};
        unsigned type = static_cast<unsigned char>(query[at + 1]) * 256u +
                        static_cast<unsigned char>(query[at + 2]);
        std::string question = query.substr(12, at + 5 - 12);
        std::vector<Record> answers, authority;
        bool exists = false;
        std::string wanted = name;
        for (int step = 0; step < 2 && (step == 0 || wanted != name); ++step) {
            const std::string owner = wanted;
            for (const Record& r : kZone)
                if (r.name == owner) {
                    exists = true;
                    if (r.type == type || type == 255)
                        answers.push_back(r);
                    else if (r.type == 5 && step == 0) {
                        answers.push_back(r);
                        wanted = "host.test";
                    }
                }
        }
        if (named_ && name == "1.0.0.127.in-addr.arpa") {
            exists = true;
            answers.push_back({name, 12, wireName("localhost")});
        }
        if (exists && answers.empty())
            authority.push_back(kZone[7]);
        unsigned rcode = name == "fail.test" ? 2 : exists ? 0 : 3;
        bool truncated = name == "big.test" && !tcp;
        if (truncated || rcode != 0)
            answers.clear();
        std::string reply = query.substr(0, 2);
        reply += static_cast<char>(0x81 | (name == "aa.test" ? 0x04 : 0) | (truncated ? 0x02 : 0));
        reply += static_cast<char>(0x80 | rcode);
        reply += u16(1) + u16(static_cast<unsigned>(answers.size())) +
                 u16(static_cast<unsigned>(authority.size())) + u16(0) + question;
        for (const auto* part : {&answers, &authority})
            for (const Record& r : *part)
                reply += wireName(r.name) + u16(r.type) + u16(1) + u32(300) +
                         u16(static_cast<unsigned>(r.data.size())) + r.data;
        return reply;
    }

    bool named_;
    int udp_ = -1, tcp_ = -1;
    unsigned port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> tcpQueries_{0};
    std::thread thread_;
};

Lines lookup(const TestNameServer& server, const std::string& name, int type = 0,
             unsigned timeout = 1) {
    tg::netcmd::NslookupRequest request;
    request.name = name;
    request.server = "127.0.0.1";
    request.type = type;
    request.port = server.port();
    request.timeoutSeconds = timeout;
    request.tries = 1;
    Lines out;
    tg::netcmd::nslookup(
        request, [&](const Lines& lines) { out.insert(out.end(), lines.begin(), lines.end()); });
    return out;
}

const Lines kHead = {"サーバー:  UnKnown", "Address:  127.0.0.1", ""};

Lines withHead(Lines body) {
    Lines out = kHead;
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

TEST(Nslookup, EachKindOfAnswerInTheWindowsLayout) {
    TestNameServer server;
    ASSERT_NE(server.port(), 0u);
    struct Case {
        const char* name;
        int type;
        Lines body;
    };
    const Case cases[] = {
        {"host.test",
         0,
         {"権限のない回答:", "名前:    host.test", "Addresses:  2001:db8::5",
          "          198.51.100.5", ""}},
        {"www.test",
         tg::netcmd::dnsTypeNumber("a"),
         {"権限のない回答:", "名前:    host.test", "Address:  198.51.100.5", "Aliases:  www.test",
          ""}},
        {"multi.test",
         0,
         {"権限のない回答:", "名前:    multi.test", "Addresses:  198.51.100.6",
          "          198.51.100.7", ""}},
        {"aa.test", 0, {"名前:    aa.test", "Address:  203.0.113.9", ""}},
        {"198.51.100.5",
         0,
         {"権限のない回答:", "名前:    host.test", "Address:  198.51.100.5", ""}},
        {"www.test",
         tg::netcmd::dnsTypeNumber("CNAME"),
         {"権限のない回答:", "www.test\tcanonical name = host.test", ""}},
        {"mx.test",
         tg::netcmd::dnsTypeNumber("MX"),
         {"権限のない回答:", "mx.test\tMX preference = 10, mail exchanger = mail.test", ""}},
        {"txt.test",
         tg::netcmd::dnsTypeNumber("TXT"),
         {"権限のない回答:", "txt.test\ttext =", "", "\t\"v=spf1 -all\"", "\t\"second\"", ""}},
        {"test",
         tg::netcmd::dnsTypeNumber("soa"),
         {"権限のない回答:", "test", "\tprimary name server = ns.test",
          "\tresponsible mail addr = hostmaster.test", "\tserial  = 2026120701",
          "\trefresh = 3600 (1 hour)", "\tretry   = 900 (15 mins)", "\texpire  = 1209600 (14 days)",
          "\tdefault TTL = 90061 (1 day 1 hour 1 min 1 sec)", ""}},
        {"198.51.100.5",
         tg::netcmd::dnsTypeNumber("PTR"),
         {"権限のない回答:", "5.100.51.198.in-addr.arpa\tname = host.test", ""}},
        // No record of the type: the zone's SOA, as Windows shows it.
        {"mx.test",
         tg::netcmd::dnsTypeNumber("TXT"),
         {"test", "\tprimary name server = ns.test", "\tresponsible mail addr = hostmaster.test",
          "\tserial  = 2026120701", "\trefresh = 3600 (1 hour)", "\tretry   = 900 (15 mins)",
          "\texpire  = 1209600 (14 days)", "\tdefault TTL = 90061 (1 day 1 hour 1 min 1 sec)", ""}},
        {"nosuch.test", 0, {"*** UnKnown が nosuch.test を見つけられません: Non-existent domain"}},
        {"fail.test", 0, {"*** UnKnown が fail.test を見つけられません: Server failed"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " type " + std::to_string(c.type));
        EXPECT_EQ(lookup(server, c.name, c.type), withHead(c.body));
    }
}

TEST(Nslookup, ATruncatedAnswerIsAskedAgainOverTcp) {
    TestNameServer server;
    EXPECT_EQ(lookup(server, "big.test", tg::netcmd::dnsTypeNumber("A")),
              withHead({"権限のない回答:", "名前:    big.test", "Addresses:  203.0.113.1",
                        "          203.0.113.2", "          203.0.113.3", ""}));
    EXPECT_EQ(server.tcpQueries(), 1);
}

TEST(Nslookup, ServerNameAndSilence) {
    TestNameServer named(true);
    EXPECT_EQ(lookup(named, "aa.test").front(), "サーバー:  localhost");

    TestNameServer server;
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(lookup(server, "silent.test", tg::netcmd::dnsTypeNumber("A"), 1),
              withHead({"DNS request timed out.", "    timeout was 1 seconds.",
                        "*** UnKnown への要求がタイムアウトしました"}));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900));
}

TEST(Nslookup, NothingListeningIsNoResponse) {
    // A port just closed again, on either loopback: the kernel refuses it at once.
    for (const char* server : {"127.0.0.1", "::1"}) {
        SCOPED_TRACE(server);
        const bool v6 = std::string(server) == "::1";
        sockaddr_in6 a{};
        a.sin6_family = v6 ? AF_INET6 : AF_INET;
        auto* a4 = reinterpret_cast<sockaddr_in*>(&a);
        if (v6)
            a.sin6_addr = in6addr_loopback;
        else
            a4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = v6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        int fd = ::socket(a.sin6_family, SOCK_DGRAM, 0);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), length) != 0) {
            ::close(fd);
            continue; // no IPv6 loopback here
        }
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
        ::close(fd);
        tg::netcmd::NslookupRequest request;
        request.name = "host.test";
        request.server = server;
        request.port = ntohs(v6 ? a.sin6_port : a4->sin_port);
        request.tries = 1;
        Lines out;
        tg::netcmd::nslookup(request,
                             [&](const Lines& l) { out.insert(out.end(), l.begin(), l.end()); });
        EXPECT_EQ(out, (Lines{"サーバー:  UnKnown", std::string("Address:  ") + server, "",
                              "*** UnKnown が host.test を見つけられません: No response from "
                              "server"}));
    }
}

} // namespace
