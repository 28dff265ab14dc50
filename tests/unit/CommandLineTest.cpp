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

TEST(CommandLine, ExamplesKeepEveryBlank) {
    EXPECT_EQ(lineFor(1, {"/all", "", "", ""}), "ipconfig /all");
    EXPECT_EQ(lineFor(6, {"-an", "", "", ""}), "netstat -an ");
    EXPECT_EQ(lineFor(2, {"-a", "", "", ""}), "arp -a ");
    EXPECT_EQ(lineFor(4, {kNone, "", "192.168.1.10", ""}), "ping  192.168.1.10");
    EXPECT_EQ(lineFor(7, {"", "", "192.168.1.10", ""}), "nslookup  192.168.1.10");
    EXPECT_EQ(lineFor(8, {"view", "/domain", "", ""}), "net view /domain");
    EXPECT_EQ(lineFor(9, {"-a", "", "", ""}), "nbtstat -a ");
    EXPECT_EQ(lineFor(5, {"-d", "", "host", ""}), "tracert -d host");
    EXPECT_EQ(lineFor(3, {"print", "", "", ""}), "route print ");
}

TEST(CommandLine, PartsTakenAsTypedWithoutQuotingOrTrimming) {
    EXPECT_EQ(lineFor(4, {"-n 5", "", " a\"b ", ""}), "ping -n 5  a\"b ");
    EXPECT_EQ(lineFor(4, {"", "", "; touch X", ""}), "ping  ; touch X");
    // ipconfig does not take the second box.
    EXPECT_EQ(lineFor(1, {"/all", "ignored", "", ""}), "ipconfig /all");
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

TEST(CommandLine, TargetRequiredOnlyForPingTracertNslookup) {
    for (int slot = 0; slot < tg::kSlotCount; ++slot) {
        bool required = slot == 4 || slot == 5 || slot == 7;
        EXPECT_EQ(tg::checkTarget(slot, ""), !required) << slot;
        EXPECT_TRUE(tg::checkTarget(slot, " ")) << slot;
        EXPECT_TRUE(tg::checkTarget(slot, "host")) << slot;
    }
}

} // namespace
