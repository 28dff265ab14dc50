#pragma once

// This machine's interfaces, addresses and routes as the kernel reports them over netlink.

#include <string>
#include <string_view>
#include <vector>

namespace tg::platform::netlink {

// The kernel's numbers, as the fields below hold them (checked against its headers where they
// are read).
inline constexpr unsigned kLinkEther = 1; // ARPHRD_*
inline constexpr unsigned kLinkPpp = 512;
inline constexpr unsigned kLinkTunnel = 768;
inline constexpr unsigned kLinkTunnel6 = 769;
inline constexpr unsigned kLinkSit = 776;
inline constexpr unsigned kLinkIpGre = 778;
inline constexpr unsigned kLinkNone = 0xFFFE;
inline constexpr unsigned kAddressTemporary = 0x01; // IFA_F_*
inline constexpr unsigned kAddressDadFailed = 0x08;
inline constexpr unsigned kAddressDeprecated = 0x20;
inline constexpr unsigned kAddressTentative = 0x40;
inline constexpr int kScopeLink = 253;  // RT_SCOPE_LINK
inline constexpr int kRouteUnicast = 1; // RTN_*
inline constexpr int kRouteLocal = 2;
inline constexpr int kRouteBroadcast = 3;
inline constexpr int kRouteMulticast = 5;

struct Link {
    int index = 0;
    std::string name{};
    unsigned type = 0; // kLink*
    std::string mac{}; // raw bytes; empty without a hardware address
    bool up = false;
    bool running = false; // carrier
    bool loopback = false;
    std::string kind{};        // the link kind of a virtual interface ("veth", "bridge")
    std::string description{}; // what a user would recognise it by
    bool wireless = false;
    bool dhcp = false;
};

struct Address {
    int family = 0; // platform::kInet or kInet6
    int index = 0;
    std::string text{};
    int prefix = 0;
    unsigned flags = 0; // kAddress*
    int scope = 0;
};

struct Route {
    int family = 0;
    unsigned table = 0;
    int type = 0; // kRoute*
    std::string destination{};
    int prefix = 0;
    std::string gateway{}; // empty: on the link
    int index = 0;
    std::string source{};
    unsigned metric = 0;
};

struct Tables {
    std::vector<Link> links{};
    std::vector<Address> addresses{};
    std::vector<Route> routes{};
};

// Adds what a stream of RTM_NEWLINK, RTM_NEWADDR and RTM_NEWROUTE messages describes.
void parse(std::string_view messages, Tables& tables);

enum class Request { Links, Addresses, Routes };
// The raw answer of the kernel to a dump request for every family and every routing table.
std::string dump(Request request);

} // namespace tg::platform::netlink
