#include "text/Codec.h"

#include <cstdint>
#include <cstdlib>

// Any bytes, read both as cp932 and as UTF-8: conversion never fails, and what cp932 yields from
// valid UTF-8 converts back to the same characters.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string utf8 = tg::cp932ToUtf8(bytes);
    tg::Text cp932 = tg::utf8ToCp932(utf8);
    // Decoding what we encoded from our own decoder's output is stable.
    if (tg::cp932ToUtf8(cp932) != tg::cp932ToUtf8(tg::utf8ToCp932(tg::cp932ToUtf8(cp932))))
        std::abort();
    tg::Text fromUtf8 = tg::utf8ToCp932(bytes);
    std::u16string wide = tg::cp932ToUtf16(fromUtf8);
    if (tg::utf16ToCp932(wide).size() > fromUtf8.size() * 2 + 2)
        std::abort();
    return 0;
}
