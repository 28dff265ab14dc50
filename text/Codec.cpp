#include "text/Codec.h"

// The UTF-8 side of the conversions. The code page side (cp932ToUtf16, utf16ToCp932,
// appendCp932, isCp932Pair) is the operating system's converter: platform/posix/CodePagePosix.cpp
// or platform/win32/CodePageWin32.cpp, in the library tg_codepage.

namespace tg {

namespace {

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
