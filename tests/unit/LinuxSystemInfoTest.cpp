#include "platform/linux/LinuxSystemInfo.h"
#include "platform/SystemValues.h"
#include "platform/WmiSource.h"
#include "sysinfo/SystemReport.h"
#include "sysinfo/WmiValue.h"

#include "support/FakeRunContext.h"
#include "support/WmiChecks.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <vector>

namespace tg::platform::linuxinfo {
namespace {

namespace fs = std::filesystem;
using Kind = WmiValue::Kind;
using tg::wmichecks::allObjects;
using tg::wmichecks::kindOf;

// Whether a property is of one of the kinds it may have on any machine.
bool kindIn(WmiObject& object, const char* name, const std::vector<Kind>& kinds) {
    return std::find(kinds.begin(), kinds.end(), kindOf(object, name)) != kinds.end();
}

TEST(LinuxSource, AnswersTheSixQueriesWithTheirKinds) {
    using enum Kind;
    auto source = createSystemInfoSource();
    EXPECT_FALSE(source->runWqlQuery(kQueryBios)) << "no query before connecting";
    ASSERT_EQ(source->openWmiConnection(), WmiSource::OpenResult::Opened);
    ASSERT_TRUE(source->connectWmiNamespace());
    EXPECT_FALSE(source->runWqlQuery("SELECT * FROM Win32_Nothing"));

    const std::tuple<const char*, const char*, std::vector<Kind>> single[] = {
        {kQueryBios, "Version", {String, Null}},
        {kQueryProcessor, "Description", {String}},
        {kQueryComputerSystem, "Manufacturer", {String, Null}},
        {kQueryComputerSystem, "Model", {String, Null}},
        {kQueryComputerSystem, "SystemType", {String}},
        {kQueryOperatingSystem, "Caption", {String}},
        {kQueryOperatingSystem, "caption", {String}}, // names are not case-sensitive
        {kQueryOperatingSystem, "Version", {String}},
        {kQueryOperatingSystem, "CSDVersion", {Null}},
        {kQueryOperatingSystem, "Manufacturer", {String}},
    };
    for (const auto& [wql, name, kinds] : single) {
        auto objects = allObjects(*source, wql);
        ASSERT_EQ(objects.size(), 1u) << wql;
        EXPECT_TRUE(kindIn(*objects[0], name, kinds)) << name;
        EXPECT_FALSE(objects[0]->readWmiProperty("NoSuchProperty"));
    }

    auto adapters = allObjects(*source, kQueryNetworkAdapter);
    auto configurations = allObjects(*source, kQueryAdapterConfiguration);
    ASSERT_FALSE(adapters.empty());
    ASSERT_EQ(adapters.size(), configurations.size());
    bool loopback = false;
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        auto& a = *adapters[i];
        auto& c = *configurations[i];
        // The loopback has neither a type nor a physical address.
        bool lo = a.readWmiProperty("Caption")->text.ends_with("] lo");
        loopback = loopback || lo;
        EXPECT_TRUE(kindIn(a, "Caption", {String}));
        EXPECT_TRUE(kindIn(a, "AdapterType", {lo ? Null : String, Null}));
        EXPECT_TRUE(kindIn(a, "ServiceName", {String, Null}));
        EXPECT_TRUE(kindIn(a, "MACAddress", {lo ? Null : String, Null}));
        EXPECT_TRUE(kindIn(c, "IPAddress", {Array, Null}));
        EXPECT_TRUE(kindIn(c, "DefaultIPGateway", {Array, Null}));
        EXPECT_TRUE(kindIn(c, "DHCPEnabled", {Boolean}));
        auto ips = c.readWmiProperty("IPAddress");
        auto subnets = c.readWmiProperty("IPSubnet");
        ASSERT_TRUE(ips && subnets);
        EXPECT_EQ(ips->elements.size(), subnets->elements.size()) << "one subnet per address";
    }
    EXPECT_TRUE(loopback);
}

TEST(LinuxSource, MemoryFiguresAreSixtyFourBit) {
    MemoryStatus m = platform::memoryStatus();
    auto pages = static_cast<std::uint64_t>(sysconf(_SC_PHYS_PAGES));
    auto pageSize = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    EXPECT_EQ(m.totalPhys, pages * pageSize); // beyond 4 GiB on a machine that has it
    EXPECT_GT(m.availPhys, 0u);
    EXPECT_LE(m.availPhys, m.totalPhys);
    EXPECT_GT(m.totalPageFile, 0u);
    if (sizeof(void*) == 8) {
        EXPECT_GT(m.totalVirtual, std::uint64_t{1} << 32);
    }
    EXPECT_GT(m.availVirtual, 0u);
    EXPECT_LT(m.availVirtual, m.totalVirtual);
}

// A system of files of our own, to check what is read from them.
class FakeRoot : public testing::Test {
protected:
    fs::path root = fs::temp_directory_path() / ("tg-sysinfo-" + std::to_string(getpid()));

