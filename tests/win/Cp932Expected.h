#pragma once

// Results of the Linux code page 932 conversions, generated at build time by
// MakeCp932Expected.cpp from the very sources the Linux program uses.

#include <cstdint>
#include <string_view>

namespace tgtest {

struct StringTableEntry {
    int id;
    std::string_view bytes;
};

// Every id below kStringTableIdLimit whose text is not empty.
constexpr int kStringTableIdLimit = 1000;
extern const StringTableEntry kExpectedStringTable[];
extern const int kExpectedStringTableSize;

// One entry per case of Cp932Cases.h, in the same order.
extern const std::string_view kExpectedEncoded[];
extern const std::u16string_view kExpectedDecoded[];
extern const std::string_view kExpectedDecodedUtf8[];
extern const std::string_view kExpectedUtf16Encoded[];

// cp932ToUtf16 of every one-byte text, and of every two-byte text that starts with a lead byte
// (index: lead byte * 256 + second byte; texts not starting with a lead byte are left empty).
extern const std::u16string_view kExpectedSingleBytes[256];
extern const std::u16string_view kExpectedPairs[256 * 256];

// utf16ToCp932 of every BMP code unit that is not a surrogate: the byte, or the two bytes as
// lead * 256 + trail.
extern const std::uint16_t kExpectedCodes[0x10000];

} // namespace tgtest
