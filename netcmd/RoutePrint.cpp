#include "netcmd/Answers.h"
#include "netcmd/Columns.h"
#include "platform/posix/Addresses.h"
#include "platform/posix/Wildcard.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tg::netcmd {

namespace {

const std::string kRule(75, '=');

bool shown(const Route& r) {
    namespace nl = platform::netlink;
    return r.type == nl::kRouteUnicast || r.type == nl::kRouteLocal ||
           r.type == nl::kRouteBroadcast || r.type == nl::kRouteMulticast;
}

std::array<unsigned char, 16> bytesOf(const Route& r) {
    std::array<unsigned char, 16> out{};
    platform::addressBytes(r.family, r.destination, out.data());
    return out;
}

std::vector<const Route*> routesOf(const NetState& net, int family, const RouteFilter& filter) {
    std::vector<const Route*> out;
    for (const auto& r : net.routes) {
        if (r.family != family || !shown(r))
            continue;
        if (!filter.destination.empty() &&
            !platform::wildcardMatch(filter.destination, r.destination))
            continue;
        out.push_back(&r);
    }
    std::stable_sort(out.begin(), out.end(), [](const Route* a, const Route* b) {
        auto x = bytesOf(*a), y = bytesOf(*b);
        if (x != y)
            return x < y;
        if (a->prefix != b->prefix)
            return a->prefix < b->prefix;
        return a->metric < b->metric;
    });
    return out;
}

} // namespace

Lines routePrintLines(const NetState& net, const RouteFilter& filter) {
    Lines out{kRule, "インターフェイス一覧"};
    for (const auto& link : net.links) {
        std::string row = padLeft(std::to_string(link.index), 3) + "...";
        if (!link.mac.empty())
            row += macText(link.mac, ' ', false);
        while (row.size() < 24)
            row += '.';
        row += "......" + link.name;
        if (link.description != link.name)
            row += " (" + link.description + ")";
        out.push_back(row);
    }
    out.push_back(kRule);

    auto persistentNone = [&out] {
        out.push_back("固定ルート:");
        out.push_back("  なし");
    };
    if (filter.ipv4) {
        out.insert(out.end(), {"", "IPv4 ルート テーブル", kRule, "アクティブ ルート:",
                               "ネットワーク宛先        ネットマスク          ゲートウェイ       "
                               "インターフェイス  メトリック"});
        for (const Route* r : routesOf(net, platform::kInet, filter)) {
            std::string interface = r->source.empty() ? net.firstIpv4(r->index) : r->source;
            if (interface.empty())
                continue; // Windows shows no route of an interface without an address
            out.push_back(padLeft(r->destination, 17) + padLeft(ipv4Mask(r->prefix), 17) +
                          padLeft(r->gateway.empty() ? "リンク上" : r->gateway, 17) +
                          padLeft(interface, 16) + padLeft(std::to_string(r->metric), 7));
        }
        out.push_back(kRule);
        persistentNone();
    }
    if (filter.ipv6) {
        out.insert(out.end(), {"", "IPv6 ルート テーブル", kRule, "アクティブ ルート:",
                               " If メトリック ネットワーク宛先      ゲートウェイ"});
        for (const Route* r : routesOf(net, platform::kInet6, filter)) {
            std::string destination = r->destination + "/" + std::to_string(r->prefix);
            std::string gateway = r->gateway.empty() ? "リンク上" : r->gateway;
            std::string row =
                padLeft(std::to_string(r->index), 3) + padLeft(std::to_string(r->metric), 7) + " ";
            // A destination too long for its column puts the gateway on a line of its own.
            if (destination.size() > 24) {
                out.push_back(row + destination);
                out.push_back(std::string(36, ' ') + gateway);
            } else {
                out.push_back(row + padRight(destination, 25) + gateway);
            }
        }
        out.push_back(kRule);
        persistentNone();
    }
    return out;
}

} // namespace tg::netcmd
