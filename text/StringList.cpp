#include "text/StringList.h"

#include "text/Codec.h"
#include "text/Error.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tg {

StringList splitLines(TextView text) {
    StringList lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

Text joinLinesCrLf(const StringList& lines) {
    size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    Text out;
    out.reserve(size);
    for (const auto& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

namespace {

std::string fromNativePathUtf8(const std::filesystem::path& path) {
    auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

Text describe(const char* what, const std::filesystem::path& path) {
    // The message reads as the rest of the interface does: Japanese, cp932.
    return utf8ToCp932(std::string(what) + ": " + fromNativePathUtf8(path) + " (" +
                       std::strerror(errno) + ")");
}

} // namespace

StringList loadLines(const std::filesystem::path& path) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error(describe("ファイルを開けません", path));
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw Error(describe("ファイルを読み込めません", path));
    return splitLines(bytes);
}

void saveLines(const std::filesystem::path& path, const StringList& lines) {
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw Error(describe("ファイルを作成できません", path));
    Text bytes = joinLinesCrLf(lines);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw Error(describe("ファイルに書き込めません", path));
}

bool equalsIgnoreCase(TextView a, TextView b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

std::optional<size_t> indexOfIgnoreCase(const StringList& lines, TextView text) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (equalsIgnoreCase(lines[i], text))
            return i;
    }
    return std::nullopt;
}

StringList splitDelimited(TextView text, char delimiter) {
    StringList items;
    if (text.empty())
        return items;
    size_t start = 0;
    for (;;) {
        size_t at = text.find(delimiter, start);
        items.emplace_back(text.substr(start, at == TextView::npos ? TextView::npos : at - start));
        if (at == TextView::npos)
            break;
        start = at + 1;
    }
    return items;
}

} // namespace tg
