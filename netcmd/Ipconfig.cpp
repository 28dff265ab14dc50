#include "netcmd/Answers.h"
#include "netcmd/Columns.h"
#include "platform/posix/Addresses.h"

namespace tg::netcmd {

namespace {

using platform::kInet;
using platform::kInet6;
using platform::netlink::kAddressDadFailed;
using platform::netlink::kAddressDeprecated;
using platform::netlink::kAddressTemporary;
using platform::netlink::kAddressTentative;
using platform::netlink::kLinkEther;
using platform::netlink::kLinkIpGre;
using platform::netlink::kLinkNone;
using platform::netlink::kLinkPpp;
using platform::netlink::kLinkSit;
using platform::netlink::kLinkTunnel;
using platform::netlink::kLinkTunnel6;
using platform::netlink::kRouteUnicast;
using platform::netlink::kScopeLink;

constexpr std::size_t kBriefColon = 40;
constexpr std::size_t kAllColon = 42;

std::string adapterHeading(const Link& link) {
    std::string kind;
    if (link.wireless)
        kind = "Wireless LAN アダプター ";
    else if (link.type == kLinkEther)
        kind = "イーサネット アダプター ";
    else if (link.type == kLinkPpp)
        kind = "PPP アダプター ";
    else if (link.type == kLinkNone || link.type == kLinkTunnel || link.type == kLinkTunnel6 ||
             link.type == kLinkSit || link.type == kLinkIpGre)
        kind = "トンネル アダプター ";
    else
        kind = "不明なアダプター ";
    return kind + link.name + ":";
}

bool isLinkLocal6(const Address& a) {
    return a.family == kInet6 && (a.scope == kScopeLink || a.text.starts_with("fe80:"));
}

std::string addressState(const Address& a) {
    if (a.flags & kAddressDadFailed)
        return "(重複)";
    if (a.flags & kAddressTentative)
        return "(一時)";
    if (a.flags & kAddressDeprecated)
        return "(推奨されない)";
    return "(優先)";
}

std::vector<std::string> defaultGateways(const NetState& net, int index) {
    std::vector<std::string> v6, v4;
    for (const auto& r : net.routes) {
        if (r.index != index || r.prefix != 0 || r.gateway.empty() || r.type != kRouteUnicast)
            continue;
        if (r.family == kInet6)
            v6.push_back(r.gateway.starts_with("fe80:") ? r.gateway + '%' + std::to_string(index)
                                                        : r.gateway);
        else
            v4.push_back(r.gateway);
    }
    v6.insert(v6.end(), v4.begin(), v4.end());
    return v6;
}

void addList(Lines& out, const std::string& label, std::size_t colon,
             const std::vector<std::string>& values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        out.push_back(i == 0 ? leaderLine(label, colon, values[i])
                             : continuationLine(colon, values[i]));
    if (values.empty())
        out.push_back(leaderLine(label, colon, ""));
}

} // namespace

std::vector<const Link*> ipconfigAdapters(const NetState& net) {
    std::vector<const Link*> out;
    for (const auto& link : net.links)
        if (!link.loopback)
            out.push_back(&link);
    return out;
}

Lines ipconfigLines(const NetState& net, bool all) {
    const std::size_t colon = all ? kAllColon : kBriefColon;
    auto adapters = ipconfigAdapters(net);

    // The name servers belong to the adapters the traffic leaves by.
    bool anyGateway = false;
    for (const Link* link : adapters)
        anyGateway = anyGateway || !defaultGateways(net, link->index).empty();

    Lines out{"", "Windows IP 構成", ""};
    if (all) {
        auto dot = net.hostName.find('.');
        out.push_back(leaderLine("ホスト名", colon, net.hostName.substr(0, dot)));
        out.push_back(leaderLine("プライマリ DNS サフィックス", colon,
                                 dot == std::string::npos ? "" : net.hostName.substr(dot + 1)));
        out.push_back(
            leaderLine("IP ルーティング有効", colon, net.ipForwarding ? "はい" : "いいえ"));
        if (!net.searchDomains.empty())
            addList(out, "DNS サフィックス検索一覧", colon, net.searchDomains);
    }
    out.push_back("");

    for (const Link* link : adapters) {
        const bool connected = link->up && link->running;
        auto gateways = defaultGateways(net, link->index);
        bool hasAddress = false;
        for (const auto& a : net.addresses)
            hasAddress = hasAddress || a.index == link->index;
        const bool dns = connected && hasAddress && (anyGateway ? !gateways.empty() : true);
        const std::string suffix = dns && !net.searchDomains.empty() ? net.searchDomains[0] : "";

        out.push_back(adapterHeading(*link));
        out.push_back("");
        if (!connected)
            out.push_back(leaderLine("メディアの状態", colon, "メディアは接続されていません"));
        out.push_back(leaderLine("接続固有の DNS サフィックス", colon, suffix));
        if (all) {
            out.push_back(leaderLine("説明", colon, link->description));
            if (!link->mac.empty())
                out.push_back(leaderLine("物理アドレス", colon, macText(link->mac, '-', true)));
            out.push_back(leaderLine("DHCP 有効", colon, link->dhcp ? "はい" : "いいえ"));
            out.push_back(leaderLine("自動構成有効", colon, "はい"));
        }
        if (connected) {
            auto show = [&](const Address& a, const std::string& label, const std::string& text) {
                out.push_back(leaderLine(label, colon, text + (all ? addressState(a) : "")));
            };
            // Windows lists global IPv6 addresses, then temporary ones, then link-local ones.
            for (int pass = 0; pass < 3; ++pass) {
                for (const auto& a : net.addresses) {
                    if (a.index != link->index || a.family != kInet6)
                        continue;
                    bool linkLocal = isLinkLocal6(a);
                    bool temporary = !linkLocal && (a.flags & kAddressTemporary);
                    if (pass == 0 && !linkLocal && !temporary)
                        show(a, "IPv6 アドレス", a.text);
                    else if (pass == 1 && temporary)
                        show(a, "一時 IPv6 アドレス", a.text);
                    else if (pass == 2 && linkLocal)
                        show(a, "リンクローカル IPv6 アドレス",
                             a.text + "%" + std::to_string(link->index));
                }
            }
            for (const auto& a : net.addresses) {
                if (a.index != link->index || a.family != kInet)
                    continue;
                show(a, "IPv4 アドレス", a.text);
                out.push_back(leaderLine("サブネット マスク", colon, ipv4Mask(a.prefix)));
            }
            addList(out, "デフォルト ゲートウェイ", colon, gateways);
            if (all && dns)
                addList(out, "DNS サーバー", colon, net.dnsServers);
        }
        out.push_back("");
    }
    return out;
}

} // namespace tg::netcmd
