#include "platform/Process.h"

#include "platform/posix/ConsoleOutput.h"
#include "platform/posix/StandIns.h"
#include "text/Codec.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tg::platform {

struct WakeSignal::Handle {
    int readFd = -1;
    int writeFd = -1;
};

WakeSignal::WakeSignal() : handle_(std::make_unique<Handle>()) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        handle_->readFd = fds[0];
        handle_->writeFd = fds[1];
    }
}

WakeSignal::~WakeSignal() {
    if (handle_->readFd >= 0)
        ::close(handle_->readFd);
    if (handle_->writeFd >= 0)
        ::close(handle_->writeFd);
}

void WakeSignal::set() {
    set_.store(true, std::memory_order_release);
    if (handle_->writeFd >= 0) {
        char byte = 1;
        // A full pipe already wakes every wait; nothing to do on failure.
        [[maybe_unused]] ssize_t ignored = ::write(handle_->writeFd, &byte, 1);
    }
}

namespace {

// The signal handler touches only this; WakeSignal::set is an atomic store and a write(2).
std::atomic<WakeSignal*> interruptWake{nullptr};
struct sigaction formerInt {
}, formerTerm{};

void wakeOnInterrupt(int) {
    if (WakeSignal* wake = interruptWake.load())
        wake->set();
}

// A signal the program was started to ignore (nohup, a background job) stays ignored.
void catchUnlessIgnored(int signal, struct sigaction& former) {
    ::sigaction(signal, nullptr, &former);
    if (former.sa_handler == SIG_IGN)
        return;
    struct sigaction action {};
    action.sa_handler = wakeOnInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
}

} // namespace

InterruptsWake::InterruptsWake(WakeSignal& wake) {
    interruptWake.store(&wake);
    catchUnlessIgnored(SIGINT, formerInt);
    catchUnlessIgnored(SIGTERM, formerTerm);
}

InterruptsWake::~InterruptsWake() {
    ::sigaction(SIGINT, &formerInt, nullptr);
    ::sigaction(SIGTERM, &formerTerm, nullptr);
    interruptWake.store(nullptr);
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kReadBlock = 64 * 1024;
// A command that floods keeps writing while the runner hands its lines to the window: the pipe
// holds this much of its output (the most Linux gives an unprivileged process by default) instead
// of the 64 KB after which the command would stop and wait for the runner.
constexpr int kPipeBytes = 1 << 20;
// How long the child and its group get to go after SIGTERM before SIGKILL.
constexpr auto kTerminateGrace = std::chrono::milliseconds(200);
constexpr auto kGroupGrace = std::chrono::milliseconds(20);
// Without a process descriptor the end of a child that leaves the pipe to others is noticed by
// looking again at this interval; so is an abort when the wake-up pipe could not be made.
constexpr int kExitCheckMs = 20;

int openPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#else
    (void)pid;
#endif
    return -1;
}

// Where the system refuses (a lower limit, or a user whose pipes already hold much), the pipe
// keeps its default size and the command waits for the runner more often; nothing else changes.
void holdMoreInPipe([[maybe_unused]] int fd) {
#ifdef F_SETPIPE_SZ
    ::fcntl(fd, F_SETPIPE_SZ, kPipeBytes);
#endif
}

