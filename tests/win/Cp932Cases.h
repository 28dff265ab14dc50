#pragma once

// Texts on which the Windows code page 932 conversions must give the same bytes as the Linux ones.
// Included by the test and by the Linux program that writes the expected results.

#include <string_view>

namespace tgtest {

using namespace std::string_view_literals;

// UTF-8 in, code page 932 out.
inline constexpr std::string_view kEncodeCases[] = {
    ""sv,
    "plain ASCII, ~ and \\ and 0x7F \x7F, tab\tCR\rLF\n"sv,
    "ｱｲｳｴｵ ｶﾞﾊﾟｰ ｡｢｣､･ﾝﾟ"sv,   // half-width kana: single bytes 0xA1..0xDF
    "表ソ能十予構噂貼纊"sv,    // trail byte 0x5C, the path separator
    "～－＼￠￡￢"sv,          // the full-width forms Windows maps
    "〜−‖¢£¬—"sv,              // their JIS look-alikes, which Windows lacks
    "¥‾é ü ñ Ω α"sv,           // best-fit candidates: none may turn into ASCII
    "①⑳Ⅰ㈱㍻∑√≒≡∫∵"sv,         // NEC special row 0x87 and its twins
    "纊褜鍈銈ⅰⅹ"sv,            // in both the NEC-selected and the IBM rows
    "\U0001F600 \U00020B9F"sv, // beyond the BMP
    "\xC3\x28 \xE3\x81 \xF0\x9F\x98 \xED\xA0\x80 \xC0\xAF \xFF"sv, // not UTF-8
    "a\0b"sv,
};

// Code page 932 in, UTF-16 and UTF-8 out.
inline constexpr std::string_view kDecodeCases[] = {
    ""sv,
    "\x95\x5C\x83\x5C\x94\x5C"sv,         // 表ソ能
    "\xB1\xB2\xDF\xA1"sv,                 // half-width kana
    "\x81\x60\x81\x7C\x81\x5F\x5C\x7E"sv, // ～ － ＼ \ ~
    "\x87\x40\x87\x9A\xED\x40\xFA\x40\xEE\xEF\xFA\x5B"sv,
    "\xF0\x40\xF9\xFC"sv,           // user-defined area
    "\x85\x40|\xEB\x40|\xFC\xFC"sv, // unassigned pairs
    "\x81\x20|\x81\x7F|\x81\x0A"sv, // lead byte before a byte that cannot trail
    "\x80|\xA0|\xFD|\xFE|\xFF"sv,   // single bytes outside the lead and kana ranges
    "a\0b\x81"sv,                   // embedded NUL, lead byte at the very end
};

// UTF-16 in, code page 932 out: surrogates, paired or lone.
inline constexpr std::u16string_view kUtf16Cases[] = {
    u"a\xD83D\xDE00z"sv, u"a\xD800z"sv, u"a\xDC00z"sv, u"\xD800\xD800\xDC00"sv, u"\xDBFF"sv,
};

} // namespace tgtest
