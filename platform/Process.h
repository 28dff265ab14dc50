#pragma once

#include "text/Text.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tg::platform {

// A flag set once from any thread (the abort) that also wakes a child process's wait.
class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    void set();
    bool isSet() const { return set_.load(std::memory_order_acquire); }

    struct Handle; // the OS object a wait blocks on
    const Handle& handle() const { return *handle_; }

private:
    std::atomic<bool> set_{false};
    std::unique_ptr<Handle> handle_;
};

// While one lives, the console's Ctrl+C (SIGINT, and SIGTERM, on POSIX systems; Ctrl+C and
// Ctrl+Break on Windows) sets the wake signal instead of ending the program, so that a program
// without a window can stop its command and keep what it has. One at a time; the program's former
// handling returns when it goes.
class InterruptsWake {
public:
    explicit InterruptsWake(WakeSignal& wake);
    ~InterruptsWake();
    InterruptsWake(const InterruptsWake&) = delete;
    InterruptsWake& operator=(const InterruptsWake&) = delete;
};

// A child process started from a command line, its standard output and standard error on one
// pipe, standard input empty, no window of its own.
class ChildProcess {
public:
    enum class Event {
        Output,  // something can be read now
        Ended,   // the child has ended; what it wrote is in the pipe
        Woken,   // the wake signal is set
        TimedOut // nothing happened within the bound
    };

    virtual ~ChildProcess() = default;

    // Blocks until one of the events, at most timeoutMs (negative: no bound).
    virtual Event wait(int timeoutMs) = 0;
    // Appends what the pipe holds now, at most about 64 KB, without blocking. Returns false when
    // nothing was there.
    virtual bool read(Text& out) = 0;
    // Once the child has ended: appends all the pipe holds at this moment, and anything held
    // back from an earlier read, but nothing that a process the child started writes later.
    virtual void drain(Text& out) = 0;
    virtual bool hasEnded() = 0;
    // The exit code once the child has ended.
    virtual std::optional<int> exitCode() = 0;
    // Asks the child and what it started to stop as Ctrl+C in their console would, so that they
    // can still write their last words (ping its statistics). From then on a wait no longer ends
    // for the wake signal. False when no such request could be made.
    virtual bool interrupt() { return false; }
    // Ends the child and every process it started, and waits (briefly) until they are gone.
    virtual void terminate() = 0;
};

// Starts a command line the way the system's own command search resolves its first word: no
// shell or command interpreter is involved. isNT chooses the console flags on Windows. Waits end
// early when wake is set. Returns nullptr when the command cannot be started.
std::unique_ptr<ChildProcess> startChildProcess(const Text& commandLine, bool isNT,
                                                const WakeSignal& wake);

// Splits a command line into arguments as the Windows C runtime does: blanks and tabs separate,
// double quotes group, 2n backslashes before a quote give n backslashes and an open or closing
// quote, 2n+1 give n backslashes and a literal quote, "" inside quotes gives one quote.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

} // namespace tg::platform
