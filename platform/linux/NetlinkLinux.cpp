#include "platform/linux/Netlink.h"

#include "platform/posix/Addresses.h"

#include <linux/if_addr.h>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <map>

namespace tg::platform::netlink {

static_assert(kLinkEther == ARPHRD_ETHER && kLinkPpp == ARPHRD_PPP &&
              kLinkTunnel == ARPHRD_TUNNEL && kLinkTunnel6 == ARPHRD_TUNNEL6 &&
              kLinkSit == ARPHRD_SIT && kLinkIpGre == ARPHRD_IPGRE && kLinkNone == ARPHRD_NONE);
static_assert(kAddressTemporary == IFA_F_TEMPORARY && kAddressDadFailed == IFA_F_DADFAILED &&
              kAddressDeprecated == IFA_F_DEPRECATED && kAddressTentative == IFA_F_TENTATIVE);
static_assert(kScopeLink == RT_SCOPE_LINK && kRouteUnicast == RTN_UNICAST &&
              kRouteLocal == RTN_LOCAL && kRouteBroadcast == RTN_BROADCAST &&
              kRouteMulticast == RTN_MULTICAST);

namespace {

// IFF_LOWER_UP, from linux/if.h, which clashes with net/if.h.
constexpr unsigned kLowerUp = 1u << 16;

template <typename T> bool readStruct(std::string_view bytes, std::size_t offset, T& out) {
    if (offset + sizeof(T) > bytes.size())
        return false;
    std::memcpy(&out, bytes.data() + offset, sizeof(T));
    return true;
}

// The attributes of one message: type -> payload.
std::map<unsigned, std::string_view> attributes(std::string_view bytes) {
    std::map<unsigned, std::string_view> out;
    std::size_t offset = 0;
    rtattr attribute{};
    while (readStruct(bytes, offset, attribute) && attribute.rta_len >= sizeof(rtattr) &&
           offset + attribute.rta_len <= bytes.size()) {
        out.emplace(attribute.rta_type & ~NLA_F_NESTED,
                    bytes.substr(offset + RTA_LENGTH(0), attribute.rta_len - RTA_LENGTH(0)));
        offset += RTA_ALIGN(attribute.rta_len);
    }
    return out;
}

std::string cString(std::string_view raw) {
    return std::string(raw.substr(0, raw.find('\0')));
}

unsigned u32(std::string_view raw) {
    std::uint32_t value = 0;
    if (raw.size() >= 4)
        std::memcpy(&value, raw.data(), 4);
    return value;
}

void parseLink(std::string_view body, Tables& state) {
    ifinfomsg info{};
    if (!readStruct(body, 0, info))
        return;
    auto attrs = attributes(body.substr(NLMSG_ALIGN(sizeof info)));
    Link link;
    link.index = info.ifi_index;
    link.type = info.ifi_type;
    link.up = info.ifi_flags & IFF_UP;
    link.running = info.ifi_flags & kLowerUp;
    link.loopback = info.ifi_flags & IFF_LOOPBACK;
    link.name = cString(attrs[IFLA_IFNAME]);
    if (auto it = attrs.find(IFLA_ADDRESS); it != attrs.end() && !link.loopback &&
                                            it->second.find_first_not_of('\0') != std::string::npos)
        link.mac = std::string(it->second);
    if (auto it = attrs.find(IFLA_LINKINFO); it != attrs.end())
        link.kind = cString(attributes(it->second)[IFLA_INFO_KIND]);
    link.description = link.loopback ? "loopback" : !link.kind.empty() ? link.kind : link.name;
    state.links.push_back(std::move(link));
}

void parseAddress(std::string_view body, Tables& state) {
    ifaddrmsg info{};
    if (!readStruct(body, 0, info) || (info.ifa_family != AF_INET && info.ifa_family != AF_INET6))
        return;
    auto attrs = attributes(body.substr(NLMSG_ALIGN(sizeof info)));
    Address a;
    a.family = info.ifa_family;
    a.index = static_cast<int>(info.ifa_index);
    a.prefix = info.ifa_prefixlen;
    a.scope = info.ifa_scope;
    a.flags = attrs.count(IFA_FLAGS) ? u32(attrs[IFA_FLAGS]) : info.ifa_flags;
    auto raw = attrs.count(IFA_LOCAL) ? attrs[IFA_LOCAL] : attrs[IFA_ADDRESS];
    a.text = addressText(a.family, raw);
    if (!a.text.empty())
        state.addresses.push_back(std::move(a));
}

void parseRoute(std::string_view body, Tables& state) {
    rtmsg info{};
    if (!readStruct(body, 0, info) || (info.rtm_family != AF_INET && info.rtm_family != AF_INET6))
        return;
    auto attrs = attributes(body.substr(NLMSG_ALIGN(sizeof info)));
    Route r;
    r.family = info.rtm_family;
    r.table = attrs.count(RTA_TABLE) ? u32(attrs[RTA_TABLE]) : info.rtm_table;
    r.type = info.rtm_type;
    r.prefix = info.rtm_dst_len;
    r.destination = attrs.count(RTA_DST) ? addressText(r.family, attrs[RTA_DST])
                                         : (r.family == AF_INET ? "0.0.0.0" : "::");
    if (attrs.count(RTA_GATEWAY))
        r.gateway = addressText(r.family, attrs[RTA_GATEWAY]);
    if (attrs.count(RTA_OIF))
        r.index = static_cast<int>(u32(attrs[RTA_OIF]));
    if (attrs.count(RTA_PREFSRC))
        r.source = addressText(r.family, attrs[RTA_PREFSRC]);
    if (attrs.count(RTA_PRIORITY))
        r.metric = u32(attrs[RTA_PRIORITY]);
    state.routes.push_back(std::move(r));
}

} // namespace

void parse(std::string_view messages, Tables& state) {
    std::size_t offset = 0;
    nlmsghdr header{};
    while (readStruct(messages, offset, header) && header.nlmsg_len >= sizeof header &&
           offset + header.nlmsg_len <= messages.size()) {
        auto body = messages.substr(offset + NLMSG_HDRLEN, header.nlmsg_len - NLMSG_HDRLEN);
        switch (header.nlmsg_type) {
        case RTM_NEWLINK:
            parseLink(body, state);
            break;
        case RTM_NEWADDR:
            parseAddress(body, state);
            break;
        case RTM_NEWROUTE:
            parseRoute(body, state);
            break;
        default:
            break;
        }
        offset += NLMSG_ALIGN(header.nlmsg_len);
    }
}

std::string dump(Request what) {
    const int requestType = what == Request::Links       ? RTM_GETLINK
                            : what == Request::Addresses ? RTM_GETADDR
                                                         : RTM_GETROUTE;
    std::string out;
    int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return out;
    // Each request carries the header of its kind; family AF_UNSPEC asks for all of them.
    std::size_t bodySize = requestType == RTM_GETLINK   ? sizeof(ifinfomsg)
                           : requestType == RTM_GETADDR ? sizeof(ifaddrmsg)
                                                        : sizeof(rtmsg);
    std::string request(NLMSG_LENGTH(bodySize), '\0');
    nlmsghdr header{};
    header.nlmsg_len = static_cast<std::uint32_t>(request.size());
    header.nlmsg_type = static_cast<unsigned short>(requestType);
    header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    header.nlmsg_seq = 1;
    std::memcpy(request.data(), &header, sizeof header);
    if (::send(fd, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
        std::string buffer(64 * 1024, '\0');
        bool done = false;
        while (!done) {
            ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
            if (n <= 0)
                break;
            std::string_view chunk(buffer.data(), static_cast<std::size_t>(n));
            std::size_t offset = 0;
            nlmsghdr reply{};
            while (readStruct(chunk, offset, reply) && reply.nlmsg_len >= sizeof reply &&
                   offset + reply.nlmsg_len <= chunk.size()) {
                if (reply.nlmsg_type == NLMSG_DONE || reply.nlmsg_type == NLMSG_ERROR) {
                    done = true;
                    break;
                }
                out.append(chunk.substr(offset, NLMSG_ALIGN(reply.nlmsg_len)));
                offset += NLMSG_ALIGN(reply.nlmsg_len);
            }
        }
    }
    ::close(fd);
    return out;
}

} // namespace tg::platform::netlink
