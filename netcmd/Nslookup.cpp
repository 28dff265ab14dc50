// nslookup in the layout of a Japanese Windows. Its record lines and error names stay in
// English there, as they do here.

#include "netcmd/Answers.h"
#include "netcmd/Columns.h"
#include "platform/Dns.h"

#include <algorithm>

namespace tg::netcmd {

namespace {

using platform::DnsAnswer;
using platform::DnsRecord;

const struct {
    const char* name;
    int type;
} kTypes[] = {
    {"A", platform::kDnsA},     {"AAAA", platform::kDnsAaaa}, {"CNAME", platform::kDnsCname},
    {"MX", platform::kDnsMx},   {"NS", platform::kDnsNs},     {"PTR", platform::kDnsPtr},
    {"SOA", platform::kDnsSoa}, {"SRV", platform::kDnsSrv},   {"TXT", platform::kDnsTxt},
    {"ANY", platform::kDnsAny},
};

// "3600 (1 hour)", "90000 (1 day 1 hour)", as Windows explains the SOA's times.
std::string span(const std::string& seconds) {
    unsigned long long left = number(seconds).value_or(0);
    std::vector<std::string> parts;
    for (auto [unit, size] : {std::pair{"day", 86400ULL}, {"hour", 3600ULL}, {"min", 60ULL}}) {
        if (left >= size) {
            unsigned long long n = left / size;
            parts.push_back(std::to_string(n) + " " + unit + (n > 1 ? "s" : ""));
            left %= size;
        }
    }
    if (left > 0 || parts.empty())
        parts.push_back(std::to_string(left) + " sec" + (left != 1 ? "s" : ""));
    std::string out = seconds + " (";
    for (std::size_t i = 0; i < parts.size(); ++i)
        out.append(i ? " " : "").append(parts[i]);
    return out + ")";
}

void recordLines(const DnsRecord& r, Lines& out) {
    const auto& f = r.fields;
    auto field = [&](std::size_t i) { return i < f.size() ? f[i] : std::string(); };
    switch (r.type) {
    case platform::kDnsA:
        out.push_back(r.name + "\tinternet address = " + field(0));
        return;
    case platform::kDnsAaaa:
        out.push_back(r.name + "\tAAAA IPv6 address = " + field(0));
        return;
    case platform::kDnsCname:
        out.push_back(r.name + "\tcanonical name = " + field(0));
        return;
    case platform::kDnsNs:
        out.push_back(r.name + "\tnameserver = " + field(0));
        return;
    case platform::kDnsPtr:
        out.push_back(r.name + "\tname = " + field(0));
        return;
    case platform::kDnsMx:
        out.push_back(r.name + "\tMX preference = " + field(0) + ", mail exchanger = " + field(1));
        return;
    case platform::kDnsTxt:
        out.push_back(r.name + "\ttext =");
        out.push_back("");
        for (const auto& s : f)
            out.push_back("\t\"" + s + "\"");
        return;
    case platform::kDnsSoa:
        out.insert(out.end(),
                   {r.name, "\tprimary name server = " + field(0),
                    "\tresponsible mail addr = " + field(1), "\tserial  = " + field(2),
                    "\trefresh = " + span(field(3)), "\tretry   = " + span(field(4)),
                    "\texpire  = " + span(field(5)), "\tdefault TTL = " + span(field(6))});
        return;
    case platform::kDnsSrv:
        out.insert(out.end(),
                   {r.name + "\tSRV service location:", "\t  priority       = " + field(0),
                    "\t  weight         = " + field(1), "\t  port           = " + field(2),
                    "\t  svr hostname   = " + field(3)});
        return;
    default:
        out.push_back(r.name + "\trdata_" + std::to_string(r.type) + " = (" + field(0) + " bytes)");
    }
}

// "Addresses:  a" and the rest under it, or "Address:  a" for one.
void listLines(const char* one, const char* many, const std::vector<std::string>& values,
               Lines& out) {
    if (values.empty())
        return;
    std::string label = values.size() == 1 ? one : many;
    out.push_back(label + "  " + values[0]);
    for (std::size_t i = 1; i < values.size(); ++i)
        out.push_back(std::string(10, ' ') + values[i]);
}

const char* rcodeText(int rcode) {
    switch (rcode) {
    case 1:
        return "Format error";
    case 2:
        return "Server failed";
    case 3:
        return "Non-existent domain";
    case 4:
        return "Not implemented";
    case 5:
        return "Query refused";
    default:
        return "No response from server";
    }
}

class Session {
public:
    Session(const NslookupRequest& request, const std::function<void(const Lines&)>& print)
        : request_(request), print_(print) {}

