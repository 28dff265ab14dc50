// The Windows code page 932 conversions (MultiByteToWideChar / WideCharToMultiByte) against the
// results of the Linux ones, byte for byte.

#include "Cp932Cases.h"
#include "Cp932Expected.h"

#include "resources/StringTable.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

template <typename Units> std::string hex(const Units& units) {
    std::string out;
    for (auto u : units) {
        char buf[8];
        std::snprintf(buf, sizeof buf, sizeof u == 1 ? "%02X " : "%04X ",
                      static_cast<unsigned>(static_cast<std::make_unsigned_t<decltype(u)>>(u)));
        out += buf;
    }
    return out;
}

// Collects disagreements over a whole table so that one failure shows the pattern, not one code.
class Mismatches {
public:
    void add(unsigned code, const std::string& got, const std::string& expected) {
        if (++count_ <= 20) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%04X", code);
            shown_ += std::string("\n  ") + buf + ": got " + got + " expected " + expected;
        }
    }
    int count() const { return count_; }
    const std::string& shown() const { return shown_; }

private:
    int count_ = 0;
    std::string shown_;
};

TEST(Cp932OnWindows, StringTableHasTheLinuxBytes) {
    std::map<int, std::string_view> expected;
    for (int i = 0; i < tgtest::kExpectedStringTableSize; ++i)
        expected[tgtest::kExpectedStringTable[i].id] = tgtest::kExpectedStringTable[i].bytes;
    ASSERT_GT(expected.size(), 20u);
    for (int id = 0; id < tgtest::kStringTableIdLimit; ++id) {
        auto it = expected.find(id);
        std::string_view want = it == expected.end() ? std::string_view() : it->second;
        EXPECT_EQ(hex(tg::loadString(id)), hex(want)) << "string " << id;
    }
}

TEST(Cp932OnWindows, TrickyTextsConvertLikeOnLinux) {
    int i = 0;
    for (auto text : tgtest::kEncodeCases) {
        EXPECT_EQ(hex(tg::utf8ToCp932(text)), hex(tgtest::kExpectedEncoded[i]))
            << "encoding case " << i << ": " << text;
        ++i;
    }
    i = 0;
    for (auto text : tgtest::kDecodeCases) {
        EXPECT_EQ(hex(tg::cp932ToUtf16(text)), hex(tgtest::kExpectedDecoded[i]))
            << "decoding case " << i << ": " << hex(text);
        EXPECT_EQ(hex(tg::cp932ToUtf8(text)), hex(tgtest::kExpectedDecodedUtf8[i]))
            << "decoding case " << i << " to UTF-8: " << hex(text);
        ++i;
    }
    i = 0;
    for (auto text : tgtest::kUtf16Cases) {
        EXPECT_EQ(hex(tg::utf16ToCp932(text)), hex(tgtest::kExpectedUtf16Encoded[i]))
            << "UTF-16 case " << i << ": " << hex(text);
        ++i;
    }
}

TEST(Cp932OnWindows, EveryByteAndPairDecodesLikeOnLinux) {
    Mismatches mismatches;
    for (unsigned b = 0; b < 256; ++b) {
        std::u16string got = tg::cp932ToUtf16(std::string(1, static_cast<char>(b)));
        if (got != tgtest::kExpectedSingleBytes[b])
            mismatches.add(b, hex(got), hex(tgtest::kExpectedSingleBytes[b]));
    }
    for (unsigned code = 0; code < 0x10000; ++code) {
        if (!tg::isCp932LeadByte(static_cast<unsigned char>(code >> 8)))
            continue;
        const char pair[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        std::u16string got = tg::cp932ToUtf16(std::string_view(pair, 2));
        if (got != tgtest::kExpectedPairs[code])
            mismatches.add(code, hex(got), hex(tgtest::kExpectedPairs[code]));
    }
    EXPECT_EQ(mismatches.count(), 0) << mismatches.shown();
}

TEST(Cp932OnWindows, EveryBmpCharacterEncodesLikeOnLinux) {
    Mismatches mismatches;
    for (unsigned unit = 0; unit < 0x10000; ++unit) {
        if (unit >= 0xD800 && unit <= 0xDFFF)
            continue;
        std::string got = tg::utf16ToCp932(std::u16string(1, static_cast<char16_t>(unit)));
        std::uint16_t code = tgtest::kExpectedCodes[unit];
        std::string expected =
            code > 0xFF ? std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)}
                        : std::string(1, static_cast<char>(code));
        if (got != expected)
            mismatches.add(unit, hex(got), hex(expected));
    }
    EXPECT_EQ(mismatches.count(), 0) << mismatches.shown();
}

} // namespace
