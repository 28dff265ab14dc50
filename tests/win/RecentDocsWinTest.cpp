// The shell's recent-documents list, fed for real under Wine.

#include "platform/RecentDocs.h"
#include "text/FileName.h"

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
    // The path goes to the shell as ANSI text, which is cp932 on a Japanese system only.
    ASSERT_EQ(GetACP(), 932u) << "run the suite with LC_ALL=ja_JP.UTF-8";
    fs::path recent = recentFolder();
    ASSERT_FALSE(recent.empty());
    fs::path dir = fs::temp_directory_path() / "tg-win-recent-test";
    fs::remove_all(dir);
    fs::create_directory(dir);
    const tg::Text name = "\x95\x5C\x83\x5C.txt"; // 表ソ.txt
    tg::Text path = tg::fromNativePath(dir) + "\\" + name;
    std::ofstream(tg::toNativePath(path)) << "x";
    fs::path link = recent / u"表ソ.txt.lnk";
    std::error_code ignored;
    fs::remove(link, ignored);

    tg::platform::addToRecentDocuments(path);

    EXPECT_TRUE(fs::exists(link)) << "no shortcut in " << recent.string();
    fs::remove(link, ignored);
    fs::remove_all(dir, ignored);
}

} // namespace
