#include "text/Codec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace tg {

namespace {

constexpr char16_t kNoChar = 0xFFFF;

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

#ifndef _WIN32

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

#endif

} // namespace

int decodeUtf8(std::string_view bytes, char32_t& codePoint) {
    if (bytes.empty())
        return -1;
    auto b0 = static_cast<unsigned char>(bytes[0]);
    if (b0 < 0x80) {
        codePoint = b0;
        return 1;
    }
    int len;
    char32_t cp;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    for (int i = 1; i < len; ++i) {
        if (static_cast<size_t>(i) >= bytes.size())
            return -1;
        auto b = static_cast<unsigned char>(bytes[i]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
        // Reject overlong forms and surrogates as soon as the second byte tells.
        if (i == 1) {
            if ((b0 == 0xE0 && b < 0xA0) || (b0 == 0xED && b >= 0xA0) || (b0 == 0xF0 && b < 0x90) ||
                (b0 == 0xF4 && b >= 0x90))
                return 0;
        }
    }
    if (cp < min || cp > 0x10FFFF)
        return 0;
    codePoint = cp;
    return len;
}

#ifdef _WIN32

namespace {

// Windows maps the bytes 0x80, 0xA0 and 0xFD to 0xFF to these code points only to carry them
// through unchanged; they are no characters of the code page, and the Linux converter lacks them.
bool isCarriedByte(char16_t u) {
    return u == 0x80 || (u >= 0xF8F0 && u <= 0xF8F3);
}

// Appends the UTF-16 of text, or returns false (appending nothing) when it holds a byte sequence
// that is no character.
bool appendStrictUtf16(std::u16string& out, TextView text) {
    int size = static_cast<int>(text.size());
    int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (n <= 0)
        return false;
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(n));
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), size,
                        reinterpret_cast<wchar_t*>(out.data() + at), n);
    return true;
}

// Surrogate-free UTF-16 to code page 932. Best-fit mapping stays off: it would turn characters the
// code page lacks into look-alikes, among them the yen sign into a path separator.
void appendCp932Run(Text& out, std::u16string_view text) {
    if (text.empty())
        return;
    auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    int size = static_cast<int>(text.size());
    int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, size, nullptr, 0, "?", nullptr);
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(n));
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, size, out.data() + at, n, "?", nullptr);
}

} // namespace

std::u16string cp932ToUtf16(TextView text) {
    std::u16string out;
    out.reserve(text.size());
    if (!appendStrictUtf16(out, text)) {
        // Broken text: character by character, so that each byte that starts no character becomes
        // '?' and the bytes after it still convert.
        for (size_t i = 0; i < text.size();) {
            auto c = static_cast<unsigned char>(text[i]);
            if (isCp932LeadByte(c) && i + 1 < text.size() &&
                appendStrictUtf16(out, text.substr(i, 2))) {
                i += 2;
                continue;
            }
            if (isCp932LeadByte(c) || !appendStrictUtf16(out, text.substr(i, 1)))
                out += u'?';
            ++i;
        }
    }
    for (char16_t& u : out) {
        if (isCarriedByte(u))
            u = u'?';
    }
    return out;
}

std::size_t cp932ToUtf16(TextView text, char16_t* out) {
    const std::u16string wide = cp932ToUtf16(text);
    std::copy(wide.begin(), wide.end(), out);
    return wide.size();
}

Text utf16ToCp932(std::u16string_view text) {
    Text out;
    out.reserve(text.size() * 2);
    size_t runStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t u = text[i];
        if ((u < 0xD800 || u > 0xDFFF) && !isCarriedByte(u))
            continue;
        appendCp932Run(out, text.substr(runStart, i - runStart));
        // A surrogate pair stands for a character beyond the code page: one '?'.
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            ++i;
        out += '?';
        runStart = i + 1;
    }
    appendCp932Run(out, text.substr(runStart));
    return out;
}

void appendCp932(Text& out, char32_t codePoint) {
    if (codePoint > 0xFFFF) {
        out += '?';
        return;
    }
    char16_t unit = static_cast<char16_t>(codePoint);
    out += utf16ToCp932(std::u16string_view(&unit, 1));
}

bool isCp932Pair(unsigned char lead, unsigned char trail) {
    // Asked per character while a pane lays out a line: the answers are looked up once.
    static const std::vector<bool> pairs = [] {
        std::vector<bool> table(256 * 256, false);
        std::u16string scratch;
        for (int l = 0x81; l <= 0xFC; ++l) {
            for (int t = 0x40; t <= 0xFC; ++t) {
                const char pair[2] = {static_cast<char>(l), static_cast<char>(t)};
                scratch.clear();
                table[l * 256 + t] = isCp932LeadByte(static_cast<unsigned char>(l)) &&
                                     appendStrictUtf16(scratch, TextView(pair, 2));
            }
        }
        return table;
    }();
    return pairs[lead * 256 + trail];
}

#else

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

#endif

std::string cp932ToUtf8(TextView text) {
    std::u16string wide = cp932ToUtf16(text);
    std::string out;
    out.reserve(wide.size() * 3);
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t cp = wide[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[++i] - 0xDC00);
        }
        appendUtf8(out, cp);
    }
    return out;
}

Text utf8ToCp932(std::string_view text) {
    Text out;
    out.reserve(text.size());
    while (!text.empty()) {
        char32_t cp = 0;
        int n = decodeUtf8(text, cp);
        if (n <= 0) {
            out += '?';
            text.remove_prefix(1);
            continue;
        }
        appendCp932(out, cp);
        text.remove_prefix(static_cast<size_t>(n));
    }
    return out;
}

} // namespace tg
