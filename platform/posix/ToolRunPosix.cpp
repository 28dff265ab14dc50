#include "platform/ToolRun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace tg::platform {

namespace {

std::vector<char*> argvOf(const std::string& path, std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

// The environment with the C locale, so that the tool's lines are the ones parsed here.
std::vector<std::string> cLocaleEnvironment() {
    std::vector<std::string> out;
    for (char** e = environ; e && *e; ++e)
        if (!std::string_view(*e).starts_with("LC_ALL=") &&
            !std::string_view(*e).starts_with("LANGUAGE="))
            out.emplace_back(*e);
    out.emplace_back("LC_ALL=C");
    return out;
}

int exitStatus(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

volatile sig_atomic_t gInterrupted = 0;
volatile pid_t gChild = 0;

// The tool is told too, in case the signal came to this process alone.
void onInterrupt(int) {
    gInterrupted = 1;
    if (gChild > 0)
        ::kill(gChild, SIGINT);
}

} // namespace

std::string findSystemTool(const std::string& name) {
    for (const char* dir :
         {"/usr/local/sbin", "/usr/local/bin", "/usr/sbin", "/usr/bin", "/sbin", "/bin"}) {
        std::string path = std::string(dir) + "/" + name;
        if (::access(path.c_str(), X_OK) == 0)
            return path;
    }
    return {};
}

ToolRun runToolOutput(const std::string& path, const std::vector<std::string>& args,
                      const std::function<void(std::string_view)>& output) {
    ToolRun run;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return run;
    // No SA_RESTART: the read below is woken, and goes on reading.
    struct sigaction interrupt {};
    interrupt.sa_handler = onInterrupt;
    sigemptyset(&interrupt.sa_mask);
    ::sigaction(SIGINT, &interrupt, nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    auto env = cLocaleEnvironment();
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> copy = args;
    auto argv = argvOf(path, copy);
    pid_t pid = 0;
    int rc = ::posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return run;
    }
    run.started = true;
    gChild = pid;
    if (gInterrupted)
        ::kill(pid, SIGINT);
    char buffer[4096];
    while (true) {
        ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        output(std::string_view(buffer, static_cast<std::size_t>(n)));
    }
    ::close(fds[0]);
    run.status = exitStatus(pid);
    gChild = 0;
    run.interrupted = gInterrupted != 0;
    return run;
}

int runToolWaiting(const std::string& path, const std::vector<std::string>& args) {
    std::vector<std::string> copy = args;
    auto argv = argvOf(path, copy);
    pid_t pid = 0;
    if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return exitStatus(pid);
}

std::string replaceProcessWithTool(const std::string& path, const std::vector<std::string>& args) {
    std::vector<std::string> copy = args;
    auto argv = argvOf(path, copy);
    ::execv(path.c_str(), argv.data());
    return std::strerror(errno);
}

} // namespace tg::platform
