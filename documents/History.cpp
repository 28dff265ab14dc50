#include "documents/History.h"

#include "text/FileName.h"

#include <algorithm>
#include <string>

namespace tg {

namespace {

constexpr TextView kSection = "HISTORY";

} // namespace

std::vector<HistoryEntry> readHistory(const IniFile& ini) {
    std::vector<HistoryEntry> entries;
    StringList keys = ini.readSection(kSection);
    size_t count = std::min(keys.size(), static_cast<size_t>(kHistorySize));
    for (size_t i = 0; i < count; ++i) {
        Text path = ini.readString(kSection, keys[i], "");
        entries.push_back({extractFileName(path), path});
    }
    return entries;
}

void addToHistory(IniFile& ini, const Text& path) {
    StringList list{path};
    for (const Text& key : ini.readSection(kSection)) {
        Text value = ini.readString(kSection, key, "");
        if (value != path)
            list.push_back(std::move(value));
    }
    size_t count = std::min(list.size(), static_cast<size_t>(kHistorySize));
    for (size_t i = 0; i < count; ++i)
        ini.writeString(kSection, "FILE" + std::to_string(i), list[i]);
}

} // namespace tg
