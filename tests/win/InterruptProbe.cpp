// A GUI program, as tginfo.exe is: starts the fixture child as the runner does, asks it to stop as
// Ctrl+C would, and writes per child whether the request was made, whether the child ended within
// a second and a half, its exit code and its last line:  InterruptProbe <fixture> <out-file>

#include "platform/Process.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using Event = tg::platform::ChildProcess::Event;
    if (__argc < 3)
        return 2;
    std::FILE* out = std::fopen(__argv[2], "wb");
    if (!out)
        return 2;
    // The third child comes after one that ignored the request: the request must still reach it.
    for (const char* steps : {"onint:summary\\r\\n", "ignoreint", "onint:again\\r\\n"}) {
        tg::platform::WakeSignal wake;
        auto child = tg::platform::startChildProcess(std::string("\"") + __argv[1] + "\" " + steps +
                                                         " out:ready\\r\\n sleep:30000",
                                                     true, wake);
        if (!child)
            return 3;
        std::string output;
        while (output.find("ready") == std::string::npos && child->wait(10000) != Event::Ended)
            child->read(output);
        wake.set();
        const bool asked = child->interrupt();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        while (std::chrono::steady_clock::now() < deadline) {
            const Event event = child->wait(50);
            if (event == Event::Output)
                child->read(output);
            if (event == Event::Ended) {
                child->drain(output);
                break;
            }
        }
        const bool ended = child->hasEnded();
        if (!ended)
            child->terminate();
        while (!output.empty() && (output.back() == '\n' || output.back() == '\r'))
            output.pop_back();
        std::fprintf(out, "%d %d %d %s\n", asked, ended, child->exitCode().value_or(-1),
                     output.substr(output.find_last_of('\n') + 1).c_str());
    }
    std::fclose(out);
    return 0;
}
