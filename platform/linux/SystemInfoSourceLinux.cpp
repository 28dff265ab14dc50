#include "platform/WmiSource.h"
#include "platform/linux/LinuxFiles.h"
#include "platform/linux/LinuxSystemInfo.h"

#include "text/Codec.h"
#include "text/StringList.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/utsname.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

namespace tg::platform::linuxinfo {

namespace {

namespace fs = std::filesystem;

constexpr unsigned kRouteGateway = 0x0002; // RTF_GATEWAY

std::optional<std::string> readFile(const fs::path& path) {
    return linuxfiles::readFile(path.string());
}

// The first line of a small sysfs or DMI file, without its blanks; none when unreadable.
std::optional<std::string> readValue(const fs::path& path) {
    auto content = readFile(path);
    if (!content)
        return std::nullopt;
    return linuxfiles::trim(std::string_view(*content).substr(0, content->find('\n')));
}

using linuxfiles::lines;
using linuxfiles::splitFields;

std::optional<unsigned long> hexNumber(std::string_view field) {
    unsigned long value = 0;
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, 16);
    if (field.empty() || error != std::errc() || end != field.data() + field.size())
        return std::nullopt;
    return value;
}

void addOnce(std::vector<std::string>& list, std::string item) {
    if (std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(std::move(item));
}

// --- Values as the report takes them ----------------------------------------------------------

WmiValue stringValue(const std::optional<std::string>& utf8) {
    return utf8 ? WmiValue::string(utf8ToCp932(*utf8)) : WmiValue::null();
}

WmiValue nonEmptyString(const std::string& utf8) {
    return utf8.empty() ? WmiValue::null() : WmiValue::string(utf8ToCp932(utf8));
}

WmiValue arrayOrNull(const std::vector<std::string>& items) {
    if (items.empty())
        return WmiValue::null();
    std::vector<Text> elements;
    for (const auto& item : items)
        elements.push_back(utf8ToCp932(item));
    return WmiValue::array(std::move(elements));
}

using Properties = std::vector<std::pair<std::string, WmiValue>>;

class RecordObject : public WmiObject {
public:
    explicit RecordObject(const Properties& properties) : properties_(properties) {}

    std::optional<WmiValue> readWmiProperty(TextView name) override {
        for (const auto& [key, value] : properties_) {
            if (equalsIgnoreCase(key, name))
                return value;
        }
        return std::nullopt; // as WMI answers a property the class does not have
    }

private:
    Properties properties_;
};

class RecordEnumerator : public WmiEnumerator {
public:
    explicit RecordEnumerator(std::vector<Properties> records) : records_(std::move(records)) {}

    std::unique_ptr<WmiObject> nextWmiObject() override {
        if (next_ >= records_.size())
            return nullptr;
        return std::make_unique<RecordObject>(records_[next_++]);
    }

private:
    std::vector<Properties> records_;
    std::size_t next_ = 0;
};

// --- The classes ---------------------------------------------------------------------------------

struct Uname {
    std::string sysname, release, machine;
};

Uname unameNow() {
    utsname u{};
    if (uname(&u) != 0)
        return {};
    return {u.sysname, u.release, u.machine};
}

class Reader {
public:
    explicit Reader(fs::path root) : root_(std::move(root)) {}

    fs::path at(std::string_view absolute) const { return root_ / absolute.substr(1); }

    Properties bios() const {
        auto vendor = readValue(at("/sys/class/dmi/id/bios_vendor"));
        auto version = readValue(at("/sys/class/dmi/id/bios_version"));
        // Windows writes the maker's tag and the revision together.
        if (vendor && version && !vendor->empty() && !version->empty())
            version = *vendor + " - " + *version;
        return {{"Version", stringValue(version)}};
    }

    Properties processor() const {
        std::string cpuinfo = readFile(at("/proc/cpuinfo")).value_or("");
        return {{"Description", nonEmptyString(processorDescription(cpuinfo, uname_.machine))}};
    }

    Properties computerSystem() const {
        return {
            {"Manufacturer", stringValue(readValue(at("/sys/class/dmi/id/sys_vendor")))},
            {"Model", stringValue(readValue(at("/sys/class/dmi/id/product_name")))},
            {"SystemType", nonEmptyString(systemType(uname_.machine))},
        };
    }

    Properties operatingSystem() const {
        auto content = readFile(at("/etc/os-release"));
        if (!content)
            content = readFile(at("/usr/lib/os-release"));
        auto release = parseOsRelease(content.value_or(""));
        auto field = [&](const char* key) -> std::string {
            auto it = release.find(key);
            return it == release.end() ? std::string() : it->second;
        };
        std::string caption = field("PRETTY_NAME");
        if (caption.empty())
            caption = field("NAME");
        if (caption.empty())
            caption = uname_.sysname;
        std::string maker = field("VENDOR_NAME");
        if (maker.empty())
            maker = field("NAME");
        return {
            {"Caption", nonEmptyString(caption)},
            {"Version", nonEmptyString(uname_.release)},
            {"CSDVersion", WmiValue::null()}, // no service packs here
            {"Manufacturer", nonEmptyString(maker)},
        };
    }

    struct Adapter {
        Properties adapter;
        Properties configuration;
    };

    // Every interface, in index order; both adapter classes are read from the same list.
    std::vector<Adapter> adapters() const {
        struct Link {
            std::string name;
            int index = 0;
        };
        std::vector<Link> links;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(at("/sys/class/net"), ec)) {
            Link link{entry.path().filename().string()};
            auto index = readValue(entry.path() / "ifindex");
            link.index = index ? std::atoi(index->c_str()) : 0;
            links.push_back(std::move(link));
        }
        std::sort(links.begin(), links.end(), [](const Link& a, const Link& b) {
            return a.index != b.index ? a.index < b.index : a.name < b.name;
        });

        auto addresses = interfaceAddresses();
        std::string route4 = readFile(at("/proc/net/route")).value_or("");
        std::string route6 = readFile(at("/proc/net/ipv6_route")).value_or("");

        std::vector<Adapter> out;
        for (const Link& link : links) {
            fs::path dir = at("/sys/class/net") / link.name;
            std::string devtype;
            if (auto uevent = readFile(dir / "uevent")) {
                for (auto line : lines(*uevent)) {
                    if (line.starts_with("DEVTYPE="))
                        devtype = linuxfiles::trim(line.substr(8));
                }
            }
            bool wireless = devtype == "wlan" || fs::exists(dir / "wireless", ec) ||
                            fs::exists(dir / "phy80211", ec);
            auto typeText = readValue(dir / "type");
            std::optional<std::string> type;
            if (typeText && !typeText->empty())
                type = adapterType(std::atoi(typeText->c_str()), wireless);
            std::optional<std::string> service;
            fs::path driver = fs::read_symlink(dir / "device" / "driver", ec);
            if (!ec && !driver.filename().empty())
                service = driver.filename().string();
            else if (!devtype.empty())
                service = devtype;
            std::optional<std::string> mac;
            if (auto address = readValue(dir / "address"))
                mac = macAddress(*address);

            char caption[32];
            std::snprintf(caption, sizeof caption, "[%08d] ", link.index);
            Adapter a;
            a.adapter = {
                {"Caption", stringValue(caption + link.name)},
                {"AdapterType", type ? stringValue(type) : WmiValue::null()},
                {"ServiceName", service ? stringValue(service) : WmiValue::null()},
                {"MACAddress", mac ? stringValue(mac) : WmiValue::null()},
            };

            std::vector<std::string> ips, subnets, gateways;
            for (const auto& [address, subnet] : addresses.v4[link.name]) {
                ips.push_back(address);
                subnets.push_back(subnet);
            }
            for (const auto& [address, subnet] : addresses.v6[link.name]) {
                ips.push_back(address);
                subnets.push_back(subnet);
            }
            gateways = ipv4Gateways(route4, link.name);
            for (auto& g : ipv6Gateways(route6, link.name))
                gateways.push_back(std::move(g));
            a.configuration = {
                {"IPAddress", arrayOrNull(ips)},
                {"IPSubnet", arrayOrNull(subnets)},
                {"DefaultIPGateway", arrayOrNull(gateways)},
                {"DHCPEnabled", WmiValue::fromBool(dhcpEnabled(root_, link.name, link.index))},
            };
            out.push_back(std::move(a));
        }
        return out;
    }

private:
    using AddressList = std::vector<std::pair<std::string, std::string>>; // address, subnet
    struct Addresses {
        std::map<std::string, AddressList> v4, v6;
    };

    static Addresses interfaceAddresses() {
        Addresses out;
        ifaddrs* list = nullptr;
        if (getifaddrs(&list) != 0)
            return out;
        for (ifaddrs* i = list; i; i = i->ifa_next) {
            if (!i->ifa_addr || !i->ifa_name)
                continue;
            char text[INET6_ADDRSTRLEN] = {};
            if (i->ifa_addr->sa_family == AF_INET) {
                auto* a = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
                auto* m = reinterpret_cast<const sockaddr_in*>(i->ifa_netmask);
                inet_ntop(AF_INET, &a->sin_addr, text, sizeof text);
                int prefix = m ? std::popcount(ntohl(m->sin_addr.s_addr)) : 32;
                out.v4[i->ifa_name].emplace_back(text, ipv4Mask(prefix));
            } else if (i->ifa_addr->sa_family == AF_INET6) {
                auto* a = reinterpret_cast<const sockaddr_in6*>(i->ifa_addr);
                auto* m = reinterpret_cast<const sockaddr_in6*>(i->ifa_netmask);
                inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof text);
                int prefix = 128;
                if (m) {
                    prefix = 0;
                    for (unsigned char byte : m->sin6_addr.s6_addr)
                        prefix += std::popcount(byte);
                }
                out.v6[i->ifa_name].emplace_back(text, std::to_string(prefix));
            }
        }
        freeifaddrs(list);
        return out;
    }

