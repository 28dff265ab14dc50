// The command runner with real Windows programs under Wine: the system's commands, cmd, and
// processes that a command starts.

#include "RunTestSupport.h"

#include "commands/CommandRunner.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

namespace {

using tg::Text;
using Lines = std::vector<Text>;
namespace fs = std::filesystem;

Lines runCommand(const Text& word, const Text& args, tg::test::RecordingContext& context) {
    tg::runChildProcess(word, args, context, [&](const Text& line) {
        return tg::platform::startChildProcess(line, true, context.wake);
    });
    return context.lines();
}

Lines runCommand(const Text& word, const Text& args) {
    tg::test::RecordingContext context;
    return runCommand(word, args, context);
}

bool onSearchPath(const Text& word) {
    char found[MAX_PATH];
    return SearchPathA(nullptr, word.c_str(), ".exe", MAX_PATH, found, nullptr) != 0;
}

int processesNamed(const char* exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        count += _stricmp(entry.szExeFile, exeName) == 0;
    CloseHandle(snapshot);
    return count;
}

// Polls for a process count, since a process that was killed disappears a moment later.
bool becomesCount(const char* exeName, int wanted) {
    for (int i = 0; i < 200; ++i) {
        if (processesNamed(exeName) == wanted)
            return true;
        Sleep(10);
    }
    return false;
}

// The fixture under a name of its own, to count its processes; started by a command, it is a
// grandchild of the runner.
class GrandchildTest : public ::testing::Test {
protected:
    static constexpr const char* kName = "tg_grandchild.exe";
    void SetUp() override {
        path_ = fs::temp_directory_path() / kName;
        fs::copy_file(TG_FIXTURE_CHILD, path_, fs::copy_options::overwrite_existing);
        ASSERT_EQ(processesNamed(kName), 0);
    }
    void TearDown() override {
        // Whatever a failed test left running.
        std::system("taskkill /f /im tg_grandchild.exe >nul 2>nul");
        std::error_code ignored;
        becomesCount(kName, 0);
        fs::remove(path_, ignored);
    }
    Text quoted() const {
        Text out(1, '"');
        out += path_.string();
        out += '"';
        return out;
    }

    fs::path path_;
};

TEST(CommandRunnerOnWindows, CmdEchoKeepsCp932BytesThroughThePipe) {
    // 表ソ: both second bytes are 0x5C. The bytes go to cmd as ANSI text and come back as cmd
    // writes them, with CR LF.
    EXPECT_EQ(runCommand("cmd", "/c echo \x95\x5C\x83\x5C ok"), Lines{"\x95\x5C\x83\x5C ok"});
}

TEST(CommandRunnerOnWindows, EachNetworkCommandRunsOrEndsAtOnceWhenMissing) {
    struct Case {
        const char* word;
        const char* args;
    };
    const Case cases[] = {
        {"ipconfig", "/all"},
        {"arp", "-a"},
        {"route", "print"},
        {"ping", "-n 1 127.0.0.1"},
        {"tracert", "-h 1 127.0.0.1"},
        {"netstat", "-an"},
        {"nslookup", "localhost 127.0.0.1"},
        {"net", "help"},
        {"nbtstat", "-n"},
    };
    Text ran;
    Text missing;
    for (const Case& c : cases) {
        Lines lines = runCommand(c.word, c.args);
        if (onSearchPath(c.word)) {
            for (const Text& line : lines)
                EXPECT_NE(line, tg::cannotRunLine(c.word)) << c.word;
            ran += Text(" ") + c.word + " (" + std::to_string(lines.size()) + " lines)";
        } else {
            EXPECT_EQ(lines, Lines{tg::cannotRunLine(c.word)}) << c.word;
            missing += Text(" ") + c.word;
        }
        if (Text(c.word) == "ping" && onSearchPath("ping")) {
            bool replied = false;
            for (const Text& line : lines)
                replied = replied || line.find("127.0.0.1") != Text::npos;
            EXPECT_TRUE(replied) << "ping printed nothing about 127.0.0.1";
        }
    }
    std::cout << "ran:" << ran << "\nnot on this system:" << (missing.empty() ? " none" : missing)
              << "\n";
}

TEST_F(GrandchildTest, AbortEndsTheCommandAndWhatItStarted) {
    tg::test::RecordingContext context;
    std::thread worker(
        [&] { runCommand("cmd", "/c " + quoted() + " out:ready\\n sleep:30000", context); });
    ASSERT_TRUE(context.waitForLines(4)); // its name, its two arguments, "ready"
    EXPECT_EQ(context.lines().back(), "ready");
    EXPECT_EQ(processesNamed(kName), 1);
    context.wake.set();
    worker.join();
    EXPECT_TRUE(becomesCount(kName, 0)) << "the grandchild outlived the abort";
}

TEST_F(GrandchildTest, NormalEndLeavesWhatTheCommandStartedRunning) {
    // cmd starts the fixture in the background and ends; the run ends with it.
    runCommand("cmd", "/c start /b \"\" " + quoted() + " sleep:20000");
    EXPECT_EQ(processesNamed(kName), 1) << "the run ended what the command left running";
}

} // namespace
