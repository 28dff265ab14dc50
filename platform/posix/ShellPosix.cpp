#include "platform/Shell.h"

#include "text/Codec.h"

#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <thread>

extern char** environ;

namespace tg::platform {

void shellOpen(std::uintptr_t, TextView target) {
    // The desktop's opener takes the file system's UTF-8. It is reaped on a thread of its own so
    // that it never lingers as a zombie, without touching how other children are waited for.
    std::string argument = cp932ToUtf8(target);
    char opener[] = "xdg-open";
    char* argv[] = {opener, argument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, opener, nullptr, nullptr, argv, environ) != 0)
        return;
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
}

} // namespace tg::platform
