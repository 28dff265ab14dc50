#include "platform/Files.h"
#include "platform/ProgramFiles.h"
#include "text/IniFile.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// Wine gives every Windows program its own rights and takes nothing from an access list, but the
// Unix root behind drive Z: still refuses new files in /proc: a program folder no one can write.
TEST(UserFolderOnWindows, TakesTheSettingsOfAProgramWhoseFolderCannotBeWritten) {
    const fs::path user = tg::platform::userSettingsFolder();
    ASSERT_FALSE(user.empty());
    EXPECT_EQ(user.filename(), fs::path(L"TIDEGAUGE-INFO"));
    EXPECT_TRUE(fs::is_directory(user.parent_path())); // the roaming application data

    const fs::path ini = tg::settingsFilePath(L"Z:\\proc\\tginfo.exe", user);
    EXPECT_EQ(ini, user / L"tginfo.INI");
    std::error_code ignored;
    fs::remove(ini, ignored);
    tg::IniFile(ini, tg::platform::replaceFile).writeInteger("POSITION", "WIDTH", 708);
    EXPECT_EQ(tg::IniFile(ini, tg::platform::replaceFile).readInteger("POSITION", "WIDTH", 0), 708);
    fs::remove_all(user, ignored);
}

} // namespace
