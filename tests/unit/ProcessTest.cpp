#include "platform/Process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using tg::Text;
using tg::platform::ChildProcess;
using Event = ChildProcess::Event;
using Clock = std::chrono::steady_clock;

std::unique_ptr<ChildProcess> start(const Text& steps, const tg::platform::WakeSignal& wake) {
    return tg::platform::startChildProcess(Text("\"") + TG_FIXTURE_CHILD + "\" " + steps, true,
                                           wake);
}

// Reads until the child has ended and its output is drained.
Text readAll(ChildProcess& child) {
    Text out;
    while (true) {
        Event event = child.wait(-1);
        if (event == Event::Output) {
            child.read(out);
        } else if (event == Event::Ended) {
            child.drain(out);
            return out;
        }
    }
}

TEST(ChildProcess, OutputAndExitCode) {
    tg::platform::WakeSignal wake;
    auto child = start("out:abc\\r\\n err:def exit:7", wake);
    ASSERT_TRUE(child);
    EXPECT_EQ(readAll(*child), "abc\r\ndef");
    EXPECT_TRUE(child->hasEnded());
    EXPECT_EQ(child->exitCode(), 7);
}

TEST(ChildProcess, MissingCommandCannotStart) {
    tg::platform::WakeSignal wake;
    EXPECT_EQ(tg::platform::startChildProcess("tg-no-such-command --x", true, wake), nullptr);
    EXPECT_EQ(tg::platform::startChildProcess("   ", true, wake), nullptr);
}

TEST(ChildProcess, WaitIsBoundedAndReadNeverBlocks) {
    tg::platform::WakeSignal wake;
    auto child = start("sleep:30000", wake);
    ASSERT_TRUE(child);
    EXPECT_EQ(child->wait(20), Event::TimedOut);
    Text out;
    EXPECT_FALSE(child->read(out));
    EXPECT_FALSE(child->hasEnded());
    EXPECT_EQ(child->exitCode(), std::nullopt);
    child->terminate();
    EXPECT_TRUE(child->hasEnded());
}

TEST(ChildProcess, WakeSignalEndsAWaitFromAnotherThread) {
    tg::platform::WakeSignal wake;
    auto child = start("sleep:30000", wake);
    ASSERT_TRUE(child);
    std::thread waker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        wake.set();
    });
    EXPECT_EQ(child->wait(-1), Event::Woken);
    waker.join();
    EXPECT_TRUE(wake.isSet());
    EXPECT_EQ(child->wait(-1), Event::Woken); // stays set
    child->terminate();
}

TEST(ChildProcess, TerminateEndsAChildThatWouldRunOn) {
    tg::platform::WakeSignal wake;
    auto child = start("out:x sleep:30000", wake);
    ASSERT_TRUE(child);
    EXPECT_EQ(child->wait(-1), Event::Output);
    auto before = Clock::now();
    child->terminate();
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(5));
    EXPECT_TRUE(child->hasEnded());
    EXPECT_NE(child->exitCode(), 0);
}

} // namespace
