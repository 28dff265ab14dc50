#include "text/IniFile.h"
#include "platform/Files.h"
#include "text/Error.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tg;
namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tg_ini_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        path = dir / "tginfo.INI";
    }
    void TearDown() override { fs::remove_all(dir); }

    void writeRaw(const std::string& bytes) const {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string readRaw() const {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    fs::path dir;
    fs::path path;
};

} // namespace

TEST_F(IniFileTest, ListsKeysInFileOrderWithForeignKeys) {
    writeRaw("[HISTORY]\r\nFILE3=d\r\nNOTE=x\r\nFILE0=a\r\n[POSITION]\r\nTOP=1\r\n");
    IniFile ini(path, platform::replaceFile);
    EXPECT_EQ(ini.readSection("HISTORY"), (StringList{"FILE3", "NOTE", "FILE0"}));
    EXPECT_EQ(ini.readSection("POSITION"), (StringList{"TOP"}));
    EXPECT_TRUE(ini.readSection("MISSING").empty());
}

TEST_F(IniFileTest, ChangesExistingKeysInPlaceAndAddsNewOnesAtTheEnd) {
    writeRaw("; settings\r\n\r\n[HISTORY]\r\nFILE0=a\r\nFILE1=b\r\n"
             "; the window\r\n[POSITION]\r\nTOP = 1\r\n; tail note\r\n");
    IniFile ini(path, platform::replaceFile);
    ini.writeString("HISTORY", "FILE0", "z");
    ini.writeString("HISTORY", "FILE2", "c");
    ini.writeInteger("POSITION", "LEFT", -20);
    ini.writeInteger("NEW", "K", 7);

    EXPECT_EQ(ini.readSection("HISTORY"), (StringList{"FILE0", "FILE1", "FILE2"}));
    EXPECT_EQ(ini.readString("HISTORY", "FILE0", ""), "z");
    EXPECT_EQ(ini.readSection("POSITION"), (StringList{"TOP", "LEFT"}));
    EXPECT_EQ(ini.readInteger("POSITION", "LEFT", 0), -20);

    std::string raw = readRaw();
    // Sections stay in their order, comments stay, lines end in CR LF, and no spaces are added.
    EXPECT_LT(raw.find("[HISTORY]"), raw.find("[POSITION]"));
    EXPECT_LT(raw.find("[POSITION]"), raw.find("[NEW]"));
    EXPECT_NE(raw.find("; settings\r\n"), std::string::npos);
    EXPECT_NE(raw.find("; the window\r\n[POSITION]"), std::string::npos);
    EXPECT_NE(raw.find("; tail note\r\n"), std::string::npos);
    EXPECT_NE(raw.find("FILE0=z\r\nFILE1=b\r\nFILE2=c\r\n"), std::string::npos);
    EXPECT_NE(raw.find("LEFT=-20\r\n"), std::string::npos);
    EXPECT_EQ(raw.find(" = "), std::string::npos);
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\n') {
            ASSERT_TRUE(i > 0 && raw[i - 1] == '\r') << "lone LF at " << i;
        }
    }
    // Written once more, the file keeps its comments exactly once.
    ini.writeInteger("POSITION", "LEFT", 3);
    std::string again = readRaw();
    EXPECT_EQ(again.find("; tail note"), again.rfind("; tail note"));
}

TEST_F(IniFileTest, NamesMatchWithoutRegardToAsciiCase) {
    writeRaw("[Position]\r\nTop=5\r\n");
    IniFile ini(path, platform::replaceFile);
    EXPECT_TRUE(ini.sectionExists("POSITION"));
    EXPECT_EQ(ini.readInteger("position", "TOP", 0), 5);
    ini.writeInteger("POSITION", "TOP", 9);
    EXPECT_EQ(ini.readSection("position"), (StringList{"Top"}));
    EXPECT_NE(readRaw().find("[Position]\r\nTop=9\r\n"), std::string::npos);

    // ア (83 41) and ヂ (83 61) differ only in a trail byte that happens to be an ASCII letter.
    ini.writeString("KANA", "\x83\x41", "a");
    ini.writeString("KANA", "\x83\x61", "b");
    EXPECT_EQ(ini.readString("KANA", "\x83\x41", ""), "a");
    EXPECT_EQ(ini.readString("KANA", "\x83\x61", ""), "b");
    EXPECT_EQ(ini.readSection("KANA").size(), 2u);
}

