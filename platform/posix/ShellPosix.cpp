#include "platform/Shell.h"

#include "text/Codec.h"

#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <thread>

extern char** environ;

namespace tg::platform {

namespace {

// Starts a program on one argument. It is reaped on a thread of its own so that it never lingers
// as a zombie, without touching how other children are waited for.
bool startWith(const char* program, std::string argument) {
    std::string name = program;
    char* argv[] = {name.data(), argument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0)
        return false;
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
    return true;
}

} // namespace

void shellOpen(std::uintptr_t, TextView target) {
    // The desktop's opener takes the file system's UTF-8.
    startWith("xdg-open", cp932ToUtf8(target));
}

void helpOpen(std::uintptr_t parentWindow, TextView helpFile, TextView page) {
    // xCHM, the viewer the package brings, opens a page given as file:path#xchm:/page (a path
    // with a '#' of its own would be cut there); the desktop's opener knows no pages.
    const std::string path = cp932ToUtf8(helpFile);
    if (page.empty() || path.find('#') != std::string::npos ||
        !startWith("xchm", "file:" + path + "#xchm:/" + cp932ToUtf8(page)))
        shellOpen(parentWindow, helpFile);
}

} // namespace tg::platform