    fs::path root_;
    Uname uname_ = unameNow();
};

class LinuxSource : public WmiSource {
public:
    explicit LinuxSource(fs::path root) : reader_(std::move(root)) {}

    OpenResult openWmiConnection() override {
        opened_ = true;
        return OpenResult::Opened;
    }

    bool connectWmiNamespace() override {
        connected_ = opened_;
        return connected_;
    }

    std::unique_ptr<WmiEnumerator> runWqlQuery(TextView wql) override {
        if (!connected_)
            return nullptr;
        std::vector<Properties> records;
        if (equalsIgnoreCase(wql, "SELECT * FROM Win32_BIOS")) {
            records.push_back(reader_.bios());
        } else if (equalsIgnoreCase(wql, "SELECT * FROM Win32_Processor")) {
            records.push_back(reader_.processor());
        } else if (equalsIgnoreCase(wql, "SELECT * FROM Win32_ComputerSystem")) {
            records.push_back(reader_.computerSystem());
        } else if (equalsIgnoreCase(wql, "SELECT * FROM Win32_OperatingSystem")) {
            records.push_back(reader_.operatingSystem());
        } else if (equalsIgnoreCase(wql, "SELECT * FROM Win32_NetworkAdapter")) {
            for (const auto& a : snapshot())
                records.push_back(a.adapter);
        } else if (equalsIgnoreCase(wql, "SELECT * FROM Win32_NetworkAdapterConfiguration")) {
            for (const auto& a : snapshot())
                records.push_back(a.configuration);
        } else {
            return nullptr; // WMI would reject a class it does not know
        }
        return std::make_unique<RecordEnumerator>(std::move(records));
    }

