#include "sysinfo/SystemReport.h"
#include "sysinfo/WmiValue.h"

#include "support/FakeRunContext.h"
#include "support/FakeWmiSource.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

namespace tg {
namespace {

using platform::WmiSource;
using platform::WmiValue;
using test::FakeRunContext;
using test::FakeWmiSource;

WmiValue str(const char* utf8) {
    return WmiValue::string(utf8ToCp932(utf8));
}

WmiValue arr(std::vector<std::string> items) {
    return WmiValue::array(std::vector<Text>(items.begin(), items.end()));
}

// A machine with two adapter pairs: the first fully set up, the second with nothing but a name
// and a service.
FakeWmiSource machine() {
    FakeWmiSource s;
    s.results[kQueryBios] = {{{"Version", str("LENOVO - 1380")}}};
    s.results[kQueryProcessor] = {{{"Description", str("Intel64 Family 6 Model 158 Stepping 10")}},
                                  {{"Description", str("second processor")}}};
    s.results[kQueryComputerSystem] = {{{"Manufacturer", str("LENOVO")},
                                        {"Model", str("20HRCTO1WW")},
                                        {"SystemType", str("x64-based PC")}}};
    s.results[kQueryOperatingSystem] = {{{"Caption", str("Microsoft Windows 7 Professional")},
                                         {"Version", str("6.1.7601")},
                                         {"CSDVersion", str("Service Pack 1")},
                                         {"Manufacturer", str("Microsoft Corporation")}}};
    s.results[kQueryNetworkAdapter] = {
        {{"Caption", str("[00000007] Intel(R) Ethernet")},
         {"AdapterType", str("Ethernet 802.3")},
         {"ServiceName", str("e1dexpress")},
         {"MACAddress", str("00:1A:2B:3C:4D:5E")}},
        {{"Caption", str("[00000002] WAN Miniport")},
         {"AdapterType", WmiValue::null()},
         {"ServiceName", str("RasSstp")},
         {"MACAddress", WmiValue::null()}},
    };
    s.results[kQueryAdapterConfiguration] = {
        {{"IPAddress", arr({"192.168.1.10", "fe80::1"})},
         {"IPSubnet", arr({"255.255.255.0", "64"})},
         {"DefaultIPGateway", arr({"192.168.1.1"})},
         {"DHCPEnabled", WmiValue::fromBool(true)}},
        {{"IPAddress", WmiValue::null()},
         {"IPSubnet", WmiValue::null()},
         {"DefaultIPGateway", WmiValue::null()},
         {"DHCPEnabled", WmiValue::fromBool(false)}},
    };
    return s;
}

LocalSystemValues localValues() {
    LocalSystemValues v;
    v.computerName = "HOST1";
    v.windowsFolder = "C:\\WINDOWS";
    v.memory.totalPhys = std::uint64_t{16} << 30;
    v.memory.availPhys = (std::uint64_t{5} << 30) + 1023;
    v.memory.totalVirtual = 0x7FFFFFFE0000;
    v.memory.availVirtual = 1024 * 1024 - 1;
    v.memory.totalPageFile = 1023;
    return v;
}

const std::vector<std::string> kFixedSection{
    "OS名:\t\t\tMicrosoft Windows 7 Professional",
    "OSバージョン：\t\t6.1.7601 Service Pack 1",
    "OS 製造元：\t\tMicrosoft Corporation",
    "システム名：\t\tHOST1",
    "システム製造元：\tLENOVO",
    "システムモデル：\t20HRCTO1WW",
    "システムの種類：\tx64-based PC",
    "プロセッサ：\t\tIntel64 Family 6 Model 158 Stepping 10",
    "BIOSのバージョン：\tLENOVO - 1380",
    "Windowsフォルダ：\tC:\\WINDOWS",
    "物理メモリの全容量：\t16777216kb",
    "物理メモリの空き容量：\t5242880kb",
    "仮想メモリの全容量：\t137438953344kb",
    "仮想メモリの空き容量：\t1023kb",
    "ページファイルの容量：\t0kb",
};

const std::string kDash = "---------------------------------";

const std::vector<std::string> kFirstBlock{
    kDash,
    "名前：\t\t\t[00000007] Intel(R) Ethernet",
    "アダプタの種類：\tEthernet 802.3",
    "サービス名：\t\te1dexpress",
    "IPアドレス：\t\t192.168.1.10",
    "IPアドレス：\t\tfe80::1",
    "IPサブネット：\t\t255.255.255.0",
    "IPサブネット：\t\t64",
    "ﾃﾞﾌｫﾙﾄIPｹﾞｰﾄｳｪｲ：\t192.168.1.1",
    "DHCP有効：\t\t有効",
    "MACアドレス：\t\t00:1A:2B:3C:4D:5E",
};

const std::vector<std::string> kSecondBlock{
    kDash,
    "名前：\t\t\t[00000002] WAN Miniport",
    "アダプタの種類：\t情報なし",
    "サービス名：\t\tRasSstp",
    "IPアドレス：\t\t情報なし",
    "IPサブネット：\t\t情報なし",
    "ﾃﾞﾌｫﾙﾄIPｹﾞｰﾄｳｪｲ：\t情報なし",
    "DHCP有効：\t\t無効",
    "MACアドレス：\t\t情報なし",
};

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<std::string> utf8Lines(const FakeRunContext& run) {
    std::vector<std::string> out;
    for (const auto& line : run.lines)
        out.push_back(cp932ToUtf8(line));
    return out;
}

struct Report {
    FakeRunContext run;
    FakeWmiSource source = machine();
    LocalSystemValues values = localValues();

