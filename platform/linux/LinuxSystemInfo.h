#pragma once

// The pieces of the Linux source that read the system's files, kept apart so that tests can give
// them files of their own.

#include "platform/WmiSource.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg::platform::linuxinfo {

// KEY=VALUE lines of os-release, with shell quoting removed.
std::map<std::string, std::string> parseOsRelease(std::string_view content);

// The processor as Windows describes it ("Intel64 Family 6 Model 158 Stepping 10") where the
// processor is an x86 one, otherwise its model name, or at least the machine name.
std::string processorDescription(std::string_view cpuinfo, std::string_view machine);

// The system type Windows gives for a machine name from uname ("x64-based PC").
std::string systemType(std::string_view machine);

// Default gateways of one interface from /proc/net/route and /proc/net/ipv6_route.
std::vector<std::string> ipv4Gateways(std::string_view procNetRoute, std::string_view iface);
std::vector<std::string> ipv6Gateways(std::string_view procNetIpv6Route, std::string_view iface);

// "255.255.255.0" for 24.
std::string ipv4Mask(int prefixLength);

// The adapter type Windows would give for an ARPHRD link type; none where it gives none.
std::optional<std::string> adapterType(int linkType, bool wireless);

// A sysfs hardware address as Windows writes it ("02:FC:00:00:00:01"); none when the adapter has
// no address of its own.
std::optional<std::string> macAddress(std::string_view sysfsAddress);

// True when a lease of NetworkManager, systemd-networkd, dhclient or dhcpcd names the interface.
bool dhcpEnabled(const std::filesystem::path& root, const std::string& iface, int ifindex);

// The source, reading its files below root ("/" for the real system). Addresses always come from
// the running system.
std::unique_ptr<WmiSource> createSource(const std::filesystem::path& root);

} // namespace tg::platform::linuxinfo
