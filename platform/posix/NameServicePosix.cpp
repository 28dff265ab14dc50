#include "platform/posix/NameService.h"

#include <arpa/inet.h>
#include <grp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace tg::platform {

namespace {

std::vector<std::string> groupsOf(const passwd& user) {
    int count = 64;
    std::vector<gid_t> ids(static_cast<std::size_t>(count));
    if (getgrouplist(user.pw_name, user.pw_gid, ids.data(), &count) < 0) {
        ids.resize(static_cast<std::size_t>(count));
        getgrouplist(user.pw_name, user.pw_gid, ids.data(), &count);
    }
    ids.resize(static_cast<std::size_t>(std::max(0, count)));
    std::vector<std::string> names;
    for (gid_t id : ids)
        if (group* g = getgrgid(id))
            names.emplace_back(g->gr_name);
    return names;
}

} // namespace

std::string hostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

std::string reverseName(const std::string& address) {
    sockaddr_storage storage{};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        length = sizeof *v4;
    } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        length = sizeof *v6;
    } else {
        return {};
    }
    char host[NI_MAXHOST] = {};
    if (getnameinfo(reinterpret_cast<sockaddr*>(&storage), length, host, sizeof host, nullptr, 0,
                    NI_NAMEREQD) != 0)
        return {};
    return host;
}

std::optional<std::string> ipv4OfName(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, text,
              sizeof text);
    freeaddrinfo(found);
    return std::string(text);
}

std::optional<std::string> serviceName(unsigned port, const std::string& protocol) {
    servent* s = getservbyport(htons(static_cast<uint16_t>(port)), protocol.c_str());
    if (!s)
        return std::nullopt;
    return std::string(s->s_name);
}

std::optional<UserAccount> userNamed(const std::string& name) {
    passwd* p = getpwnam(name.c_str());
    if (!p)
        return std::nullopt;
    std::string gecos = p->pw_gecos ? p->pw_gecos : "";
    return UserAccount{p->pw_name,
                       p->pw_uid,
                       p->pw_gid,
                       gecos.substr(0, gecos.find(',')),
                       p->pw_dir ? p->pw_dir : "",
                       p->pw_shell ? p->pw_shell : "",
                       groupsOf(*p)};
}

std::vector<UserAccount> users() {
    std::vector<UserAccount> out;
    setpwent();
    while (passwd* p = getpwent())
        out.push_back({p->pw_name, p->pw_uid, p->pw_gid});
    endpwent();
    return out;
}

std::optional<GroupEntry> groupNamed(const std::string& name) {
    group* g = getgrnam(name.c_str());
    if (!g)
        return std::nullopt;
    GroupEntry out{g->gr_name, g->gr_gid, {}};
    for (char** m = g->gr_mem; m && *m; ++m)
        out.members.emplace_back(*m);
    return out;
}

std::vector<GroupEntry> groups() {
    std::vector<GroupEntry> out;
    setgrent();
    while (group* g = getgrent())
        out.push_back({g->gr_name, g->gr_gid, {}});
    endgrent();
    return out;
}

} // namespace tg::platform
