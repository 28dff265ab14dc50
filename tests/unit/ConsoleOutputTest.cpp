#include "platform/posix/ConsoleOutput.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

namespace {

using tg::Text;

Text convert(std::initializer_list<std::string_view> reads) {
    tg::platform::ConsoleOutput console;
    Text out;
    for (auto read : reads)
        console.convert(read, out);
    console.finish(out);
    return out;
}

TEST(ConsoleOutput, LoneLineFeedsBecomeCrLf) {
    EXPECT_EQ(convert({"a\nb\r\nc\n\n"}), "a\r\nb\r\nc\r\n\r\n");
    EXPECT_EQ(convert({"a\r", "\nb"}), "a\r\nb");
    EXPECT_EQ(convert({"a\r\r\n"}), "a\r\r\n");
    EXPECT_EQ(convert({"\n"}), "\r\n");
}

TEST(ConsoleOutput, Utf8BecomesCp932AtAnySplit) {
    const std::string utf8 = "応答 日本語\nok";
    const Text expected = tg::utf8ToCp932("応答 日本語") + "\r\nok";
    for (size_t cut = 0; cut <= utf8.size(); ++cut) {
        std::string_view all = utf8;
        EXPECT_EQ(convert({all.substr(0, cut), all.substr(cut)}), expected) << cut;
    }
    // One byte per read.
    tg::platform::ConsoleOutput console;
    Text out;
    for (char c : utf8)
        console.convert(std::string_view(&c, 1), out);
    EXPECT_EQ(out, expected);
}

TEST(ConsoleOutput, MissingCharactersAndForeignBytes) {
    EXPECT_EQ(convert({"\xF0\x9F\x98\x80!"}), "?!"); // no emoji in code page 932
    // Bytes that are not UTF-8 (here cp932 already) pass unchanged.
    EXPECT_EQ(convert({"\x82\xa0\x83\x41"}), "\x82\xa0\x83\x41");
    EXPECT_EQ(convert({"\xff\xfe"}), "\xff\xfe");
    // An incomplete character at the very end passes unchanged too.
    EXPECT_EQ(convert({"ok\xE6\x97"}), "ok\xE6\x97");
}

} // namespace