    void closeWmiConnection() override {
        opened_ = connected_ = false;
        adapters_.reset();
    }

private:
    // One look at the interfaces serves both adapter queries, so that the n-th adapter and the
    // n-th configuration are the same interface even if one comes or goes in between.
    const std::vector<Reader::Adapter>& snapshot() {
        if (!adapters_)
            adapters_ = reader_.adapters();
        return *adapters_;
    }

    Reader reader_;
    bool opened_ = false;
    bool connected_ = false;
    std::optional<std::vector<Reader::Adapter>> adapters_;
};

} // namespace

std::map<std::string, std::string> parseOsRelease(std::string_view content) {
    std::map<std::string, std::string> out;
    for (auto line : lines(content)) {
        std::string l = linuxfiles::trim(line);
        auto eq = l.find('=');
        if (l.empty() || l[0] == '#' || eq == std::string::npos || eq == 0)
            continue;
        std::string key = l.substr(0, eq);
        std::string_view raw = std::string_view(l).substr(eq + 1);
        std::string value;
        char quote = 0;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            char c = raw[i];
            if (quote == 0 && (c == '"' || c == '\'')) {
                quote = c;
            } else if (c == quote) {
                quote = 0;
            } else if (c == '\\' && quote != '\'' && i + 1 < raw.size()) {
                value += raw[++i];
            } else {
                value += c;
            }
        }
        out[key] = value;
    }
    return out;
}

