// Code page 932 paths, documents and the settings file on a real Windows file system (Wine's).

#include "documents/History.h"
#include "platform/Files.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileName.h"
#include "text/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace {

namespace fs = std::filesystem;

class FilesOnWindows : public ::testing::Test {
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

    std::string readBytes(const tg::Text& path) const {
        std::ifstream in(tg::toNativePath(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fs::path dir_;
};

// 表ソ: both characters end in 0x5C, the byte of the path separator.
const tg::Text kJapaneseFolder = "\x95\x5C\x83\x5C";

TEST_F(FilesOnWindows, JapaneseNameWithBackslashTrailBytesSurvivesTheFileSystem) {
    const tg::Text name = "\x95\x5C\x83\x5C\x8F\x5C.txt"; // 表ソ十.txt
    tg::Text folder = tg::fromNativePath(dir_) + "\\";
    std::ofstream(tg::toNativePath(folder + name)) << "x";

    tg::Text read = onlyEntry();
    EXPECT_EQ(read, folder + name);
    EXPECT_EQ(tg::extractFileName(read), name);
    EXPECT_EQ(tg::extractFilePath(read), folder);
    EXPECT_EQ(tg::changeFileExt(read, ".INI"), folder + "\x95\x5C\x83\x5C\x8F\x5C.INI");
}

TEST_F(FilesOnWindows, NameWithCharacterOutsideTheCodePageGainsNoSeparator) {
    // A yen sign best-fitted to 0x5C would split the name into a folder and a file; the text of
    // the name reads back to the name itself.
    std::ofstream(dir_ / u"a\u00A5b.txt") << "x";

    tg::Text read = onlyEntry();
    EXPECT_EQ(read.find('\\'), tg::Text::npos) << read;
    EXPECT_EQ(tg::toNativePath(read).native(), (dir_ / u"a\u00A5b.txt").native());
}

TEST_F(FilesOnWindows, DocumentInAJapaneseFolderIsReplacedAndReadBack) {
    tg::Text folder = tg::fromNativePath(dir_) + "\\" + kJapaneseFolder;
    fs::create_directory(tg::toNativePath(folder));
    tg::Text path = folder + "\\" + kJapaneseFolder + ".txt";
    const std::string bytes("TIDEGAUGE-INFO Ver2.0.0\r\n-----\r\n\x95\x5C\x83\x5C\n\0\r", 39);

    tg::platform::replaceFile(tg::toNativePath(path), "old");
    tg::platform::replaceFile(tg::toNativePath(path), bytes);

    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_EQ(tg::platform::readRegularFile(tg::toNativePath(path), 39), bytes);
    EXPECT_THROW(tg::platform::readRegularFile(tg::toNativePath(path), 38), tg::Error);
    // Nothing is left beside it.
    EXPECT_EQ(
        std::distance(fs::directory_iterator(tg::toNativePath(folder)), fs::directory_iterator()),
        1);
}

// The system's codes give the program's own Japanese words, with the file's cp932 name.
TEST_F(FilesOnWindows, FailuresNameTheFileAndTheReason) {
    auto message = [](auto action) {
        try {
            action();
        } catch (const tg::Error& e) {
            return e.text();
        }
        return tg::Text("no error");
    };
    tg::Text folder = tg::fromNativePath(dir_) + "\\" + kJapaneseFolder;
    tg::Text missing = folder + "\\missing.txt";
    EXPECT_EQ(message([&] { tg::platform::replaceFile(tg::toNativePath(missing), "x"); }),
              tg::utf8ToCp932("ファイルを作成できません: ") + missing +
                  tg::utf8ToCp932("\nファイルまたはフォルダーが見つかりません。"));
    EXPECT_EQ(message([&] { tg::platform::readRegularFile(tg::toNativePath(missing), 10); }),
              tg::utf8ToCp932("ファイルを開けません: ") + missing +
                  tg::utf8ToCp932("\nファイルまたはフォルダーが見つかりません。"));
    EXPECT_EQ(message([&] { tg::platform::readRegularFile(dir_, 10); }),
              tg::utf8ToCp932("ファイルを開けません: ") + tg::fromNativePath(dir_) +
                  tg::utf8ToCp932("\nファイルではなくフォルダーです。"));
    EXPECT_NE(message([&] {
                  tg::platform::readRegularFile("NUL", 10);
              }).find(tg::utf8ToCp932("通常のファイルではありません")),
              std::string::npos);
}

TEST_F(FilesOnWindows, SettingsFileInAJapaneseFolderKeepsCrLfAndValueBytes) {
    tg::Text folder = tg::fromNativePath(dir_) + "\\" + kJapaneseFolder;
    fs::create_directory(tg::toNativePath(folder));
    tg::Text iniPath = folder + "\\tginfo.INI";
    tg::Text document = folder + "\\\x95\x5C.txt";
    tg::IniFile ini(tg::toNativePath(iniPath), tg::platform::replaceFile);

    ini.writeString("HISTORY", "FILE0", document);
    ini.writeInteger("HISTORY", "FILE1", -20);

    // The Windows library writes its own CR LF: no line may end in CR CR LF.
    EXPECT_EQ(readBytes(iniPath), "[HISTORY]\r\nFILE0=" + document + "\r\nFILE1=-20\r\n");
    tg::IniFile again(tg::toNativePath(iniPath), tg::platform::replaceFile);
    EXPECT_EQ(again.readString("HISTORY", "FILE0", ""), document);
    EXPECT_EQ(again.readInteger("history", "file1", 0), -20);
}

// A name cp932 lacks is written, found and kept in the history under its own name, never as '?'.
TEST_F(FilesOnWindows, NamesOutsideCp932StayTheirOwn) {
    const fs::path folder = dir_ / L"\uD55C\uAD6D \U0001F4C1";
    fs::create_directory(folder);
    const fs::path file = folder / L"r\u00E9sum\u00E9 \u8868.txt";
    tg::platform::replaceFile(file, "bytes");
    tg::IniFile ini(dir_ / L"tginfo.INI", tg::platform::replaceFile);
    tg::addToHistory(ini, file);
    EXPECT_EQ(ini.readString("HISTORY", "FILE0", "").find('?'), std::string::npos);
    const std::vector<tg::HistoryEntry> entries = tg::readHistory(ini);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path.native(), file.native());
    EXPECT_EQ(entries[0].fileName.native(), std::wstring(L"r\u00E9sum\u00E9 \u8868.txt"));
    EXPECT_EQ(tg::platform::readRegularFile(entries[0].path, 100), "bytes");

    // Windows allows a lone surrogate in a name; it comes back as it was.
    const fs::path lone(std::wstring{L'C', L':', L'\\', L'a', wchar_t(0xD800), L'b'});
    EXPECT_EQ(tg::toNativePath(tg::fromNativePath(lone)).native(), lone.native());
}

} // namespace
