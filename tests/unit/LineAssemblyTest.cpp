#include "commands/LineAssembly.h"

#include <gtest/gtest.h>

namespace {

using tg::Text;
using Lines = std::vector<Text>;

Lines assemble(std::initializer_list<std::string_view> reads, bool finish = true) {
    tg::LineAssembly assembly;
    tg::LineBatch lines;
    for (auto read : reads)
        assembly.feed(read, lines);
    if (finish)
        assembly.finish(lines);
    return lines.lines();
}

TEST(LineAssembly, LineFeedCompletesAndOneTrailingCrGoes) {
    EXPECT_EQ(assemble({"a\r\nb\r\n"}), (Lines{"a", "b"}));
    EXPECT_EQ(assemble({"\r\n"}), (Lines{""}));
    EXPECT_EQ(assemble({"x\n\n\n"}), (Lines{"x"}));
    EXPECT_EQ(assemble({"x\r\r\n"}), (Lines{"x\r"}));
    EXPECT_EQ(assemble({"a\rb\n"}), (Lines{"a\rb"}));
}

TEST(LineAssembly, ReadsSplitAnywhereGiveTheSameLines) {
    const std::string_view all = "one\r\ntwo\r\n\r\nthree\r\r\nfour";
    const Lines expected{"one", "two", "", "three\r", "four"};
    for (size_t cut = 0; cut <= all.size(); ++cut)
        EXPECT_EQ(assemble({all.substr(0, cut), all.substr(cut)}), expected) << cut;
}

TEST(LineAssembly, PartialLineOnlyAtTheEnd) {
    EXPECT_EQ(assemble({"done\r\nrest"}, false), (Lines{"done"}));
    EXPECT_EQ(assemble({"done\r\nrest"}), (Lines{"done", "rest"}));
    EXPECT_EQ(assemble({"rest\r"}), (Lines{"rest"}));
    EXPECT_EQ(assemble({""}), Lines{});
}

TEST(LineAssembly, BytesPassUnchangedNulsAndHugeLinesIncluded) {
    const Text withNul("a\0b\x82\xa0\xff", 7);
    EXPECT_EQ(assemble({withNul + "\r\n"}), (Lines{withNul}));

    tg::LineAssembly assembly;
    tg::LineBatch lines;
    const std::string block(64 * 1024, 'x');
    for (int i = 0; i < 160; ++i) // 10 MB without a line feed
        assembly.feed(block, lines);
    EXPECT_TRUE(lines.empty());
    assembly.finish(lines);
    ASSERT_EQ(lines.lineCount(), 1u);
    EXPECT_EQ(lines.lines()[0].size(), 160u * 64 * 1024);
}

TEST(LineAssembly, ErrorTextTakesThePlaceOfThePartialLine) {
    tg::LineAssembly assembly;
    tg::LineBatch lines;
    assembly.feed("a\r\npartial", lines);
    assembly.replacePartial("error");
    assembly.finish(lines);
    EXPECT_EQ(lines.lines(), (Lines{"a", "error"}));
}

TEST(Progress, StepsWrapPast250) {
    EXPECT_EQ(tg::progressAfterSteps(0, 1), 10);
    EXPECT_EQ(tg::progressAfterSteps(0, 25), 250);
    EXPECT_EQ(tg::progressAfterSteps(0, 26), 0); // the 26th line starts over
    EXPECT_EQ(tg::progressAfterSteps(0, 27), 10);
    EXPECT_EQ(tg::progressAfterSteps(250, 1), 0);
    EXPECT_EQ(tg::progressAfterSteps(90, 0), 90);
    // Many lines at once land where as many single steps do.
    int single = 0;
    for (size_t n = 1; n <= 200; ++n) {
        single = tg::progressAfterSteps(single, 1);
        EXPECT_EQ(tg::progressAfterSteps(0, n), single) << n;
    }
    EXPECT_EQ(tg::progressAfterSteps(5, 25), 0); // off the grid: 255 would pass the maximum
}

} // namespace
