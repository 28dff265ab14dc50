// The code page side of text/Codec.h on glibc's iconv.

#include "text/Codec.h"

#include <array>
#include <cstdint>
#include <vector>

#include <iconv.h>

namespace tg {

namespace {

constexpr char16_t kNoChar = 0xFFFF;

// Code page 932 as glibc's iconv knows it, turned once into two tables so that conversions are
// table look-ups: fast on a flood of child output and safe to use from any thread.
struct Cp932Tables {
    std::array<char16_t, 256> single{};
    std::vector<char16_t> doubleByte = std::vector<char16_t>(256 * 256, kNoChar);
    std::vector<std::uint16_t> fromUnicode = std::vector<std::uint16_t>(0x10000, 0);
    std::vector<bool> mapped = std::vector<bool>(0x10000, false);

    Cp932Tables() {
        iconv_t cd = iconv_open("UTF-16LE", "CP932");
        auto decode = [&](const unsigned char* in, size_t len) -> char16_t {
            char inBuf[2] = {static_cast<char>(in[0]), len > 1 ? static_cast<char>(in[1]) : '\0'};
            char outBuf[8];
            char* inPtr = inBuf;
            char* outPtr = outBuf;
            size_t inLeft = len;
            size_t outLeft = sizeof outBuf;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (cd == reinterpret_cast<iconv_t>(-1) ||
                iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
                inLeft != 0 || outLeft != sizeof outBuf - 2) {
                return kNoChar;
            }
            return static_cast<char16_t>(static_cast<unsigned char>(outBuf[0]) |
                                         (static_cast<unsigned char>(outBuf[1]) << 8));
        };
        for (int b = 0; b < 256; ++b) {
            unsigned char c = static_cast<unsigned char>(b);
            single[b] = isCp932LeadByte(c) ? kNoChar : (b < 0x80 ? char16_t(b) : decode(&c, 1));
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isCp932LeadByte(static_cast<unsigned char>(lead)))
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F)
                    continue;
                unsigned char pair[2] = {static_cast<unsigned char>(lead),
                                         static_cast<unsigned char>(trail)};
                doubleByte[lead * 256 + trail] = decode(pair, 2);
            }
        }
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);

        // Where several codes decode to one character, encode as Windows does: the lowest code,
        // except that the NEC-selected IBM rows (leads 0xED, 0xEE) yield to the IBM rows.
        auto claim = [&](char16_t u, std::uint16_t code) {
            if (u != kNoChar && !mapped[u]) {
                mapped[u] = true;
                fromUnicode[u] = code;
            }
        };
        for (int b = 0; b < 256; ++b)
            claim(single[b], static_cast<std::uint16_t>(b));
        for (int pass = 0; pass < 2; ++pass) {
            for (int code = 0x8140; code <= 0xFCFC; ++code) {
                bool necIbm = (code >> 8) == 0xED || (code >> 8) == 0xEE;
                if (necIbm == (pass == 1))
                    claim(doubleByte[code], static_cast<std::uint16_t>(code));
            }
        }
    }
};

const Cp932Tables& tables() {
    static const Cp932Tables t;
    return t;
}

} // namespace

std::size_t cp932ToUtf16(TextView text, char16_t* out) {
    const auto& t = tables();
    char16_t* at = out;
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        char16_t u = t.single[c];
        if (isCp932LeadByte(c) && i + 1 < text.size()) {
            u = t.doubleByte[c * 256 + static_cast<unsigned char>(text[i + 1])];
            if (u != kNoChar)
                ++i;
        }
        *at++ = u == kNoChar ? u'?' : u;
    }
    return static_cast<std::size_t>(at - out);
}

std::u16string cp932ToUtf16(TextView text) {
    std::u16string out(text.size(), u'\0');
    out.resize(cp932ToUtf16(text, out.data()));
    return out;
}

bool isCp932Pair(unsigned char lead, unsigned char trail) {
    return isCp932LeadByte(lead) && tables().doubleByte[lead * 256 + trail] != kNoChar;
}

void appendCp932(Text& out, char32_t codePoint) {
    const auto& t = tables();
    if (codePoint > 0xFFFF || !t.mapped[codePoint]) {
        out += '?';
        return;
    }
    std::uint16_t code = t.fromUnicode[codePoint];
    if (code > 0xFF)
        out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

Text utf16ToCp932(std::u16string_view text) {
    Text out;
    out.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t u = text[i];
        if (u >= 0xD800 && u <= 0xDFFF) {
            // A surrogate pair stands for a character beyond the code page: one '?'.
            if (u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF)
                ++i;
            out += '?';
            continue;
        }
        appendCp932(out, u);
    }
    return out;
}

} // namespace tg