TEST_F(IniFileTest, KeepsCp932ValuesByteForByte) {
    // 表 and ソ end in 0x5C, the byte of '\'.
    const Text value = "C:\\\x95\x5C\\\x83\x5C\x83\x74\x83\x67.txt";
    IniFile ini(path, platform::replaceFile);
    ini.writeString("HISTORY", "FILE0", value);
    EXPECT_EQ(ini.readString("HISTORY", "FILE0", ""), value);
    EXPECT_EQ(readRaw(), "[HISTORY]\r\nFILE0=" + value + "\r\n");
}

TEST_F(IniFileTest, ValuesThatAreNoIntegerReadAsTheDefault) {
    writeRaw("[P]\r\nA=12abc\r\nB=\r\nC=abc\r\nD=99999999999\r\nE= 42 \r\nF=-7\r\nG=+8\r\n"
             "H=0x10\r\nI=1.5\r\n");
    IniFile ini(path, platform::replaceFile);
    for (const char* key : {"A", "B", "C", "D", "H", "I", "MISSING"})
        EXPECT_EQ(ini.readInteger("P", key, 400), 400) << key;
    EXPECT_EQ(ini.readInteger("P", "E", 0), 42);
    EXPECT_EQ(ini.readInteger("P", "F", 0), -7);
    EXPECT_EQ(ini.readInteger("P", "G", 0), 8);
    EXPECT_EQ(ini.readString("P", "B", "default"), "");
    EXPECT_EQ(ini.readString("P", "MISSING", "default"), "default");
}

TEST_F(IniFileTest, EveryReadSeesWhatAnotherCopyWrote) {
    IniFile first(path, platform::replaceFile);
    IniFile second(path, platform::replaceFile);
    first.writeString("HISTORY", "FILE0", "a");
    EXPECT_EQ(second.readString("HISTORY", "FILE0", ""), "a");
    second.writeString("HISTORY", "FILE1", "b");
    first.writeString("HISTORY", "FILE0", "c");
    EXPECT_EQ(second.readSection("HISTORY"), (StringList{"FILE0", "FILE1"}));
    writeRaw("[OTHER]\r\n");
    EXPECT_FALSE(first.sectionExists("HISTORY"));
}

TEST_F(IniFileTest, UnwritableFileRaisesTheOneErrorType) {
    // Root may write read-only files, so the places used here cannot be written by anyone.
    fs::create_directory(path);
    IniFile folder(path, platform::replaceFile);
    EXPECT_EQ(folder.readInteger("POSITION", "TOP", 5), 5);
    EXPECT_THROW(folder.writeInteger("POSITION", "TOP", 1), Error);

    IniFile nowhere(dir / "missing" / "tginfo.INI", platform::replaceFile);
    try {
        nowhere.writeInteger("POSITION", "TOP", 1);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(e.text().find("tginfo.INI"), std::string::npos);
    }
}