std::string processorDescription(std::string_view cpuinfo, std::string_view machine) {
    std::map<std::string, std::string> fields;
    for (auto line : lines(cpuinfo)) {
        if (linuxfiles::trim(line).empty()) {
            if (!fields.empty())
                break; // the first processor is enough
            continue;
        }
        auto colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::string key = linuxfiles::trim(line.substr(0, colon));
        if (!fields.count(key))
            fields[key] = linuxfiles::trim(line.substr(colon + 1));
    }
    auto field = [&](const char* key) {
        auto it = fields.find(key);
        return it == fields.end() ? std::string() : it->second;
    };
    std::string family = field("cpu family"), model = field("model"), stepping = field("stepping");
    bool x86 = machine == "x86_64" ||
               (machine.size() == 4 && machine[0] == 'i' && machine.substr(2) == "86");
    if (x86 && !family.empty() && !model.empty() && !stepping.empty()) {
        std::string arch = machine != "x86_64"                    ? "x86"
                           : field("vendor_id") == "GenuineIntel" ? "Intel64"
                                                                  : "AMD64";
        return arch + " Family " + family + " Model " + model + " Stepping " + stepping;
    }
    for (const char* key : {"model name", "Processor", "cpu model", "cpu"}) {
        if (!field(key).empty())
            return field(key);
    }
    return std::string(machine);
}

std::string systemType(std::string_view machine) {
    if (machine == "x86_64" || machine == "amd64")
        return "x64-based PC";
    if (machine.size() == 4 && machine[0] == 'i' && machine.substr(2) == "86")
        return "X86-based PC";
    if (machine == "aarch64" || machine == "arm64")
        return "ARM64-based PC";
    if (machine.starts_with("arm"))
        return "ARM-based PC";
    return machine.empty() ? std::string() : std::string(machine) + "-based PC";
}

std::vector<std::string> ipv4Gateways(std::string_view procNetRoute, std::string_view iface) {
    std::vector<std::string> out;
    for (auto line : lines(procNetRoute)) {
        auto f = splitFields(line);
        // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
        if (f.size() < 8 || f[0] != iface)
            continue;
        auto destination = hexNumber(f[1]), gateway = hexNumber(f[2]), flags = hexNumber(f[3]),
             mask = hexNumber(f[7]);
        if (!destination || !gateway || !flags || !mask || *destination != 0 || *mask != 0 ||
            !(*flags & kRouteGateway))
            continue;
        // The kernel prints the address as it lies in memory, read as a host number.
        auto raw = static_cast<std::uint32_t>(*gateway);
        in_addr address{};
        std::memcpy(&address, &raw, sizeof raw);
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &address, text, sizeof text);
        addOnce(out, text);
    }
    return out;
}

std::vector<std::string> ipv6Gateways(std::string_view procNetIpv6Route, std::string_view iface) {
    std::vector<std::string> out;
    auto bytesOf = [](std::string_view hex, in6_addr& address) {
        if (hex.size() != 32)
            return false;
        for (std::size_t i = 0; i < 16; ++i) {
            auto byte = hexNumber(hex.substr(i * 2, 2));
            if (!byte)
                return false;
            address.s6_addr[i] = static_cast<unsigned char>(*byte);
        }
        return true;
    };
    for (auto line : lines(procNetIpv6Route)) {
        auto f = splitFields(line);
        // dest plen src splen nexthop metric refcnt use flags iface
        if (f.size() < 10 || f[9] != iface)
            continue;
        in6_addr destination{}, nexthop{};
        auto prefix = hexNumber(f[1]), flags = hexNumber(f[8]);
        if (!bytesOf(f[0], destination) || !bytesOf(f[4], nexthop) || !prefix || !flags ||
            *prefix != 0 || !IN6_IS_ADDR_UNSPECIFIED(&destination) ||
            IN6_IS_ADDR_UNSPECIFIED(&nexthop) || !(*flags & kRouteGateway))
            continue;
        char text[INET6_ADDRSTRLEN] = {};
        inet_ntop(AF_INET6, &nexthop, text, sizeof text);
        addOnce(out, text);
    }
    return out;
}