int remainingMs(Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

class PosixChild final : public ChildProcess {
public:
    PosixChild(pid_t pid, int outFd, const WakeSignal& wake)
        : pid_(pid), outFd_(outFd), pidFd_(openPidFd(pid)), wake_(wake) {}

    ~PosixChild() override {
        // Nobody reads its output any more: a child still running is ended, never left a zombie.
        if (!hasEnded())
            terminate();
        ::close(outFd_);
        if (pidFd_ >= 0)
            ::close(pidFd_);
    }

    Event wait(int timeoutMs) override {
        const bool bounded = timeoutMs >= 0;
        const auto deadline = Clock::now() + std::chrono::milliseconds(bounded ? timeoutMs : 0);
        while (true) {
            if (wake_.isSet() && !interrupted_)
                return Event::Woken;
            if (hasEnded())
                return Event::Ended;

            pollfd fds[3];
            nfds_t count = 0;
            const int outIndex = outputOpen_ ? static_cast<int>(count) : -1;
            if (outputOpen_)
                fds[count++] = {outFd_, POLLIN, 0};
            const int wakeIndex = interrupted_ ? -1 : static_cast<int>(count);
            if (!interrupted_)
                fds[count++] = {wake_.handle().readFd, POLLIN, 0};
            if (pidFd_ >= 0)
                fds[count++] = {pidFd_, POLLIN, 0};

            int timeout = bounded ? remainingMs(deadline) : -1;
            // Without a process descriptor or a wake-up pipe, look again at a short interval.
            if ((pidFd_ < 0 || wake_.handle().readFd < 0) &&
                (timeout < 0 || timeout > kExitCheckMs))
                timeout = kExitCheckMs;
            int ready = ::poll(fds, count, timeout);
            if (ready < 0 && errno != EINTR)
                return Event::TimedOut;
            if (ready > 0) {
                if (wakeIndex >= 0 && fds[wakeIndex].revents != 0)
                    return Event::Woken;
                if (outIndex >= 0 && fds[outIndex].revents != 0)
                    return Event::Output;
                // Otherwise the process descriptor: the loop's look at hasEnded() says Ended.
                continue;
            }
            if (bounded && Clock::now() >= deadline)
                return hasEnded() ? Event::Ended : Event::TimedOut;
        }
    }

    bool read(Text& out) override {
        const size_t before = out.size();
        if (outputOpen_) {
            char buffer[kReadBlock];
            ssize_t n;
            do {
                n = ::read(outFd_, buffer, sizeof buffer);
            } while (n < 0 && errno == EINTR);
            if (n > 0) {
                console_.convert(std::string_view(buffer, static_cast<size_t>(n)), out);
            } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                outputOpen_ = false;
            }
        }
        if (!outputOpen_)
            console_.finish(out);
        return out.size() > before;
    }

    void drain(Text& out) override {
        int held = 0;
        if (outputOpen_ && ::ioctl(outFd_, FIONREAD, &held) == 0) {
            std::string bytes(static_cast<size_t>(held), '\0');
            size_t got = 0;
            while (got < bytes.size()) {
                ssize_t n = ::read(outFd_, bytes.data() + got, bytes.size() - got);
                if (n > 0)
                    got += static_cast<size_t>(n);
                else if (n == 0 || (errno != EINTR))
                    break;
            }
            console_.convert(std::string_view(bytes.data(), got), out);
        }
        console_.finish(out);
    }

    bool hasEnded() override {
        if (ended_)
            return true;
        int status = 0;
        pid_t r;
        do {
            r = ::waitpid(pid_, &status, WNOHANG);
        } while (r < 0 && errno == EINTR);
        if (r == pid_) {
            ended_ = true;
            status_ = status;
        } else if (r < 0) {
            // Reaped elsewhere (children ignored): it is gone all the same.
            ended_ = true;
        }
        return ended_;
    }

    std::optional<int> exitCode() override {
        if (!hasEnded())
            return std::nullopt;
        if (WIFEXITED(status_))
            return WEXITSTATUS(status_);
        if (WIFSIGNALED(status_))
            return 128 + WTERMSIG(status_);
        return std::nullopt;
    }

    bool interrupt() override {
        if (hasEnded())
            return false;
        interrupted_ = true;
        // The whole group, as a terminal's Ctrl+C reaches every process of its foreground job.
        return ::kill(-pid_, SIGINT) == 0;
    }

    void terminate() override {
        // The child leads its own group, so the group is the child and all it started.
        ::kill(-pid_, SIGTERM);
        const auto deadline = Clock::now() + kTerminateGrace;
        while (!hasEnded() && Clock::now() < deadline)
            pauseForExit(deadline);
        // The rest of the group gets a moment more; an orphan that nobody reaps keeps the group
        // alive as a zombie, so this cannot wait for the group to vanish.
        const auto groupDeadline = std::min(deadline, Clock::now() + kGroupGrace);
        while (::kill(-pid_, 0) == 0 && Clock::now() < groupDeadline) {
            timespec pause{0, 1'000'000};
            ::nanosleep(&pause, nullptr);
        }
        if (!hasEnded() || ::kill(-pid_, 0) == 0)
            ::kill(-pid_, SIGKILL);
        if (!ended_) {
            int status = 0;
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            ended_ = true;
            status_ = status;
        }
    }

private:
    void pauseForExit(Clock::time_point deadline) {
        if (pidFd_ >= 0) {
            pollfd fd{pidFd_, POLLIN, 0};
            ::poll(&fd, 1, remainingMs(deadline));
        } else {
            timespec pause{0, 1'000'000};
            ::nanosleep(&pause, nullptr);
        }
    }

    pid_t pid_;
    int outFd_;
    int pidFd_;
    const WakeSignal& wake_;
    bool outputOpen_ = true;
    bool interrupted_ = false;
    bool ended_ = false;
    int status_ = 0;
    ConsoleOutput console_;
};

