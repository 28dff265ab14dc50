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

} // namespace
