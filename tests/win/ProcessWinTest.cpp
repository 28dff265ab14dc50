// The Win32 child process beyond what the portable process tests check.

#include "platform/Process.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

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

// tginfo.exe has no console of its own: it joins the child's for the moment of the request. The
// probe is such a program; this test, a console program, could not join another console. The probe
// starts detached, as a GUI program started from Explorer has no console: Wine would otherwise hand
// it this test's console, where Windows gives a GUI program none, and it could join no other.
TEST(ChildProcessOnWindows, InterruptFromAGuiProgramReachesTheChildsConsole) {
    const std::string out = std::string(TG_INTERRUPT_PROBE) + ".txt";
    std::remove(out.c_str());
    std::string line =
        std::string("\"") + TG_INTERRUPT_PROBE + "\" \"" + TG_FIXTURE_CHILD + "\" \"" + out + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                               nullptr, nullptr, &startup, &info));
    ASSERT_EQ(WaitForSingleObject(info.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    EXPECT_EQ(code, 0u);
    std::ifstream in(out, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    // Asked, ended by the child's own handler with its last words; asked, ignored and ended
    // afterwards by force (code 1); asked again after that, and heard.
    EXPECT_EQ(text.str(), "1 1 3 summary\n1 0 1 ready\n1 1 3 again\n");
}

} // namespace