    // Every way out closes the source once, last, with nothing it handed out still held.
    std::vector<std::string> build() {
        buildSystemReport(run, source, values);
        EXPECT_EQ(source.calls.back(), "close");
        EXPECT_EQ(source.count("close"), 1);
        EXPECT_EQ(source.liveAtClose, 0);
        return utf8Lines(run);
    }
};

// The kilobyte figures of localValues() round down, also to 0, and pass what 32 bits hold.
TEST(SystemReport, CompleteReportWithTwoAdapters) {
    Report r;
    int highest = 0;
    r.run.afterEvent = [&](FakeRunContext& run) { highest = std::max(highest, run.position); };
    auto lines = r.build();
    EXPECT_EQ(highest, 90);
    EXPECT_EQ(r.run.position, 0);
    EXPECT_EQ(lines, concat({kFixedSection, kFirstBlock, kSecondBlock, {kDash}}));

    // Nine progress points, lines never moving the bars; the reset comes last.
    std::vector<std::string> expected(7, "progress");
    expected.insert(expected.end(), 15, "line");
    expected.insert(expected.end(), 2, "progress");
    expected.insert(expected.end(), kFirstBlock.size() + kSecondBlock.size() + 1, "line");
    expected.push_back("reset");
    EXPECT_EQ(r.run.events, expected);
    EXPECT_EQ(r.run.boxes.size(), 0u);

    // The first label has the ASCII colon, the others the full-width one (81 46); the gateway
    // label is half-width katakana, one byte each.
    const auto& l = r.run.lines;
    EXPECT_EQ(l[0].substr(0, 8), "OS\x96\xbc:\t\t\t");
    EXPECT_EQ(l[2].substr(0, 13), "OS \x90\xbb\x91\xa2\x8c\xb3\x81\x46\t\t");
    EXPECT_EQ(l[15 + 8],
              "\xc3\xde\xcc\xab\xd9\xc4IP\xb9\xde\xb0\xc4\xb3\xaa\xb2\x81\x46\t192.168.1.1");
}

TEST(SystemReport, MissingValues) {
    Report r;
    auto& adapter = r.source.results[kQueryNetworkAdapter][0];
    adapter["Caption"] = WmiValue::null();
    adapter["AdapterType"] = WmiValue::null();
    adapter["MACAddress"] = WmiValue::null();
    adapter["ServiceName"] = WmiValue::other(); // a number, not a string
    auto& configuration = r.source.results[kQueryAdapterConfiguration][0];
    configuration["IPAddress"] = arr({}); // an array with nothing in it still shows its label
    configuration["DHCPEnabled"] = WmiValue::null();
    // A value that changes to true counts as enabled whatever its kind.
    r.source.results[kQueryAdapterConfiguration][1]["DHCPEnabled"] = WmiValue::other(true);
    r.source.results[kQueryOperatingSystem][0]["CSDVersion"] = WmiValue::null();
    r.source.results[kQueryOperatingSystem][0]["Caption"] = WmiValue::null();
    r.values.computerName.reset();
    r.values.windowsFolder.reset();

    auto expected = concat({kFixedSection, kFirstBlock, kSecondBlock, {kDash}});
    expected[0] = "OS名:\t\t\t";
    expected[1] = "OSバージョン：\t\t6.1.7601 ";
    expected[3] = expected[9] = "";
    expected.erase(expected.begin() + 15 + 5); // one address line fewer
    expected[15 + 1] = "名前：\t\t\t";
    expected[15 + 2] = "アダプタの種類：\t情報なし";
    expected[15 + 3] = "サービス名：\t\t情報なし";
    expected[15 + 4] = "IPアドレス：\t\t情報なし";
    expected[15 + 8] = "DHCP有効：\t\t無効";
    expected[15 + 9] = "MACアドレス：\t\t情報なし";
    expected[15 + 10 + 7] = "DHCP有効：\t\t有効";
    EXPECT_EQ(r.build(), expected);
}

TEST(SystemReport, AdaptersEndWithEitherSet) {
    Report fewerConfigurations;
    fewerConfigurations.source.results[kQueryAdapterConfiguration].pop_back();
    EXPECT_EQ(fewerConfigurations.build(), concat({kFixedSection, kFirstBlock, {kDash}}));
    EXPECT_EQ(fewerConfigurations.run.events.back(), "reset");

    Report none;
    none.source.results[kQueryNetworkAdapter].clear();
    EXPECT_EQ(none.build(), concat({kFixedSection, {kDash}}));
}

TEST(SystemReport, SingleInstanceQueryWithoutObjectLeavesLabels) {
    Report r;
    r.source.results[kQueryOperatingSystem].clear();
    r.source.results[kQueryBios][0].erase("Version"); // a failed read counts as empty
    auto lines = r.build();
    EXPECT_EQ(lines[0], "OS名:\t\t\t");
    EXPECT_EQ(lines[1], "OSバージョン：\t\t");
    EXPECT_EQ(lines[2], "OS 製造元：\t\t");
    EXPECT_EQ(lines[8], "BIOSのバージョン：\t");
    EXPECT_EQ(lines.back(), kDash);
}

TEST(SystemReport, LongValuesAreCutWithoutSplittingACharacter) {
    Report r;
    // "OSバージョン：\t\t" is 16 bytes; 238 ASCII bytes bring the line to 254, so the next
    // double-byte character no longer fits.
    std::string version(238, 'v');
    r.source.results[kQueryOperatingSystem][0]["Version"] = str((version + "漢字").c_str());
    r.values.computerName = Text(400, 'n');
    r.build();
    const Text& line2 = r.run.lines[1];
    EXPECT_EQ(line2.size(), 254u);
    EXPECT_EQ(line2.back(), 'v');
    EXPECT_EQ(r.run.lines[3].size(), kFixedLineLimit);

    EXPECT_EQ(cutToLimit("ab\x8a\xbf"
                         "c",
                         4),
              "ab\x8a\xbf");
    EXPECT_EQ(cutToLimit("abc\x8a\xbf", 4), "abc");
    EXPECT_EQ(cutToLimit("abc", 4), "abc");
}

// Each early end, by a failure or an abort: the pane holds the start of the complete report, the
// bars went so far (which pins the queries' order), and there is no closing line, reset or box.
struct EarlyEnd {
    const char* name;
    std::function<void(Report&)> script;
    std::size_t lines;
    int progressPoints;
    std::string lastCall; // the one before the closing, when it matters
};

class SystemReportEarlyEnd : public testing::TestWithParam<EarlyEnd> {};

TEST_P(SystemReportEarlyEnd, EndsAsTheFailureTableSays) {
    const EarlyEnd& end = GetParam();
    Report r;
    end.script(r);
    auto lines = r.build();
    auto complete = concat({kFixedSection, kFirstBlock, kSecondBlock, {kDash}});
    EXPECT_EQ(lines, std::vector<std::string>(complete.begin(), complete.begin() + end.lines));
    EXPECT_EQ(r.run.count("progress"), end.progressPoints);
    EXPECT_EQ(r.run.count("reset"), 0);
    EXPECT_EQ(r.run.boxes.size(), 0u);
    if (!end.lastCall.empty()) {
        EXPECT_EQ(r.source.calls.end()[-2], end.lastCall);
    }
}

std::vector<EarlyEnd> earlyEnds() {
    auto fail = [](const char* wql) { return [wql](Report& r) { r.source.results.erase(wql); }; };
    auto abortAt = [](const char* event, int n) {
        return [=](Report& r) {
            r.run.afterEvent = [=](FakeRunContext& run) {
                if (run.count(event) == n)
                    run.abort = true;
            };
        };
    };
    std::vector<EarlyEnd> ends{
        {"Connect", [](Report& r) { r.source.connectResult = false; }, 0, 3, ""},
        {"Bios", fail(kQueryBios), 0, 4, ""},
        {"Processor", fail(kQueryProcessor), 0, 5, ""},
        {"ComputerSystem", fail(kQueryComputerSystem), 0, 6, ""},
        {"OperatingSystem", fail(kQueryOperatingSystem), 0, 7, ""},
        {"Adapters", fail(kQueryNetworkAdapter), 15, 8, ""},
        {"Configurations", fail(kQueryAdapterConfiguration), 15, 9, ""},
        // An abort ends the report right after the connection, the adapter query or a read.
        {"AbortAtAProgressPoint", abortAt("progress", 3), 0, 3, "connect"},
        {"AbortInTheFixedSection", abortAt("line", 4), 4, 7,
         std::string("query ") + kQueryNetworkAdapter},
        {"AbortInABlock", abortAt("line", 15 + 3), 15 + 3, 9, "read Caption"},
        {"AbortWhileAnAdapterIsRead",
         [](Report& r) {
             r.source.afterCall = [&r, reads = 0](const std::string& call) mutable {
                 // Nine reads of the single-instance classes, eight of the first adapter.
                 if (call.rfind("read ", 0) == 0 && ++reads == 9 + 8 + 5)
                     r.run.abort = true;
             };
         },
         26, 9, "read IPSubnet"},
    };
    // A failed read of the second adapter keeps the first block and ends there.
    for (auto [query, name] : std::initializer_list<std::pair<const char*, const char*>>{
             {kQueryNetworkAdapter, "Caption"},
             {kQueryNetworkAdapter, "AdapterType"},
             {kQueryNetworkAdapter, "ServiceName"},
             {kQueryAdapterConfiguration, "IPAddress"},
             {kQueryAdapterConfiguration, "IPSubnet"},
             {kQueryAdapterConfiguration, "DefaultIPGateway"},
             {kQueryNetworkAdapter, "MACAddress"},
             {kQueryAdapterConfiguration, "DHCPEnabled"}}) {
        ends.push_back({name, [=](Report& r) { r.source.results[query][1].erase(name); }, 26, 9,
                        std::string("read ") + name});
    }
    return ends;
}

INSTANTIATE_TEST_SUITE_P(Failures, SystemReportEarlyEnd, testing::ValuesIn(earlyEnds()),
                         [](const testing::TestParamInfo<EarlyEnd>& info) {
                             return info.param.name;
                         });

TEST(SystemReport, OpenFailuresShowTheErrorBox) {
    for (auto failure : {WmiSource::OpenResult::InitFailed, WmiSource::OpenResult::LocatorFailed}) {
        Report r;
        r.source.openResult = failure;
        auto lines = r.build();
        EXPECT_TRUE(lines.empty());
        ASSERT_EQ(r.run.boxes.size(), 1u);
        const auto& box = r.run.boxes[0];
        // The first failure happens on the run's own thread with its dialog up; the second is
        // shown on its own.
        EXPECT_EQ(box.ownedByDialog, failure == WmiSource::OpenResult::InitFailed);
        EXPECT_EQ(cp932ToUtf8(box.caption), "エラー");
        EXPECT_EQ(cp932ToUtf8(box.text),
                  "システム情報が取得できませんでした。\r\nシステム情報を巣得するにはWMIがインスト"
                  "ールされている必要があります。\r\n詳しくはreadme.txtを参照してください。");
        EXPECT_EQ(box.flags, 0u);
        EXPECT_EQ(r.run.events, (std::vector<std::string>{"progress", "box"}));
        EXPECT_EQ(r.source.calls, (std::vector<std::string>{"open", "close"}));
    }
}

TEST(WmiValue, Conversions) {
    EXPECT_EQ(valueText(arr({"a"})), "");
    EXPECT_EQ(valueText(std::nullopt), "");
    EXPECT_EQ(cp932ToUtf8(valueTextOrNone(WmiValue::other(true))), "情報なし");
    EXPECT_FALSE(valueElements(str("a")).has_value());
    EXPECT_EQ(*valueElements(arr({"1", "2", "3"})), (std::vector<Text>{"1", "2", "3"}));
    EXPECT_EQ(cp932ToUtf8(enabledText(std::nullopt)), "無効");
}

} // namespace
} // namespace tg
