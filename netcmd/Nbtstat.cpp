#include "netcmd/Answers.h"
#include "netcmd/Columns.h"

#include <cstdio>

namespace tg::netcmd {

namespace {

constexpr unsigned kNodeStatus = 0x21;

unsigned be16(std::string_view b, std::size_t at) {
    return (static_cast<unsigned char>(b[at]) << 8) | static_cast<unsigned char>(b[at + 1]);
}

void put16(std::string& out, unsigned value) {
    out += static_cast<char>((value >> 8) & 0xFF);
    out += static_cast<char>(value & 0xFF);
}

} // namespace

std::string nodeStatusRequest(std::uint16_t id) {
    std::string out;
    put16(out, id);
    put16(out, 0); // a query, no flags: it goes to one address, nothing is broadcast
    put16(out, 1); // one question
    put16(out, 0);
    put16(out, 0);
    put16(out, 0);
    // The wildcard name "*" padded with NULs, in the first-level encoding.
    out += static_cast<char>(32);
    for (int i = 0; i < 16; ++i) {
        unsigned char c = i == 0 ? '*' : 0;
        out += static_cast<char>('A' + (c >> 4));
        out += static_cast<char>('A' + (c & 0x0F));
    }
    out += '\0';
    put16(out, kNodeStatus);
    put16(out, 1); // class IN
    return out;
}

std::optional<Lines> nodeStatusLines(std::string_view answer, std::uint16_t id) {
    if (answer.size() < 12 || be16(answer, 0) != id || !(be16(answer, 2) & 0x8000) ||
        be16(answer, 6) == 0)
        return std::nullopt;
    std::size_t at = 12;
    // The answer's name: a pointer or the encoded name in full.
    if (at < answer.size() && (static_cast<unsigned char>(answer[at]) & 0xC0) == 0xC0) {
        at += 2;
    } else {
        while (at < answer.size() && answer[at] != '\0')
            at += 1 + static_cast<unsigned char>(answer[at]);
        ++at;
    }
    if (at + 11 > answer.size() || be16(answer, at) != kNodeStatus)
        return std::nullopt;
    std::size_t length = be16(answer, at + 8);
    at += 10;
    if (at + length > answer.size() || length < 1)
        return std::nullopt;
    std::string_view data = answer.substr(at, length);
    std::size_t count = static_cast<unsigned char>(data[0]);
    if (1 + count * 18 > data.size())
        return std::nullopt;

    Lines out{"           NetBIOS リモート コンピューター ネーム テーブル", "",
              "       名前               種類         状態",
              "    ---------------------------------------------"};
    for (std::size_t i = 0; i < count; ++i) {
        std::string_view entry = data.substr(1 + i * 18, 18);
        std::string name;
        for (char c : entry.substr(0, 15))
            name += static_cast<unsigned char>(c) < 0x20 ? '.' : c;
        name.erase(name.find_last_not_of(' ') + 1);
        unsigned flags = be16(entry, 16);
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, "<%02X>", static_cast<unsigned char>(entry[15]));
        const char* state = (flags & 0x0800) ? "競合" : (flags & 0x1000) ? "登録解除中" : "登録済";
        out.push_back("    " + padRight(name, 15) + suffix + "  " +
                      padRight((flags & 0x8000) ? "グループ" : "一意", 12) + state);
    }
    out.push_back("");
    if (data.size() >= 1 + count * 18 + 6)
        out.push_back("    MAC アドレス = " + macText(data.substr(1 + count * 18, 6), '-', true));
    return out;
}

} // namespace tg::netcmd
