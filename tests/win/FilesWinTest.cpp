// Code page 932 paths against a real Windows file system (Wine's).

#include "text/FileName.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

namespace fs = std::filesystem;

class FileNamesOnWindows : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / "tg-win-filename-test";
        fs::remove_all(dir_);
        ASSERT_TRUE(fs::create_directory(dir_));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // The one file in the test folder, as the program reads a name the system hands it.
    tg::Text onlyEntry() const {
        tg::Text found;
        int count = 0;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            found = tg::fromNativePath(entry.path());
            ++count;
        }
        EXPECT_EQ(count, 1);
        return found;
    }

    fs::path dir_;
};

TEST_F(FileNamesOnWindows, JapaneseNameWithBackslashTrailBytesSurvivesTheFileSystem) {
    const tg::Text name = "\x95\x5C\x83\x5C\x8F\x5C.txt"; // 表ソ十.txt
    tg::Text folder = tg::fromNativePath(dir_) + "\\";
    std::ofstream(tg::toNativePath(folder + name)) << "x";

    tg::Text read = onlyEntry();
    EXPECT_EQ(read, folder + name);
    EXPECT_EQ(tg::extractFileName(read), name);
    EXPECT_EQ(tg::extractFilePath(read), folder);
    EXPECT_EQ(tg::changeFileExt(read, ".INI"), folder + "\x95\x5C\x83\x5C\x8F\x5C.INI");
}

TEST_F(FileNamesOnWindows, NameWithCharacterOutsideTheCodePageGainsNoSeparator) {
    // A yen sign best-fitted to 0x5C would split the name into a folder and a file.
    std::ofstream(dir_ / u"a\u00A5b.txt") << "x";

    tg::Text read = onlyEntry();
    EXPECT_EQ(tg::extractFileName(read), "a?b.txt");
    EXPECT_EQ(tg::extractFilePath(read), tg::fromNativePath(dir_) + "\\");
}

} // namespace
