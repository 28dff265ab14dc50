#include "platform/Files.h"
#include "platform/ProgramFiles.h"
#include "text/IniFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(UserFolder, FollowsXdgConfigHomeUnlessItIsRelative) {
    ScopedEnv home("HOME", "/home/someone");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/srv/config");
        EXPECT_EQ(tg::platform::userSettingsFolder(), fs::path("/srv/config/tginfo"));
    }
    for (const char* ignored : {"relative/config", ""}) {
        ScopedEnv config("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(tg::platform::userSettingsFolder(), fs::path("/home/someone/.config/tginfo"));
    }
}

// /proc takes no new files, not even from root: a program folder that cannot be written.
TEST(UserFolder, TakesTheSettingsOfAProgramWhoseFolderCannotBeWritten) {
    const fs::path config = fs::temp_directory_path() / "tg-user-folder-test";
    fs::remove_all(config);
    const fs::path user = config / "tginfo";

    // A reader finds the same file and creates nothing.
    EXPECT_EQ(tg::settingsFileToRead("/proc/netinfo", user), user / "netinfo.INI");
    EXPECT_FALSE(fs::exists(config));
    const fs::path ini = tg::settingsFilePath("/proc/netinfo", user);
    EXPECT_EQ(ini, user / "netinfo.INI");
    tg::IniFile file(ini, tg::platform::replaceFile);
    file.writeInteger("POSITION", "TOP", 132);
    EXPECT_EQ(tg::IniFile(ini, tg::platform::replaceFile).readInteger("POSITION", "TOP", 0), 132);
    fs::remove_all(config);
}

} // namespace
