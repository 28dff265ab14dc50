#include "text/StringList.h"

namespace tg {

std::vector<TextView> splitLineViews(TextView text) {
    std::vector<TextView> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

StringList splitLines(TextView text) {
    std::vector<TextView> views = splitLineViews(text);
    return StringList(views.begin(), views.end());
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
