#include "netcmd/Columns.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

namespace tg::netcmd {

std::size_t displayWidth(std::string_view utf8) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        auto b = static_cast<unsigned char>(utf8[i]);
        std::size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        // Half-width katakana (U+FF61..U+FF9F) is one byte in code page 932.
        bool halfWidth = length == 3 && i + 2 < utf8.size() && b == 0xEF &&
                         ((static_cast<unsigned char>(utf8[i + 1]) == 0xBD &&
                           static_cast<unsigned char>(utf8[i + 2]) >= 0xA1) ||
                          static_cast<unsigned char>(utf8[i + 1]) == 0xBE);
        width += length == 1 || halfWidth ? 1 : 2;
        i += length;
    }
    return width;
}

std::string padRight(std::string_view text, std::size_t width) {
    std::string out(text);
    for (std::size_t w = displayWidth(text); w < width; ++w)
        out += ' ';
    return out;
}

std::string padLeft(std::string_view text, std::size_t width) {
    std::size_t w = displayWidth(text);
    return std::string(w < width ? width - w : 0, ' ') + std::string(text);
}

std::string leaderLine(std::string_view label, std::size_t colon, std::string_view value) {
    std::string out = "   " + std::string(label);
    for (std::size_t column = displayWidth(out); column < colon; ++column)
        out += (column % 2) == ((colon - 1) % 2) ? '.' : ' ';
    out += ": ";
    out += value;
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string continuationLine(std::size_t colon, std::string_view value) {
    return std::string(colon + 2, ' ') + std::string(value);
}

std::vector<std::string_view> splitLines(std::string_view text) {
    return platform::linuxfiles::lines(text);
}

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::optional<unsigned long long> number(std::string_view text, int base) {
    unsigned long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

Counters counters(std::string_view content) {
    Counters out;
    auto lines = splitLines(content);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto names = splitFields(lines[i]);
        if (names.size() == 2 && !names[0].ends_with(":")) {
            if (auto value = number(names[1]))
                out[std::string(names[0])] = *value;
            continue;
        }
        if (names.empty() || !names[0].ends_with(":") || i + 1 >= lines.size())
            continue;
        auto values = splitFields(lines[i + 1]);
        // A header line of names is followed by its line of values.
        if (values.size() != names.size() || values[0] != names[0] ||
            (names.size() > 1 && number(names[1])))
            continue;
        std::string prefix(names[0].substr(0, names[0].size() - 1));
        for (std::size_t k = 1; k < names.size(); ++k) {
            // Negative values (Tcp MaxConn -1) are read as none.
            if (auto value = number(values[k]))
                out[prefix + "." + std::string(names[k])] = *value;
        }
        ++i;
    }
    return out;
}

unsigned long long counter(const Counters& all, const std::string& key) {
    auto it = all.find(key);
    return it == all.end() ? 0 : it->second;
}

} // namespace tg::netcmd
