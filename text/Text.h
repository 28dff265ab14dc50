#pragma once

#include <string>
#include <string_view>

namespace tg {

// All of the program's text: code page 932 bytes, compared byte by byte.
using Text = std::string;
using TextView = std::string_view;

// True when byte c opens a double-byte character in code page 932.
inline bool isCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

} // namespace tg