class SpawnSettings {
public:
    SpawnSettings(int outFd) {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
        posix_spawn_file_actions_adddup2(&actions, outFd, 2);

        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                  POSIX_SPAWN_SETSIGDEF);
        posix_spawnattr_setpgroup(&attributes, 0);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        // Signals this program may ignore must not stay ignored in the command.
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGALRM})
            sigaddset(&defaults, sig);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

} // namespace

std::filesystem::path standInFolder(const std::filesystem::path& executable) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path dir = executable.parent_path();
    for (const fs::path& candidate : {dir / "netcmd", dir.parent_path() / "libexec" / "tginfo"}) {
        if (fs::is_directory(candidate, ec))
            return candidate;
    }
    return {};
}

std::unique_ptr<ChildProcess> startChildProcessWith(const Text& commandLine,
                                                    const std::filesystem::path& standIns,
                                                    const WakeSignal& wake) {
    // Arguments reach the command as this system's programs expect them: in UTF-8.
    std::vector<std::string> args;
    for (const auto& arg : splitCommandLine(commandLine))
        args.push_back(cp932ToUtf8(arg));
    if (args.empty())
        return nullptr;
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    // posix_spawnp searches this process's PATH, so a stand-in is named by its full path.
    std::string standIn;
    if (!standIns.empty() && args[0].find('/') == std::string::npos) {
        std::string candidate = (standIns / args[0]).string();
        if (::access(candidate.c_str(), X_OK) == 0)
            standIn = candidate;
    }

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return nullptr;
    holdMoreInPipe(fds[0]);
    pid_t pid = 0;
    int rc;
    {
        SpawnSettings settings(fds[1]);
        rc = standIn.empty() ? ::posix_spawnp(&pid, argv[0], &settings.actions,
                                              &settings.attributes, argv.data(), environ)
                             : ::posix_spawn(&pid, standIn.c_str(), &settings.actions,
                                             &settings.attributes, argv.data(), environ);
    }
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return nullptr;
    }
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    return std::make_unique<PosixChild>(pid, fds[0], wake);
}

std::unique_ptr<ChildProcess> startChildProcess(const Text& commandLine, bool /*isNT*/,
                                                const WakeSignal& wake) {
    static const std::filesystem::path standIns = [] {
        std::error_code ec;
        auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
        return ec ? std::filesystem::path() : standInFolder(self);
    }();
    return startChildProcessWith(commandLine, standIns, wake);
}

} // namespace tg::platform
