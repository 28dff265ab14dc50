#include "documents/History.h"

#include "text/FileName.h"

#include <string>

namespace tg {

namespace {

constexpr TextView kSection = "HISTORY";

} // namespace

std::vector<HistoryEntry> readHistory(const IniFile& ini) {
    std::vector<HistoryEntry> entries;
    for (const auto& [key, value] : ini.readSectionValues(kSection, kHistorySize)) {
        std::filesystem::path path = toNativePath(value);
        // A name kept as cp932 text is split by characters of the code page, as it always was.
        std::filesystem::path fileName = value.compare(0, 7, "file://") == 0
                                             ? path.filename()
                                             : toNativePath(extractFileName(value));
        entries.push_back({std::move(fileName), std::move(path)});
    }
    return entries;
}

void addToHistory(IniFile& ini, const std::filesystem::path& native) {
    const Text path = fromNativePath(native);
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