    void SetUp() override { fs::create_directories(root); }
    void TearDown() override { fs::remove_all(root); }

    void write(const std::string& path, const std::string& content) {
        fs::path p = root / path;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << content;
    }

    void link(const std::string& name, int index, int type, const std::string& address) {
        write("sys/class/net/" + name + "/ifindex", std::to_string(index) + "\n");
        write("sys/class/net/" + name + "/type", std::to_string(type) + "\n");
        write("sys/class/net/" + name + "/address", address + "\n");
        write("sys/class/net/" + name + "/uevent",
              "INTERFACE=" + name + "\nIFINDEX=" + std::to_string(index) + "\n");
    }

    std::unique_ptr<WmiSource> source() {
        auto s = createSource(root);
        s->openWmiConnection();
        s->connectWmiNamespace();
        return s;
    }
};

TEST_F(FakeRoot, NothingReadableStillAnswers) {
    auto s = source();
    auto bios = allObjects(*s, kQueryBios);
    ASSERT_EQ(bios.size(), 1u);
    EXPECT_EQ(bios[0]->readWmiProperty("Version")->kind, Kind::Null);
    auto cs = allObjects(*s, kQueryComputerSystem);
    EXPECT_EQ(cs[0]->readWmiProperty("Manufacturer")->kind, Kind::Null);
    EXPECT_EQ(cs[0]->readWmiProperty("Model")->kind, Kind::Null);
    EXPECT_TRUE(allObjects(*s, kQueryNetworkAdapter).empty());
    EXPECT_TRUE(allObjects(*s, kQueryAdapterConfiguration).empty());

    test::FakeRunContext run;
    buildSystemReport(run, *source(), LocalSystemValues{});
    ASSERT_EQ(run.lines.size(), 16u);
    EXPECT_EQ(cp932ToUtf8(run.lines[8]), "BIOSのバージョン：\t");
    EXPECT_EQ(run.lines[15], Text(33, '-'));
}

TEST_F(FakeRoot, ReadsMakerModelAndBios) {
    write("sys/class/dmi/id/sys_vendor", "LENOVO\n");
    write("sys/class/dmi/id/product_name", "20HRCTO1WW  \n");
    write("sys/class/dmi/id/bios_vendor", "LENOVO\n");
    write("sys/class/dmi/id/bios_version", "N1MET31W (1.16 )\n");
    write("etc/os-release", "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 "
                            "(bookworm)\"\n");
    auto s = source();
    EXPECT_EQ(allObjects(*s, kQueryBios)[0]->readWmiProperty("Version")->text,
              "LENOVO - N1MET31W (1.16 )");
    auto cs = allObjects(*s, kQueryComputerSystem);
    EXPECT_EQ(cs[0]->readWmiProperty("Manufacturer")->text, "LENOVO");
    EXPECT_EQ(cs[0]->readWmiProperty("Model")->text, "20HRCTO1WW");
    auto os = allObjects(*s, kQueryOperatingSystem);
    EXPECT_EQ(os[0]->readWmiProperty("Caption")->text, "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(os[0]->readWmiProperty("Manufacturer")->text, "Debian GNU/Linux");
}

TEST_F(FakeRoot, AdaptersInIndexOrderWithTheirSettings) {
    link("wlan7", 3, 1, "a0:b1:c2:d3:e4:f5");
    write("sys/class/net/wlan7/uevent", "DEVTYPE=wlan\nINTERFACE=wlan7\n");
    link("lo", 1, 772, "00:00:00:00:00:00");
    link("eth9", 2, 1, "02:fc:00:00:00:01");
    fs::create_directories(root / "sys/bus/pci/drivers/e1000e");
    fs::create_directories(root / "sys/devices/eth9dev");
    fs::create_directory_symlink(root / "sys/devices/eth9dev", root / "sys/class/net/eth9/device");
    fs::create_directory_symlink(root / "sys/bus/pci/drivers/e1000e",
                                 root / "sys/devices/eth9dev/driver");
    link("tun0", 4, 65534, "");
    write("proc/net/route",
          "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
          "eth9\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
          "eth9\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n");
    write("proc/net/ipv6_route",
          "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
          "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth9\n"
          "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
          "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n");
    write("var/lib/NetworkManager/internal-0f5a9a8e-4a3c-4b8a-9d2e-6c1f0b7e5a11-wlan7.lease",
          "ADDRESS=192.168.1.20\n");

    auto s = source();
    auto adapters = allObjects(*s, kQueryNetworkAdapter);
    auto configurations = allObjects(*s, kQueryAdapterConfiguration);
    ASSERT_EQ(adapters.size(), 4u);
    ASSERT_EQ(configurations.size(), 4u);
    // Caption, AdapterType, ServiceName and MACAddress; "-" for none.
    const std::vector<std::vector<std::string>> expected{
        {"[00000001] lo", "-", "-", "-"},
        {"[00000002] eth9", "Ethernet 802.3", "e1000e", "02:FC:00:00:00:01"},
        {"[00000003] wlan7", "Wireless", "wlan", "A0:B1:C2:D3:E4:F5"},
        {"[00000004] tun0", "-", "-", "-"},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        std::vector<std::string> shown;
        for (const char* name : {"Caption", "AdapterType", "ServiceName", "MACAddress"}) {
            auto value = adapters[i]->readWmiProperty(name);
            shown.push_back(!value ? "unreadable" : value->kind == Kind::Null ? "-" : value->text);
        }
        EXPECT_EQ(shown, expected[i]) << i;
    }

    EXPECT_EQ(*valueElements(configurations[1]->readWmiProperty("DefaultIPGateway")),
              (std::vector<Text>{"192.0.2.1", "fd00::1"}));
    EXPECT_EQ(configurations[0]->readWmiProperty("DefaultIPGateway")->kind, Kind::Null);
    // Interfaces that do not exist on this machine have no addresses.
    EXPECT_EQ(configurations[1]->readWmiProperty("IPAddress")->kind, Kind::Null);

    EXPECT_FALSE(*configurations[1]->readWmiProperty("DHCPEnabled")->boolean);
    EXPECT_TRUE(*configurations[2]->readWmiProperty("DHCPEnabled")->boolean);
}

TEST_F(FakeRoot, DhcpLeasesOfTheCommonClients) {
    write("run/systemd/netif/leases/5", "ADDRESS=10.0.0.5\n");
    write("var/lib/NetworkManager/dhclient-0f5a9a8e-4a3c-4b8a-9d2e-6c1f0b7e5a11-br-lan.lease", "");
    write("var/lib/dhcp/dhclient.leases", "lease {\n  interface \"eth1\";\n}\n");
    write("var/lib/dhcpcd/wlan0-HomeNet.lease", "");
    EXPECT_TRUE(dhcpEnabled(root, "enp3s0", 5));
    EXPECT_FALSE(dhcpEnabled(root, "enp3s0", 6));
    EXPECT_TRUE(dhcpEnabled(root, "br-lan", 9));
    EXPECT_FALSE(dhcpEnabled(root, "lan", 9)) << "an interface whose name ends another's";
    EXPECT_TRUE(dhcpEnabled(root, "eth1", 9));
    EXPECT_FALSE(dhcpEnabled(root, "eth", 9));
    EXPECT_TRUE(dhcpEnabled(root, "wlan0", 9));
    EXPECT_FALSE(dhcpEnabled(root, "wlan", 9));
}

TEST(LinuxParsers, OsRelease) {
    auto r = parseOsRelease("# comment\nNAME=Fedora\nPRETTY_NAME=\"Fedora Linux 39 "
                            "(Workstation \\\"Edition\\\")\"\nVERSION_ID='39'\n\nBROKEN\n");
    EXPECT_EQ(r["NAME"], "Fedora");
    EXPECT_EQ(r["PRETTY_NAME"], "Fedora Linux 39 (Workstation \"Edition\")");
    EXPECT_EQ(r["VERSION_ID"], "39");
    EXPECT_EQ(r.count("BROKEN"), 0u);
}

TEST(LinuxParsers, ProcessorAsWindowsDescribesIt) {
    std::string intel = "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: "
                        "158\nmodel name\t: Intel(R) Core(TM) i7\nstepping\t: 10\n\nprocessor\t: "
                        "1\nvendor_id\t: Other\n";
    EXPECT_EQ(processorDescription(intel, "x86_64"), "Intel64 Family 6 Model 158 Stepping 10");
    EXPECT_EQ(processorDescription(intel, "i686"), "x86 Family 6 Model 158 Stepping 10");
    std::string amd = "vendor_id\t: AuthenticAMD\ncpu family\t: 25\nmodel\t\t: 33\nstepping\t: 0\n";
    EXPECT_EQ(processorDescription(amd, "x86_64"), "AMD64 Family 25 Model 33 Stepping 0");
    std::string arm = "processor\t: 0\nBogoMIPS\t: 108.00\nCPU part\t: 0xd0b\n\n"
                      "Hardware\t: BCM2835\nmodel name\t: ARMv8 Processor rev 1 (v8l)\n";
    EXPECT_EQ(processorDescription("model name\t: ARMv8 Processor rev 1 (v8l)\n", "aarch64"),
              "ARMv8 Processor rev 1 (v8l)");
    EXPECT_EQ(processorDescription(arm, "aarch64"), "aarch64");
    EXPECT_EQ(systemType("x86_64"), "x64-based PC");
    EXPECT_EQ(systemType("i686"), "X86-based PC");
    EXPECT_EQ(systemType("aarch64"), "ARM64-based PC");
}

TEST(LinuxParsers, MasksAndAddresses) {
    EXPECT_EQ(ipv4Mask(24), "255.255.255.0");
    EXPECT_EQ(ipv4Mask(0), "0.0.0.0");
    EXPECT_EQ(ipv4Mask(32), "255.255.255.255");
    EXPECT_EQ(ipv4Mask(19), "255.255.224.0");
    EXPECT_FALSE(macAddress(""));
    EXPECT_FALSE(macAddress("00:00:00:00:00:00\n"));
    EXPECT_EQ(*macAddress("0a:1b:2c:3d:4e:5f\n"), "0A:1B:2C:3D:4E:5F");
    // A route without the gateway flag, or to somewhere else, is not a default gateway.
    EXPECT_TRUE(
        ipv4Gateways("eth0\t00000000\t010200C0\t0001\t0\t0\t0\t00000000\n", "eth0").empty());
    EXPECT_TRUE(
        ipv4Gateways("eth0\t0000000A\t010200C0\t0003\t0\t0\t0\t000000FF\n", "eth0").empty());
    EXPECT_EQ(ipv4Gateways("eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\n"
                           "eth0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\n"
                           "eth1\t00000000\t0201A8C0\t0003\t0\t0\t100\t00000000\n",
                           "eth0"),
              (std::vector<std::string>{"192.168.1.1"}));
}

} // namespace
} // namespace tg::platform::linuxinfo
