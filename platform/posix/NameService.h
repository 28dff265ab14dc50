#pragma once

// The system's name services: this host's name, host and service names, and the accounts and
// groups of the users' database.

#include <optional>
#include <string>
#include <vector>

namespace tg::platform {

// The host's name as the system has it (perhaps with its domain); empty when it cannot be read.
std::string hostName();
// The name of a numeric address by a reverse lookup; empty when none is known.
std::string reverseName(const std::string& address);
// The first IPv4 address of a host name; none when it is not found.
std::optional<std::string> ipv4OfName(const std::string& name);
// The service name of a port ("http" for 80 over "tcp"); none when it has none.
std::optional<std::string> serviceName(unsigned port, const std::string& protocol);

struct UserAccount {
    std::string name{};
    unsigned uid = 0;
    unsigned gid = 0;       // the primary group
    std::string fullName{}; // the comment field up to its first ','
    std::string home{};
    std::string shell{};
    std::vector<std::string> groups{}; // by name, the primary one among them
};
// One account with its groups; none when there is no such user.
std::optional<UserAccount> userNamed(const std::string& name);
// Every account in the database's order, without their groups.
std::vector<UserAccount> users();

struct GroupEntry {
    std::string name{};
    unsigned gid = 0;
    std::vector<std::string> members{}; // those listed in the group, not by primary group
};
std::optional<GroupEntry> groupNamed(const std::string& name);
// Every group in the database's order, without members.
std::vector<GroupEntry> groups();

} // namespace tg::platform
