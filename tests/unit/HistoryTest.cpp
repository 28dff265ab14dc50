#include "documents/History.h"
#include "platform/Files.h"
#include "text/Codec.h"
#include "text/FileName.h"
#include "text/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

using tg::StringList;
using tg::Text;

class History : public testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("tg_history_" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(dir);
        ini = std::make_unique<tg::IniFile>(dir / "tginfo.INI", tg::platform::replaceFile);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void writeIni(const std::string& content) {
        std::ofstream(dir / "tginfo.INI", std::ios::binary) << content;
    }
    // Keys and values of the section in file order, as "KEY=value".
    StringList section() const {
        StringList out;
        for (const Text& key : ini->readSection("HISTORY"))
            out.push_back(key + "=" + ini->readString("HISTORY", key, ""));
        return out;
    }
    StringList shownPaths() const {
        StringList out;
        for (const tg::HistoryEntry& entry : tg::readHistory(*ini))
            out.push_back(tg::fromNativePath(entry.path));
        return out;
    }

    std::filesystem::path dir;
    std::unique_ptr<tg::IniFile> ini;
};

TEST_F(History, ReopenedEntryMovesUpAndThoseBelowKeepTheirKeys) {
    for (const char* path : {"D", "C", "B", "A"})
        tg::addToHistory(*ini, std::filesystem::path(path));
    ASSERT_EQ(section(), (StringList{"FILE0=A", "FILE1=B", "FILE2=C", "FILE3=D"}));

    tg::addToHistory(*ini, std::filesystem::path("C"));
    EXPECT_EQ(section(), (StringList{"FILE0=C", "FILE1=A", "FILE2=B", "FILE3=D"}));

    // The newest again changes nothing.
    tg::addToHistory(*ini, std::filesystem::path("C"));
    EXPECT_EQ(section(), (StringList{"FILE0=C", "FILE1=A", "FILE2=B", "FILE3=D"}));
}

// Entries are whole paths, byte for byte: the window's test shows the captions of cp932 paths.
TEST_F(History, PathsDifferingInCaseOrFolderAreSeparateEntries) {
    tg::addToHistory(*ini, std::filesystem::path("C:\\Docs\\A.txt"));
    tg::addToHistory(*ini, std::filesystem::path("c:\\docs\\a.txt"));
    tg::addToHistory(*ini, std::filesystem::path("D:\\other\\A.txt"));
    EXPECT_EQ(shownPaths(), (StringList{"D:\\other\\A.txt", "c:\\docs\\a.txt", "C:\\Docs\\A.txt"}));
    EXPECT_EQ(tg::readHistory(*ini)[0].fileName, "A.txt");
}

TEST_F(History, HandEditedSectionIsShownByPositionAndKeepsOnlyFiveOnUpdate) {
    writeIni("[HISTORY]\r\nFILE0=a\r\nMINE=m\r\nFILE1=b\r\nFILE2=c\r\nFILE3=d\r\n"
             "FILE4=e\r\nFILE5=f\r\n[POSITION]\r\nTOP=1\r\n");
    // The first five keys, whatever their names.
    EXPECT_EQ(shownPaths(), (StringList{"a", "m", "b", "c", "d"}));

    tg::addToHistory(*ini, std::filesystem::path("new"));
    EXPECT_EQ(section(), (StringList{"FILE0=new", "FILE1=a", "FILE2=m", "FILE3=b", "FILE4=c"}));
    EXPECT_EQ(ini->readInteger("POSITION", "TOP", 0), 1);
    // The section keeps its place.
    std::ifstream in(dir / "tginfo.INI", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_LT(bytes.find("[HISTORY]"), bytes.find("[POSITION]"));
}

// Every name comes back as the same native name with its own file-name part; one the code page
// writes is kept as the same bytes as always, and no other is ever turned into '?'.
TEST_F(History, AnyNameReadsBackAsTheSameNativeName) {
    namespace fs = std::filesystem;
#ifdef _WIN32
    const Text root = "C:\\u\\";
#else
    const Text root = "/home/u/";
#endif
    const fs::path home = tg::toNativePath(root);
    struct Case {
        fs::path path;
        fs::path fileName;
        Text kept; // the value as the settings file keeps it; empty: a URI
    };
    const Case cases[] = {
        // "表" ends in the byte of '\\' and "ソ" too: still one character each.
        {home / u8"\u8868\u30bd.txt", u8"\u8868\u30bd.txt", root + "\x95\x5C\x83\x5C.txt"},
        {home / u8"j\u00f6s\u00e9 \ud55c\uad6d \U0001F4C1" / u8"r\u00e9sum\u00e9.txt",
         u8"r\u00e9sum\u00e9.txt",
         {}},
        {home / "100%" / u8"\ud55c.txt", u8"\ud55c.txt", {}},
#ifndef _WIN32
        {"file:///not-a-uri.txt", "not-a-uri.txt", {}},
        {home / "latin1-\xE9\xFF.txt", "latin1-\xE9\xFF.txt", {}},
#endif
    };
    for (const Case& c : cases) {
        tg::addToHistory(*ini, c.path);
        const Text value = ini->readString("HISTORY", "FILE0", "");
        if (!c.kept.empty())
            EXPECT_EQ(value, c.kept);
        else
            EXPECT_EQ(value.find('?'), Text::npos) << value;
        tg::HistoryEntry entry = tg::readHistory(*ini).at(0);
        EXPECT_EQ(entry.path, c.path) << value;
        EXPECT_EQ(entry.fileName, c.fileName) << value;
    }
    // A second save of the same name finds its entry.
    tg::addToHistory(*ini, cases[1].path);
    EXPECT_EQ(tg::readHistory(*ini).size(), std::size(cases));
}

} // namespace
