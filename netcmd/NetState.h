#pragma once

// This machine's interfaces, addresses and routes as the kernel reports them over netlink, and
// the few other facts the network answers show.

#include "platform/linux/Netlink.h"

#include <string>
#include <string_view>
#include <vector>

namespace tg::netcmd {

using platform::netlink::Address;
using platform::netlink::Link;
using platform::netlink::Route;

struct NetState {
    std::vector<Link> links{};
    std::vector<Address> addresses{};
    std::vector<Route> routes{};
    std::string hostName{};
    std::vector<std::string> dnsServers{};
    std::vector<std::string> searchDomains{};
    bool ipForwarding = false;

    const Link* link(int index) const;
    const Link* link(std::string_view name) const;
    // The first IPv4 address of an interface; empty when it has none.
    std::string firstIpv4(int index) const;
};

// Adds what a stream of RTM_NEWLINK, RTM_NEWADDR and RTM_NEWROUTE messages describes.
void parseNetlink(std::string_view messages, NetState& state);

// Name servers and search domains of a resolv.conf.
void parseResolvConf(std::string_view content, NetState& state);

// Everything, read from the running system.
NetState readNetState();

// "255.255.255.0" for 24.
std::string ipv4Mask(int prefix);
// The prefix length of a dotted mask; -1 when it is not a contiguous mask.
int ipv4Prefix(std::string_view mask);
// "00-11-22-33-44-55" (separator '-') or "00 11 22 33 44 55 " style.
std::string macText(std::string_view raw, char separator, bool upper);

} // namespace tg::netcmd