    int run() {
        address_ = request_.server.empty() ? platform::systemNameServer() : request_.server;
        if (!request_.server.empty() && !platform::isNumericAddress(address_))
            address_ = platform::addressOfHost(request_.server);
        if (address_.empty()) {
            print_({request_.server.empty()
                        ? "*** 既定のサーバーが見つかりません (resolv.conf に nameserver "
                          "がありません)。"
                        : "*** サーバー " + request_.server + " のアドレスが見つかりません。"});
            return 1;
        }
        // Like Windows, the server's own name comes from the server, in one try.
        std::string serverName = "UnKnown";
        if (!request_.server.empty() && !platform::isNumericAddress(request_.server)) {
            serverName = request_.server;
        } else {
            DnsAnswer own = ask(platform::reverseLookupName(address_), platform::kDnsPtr, 1);
            for (const auto& r : own.answers)
                if (r.type == platform::kDnsPtr && !r.fields.empty())
                    serverName = r.fields[0];
        }
        server_ = serverName;
        print_({"サーバー:  " + serverName, "Address:  " + address_, ""});

        const bool numeric = platform::isNumericAddress(request_.name);
        if (request_.type == 0 && numeric)
            return addressName();
        if (request_.type == 0)
            return addresses({platform::kDnsAaaa, platform::kDnsA});
        if (request_.type == platform::kDnsA || request_.type == platform::kDnsAaaa)
            return addresses({request_.type});
        return records(numeric && request_.type == platform::kDnsPtr
                           ? platform::reverseLookupName(request_.name)
                           : request_.name);
    }

private:
    // Tries up to tries times, with Windows's two lines for each try that timed out.
    DnsAnswer ask(const std::string& name, int type, unsigned tries) {
        DnsAnswer answer;
        for (unsigned i = 0; i < std::max(1u, tries); ++i) {
            answer = platform::dnsQuery(
                {name, type, address_, request_.port, request_.timeoutSeconds, request_.tcp});
            if (answer.outcome != DnsAnswer::Outcome::TimedOut)
                break;
            print_({"DNS request timed out.",
                    "    timeout was " + std::to_string(request_.timeoutSeconds) + " seconds."});
        }
        return answer;
    }

    // The line for a question that got no usable answer; none when it did.
    bool failed(const DnsAnswer& answer, const std::string& name) {
        if (answer.outcome == DnsAnswer::Outcome::TimedOut) {
            print_({"*** " + server_ + " への要求がタイムアウトしました"});
            return true;
        }
        if (answer.outcome == DnsAnswer::Outcome::NoResponse || answer.rcode != 0) {
            print_(
                {"*** " + server_ + " が " + name + " を見つけられません: " +
                 rcodeText(answer.outcome == DnsAnswer::Outcome::NoResponse ? -1 : answer.rcode)});
            return true;
        }
        return false;
    }

    int addresses(std::initializer_list<int> types) {
        std::vector<std::string> found, aliases;
        std::string name = request_.name;
        bool authoritative = true, any = false;
        DnsAnswer first;
        for (int type : types) {
            DnsAnswer answer = ask(request_.name, type, request_.tries);
            // A name that does not exist needs no second question; otherwise the second only
            // adds what it finds.
            bool last = type == *(types.end() - 1) || answer.rcode == 3;
            if (!any && last && failed(answer, request_.name))
                return 1;
            if (answer.outcome != DnsAnswer::Outcome::Answered || answer.rcode != 0)
                continue;
            any = true;
            authoritative = authoritative && answer.authoritative;
            for (const auto& r : answer.answers) {
                if (r.type == platform::kDnsCname && !r.fields.empty()) {
                    if (std::find(aliases.begin(), aliases.end(), r.name) == aliases.end())
                        aliases.push_back(r.name);
                    name = r.fields[0];
                } else if (r.type == type && !r.fields.empty()) {
                    name = r.name;
                    found.push_back(r.fields[0]);
                }
            }
        }
        Lines out;
        if (!authoritative)
            out.push_back("権限のない回答:");
        out.push_back("名前:    " + name);
        listLines("Address:", "Addresses:", found, out);
        listLines("Aliases:", "Aliases:", aliases, out);
        out.push_back("");
        print_(out);
        return found.empty() ? 1 : 0;
    }

    int addressName() {
        DnsAnswer answer =
            ask(platform::reverseLookupName(request_.name), platform::kDnsPtr, request_.tries);
        if (failed(answer, request_.name))
            return 1;
        Lines out;
        if (!answer.authoritative)
            out.push_back("権限のない回答:");
        bool named = false;
        for (const auto& r : answer.answers)
            if (r.type == platform::kDnsPtr && !r.fields.empty() && !named) {
                out.push_back("名前:    " + r.fields[0]);
                named = true;
            }
        out.push_back("Address:  " + request_.name);
        out.push_back("");
        print_(out);
        return named ? 0 : 1;
    }

    int records(const std::string& name) {
        DnsAnswer answer = ask(name, request_.type, request_.tries);
        if (failed(answer, name))
            return 1;
        Lines out;
        if (!answer.authoritative && !answer.answers.empty())
            out.push_back("権限のない回答:");
        for (const auto& r : answer.answers)
            recordLines(r, out);
        // With no answer the zone's SOA tells why; otherwise the servers and their addresses
        // follow after a blank line.
        const bool extra = !answer.authority.empty() || !answer.additional.empty();
        if (!answer.answers.empty() && extra)
            out.push_back("");
        for (const auto* part : {&answer.authority, &answer.additional})
            for (const auto& r : *part)
                recordLines(r, out);
        out.push_back("");
        print_(out);
        return answer.answers.empty() ? 1 : 0;
    }

    const NslookupRequest& request_;
    const std::function<void(const Lines&)>& print_;
    std::string address_;
    std::string server_;
};

} // namespace

int dnsTypeNumber(std::string_view name) {
    std::string upper;
    for (char c : name)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const auto& t : kTypes)
        if (upper == t.name)
            return t.type;
    return 0;
}

int nslookup(const NslookupRequest& request, const std::function<void(const Lines&)>& print) {
    return Session(request, print).run();
}

} // namespace tg::netcmd
