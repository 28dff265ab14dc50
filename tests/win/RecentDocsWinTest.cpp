// The shell's recent-documents list, fed for real under Wine.

#include "platform/RecentDocs.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

namespace fs = std::filesystem;

fs::path recentFolder() {
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_RECENT, nullptr, 0, path) != S_OK)
        return {};
    return fs::path(path);
}

TEST(RecentDocsOnWindows, SavedDocumentAppearsAmongTheRecentFiles) {
    fs::path recent = recentFolder();
    ASSERT_FALSE(recent.empty());
    fs::path dir = fs::temp_directory_path() / "tg-win-recent-test";
    fs::remove_all(dir);
    fs::create_directory(dir);
    const fs::path path = dir / u"表ソ.txt";
    std::ofstream(path) << "x";
    fs::path link = recent / u"表ソ.txt.lnk";
    std::error_code ignored;
    fs::remove(link, ignored);

    tg::platform::addToRecentDocuments(path);

    EXPECT_TRUE(fs::exists(link)) << "no shortcut in " << recent.string();
    fs::remove(link, ignored);
    fs::remove_all(dir, ignored);
}

} // namespace
