// The code page side of text/Codec.h on the Windows converter.

#include "text/Codec.h"

#include <algorithm>
#include <vector>

#include <windows.h>

namespace tg {

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

} // namespace tg
