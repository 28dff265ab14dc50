#include "RunTestSupport.h"

#include "commands/CommandRunner.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

namespace {

using tg::Text;
using Lines = std::vector<Text>;
using tg::test::RecordingContext;

struct RunProbe {
    RecordingContext context;
    std::atomic<int> childEnd{0}; // 1 ended, 2 still running when let go
    std::atomic<bool> terminated{false};
    std::optional<int> exitCode; // as the child ended
    Text commandLine;

    tg::ProcessStarter starter() {
        return [this](const Text& line) -> std::unique_ptr<tg::platform::ChildProcess> {
            commandLine = line;
            auto child = tg::platform::startChildProcess(line, true, context.wake);
            if (!child)
                return nullptr;
            return std::make_unique<Watched>(std::move(child), *this);
        };
    }

    void run(const Text& word, const Text& args) {
        tg::runChildProcess(word, args, context, starter());
    }

private:
    struct Watched : tg::test::WatchedChild {
        Watched(std::unique_ptr<tg::platform::ChildProcess> inner, RunProbe& run)
            : WatchedChild(std::move(inner), run.childEnd), run_(run) {}
        ~Watched() override {
            run_.terminated = terminated.load();
            run_.exitCode = exitCode();
        }
        RunProbe& run_;
    };
};

Text quotedFixture() {
    return Text("\"") + TG_FIXTURE_CHILD + "\"";
}

TEST(CommandRunner, EverythingWrittenBeforeExitArrives) {
    // The last bytes are written right before the exit; repeated to catch a race.
    for (int i = 0; i < 10; ++i) {
        RunProbe run;
        run.run(quotedFixture(), "lines:3000:70 out:last-line exit:3");
        Lines lines = run.context.lines();
        ASSERT_EQ(lines.size(), 3001u) << i;
        EXPECT_EQ(lines[0].substr(0, 2), "1 ");
        EXPECT_EQ(lines[0].size(), 70u);
        EXPECT_EQ(lines[2999].substr(0, 5), "3000 ");
        EXPECT_EQ(lines.back(), "last-line");
        EXPECT_EQ(run.childEnd, 1);
        EXPECT_FALSE(run.terminated);
        EXPECT_EQ(run.context.resets(), 1);
    }
}

// A flood reaches the window whole, in several handovers (so the pane fills while it runs), none
// of which holds much more than a batch's worth of memory.
TEST(CommandRunner, AFloodArrivesWholeInBoundedBatches) {
#ifdef _WIN32
    GTEST_SKIP() << "under Wine a flood of 20 MB outlasts the suite's two minutes";
#endif
    RunProbe run;
    run.run(quotedFixture(), "lines:300000:70 out:last-line");
    const Lines lines = run.context.lines();
    ASSERT_EQ(lines.size(), 300001u);
    EXPECT_EQ(lines[299999].substr(0, 7), "300000 ");
    EXPECT_EQ(lines.back(), "last-line");
    const std::vector<size_t> batches = run.context.batchBytes();
    EXPECT_GE(batches.size(), 5u);
    // A batch may take one more read, and the last one what the pipe held when the command ended.
    for (size_t bytes : batches)
        EXPECT_LE(bytes, tg::kBatchBytes + (1u << 20) + (64u << 10));
}

TEST(CommandRunner, LineEndsAndStandardErrorOnOnePipe) {
    RunProbe run;
    run.run(quotedFixture(), R"(out:one\r\n err:two\n out:\r\n out:three\r\r\n err:tail)");
    EXPECT_EQ(run.context.lines(), (Lines{"one", "two", "", "three\r", "tail"}));
}

TEST(CommandRunner, CommandLineIsWordBlankArguments) {
    RunProbe run;
    run.run(quotedFixture(), "");
    EXPECT_EQ(run.commandLine, quotedFixture() + " ");
    EXPECT_TRUE(run.context.lines().empty());
}

TEST(CommandRunner, CommandThatCannotStartEndsAtOnceWithOneLine) {
    RunProbe run;
    run.run("tg-no-such-command", "-x");
    EXPECT_EQ(run.context.lines(),
              Lines{tg::utf8ToCp932("コマンドを実行できませんでした: tg-no-such-command")});
    EXPECT_EQ(run.context.resets(), 1);
}

// An abort asks the command to stop as Ctrl+C would and keeps what it writes on its way out for
// a while; a command that does not stop, or says nothing in time, is ended.
TEST(CommandRunner, AbortKeepsWhatTheCommandSaysOnItsWayOut) {
#ifdef __SANITIZE_THREAD__
    // ThreadSanitizer's runtime in the child runs its signal handlers late, at its own pace, so
    // the times this test holds the child to mean nothing there.
    GTEST_SKIP() << "signal timing of a child built with ThreadSanitizer";
#endif
#ifdef _WIN32
    // A console program, as this test is, cannot join the child's console: each abort ends it.
    const bool interrupts = false;
    const int byInterrupt = 1, byTermination = 1, ownExit = 1;
#else
    const bool interrupts = true;
    const int byInterrupt = 128 + SIGINT, byTermination = 128 + SIGTERM, ownExit = 3;
#endif
    const struct {
        const char* steps;
        Lines lines;
        int exitCode;
    } rows[] = {
        {"onint:\\r\\nsummary\\r\\n", {"ready", "half", "summary"}, ownExit},
        {"onint:\\nlate\\n:200", {"ready", "half", "late"}, ownExit},
        {"onint:\\ntoo-late\\n:3000", {"ready", "half"}, byTermination},
        {"ignoreint", {"ready", "half"}, byTermination},
        {"", {"ready", "half"}, byInterrupt}, // Ctrl+C ends it as it ends most commands
    };
    for (const auto& row : rows) {
        RunProbe run;
        std::thread worker([&] {
            run.run(quotedFixture(), Text(row.steps) + " out:ready\\r\\nhalf sleep:30000");
        });
        ASSERT_TRUE(run.context.waitForLines(1));
        auto abortedAt = std::chrono::steady_clock::now();
        run.context.wake.set();
        worker.join();
        auto took = std::chrono::steady_clock::now() - abortedAt;
        // Far below the child's sleep: the run did not wait for it.
        EXPECT_LT(took, std::chrono::seconds(5)) << row.steps;
        const Lines ended{"ready", "half"};
        EXPECT_EQ(run.context.lines(), interrupts ? row.lines : ended) << row.steps;
        EXPECT_EQ(run.exitCode, std::optional<int>(row.exitCode)) << row.steps;
        EXPECT_EQ(run.childEnd, 1) << row.steps;
        EXPECT_EQ(run.context.resets(), 1) << row.steps;
    }
}

TEST(CommandRunner, AbortAtAnyMomentLeavesWholeLinesInOrderAndNoChild) {
    // The abort comes from another thread while the command is silent, floods or has ended.
    std::mt19937 random(7);
    for (int i = 0; i < 40; ++i) {
        RunProbe run;
        const auto delay = std::chrono::microseconds(random() % 30000);
        std::thread worker([&] { run.run(quotedFixture(), "sleep:5 lines:4000:30 sleep:10"); });
        std::this_thread::sleep_for(delay);
        run.context.wake.set();
        worker.join();
        Lines lines = run.context.lines();
        ASSERT_LE(lines.size(), 4000u) << i;
        // Whole lines as the fixture writes them; only the last may be the part read before.
        for (size_t n = 0; n < lines.size(); ++n) {
            Text line = std::to_string(n + 1) + ' ';
            while (line.size() < 30)
                line += static_cast<char>('a' + line.size() % 26);
            if (n + 1 < lines.size())
                ASSERT_EQ(lines[n], line) << i;
            else
                ASSERT_EQ(line.compare(0, lines[n].size(), lines[n]), 0) << i;
        }
        EXPECT_EQ(run.childEnd, 1) << i;
        EXPECT_EQ(run.context.resets(), 1) << i;
    }
}

TEST(CommandRunner, ErrorInDeliveryEndsTheRunWithItsText) {
    RunProbe run;
    run.context.failDeliveries = 1;
    run.run(quotedFixture(), "out:first\\n sleep:30000");
    EXPECT_EQ(run.context.lines(), Lines{"delivery failed"});
    EXPECT_TRUE(run.terminated);
    EXPECT_EQ(run.childEnd, 1);
    EXPECT_EQ(run.context.resets(), 1);
}

TEST(CommandRunner, HostileTargetReachesTheCommandAsLiteralArguments) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / "tg_hostile_target";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const Text victim = (dir / "X").string();
    const Text fakePing = Text("\"") + TG_FAKE_BIN_DIR + "/ping\"";
    for (const Text& target :
         {"; touch " + victim, "$(touch " + victim + ")", "`touch " + victim + "`",
          "| touch " + victim, "&& touch " + victim}) {
        RunProbe run;
        run.run(fakePing, " " + target);
        Lines lines = run.context.lines();
        ASSERT_GE(lines.size(), 2u) << target;
        EXPECT_EQ(lines[0], "ping");
        Text echoed;
        for (size_t i = 1; i < lines.size(); ++i) {
            if (i > 1)
                echoed += ' ';
            echoed += lines[i].substr(1, lines[i].size() - 2);
        }
        EXPECT_EQ(echoed, target);
    }
    EXPECT_FALSE(fs::exists(victim));
    fs::remove_all(dir);
}

} // namespace
