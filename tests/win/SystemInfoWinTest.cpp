// The WMI source and the system values on Windows, with the real services (under Wine in CI).

#include "platform/SystemValues.h"
#include "platform/WmiSource.h"
#include "sysinfo/SystemReport.h"

#include "support/FakeRunContext.h"
#include "support/WmiChecks.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <windows.h>

#include <thread>

namespace tg {
namespace {

using platform::WmiSource;
using platform::WmiValue;
using Kind = WmiValue::Kind;
using tg::wmichecks::allObjects;
using tg::wmichecks::kindOf;

std::unique_ptr<WmiSource> connected() {
    auto source = platform::createSystemInfoSource();
    EXPECT_EQ(source->openWmiConnection(), WmiSource::OpenResult::Opened);
    EXPECT_TRUE(source->connectWmiNamespace());
    return source;
}

TEST(WmiSource, AnswersTheSixQueriesWithTheirKinds) {
    auto source = connected();
    // Windows refuses a class it does not know; Wine answers it with an empty set.
    auto unknown = source->runWqlQuery("SELECT * FROM Win32_NoSuchClass");
    EXPECT_TRUE(!unknown || !unknown->nextWmiObject());

    auto bios = allObjects(*source, kQueryBios);
    ASSERT_FALSE(bios.empty());
    EXPECT_EQ(kindOf(*bios[0], "Version"), Kind::String);
    EXPECT_FALSE(bios[0]->readWmiProperty("NoSuchProperty"))
        << "a missing property reads as a failure";

    auto cpu = allObjects(*source, kQueryProcessor);
    ASSERT_FALSE(cpu.empty());
    EXPECT_EQ(kindOf(*cpu[0], "Description"), Kind::String);

    auto cs = allObjects(*source, kQueryComputerSystem);
    ASSERT_FALSE(cs.empty());
    for (const char* name : {"Manufacturer", "Model", "SystemType"})
        EXPECT_EQ(kindOf(*cs[0], name), Kind::String) << name;

    auto os = allObjects(*source, kQueryOperatingSystem);
    ASSERT_FALSE(os.empty());
    for (const char* name : {"Caption", "Version", "Manufacturer"})
        EXPECT_EQ(kindOf(*os[0], name), Kind::String) << name;
    Kind csd = kindOf(*os[0], "CSDVersion");
    EXPECT_TRUE(csd == Kind::String || csd == Kind::Null);

    auto adapters = allObjects(*source, kQueryNetworkAdapter);
    auto configurations = allObjects(*source, kQueryAdapterConfiguration);
    ASSERT_FALSE(adapters.empty());
    ASSERT_FALSE(configurations.empty());
    for (auto& a : adapters) {
        for (const char* name : {"AdapterType", "ServiceName", "MACAddress"}) {
            Kind k = kindOf(*a, name);
            EXPECT_TRUE(k == Kind::String || k == Kind::Null) << name;
        }
    }
    bool someAddress = false;
    for (auto& c : configurations) {
        for (const char* name : {"IPAddress", "IPSubnet", "DefaultIPGateway"}) {
            auto value = c->readWmiProperty(name);
            ASSERT_TRUE(value) << name;
            EXPECT_TRUE(value->kind == Kind::Array || value->kind == Kind::Null) << name;
            for (const auto& element : value->elements)
                EXPECT_FALSE(element.empty()) << name;
            someAddress = someAddress || !value->elements.empty();
        }
        Kind dhcp = kindOf(*c, "DHCPEnabled");
        EXPECT_TRUE(dhcp == Kind::Boolean || dhcp == Kind::Null);
    }
    EXPECT_TRUE(someAddress) << "no configuration holds an address";
}

TEST(WmiSource, ReportThroughTheRealSource) {
    // Wine's adapters have no Caption; the report then ends at the first adapter read.
    bool captionReadable = false;
    {
        auto probe = connected();
        auto adapters = allObjects(*probe, kQueryNetworkAdapter);
        captionReadable = !adapters.empty() && adapters[0]->readWmiProperty("Caption").has_value();
    }

    LocalSystemValues values;
    values.computerName = platform::computerName();
    values.windowsFolder = platform::windowsDirectory();
    auto source = platform::createSystemInfoSource();
    test::FakeRunContext run;
    buildSystemReport(run, *source, values);

    ASSERT_GE(run.lines.size(), 15u);
    EXPECT_FALSE(run.lines[3].empty());
    EXPECT_FALSE(run.lines[9].empty());
    EXPECT_EQ(run.count("progress"), 9);
    EXPECT_TRUE(run.boxes.empty());
    if (captionReadable) {
        EXPECT_EQ(run.lines.back(), Text(33, '-'));
        EXPECT_EQ(run.events.back(), "reset");
    } else {
        EXPECT_EQ(run.lines.size(), 15u) << "the fixed section and no adapter block";
        EXPECT_EQ(run.count("reset"), 0);
    }
}

TEST(WmiSource, ThreadInTheWrongApartmentShowsTheBox) {
    WmiSource::OpenResult result{};
    test::FakeRunContext run;
    std::thread worker([&] {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        {
            auto source = platform::createSystemInfoSource();
            result = source->openWmiConnection();
        }
        auto source = platform::createSystemInfoSource();
        buildSystemReport(run, *source, LocalSystemValues{});
        CoUninitialize();
    });
    worker.join();
    EXPECT_EQ(result, WmiSource::OpenResult::InitFailed);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_TRUE(run.boxes[0].ownedByDialog);
    EXPECT_TRUE(run.lines.empty());
}

TEST(SystemValues, ComputerNameFolderAndMemory) {
    auto name = platform::computerName();
    ASSERT_TRUE(name);
    EXPECT_FALSE(name->empty());
    auto folder = platform::windowsDirectory();
    ASSERT_TRUE(folder);
    EXPECT_EQ((*folder)[1], ':');

    platform::MemoryStatus m = platform::memoryStatus();
    MEMORYSTATUS legacy{};
    legacy.dwLength = sizeof legacy;
    GlobalMemoryStatus(&legacy);
    EXPECT_GT(m.totalPhys, 0u);
    EXPECT_LE(m.availPhys, m.totalPhys);
    EXPECT_GE(m.totalPhys, legacy.dwTotalPhys); // the 32-bit figure is capped, ours is not
    EXPECT_GT(m.totalVirtual, std::uint64_t{1} << 32);
    EXPECT_LE(m.availVirtual, m.totalVirtual);
    EXPECT_GE(m.totalPageFile, m.totalPhys / 2);
}

} // namespace
} // namespace tg
