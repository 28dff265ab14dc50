#include "platform/ProgramFiles.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

class ProgramFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / "tg-program-files-test";
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "bin");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_;
};

TEST_F(ProgramFiles, SettingsStayBesideAnExecutableWhoseFolderCanBeWritten) {
    const fs::path user = dir_ / "user";
    EXPECT_EQ(tg::settingsFilePath(dir_ / "bin" / "tginfo", user), dir_ / "bin" / "tginfo.INI");
    // Finding out leaves nothing behind.
    EXPECT_FALSE(fs::exists(user));
    EXPECT_TRUE(fs::is_empty(dir_ / "bin"));
}

TEST_F(ProgramFiles, HelpIsBesideTheExecutableOrWhereAnInstalledProgramKeepsIt) {
    const fs::path exe = dir_ / "bin" / "netinfo.exe";
    const fs::path beside = dir_ / "bin" / "netinfo.chm";
    const fs::path installed = dir_ / "share" / "tginfo" / "netinfo.chm";
    EXPECT_EQ(tg::helpFilePath(exe), beside); // neither exists: the shell says so

    fs::create_directories(installed.parent_path());
    std::ofstream(installed) << "x";
    EXPECT_EQ(tg::helpFilePath(exe), installed);

    std::ofstream(beside) << "x";
    EXPECT_EQ(tg::helpFilePath(exe), beside);
}

} // namespace