std::string ipv4Mask(int prefixLength) {
    prefixLength = std::clamp(prefixLength, 0, 32);
    std::uint32_t mask = prefixLength == 0 ? 0 : ~std::uint32_t{0} << (32 - prefixLength);
    return std::to_string(mask >> 24) + "." + std::to_string((mask >> 16) & 0xFF) + "." +
           std::to_string((mask >> 8) & 0xFF) + "." + std::to_string(mask & 0xFF);
}

std::optional<std::string> adapterType(int linkType, bool wireless) {
    switch (linkType) {
    case 1: // ARPHRD_ETHER, which wireless interfaces use as well
        return wireless ? "Wireless" : "Ethernet 802.3";
    case 6:   // ARPHRD_IEEE802
    case 800: // ARPHRD_IEEE802_TR
        return "Token Ring 802.5";
    case 7: // ARPHRD_ARCNET
        return "ARCNET";
    case 19: // ARPHRD_ATM
        return "ATM";
    case 24: // ARPHRD_IEEE1394
        return "1394";
    case 512: // ARPHRD_PPP
        return "Wide Area Network (WAN)";
    case 774: // ARPHRD_FDDI
        return "Fiber Distributed Data Interface (FDDI)";
    case 783: // ARPHRD_IRDA
        return "Infrared Wireless";
    case 801: // ARPHRD_IEEE80211 and its monitor variants
    case 802:
    case 803:
        return "Wireless";
    default: // loopback, tunnels and the like: Windows names no medium for them
        return std::nullopt;
    }
}

std::optional<std::string> macAddress(std::string_view sysfsAddress) {
    std::string mac = linuxfiles::trim(sysfsAddress);
    if (mac.find_first_not_of("0:") == std::string::npos)
        return std::nullopt;
    for (char& c : mac)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return mac;
}

bool dhcpEnabled(const fs::path& root, const std::string& iface, int ifindex) {
    auto at = [&](std::string_view absolute) { return root / absolute.substr(1); };
    std::error_code ec;
    // systemd-networkd keeps the live lease under the interface index.
    if (fs::exists(at("/run/systemd/netif/leases") / std::to_string(ifindex), ec))
        return true;
    // NetworkManager: <client>-<connection uuid>-<iface>.lease.
    for (const auto& entry : fs::directory_iterator(at("/var/lib/NetworkManager"), ec)) {
        std::string name = entry.path().filename().string();
        auto dash = name.find('-');
        constexpr std::size_t uuidLength = 36;
        if (name.ends_with(".lease") && dash != std::string::npos &&
            name.size() > dash + uuidLength + 2 && name[dash + uuidLength + 1] == '-' &&
            name.substr(dash + uuidLength + 2) == iface + ".lease")
            return true;
    }
    // dhcpcd: <iface>.lease, or <iface>-<ssid>.lease on wireless.
    for (const char* dir : {"/var/lib/dhcpcd", "/var/lib/dhcpcd5"}) {
        for (const auto& entry : fs::directory_iterator(at(dir), ec)) {
            std::string name = entry.path().filename().string();
            if (name == iface + ".lease" ||
                (name.starts_with(iface + "-") && name.ends_with(".lease")))
                return true;
        }
    }
    // dhclient writes every lease with the interface it was taken on.
    std::string tag = "interface \"" + iface + "\";";
    for (const char* dir : {"/var/lib/dhcp", "/var/lib/dhclient"}) {
        for (const auto& entry : fs::directory_iterator(at(dir), ec)) {
            std::string name = entry.path().filename().string();
            if (!name.ends_with(".leases") && !name.ends_with(".lease"))
                continue;
            if (readFile(entry.path()).value_or("").find(tag) != std::string::npos)
                return true;
        }
    }
    return false;
}

std::unique_ptr<WmiSource> createSource(const fs::path& root) {
    return std::make_unique<LinuxSource>(root);
}

} // namespace tg::platform::linuxinfo

namespace tg::platform {

std::unique_ptr<WmiSource> createSystemInfoSource() {
    return linuxinfo::createSource("/");
}

} // namespace tg::platform
