// COM as start-up sets it up, with the report read on a worker as a run does, and the shell's
// "open" verb; a process of its own, since COM security can be set only once per process.

#include "platform/Com.h"
#include "platform/Shell.h"
#include "sysinfo/SystemReportBody.h"
#include "text/Codec.h"
#include "text/FileName.h"

#include "support/FakeRunContext.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

// MemTotal of the Linux machine under Wine, read through Wine's view of its root; 0 elsewhere.
std::uint64_t machineMemoryKb() {
    std::ifstream meminfo("Z:\\proc\\meminfo");
    std::string key;
    std::uint64_t value = 0;
    while (meminfo >> key >> value) {
        if (key == "MemTotal:")
            return value;
        meminfo.ignore(1000, '\n');
    }
    return 0;
}

TEST(StartUpOnWindows, GuiThreadComThenTheReportOnAWorker) {
    tg::platform::initializeCom();
    // The GUI thread is in a single-threaded apartment. (Whether the security took cannot be
    // seen here: Wine accepts any number of CoInitializeSecurity calls.)
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();

    tg::test::FakeRunContext run;
    std::thread worker([&] { tg::systemReportBody()(run); });
    worker.join();
    tg::platform::uninitializeCom();

    EXPECT_TRUE(run.boxes.empty()) << "the WMI error box was shown";
    ASSERT_GE(run.lines.size(), 15u);
    for (const tg::Text& line : run.lines)
        std::cout << tg::cp932ToUtf8(line) << "\n";
    EXPECT_NE(run.lines[9].find(":\\"), tg::Text::npos) << "line 10 holds the Windows folder";

    // Line 11 is the physical memory in kilobytes: the machine's true size, also past 4 GiB.
    std::uint64_t machineKb = machineMemoryKb();
    if (machineKb == 0)
        GTEST_SKIP() << "the machine's memory size cannot be read here";
    const tg::Text& line = run.lines[10];
    ASSERT_GE(line.size(), 3u);
    ASSERT_EQ(line.substr(line.size() - 2), "kb") << line;
    size_t digits = line.find_last_not_of("0123456789", line.size() - 3) + 1;
    std::uint64_t reportedKb = std::stoull(line.substr(digits, line.size() - 2 - digits));
    EXPECT_NEAR(double(reportedKb), double(machineKb), machineKb * 0.05) << line;
}

TEST(StartUpOnWindows, ShellOpensADocumentInAJapaneseFolder) {
    // A program of ours stands for the document (what opens a document may need a display) and
    // marks where it was started from.
    fs::path dir = fs::temp_directory_path() / "tg-win-shell-test";
    fs::remove_all(dir);
    fs::create_directory(dir);
    tg::Text folder = tg::fromNativePath(dir) + "\\\x95\x5C\x83\x5C"; // 表ソ
    fs::create_directory(tg::toNativePath(folder));
    tg::Text target = folder + "\\open.exe";
    fs::copy_file(TG_SHELL_OPEN_TARGET, tg::toNativePath(target));
    fs::path mark = tg::toNativePath(target + ".opened");

    tg::platform::shellOpen(0, target);

    // The shell starts the program and returns at once.
    for (int i = 0; i < 1000 && !fs::exists(mark); ++i)
        Sleep(10);
    EXPECT_TRUE(fs::exists(mark)) << "the shell did not open " << target;
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

} // namespace
