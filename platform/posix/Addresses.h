#pragma once

// Internet addresses between their text and their bytes.

#include <cstdint>
#include <string>
#include <string_view>

namespace tg::platform {

// The address families as the system numbers them (AF_INET, AF_INET6).
inline constexpr int kInet = 2;
inline constexpr int kInet6 = 10;

// The text of 4 (kInet) or 16 (kInet6) address bytes; empty for any other size or family.
std::string addressText(int family, std::string_view bytes);
// Writes the 4 or 16 bytes of an address's text to out; false, out untouched, when the text is
// no address of that family.
bool addressBytes(int family, const std::string& text, void* out);
// An IPv4 address as a number in host order; 0 and ok false when the text is none.
std::uint32_t ipv4Number(const std::string& text, bool& ok);

} // namespace tg::platform
