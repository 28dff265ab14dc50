// The Win32 child process beyond what the portable process tests check.

#include "platform/Process.h"

#include <gtest/gtest.h>

namespace {

TEST(ChildProcessOnWindows, ExitCodeIsTheFinalOneEvenWhenTheEndIsSeenMidPoll) {
    // A child ending between the two looks at it once was taken for ended with the code 259.
    tg::platform::WakeSignal wake;
    for (int i = 0; i < 30; ++i) {
        auto child = tg::platform::startChildProcess(
            tg::Text("\"") + TG_FIXTURE_CHILD + "\" exit:7", true, wake);
        ASSERT_TRUE(child);
        while (child->wait(-1) != tg::platform::ChildProcess::Event::Ended) {
            tg::Text ignored;
            child->read(ignored);
        }
        ASSERT_EQ(child->exitCode(), 7) << "run " << i;
    }
}

} // namespace
