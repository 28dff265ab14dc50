#include "platform/posix/ConsoleOutput.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

#include <random>

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

// The byte-at-a-time form the converter once had, as the reference for its faster ASCII runs.
Text byteByByte(const std::vector<std::string>& reads) {
    Text out;
    std::string held;
    bool afterCr = false;
    for (const std::string& read : reads) {
        std::string bytes = held + read;
        held.clear();
        for (size_t i = 0; i < bytes.size();) {
            auto b = static_cast<unsigned char>(bytes[i]);
            if (b < 0x80) {
                if (b == '\n' && !afterCr)
                    out += '\r';
                out += static_cast<char>(b);
                afterCr = b == '\r';
                ++i;
                continue;
            }
            afterCr = false;
            char32_t cp = 0;
            int n = tg::decodeUtf8(std::string_view(bytes).substr(i), cp);
            if (n < 0) {
                held = bytes.substr(i);
                break;
            }
            if (n == 0)
                out += static_cast<char>(b), ++i;
            else
                tg::appendCp932(out, cp), i += static_cast<size_t>(n);
        }
    }
    return out + held;
}

TEST(ConsoleOutput, AsciiRunsConvertAsByteByByte) {
    const std::vector<std::string> pieces = {
        "a",    "0123456789abcdef", "\r", "\n",  "\r\n", "\xE3\x81\x82",
        "\xFF", "\xE3\x81",         "\t", "\x7F"};
    std::mt19937 random(932);
    for (int round = 0; round < 2000; ++round) {
        std::string all;
        for (int n = std::uniform_int_distribution<int>(0, 40)(random); n > 0; --n)
            all += pieces[random() % pieces.size()];
        std::vector<std::string> reads;
        for (size_t at = 0; at < all.size();) {
            size_t take = std::uniform_int_distribution<size_t>(1, 24)(random);
            reads.push_back(all.substr(at, take));
            at += take;
        }
        tg::platform::ConsoleOutput console;
        Text out;
        for (const std::string& read : reads)
            console.convert(read, out);
        console.finish(out);
        ASSERT_EQ(out, byteByByte(reads)) << all;
    }
}

} // namespace
