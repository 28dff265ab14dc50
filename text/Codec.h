#pragma once

#include "text/Text.h"

#include <string>

namespace tg {

// Code page 932 conversions. Characters that the target lacks become '?'; invalid input never
// fails: each byte that does not start a valid character becomes '?' (or U+FFFD for UTF-8 input
// that is not valid, which then becomes '?').
//
// The code page side (cp932ToUtf16, utf16ToCp932, isCp932Pair, appendCp932) is the operating
// system's converter, defined under platform/ in the library tg_codepage, which tg_core links.
std::u16string cp932ToUtf16(TextView text);
// The same into out, which has room for text.size() units; returns the units written.
std::size_t cp932ToUtf16(TextView text, char16_t* out);
Text utf16ToCp932(std::u16string_view text);
std::string cp932ToUtf8(TextView text);
Text utf8ToCp932(std::string_view text);

// True when lead and trail make one character of the code page, which the conversions above turn
// into one UTF-16 unit; any other byte is a character of its own, one unit as well.
bool isCp932Pair(unsigned char lead, unsigned char trail);

// Bytes (1 or 2) of the character at text[at].
inline std::size_t cp932CharLength(TextView text, std::size_t at) {
    auto c = static_cast<unsigned char>(text[at]);
    return isCp932LeadByte(c) && at + 1 < text.size() &&
                   isCp932Pair(c, static_cast<unsigned char>(text[at + 1]))
               ? 2
               : 1;
}

} // namespace tg

namespace tg {

// Appends the code page 932 bytes of one Unicode code point, or '?' when the code page lacks it.
void appendCp932(Text& out, char32_t codePoint);

// Decodes one UTF-8 sequence at the start of bytes. Returns its length and stores the code point,
// 0 when the bytes do not start a valid sequence, or -1 when they are a valid but incomplete start
// (more bytes are needed to decide).
int decodeUtf8(std::string_view bytes, char32_t& codePoint);

} // namespace tg
