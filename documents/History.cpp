#include "documents/History.h"

#include "text/FileName.h"

#include <string>

namespace tg {

namespace {

constexpr TextView kSection = "HISTORY";

} // namespace

std::vector<HistoryEntry> readHistory(const IniFile& ini) {
    std::vector<HistoryEntry> entries;
    for (auto& [key, path] : ini.readSectionValues(kSection, kHistorySize))
        entries.push_back({extractFileName(path), std::move(path)});
    return entries;
}

void addToHistory(IniFile& ini, const Text& path) {
    std::vector<std::pair<Text, Text>> entries{{"FILE0", path}};
    for (auto& [key, value] : ini.readSectionValues(kSection)) {
        if (entries.size() == static_cast<size_t>(kHistorySize))
            break;
        if (value != path)
            entries.emplace_back("FILE" + std::to_string(entries.size()), std::move(value));
    }
    ini.writeSection(kSection, entries);
}

} // namespace tg
