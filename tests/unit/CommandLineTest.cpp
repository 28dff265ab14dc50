#include "commands/CommandLine.h"
#include "commands/ViewCatalogue.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

namespace {

using tg::Text;

const Text kNone = tg::utf8ToCp932("なし");

Text lineFor(int slot, const tg::RunInputs& inputs) {
    tg::CommandParts parts = tg::commandFor(slot, inputs);
    return tg::commandLineOf(parts.word, parts.args);
}

// The other views' lines are checked end to end by the window's run tests.
TEST(CommandLine, PartsTakenAsTypedWithoutQuotingOrTrimming) {
    EXPECT_EQ(lineFor(5, {"-d", "", "host", ""}), "tracert -d host");
    EXPECT_EQ(lineFor(3, {"print", "", "", ""}), "route print ");
    EXPECT_EQ(lineFor(4, {"-n 5", "", " a\"b ", ""}), "ping -n 5  a\"b ");
    // ipconfig does not take the second box, nor nslookup the combo.
    EXPECT_EQ(lineFor(1, {"/all", "ignored", "", ""}), "ipconfig /all");
    EXPECT_EQ(lineFor(7, {"-x", "", "host", "-type=mx"}), "nslookup -type=mx host");
    // An empty argument text still gets its blank.
    EXPECT_EQ(lineFor(1, {kNone, "", "", ""}), "ipconfig ");
    EXPECT_TRUE(tg::commandFor(0, {"x", "y", "z", ""}).word.empty());
}

TEST(CommandLine, OnlyTheExactNoneItemBecomesEmpty) {
    EXPECT_EQ(tg::optionText(kNone), "");
    EXPECT_EQ(tg::optionText(kNone + " "), kNone + " ");
    EXPECT_EQ(tg::optionText(" " + kNone), " " + kNone);
    EXPECT_EQ(tg::optionText("-t"), "-t");
    EXPECT_EQ(tg::optionText(""), "");
}

// A changing command is asked about however it is written; a command that only shows is not.
TEST(CommandLine, OnlyCommandsThatChangeTheNetworkAreAskedAbout) {
    const struct {
        int slot;
        tg::RunInputs inputs;
        bool changes;
    } rows[] = {
        {1, {"/release", "", "", ""}, true},
        {1, {"/RENEW", "", "", ""}, true},
        {1, {"-release6 *LAN*", "", "", ""}, true},
        {1, {"/all", "", "", ""}, false},
        {1, {"/flushdns", "", "", ""}, false},
        {1, {"/releasex", "", "", ""}, false},
        {1, {kNone, "", "", ""}, false},
        {2, {"-s", "192.0.2.1 00-e0-4c-c3-dd-d9", "", ""}, true},
        {2, {"-d", "192.0.2.1", "", ""}, true},
        {2, {"-a", "-D", "", ""}, true},
        {2, {"-a", "192.0.2.1", "", ""}, false},
        {2, {"-g", "", "", ""}, false},
        {3, {"add", "198.51.100.0 mask 255.255.255.0 192.0.2.1", "", ""}, true},
        {3, {"-p ADD", "198.51.100.0", "", ""}, true},
        {3, {"delete", "198.51.100.0", "", ""}, true},
        {3, {"\tchange", "198.51.100.0", "", ""}, true},
        {3, {"-f", "", "", ""}, true},
        {3, {"print", "", "", ""}, false},
        {3, {"print", "add", "", ""}, false},
        {3, {"-4 print", "", "", ""}, false},
        {3, {"", "", "", ""}, false},
        {6, {"-d", "", "", ""}, false},
        {5, {"-d", "", "host", ""}, false},
        {8, {"use", "/delete", "", ""}, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(tg::changesNetworkSettings(tg::commandFor(row.slot, row.inputs)), row.changes)
            << lineFor(row.slot, row.inputs);
}

} // namespace
