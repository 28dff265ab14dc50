#include "netcmd/NetState.h"

#include "netcmd/Columns.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "platform/posix/Addresses.h"
#include "platform/posix/NameService.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iterator>

namespace tg::netcmd {

namespace {

void addLinkDetails(Link& link) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path dir = fs::path("/sys/class/net") / link.name;
    fs::path driver = fs::read_symlink(dir / "device" / "driver", ec);
    if (!ec && !driver.filename().empty())
        link.description = driver.filename().string();
    link.wireless = fs::exists(dir / "wireless", ec) || fs::exists(dir / "phy80211", ec);
    link.dhcp = platform::linuxinfo::dhcpEnabled("/", link.name, link.index);
}

} // namespace

const Link* NetState::link(int index) const {
    for (const auto& l : links)
        if (l.index == index)
            return &l;
    return nullptr;
}

const Link* NetState::link(std::string_view name) const {
    for (const auto& l : links)
        if (l.name == name)
            return &l;
    return nullptr;
}

std::string NetState::firstIpv4(int index) const {
    for (const auto& a : addresses)
        if (a.index == index && a.family == platform::kInet)
            return a.text;
    return {};
}

void parseNetlink(std::string_view messages, NetState& state) {
    platform::netlink::Tables tables;
    platform::netlink::parse(messages, tables);
    auto append = [](auto& to, auto& from) {
        to.insert(to.end(), std::make_move_iterator(from.begin()),
                  std::make_move_iterator(from.end()));
    };
    append(state.links, tables.links);
    append(state.addresses, tables.addresses);
    append(state.routes, tables.routes);
}

void parseResolvConf(std::string_view content, NetState& state) {
    for (auto line : splitLines(content)) {
        auto fields = splitFields(line);
        if (fields.size() < 2)
            continue;
        if (fields[0] == "nameserver") {
            state.dnsServers.emplace_back(fields[1]);
        } else if (fields[0] == "search" || fields[0] == "domain") {
            state.searchDomains.clear();
            for (std::size_t i = 1; i < fields.size(); ++i)
                state.searchDomains.emplace_back(fields[i]);
        }
    }
}

NetState readNetState() {
    NetState state;
    using platform::netlink::dump;
    using platform::netlink::Request;
    parseNetlink(dump(Request::Links), state);
    parseNetlink(dump(Request::Addresses), state);
    parseNetlink(dump(Request::Routes), state);
    for (auto& link : state.links)
        addLinkDetails(link);
    std::sort(state.links.begin(), state.links.end(),
              [](const Link& a, const Link& b) { return a.index < b.index; });
    state.hostName = platform::hostName();
    parseResolvConf(readFile("/etc/resolv.conf").value_or(""), state);
    // systemd-resolved's stub hides the servers it forwards to.
    if (state.dnsServers.size() == 1 && state.dnsServers[0] == "127.0.0.53") {
        if (auto upstream = readFile("/run/systemd/resolve/resolv.conf")) {
            NetState resolved;
            parseResolvConf(*upstream, resolved);
            state.dnsServers = resolved.dnsServers;
            state.searchDomains = resolved.searchDomains;
        }
    }
    state.ipForwarding = trim(readFile("/proc/sys/net/ipv4/ip_forward").value_or("0")) == "1";
    return state;
}

std::string ipv4Mask(int prefix) {
    return platform::linuxinfo::ipv4Mask(prefix);
}

int ipv4Prefix(std::string_view mask) {
    std::string text(mask);
    bool ok = false;
    std::uint32_t m = platform::ipv4Number(text, ok);
    if (!ok)
        return -1;
    int prefix = std::popcount(m);
    return ipv4Mask(prefix) == text ? prefix : -1;
}

std::string macText(std::string_view raw, char separator, bool upper) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, upper ? "%02X" : "%02x",
                      static_cast<unsigned char>(raw[i]));
        if (i > 0 && separator != ' ')
            out += separator;
        out += byte;
        if (separator == ' ')
            out += ' ';
    }
    return out;
}

} // namespace tg::netcmd
