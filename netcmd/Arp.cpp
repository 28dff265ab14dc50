#include "netcmd/Answers.h"
#include "netcmd/Columns.h"
#include "platform/posix/Addresses.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace tg::netcmd {

namespace {

constexpr unsigned kComplete = 0x2;  // ATF_COM
constexpr unsigned kPermanent = 0x4; // ATF_PERM

std::uint32_t hostOrder(const std::string& address) {
    bool ok = false;
    return platform::ipv4Number(address, ok);
}

} // namespace

Lines arpLines(std::string_view procNetArp, const NetState& net, const ArpFilter& filter) {
    struct Entry {
        std::string address, mac, type;
    };
    std::map<int, std::vector<Entry>> byInterface;
    auto lines = splitLines(procNetArp);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        auto f = splitFields(lines[i]);
        // IP address, HW type, Flags, HW address, Mask, Device
        if (f.size() < 6)
            continue;
        const Link* link = net.link(f[5]);
        auto flags = number(f[2].substr(f[2].starts_with("0x") ? 2 : 0), 16).value_or(0);
        if (!link || (!(flags & kComplete) && !filter.verbose))
            continue;
        if (!filter.address.empty() && f[0] != filter.address)
            continue;
        std::string mac(f[3]);
        std::replace(mac.begin(), mac.end(), ':', '-');
        const char* type = !(flags & kComplete) ? "無効" : (flags & kPermanent) ? "静的" : "動的";
        byInterface[link->index].push_back({std::string(f[0]), mac, type});
    }

    Lines out;
    for (auto& [index, entries] : byInterface) {
        std::string address = net.firstIpv4(index);
        if (address.empty())
            address = "0.0.0.0";
        if (!filter.interfaceAddress.empty() && address != filter.interfaceAddress)
            continue;
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return hostOrder(a.address) < hostOrder(b.address);
        });
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(index));
        out.push_back("");
        out.push_back("インターフェイス: " + address + " --- " + hex);
        out.push_back("  インターネット アドレス 物理アドレス          種類");
        for (const auto& e : entries)
            out.push_back("  " + padRight(e.address, 22) + padRight(e.mac, 22) + e.type);
    }
    if (out.empty())
        out.push_back("ARP エントリが見つかりませんでした。");
    return out;
}

} // namespace tg::netcmd
