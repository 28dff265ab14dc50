#include "RunTestSupport.h"

#include "commands/CommandRunner.h"
#include "platform/Process.h"
#include "platform/posix/StandIns.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using tg::Text;
using Clock = std::chrono::steady_clock;

// Gone, or a zombie nobody has reaped yet: either way it runs no more.
bool processGone(long pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    if (!stat)
        return true;
    std::string line;
    std::getline(stat, line);
    auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

bool becomesGone(long pid) {
    auto until = Clock::now() + std::chrono::seconds(10);
    while (!processGone(pid) && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return processGone(pid);
}

tg::ProcessStarter realStarter(tg::test::RecordingContext& context) {
    return [&context](const Text& line) {
        return tg::platform::startChildProcess(line, true, context.wake);
    };
}

TEST(PosixProcess, InputIsEmptyAndOutputIsConsoleLike) {
    tg::test::RecordingContext context;
    tg::runChildProcess("cat", "", context, realStarter(context)); // ends at once: input empty
    EXPECT_TRUE(context.lines().empty());

    tg::test::RecordingContext utf8;
    // The argument is cp932 like all the program's text; the child gets and writes UTF-8.
    tg::runChildProcess(Text("\"") + TG_FIXTURE_CHILD + "\"",
                        tg::utf8ToCp932(R"(out:日本語\n\xE2\x82\xACok)"), utf8, realStarter(utf8));
    // U+20AC has no place in code page 932.
    EXPECT_EQ(utf8.lines(), (std::vector<Text>{tg::utf8ToCp932("日本語"), "?ok"}));
}

// A command that floods goes on writing while the runner is busy with the window: it gets far
// ahead of a reader before it has to wait, and all it wrote is read afterwards.
TEST(PosixProcess, AFloodingCommandRunsFarAheadOfTheReader) {
    long most = 0;
    std::ifstream("/proc/sys/fs/pipe-max-size") >> most;
    if (most < (1 << 20))
        GTEST_SKIP() << "this system lets a pipe hold only " << most << " bytes";
    constexpr size_t kAhead = 900000;
    tg::platform::WakeSignal wake;
    auto child = tg::platform::startChildProcess(
        Text("\"") + TG_FIXTURE_CHILD + "\" fill:" + std::to_string(kAhead) + ":x", true, wake);
    ASSERT_TRUE(child);
    const auto until = Clock::now() + std::chrono::seconds(10);
    while (!child->hasEnded() && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(child->hasEnded()) << "the command waited for a reader";
    Text all;
    child->drain(all);
    EXPECT_EQ(all, Text(kAhead, 'x'));
}

TEST(PosixProcess, ArgumentsReachTheCommandInUtf8) {
    tg::test::RecordingContext context;
    const Text target = tg::utf8ToCp932("ホスト名");
    tg::runChildProcess(Text("\"") + TG_FAKE_BIN_DIR + "/ping\"", " " + target, context,
                        realStarter(context));
    EXPECT_EQ(context.lines(), (std::vector<Text>{"ping", "[" + target + "]"}));
}

TEST(PosixProcess, EndOfTheChildDoesNotWaitForWhatItLeftRunning) {
    tg::test::RecordingContext context;
    auto before = Clock::now();
    tg::runChildProcess("sh", "-c \"sleep 60 & echo $!\"", context, realStarter(context));
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(30));
    auto lines = context.lines();
    ASSERT_EQ(lines.size(), 1u);
    long sleeper = std::stol(lines[0]);
    EXPECT_FALSE(processGone(sleeper)); // left alone on a normal end
    ::kill(static_cast<pid_t>(sleeper), SIGKILL);
}

// The shell and the sleeper it starts both ignore SIGTERM: the abort ends the whole group anyway.
TEST(PosixProcess, AbortEndsTheChildAndWhatItStartedEvenIgnoringTerm) {
    tg::test::RecordingContext context;
    std::thread worker([&] {
        tg::runChildProcess("sh", "-c \"trap '' TERM; sleep 60 & echo $! $$; wait\"", context,
                            realStarter(context));
    });
    ASSERT_TRUE(context.waitForLines(1));
    context.wake.set();
    worker.join();
    auto lines = context.lines();
    ASSERT_EQ(lines.size(), 1u);
    auto blank = lines[0].find(' ');
    EXPECT_TRUE(becomesGone(std::stol(lines[0].substr(blank + 1))));
    EXPECT_TRUE(becomesGone(std::stol(lines[0].substr(0, blank))));
}

TEST(PosixProcess, StandInsComeFromTheFolderBesideTheProgram) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("tg-standins-" + std::to_string(::getpid()));
    fs::create_directories(root / "build/app/netcmd");
    fs::create_directories(root / "usr/bin");
    fs::create_directories(root / "usr/libexec/tginfo");
    EXPECT_EQ(tg::platform::standInFolder(root / "build/app/tginfo"), root / "build/app/netcmd");
    EXPECT_EQ(tg::platform::standInFolder(root / "usr/bin/tginfo"), root / "usr/libexec/tginfo");
    EXPECT_EQ(tg::platform::standInFolder(root / "tginfo"), fs::path());

    // The folder is not on PATH: a stand-in is started by its full path, other words as ever.
    const fs::path folder = root / "build/app/netcmd";
    fs::create_symlink(TG_FIXTURE_CHILD, folder / "ping");
    auto runIn = [&folder](const Text& command, const Text& args) {
        tg::test::RecordingContext context;
        tg::runChildProcess(command, args, context, [&](const Text& line) {
            return tg::platform::startChildProcessWith(line, folder, context.wake);
        });
        return context.lines();
    };
    EXPECT_EQ(runIn("ping", "127.0.0.1"), (std::vector<Text>{"ping", "[127.0.0.1]"}));
    EXPECT_EQ(runIn("sh", "-c \"echo searched\""), std::vector<Text>{"searched"});
    fs::remove_all(root);
}

// The pids of the processes whose command line is exactly this.
std::vector<long> processesRunning(const std::string& commandLine) {
    std::vector<long> out;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "cmdline");
        std::string raw((std::istreambuf_iterator<char>(in)), {});
        std::replace(raw.begin(), raw.end(), '\0', ' ');
        if (raw == commandLine + " ")
            out.push_back(std::stol(entry.path().filename().string()));
    }
    return out;
}

TEST(PosixProcess, AbortEndsAStandInAndTheToolItRuns) {
    tg::test::RecordingContext context;
    std::thread worker([&] {
        tg::runChildProcess("ping", "-t 127.0.0.1", context, [&](const Text& line) {
            return tg::platform::startChildProcessWith(line, TG_STANDIN_DIR, context.wake);
        });
    });
    bool replied = context.waitForLines(3); // a blank, the first line, a reply
    auto tools = processesRunning("/usr/bin/ping -n -O -s 32 -W 4 127.0.0.1");
    context.wake.set();
    worker.join();
    ASSERT_TRUE(replied);
    ASSERT_EQ(tools.size(), 1u);
    EXPECT_TRUE(becomesGone(tools[0]));
    EXPECT_EQ(context.lines()[1],
              tg::utf8ToCp932("127.0.0.1 に ping を送信しています 32 バイトのデータ:"));
}

} // namespace
