#pragma once

#include "text/IniFile.h"
#include "text/Text.h"

#include <filesystem>
#include <vector>

namespace tg {

// The recent-file list lives only in the HISTORY section of the settings file, newest first.
inline constexpr int kHistorySize = 5;

struct HistoryEntry {
    std::filesystem::path fileName; // the caption: the file-name part of the path
    std::filesystem::path path;     // the whole path, as it was saved or opened
};

// The entries the File menu shows: the values of the section's first five keys in file order,
// whatever their names.
std::vector<HistoryEntry> readHistory(const IniFile& ini);

// Puts path at the head of the list, written as fromNativePath writes it, drops its older copies
// (exact, case-sensitive comparison)
// and writes the first five items to FILE0 to FILE4, in one write. The section keeps nothing
// else: keys past the five the menu shows, or of other names, are dropped, so that a section
// grown by hand does not make every later start and save slower.
void addToHistory(IniFile& ini, const std::filesystem::path& path);
// cp932 text is no path: toNativePath makes one of it.
void addToHistory(IniFile& ini, const Text& path) = delete;

} // namespace tg