TEST_F(IniFileTest, TextThatWouldBreakTheFileIsRefused) {
    IniFile ini(path, platform::replaceFile);
    EXPECT_THROW(ini.writeString("HISTORY", "FILE0", "a\r\n[POSITION]\r\nTOP=9"), Error);
    EXPECT_THROW(ini.writeString("HISTORY", "A=B", "x"), Error);
    EXPECT_THROW(ini.writeString("A]B", "K", "x"), Error);
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(IniFileTest, UnclosedSectionLineIsSkippedAndNothingGrows) {
    writeRaw("[HISTORY]\r\nFILE0=a\r\n[BROKEN\r\nFILE1=b\r\n");
    IniFile ini(path, platform::replaceFile);
    ini.writeString("HISTORY", "FILE0", "c");
    std::string once = readRaw();
    ini.writeString("HISTORY", "FILE0", "c");
    EXPECT_EQ(readRaw(), once);
    EXPECT_EQ(ini.readSection("HISTORY"), (StringList{"FILE0", "FILE1"}));
}

TEST_F(IniFileTest, GarbageFileNeitherStopsReadsNorWrites) {
    std::mt19937 random(1234);
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>(random() & 0xFF);
    garbage += "\n[POSITION\nTOP=\n=5\n[\n]]]\n\xEF\xBB\xBF;x\n";
    for (const std::string& data : {garbage, garbage.substr(0, 700), std::string("\xEF\xBB\xBF")}) {
        writeRaw(data);
        IniFile ini(path, platform::replaceFile);
        EXPECT_EQ(ini.readInteger("POSITION", "TOP", 400), 400);
        (void)ini.readSection("POSITION");
        ini.writeInteger("POSITION", "TOP", 77);
        EXPECT_EQ(ini.readInteger("POSITION", "TOP", 0), 77);
    }
}

TEST_F(IniFileTest, NulBytesHideNothingAndAWriteKeepsWhatFollowsThem) {
    writeRaw(std::string(
        "[HISTORY]\r\nFILE0=a\0\0\r\n\0\0\0\0\r\n[POSITION]\r\nTOP=5\r\n; note\r\n", 55));
    IniFile ini(path, platform::replaceFile);
    EXPECT_EQ(ini.readString("HISTORY", "FILE0", ""), "a");
    EXPECT_EQ(ini.readInteger("POSITION", "TOP", 0), 5);
    ini.writeString("HISTORY", "FILE1", "b");
    EXPECT_EQ(ini.readInteger("POSITION", "TOP", 0), 5);
    EXPECT_EQ(ini.readSection("HISTORY"), (StringList{"FILE0", "FILE1"}));
    std::string raw = readRaw();
    EXPECT_EQ(raw.find('\0'), std::string::npos);
    EXPECT_NE(raw.find("; note\r\n"), std::string::npos);
}

TEST_F(IniFileTest, MissingOrOversizedFileReadsAsDefaultsAndTheFirstWriteMakesItSound) {
    std::string big = "[POSITION]\r\nTOP=5\r\n[HISTORY]\r\n";
    for (int i = 0; big.size() <= kSettingsFileLimit; ++i)
        big += "FILE" + std::to_string(i) + "=C:\\docs\\file.txt\r\n";
    for (bool missing : {true, false}) {
        if (!missing)
            writeRaw(big);
        IniFile ini(path, platform::replaceFile);
        EXPECT_FALSE(ini.sectionExists("POSITION"));
        EXPECT_EQ(ini.readInteger("POSITION", "TOP", 132), 132);
        EXPECT_TRUE(ini.readSection("HISTORY").empty());
        EXPECT_EQ(fs::exists(path), !missing); // reading creates nothing
        ini.writeInteger("POSITION", "TOP", 7);
        EXPECT_EQ(readRaw(), "[POSITION]\r\nTOP=7\r\n");
    }

    // At the limit it is still read.
    big.resize(kSettingsFileLimit);
    big.erase(big.rfind("\r\n") + 2);
    writeRaw(big);
    EXPECT_EQ(IniFile(path, platform::replaceFile).readInteger("POSITION", "TOP", 0), 5);
}

// Killed at any moment of its writes, the settings file is the old one or a new one, whole.
TEST_F(IniFileTest, KilledWriteLeavesAWholeFile) {
    std::string old = "[POSITION]\r\nTOP=0\r\n[HISTORY]\r\n";
    for (int i = 0; old.size() < kSettingsFileLimit - 4096; ++i)
        old += "NOTE" + std::to_string(i) + "=C:\\docs\\" + std::string(60, 'x') + ".txt\r\n";
    writeRaw(old);
    // As the program lays it out, so that every version differs from it only in the digit.
    IniFile(path, platform::replaceFile).writeInteger("POSITION", "TOP", 0);
    old = readRaw();
    const size_t top = old.find("TOP=0");
    std::mt19937 random(std::random_device{}());
    for (int round = 0; round < 8; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                IniFile ini(path, platform::replaceFile);
                for (int i = 1;; i = i % 9 + 1)
                    ini.writeInteger("POSITION", "TOP", i);
            } catch (...) {
            }
            _exit(1);
        }
        if (round % 2 == 0) {
            // Killed in the middle of a write: while the file is short or a new one is on its way.
            auto writing = [&] {
                std::error_code ec;
                if (fs::file_size(path, ec) != old.size())
                    return true;
                for (const auto& entry : fs::directory_iterator(dir, ec)) {
                    if (entry.path() != path)
                        return true;
                }
                return false;
            };
            const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!writing() && std::chrono::steady_clock::now() < give_up) {
            }
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
        }
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        std::string now = readRaw();
        ASSERT_EQ(now.size(), old.size()) << "round " << round;
        now[top + 4] = '0';
        ASSERT_TRUE(now == old) << "round " << round;
    }
}
