#include "platform/Process.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;
using tg::platform::splitCommandLine;

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ(splitCommandLine("ping  192.168.1.10"), (Args{"ping", "192.168.1.10"}));
    EXPECT_EQ(splitCommandLine("netstat -an "), (Args{"netstat", "-an"}));
    EXPECT_EQ(splitCommandLine(" \tnet\tview  /domain"), (Args{"net", "view", "/domain"}));
    EXPECT_EQ(splitCommandLine("a \"b c\" d\"e f\"g"), (Args{"a", "b c", "de fg"}));
    EXPECT_EQ(splitCommandLine("a \"open to the end"), (Args{"a", "open to the end"}));
    EXPECT_EQ(splitCommandLine(""), Args{});
    EXPECT_EQ(splitCommandLine("   "), Args{});
}

TEST(SplitCommandLine, EmptyArgumentsAndDoubledQuotes) {
    EXPECT_EQ(splitCommandLine("a \"\" b"), (Args{"a", "", "b"}));
    EXPECT_EQ(splitCommandLine("a \"\""), (Args{"a", ""}));
    EXPECT_EQ(splitCommandLine("a \"x\"\"y\""), (Args{"a", "x\"y"}));
    EXPECT_EQ(splitCommandLine("a \"\"\"\""), (Args{"a", "\""}));
}

TEST(SplitCommandLine, BackslashesCountOnlyBeforeAQuote) {
    EXPECT_EQ(splitCommandLine(R"(a b\c\\d)"), (Args{"a", R"(b\c\\d)"}));
    EXPECT_EQ(splitCommandLine(R"(a \"b)"), (Args{"a", R"("b)"}));
    EXPECT_EQ(splitCommandLine(R"(a \\"b c")"), (Args{"a", R"(\b c)"}));
    EXPECT_EQ(splitCommandLine(R"(a \\\"b)"), (Args{"a", R"(\"b)"}));
    EXPECT_EQ(splitCommandLine(R"(a "c:\dir\\" next)"), (Args{"a", R"(c:\dir\)", "next"}));
}

TEST(SplitCommandLine, ProgramNameKeepsBackslashesAndDropsQuotes) {
    EXPECT_EQ(splitCommandLine(R"("C:\Program Files\x.exe" -a)"),
              (Args{R"(C:\Program Files\x.exe)", "-a"}));
    EXPECT_EQ(splitCommandLine(R"(C:\dir\\"a b"\p x)"), (Args{R"(C:\dir\\a b\p)", "x"}));
}

TEST(SplitCommandLine, SecondByteOfADoubleByteCharacterIsNeverABackslash) {
    // 表 is 0x95 0x5C in code page 932: its second byte must not escape the quote after it.
    EXPECT_EQ(splitCommandLine("a \x95\x5c\" b\""), (Args{"a", "\x95\x5c b"}));
    EXPECT_EQ(splitCommandLine("\"\x95\x5c\" b"), (Args{"\x95\x5c", "b"}));
}

} // namespace
