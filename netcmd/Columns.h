#pragma once

// Column layout for the Windows-style answers. The text is UTF-8 here; the process layer turns
// it into code page 932, where a Japanese character takes two columns, as it does on screen.

#include "platform/linux/LinuxFiles.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg::netcmd {

// Columns the text takes on a Japanese console.
std::size_t displayWidth(std::string_view utf8);

std::string padRight(std::string_view text, std::size_t width);
std::string padLeft(std::string_view text, std::size_t width);

// "   label. . . . . .: value" with the colon at column colon, dots on every other column.
std::string leaderLine(std::string_view label, std::size_t colon, std::string_view value);
// A further value under the previous one.
std::string continuationLine(std::size_t colon, std::string_view value);

std::vector<std::string_view> splitLines(std::string_view text);
using platform::linuxfiles::splitFields;
using platform::linuxfiles::trim;
std::string lower(std::string_view text);
std::optional<unsigned long long> number(std::string_view text, int base = 10);

// The counters of /proc/net/snmp and /proc/net/netstat ("Tcp.ActiveOpens") and of
// /proc/net/snmp6 ("Ip6InReceives").
using Counters = std::map<std::string, unsigned long long>;
Counters counters(std::string_view content);
unsigned long long counter(const Counters& all, const std::string& key);

using platform::linuxfiles::readFile;

} // namespace tg::netcmd
