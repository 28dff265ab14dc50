#include "platform/Process.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>

namespace tg::platform {

// Waits poll the pipe every millisecond and read the flag, so no OS object is needed.
struct WakeSignal::Handle {};

WakeSignal::WakeSignal() : handle_(std::make_unique<Handle>()) {}

WakeSignal::~WakeSignal() = default;

void WakeSignal::set() {
    set_.store(true, std::memory_order_release);
}

namespace {

std::atomic<WakeSignal*> interruptWake{nullptr};

// Runs on a thread the system starts for the event.
BOOL WINAPI wakeOnInterrupt(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (WakeSignal* wake = interruptWake.load())
        wake->set();
    return TRUE;
}

} // namespace

InterruptsWake::InterruptsWake(WakeSignal& wake) {
    interruptWake.store(&wake);
    SetConsoleCtrlHandler(wakeOnInterrupt, TRUE);
}

InterruptsWake::~InterruptsWake() {
    SetConsoleCtrlHandler(wakeOnInterrupt, FALSE);
    interruptWake.store(nullptr);
}

namespace {

// A console program keeps its own console, or under Wine may have none at all; either way it does
// not borrow a child's, which only a GUI program such as tginfo.exe can do safely.
bool isConsoleProgram() {
    static const bool console = [] {
        const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
    }();
    return console;
}

using Clock = std::chrono::steady_clock;

constexpr DWORD kReadBlock = 64 * 1024;
constexpr DWORD kTerminateWaitMs = 1000;

// A job whose processes all die when it is closed; with the limit taken off first, closing it
// leaves them alone.
void setKillOnClose(HANDLE job, bool kill) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = kill ? JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE : 0;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
}

// Set while this program ignores console control events after sending one (below); a child started
// meanwhile would inherit the ignoring.
std::atomic<bool> ignoringControlEvents{false};

class Win32Child final : public ChildProcess {
public:
    Win32Child(HANDLE process, HANDLE readEnd, HANDLE job, const WakeSignal& wake)
        : process_(process), readEnd_(readEnd), job_(job), wake_(wake) {}

    ~Win32Child() override {
        if (!hasEnded())
            terminate();
        if (job_) {
            // A normal end leaves alone what the command started and left running.
            setKillOnClose(job_, false);
            CloseHandle(job_);
        }
        CloseHandle(readEnd_);
        CloseHandle(process_);
    }

    Event wait(int timeoutMs) override {
        const bool bounded = timeoutMs >= 0;
        const auto deadline = Clock::now() + std::chrono::milliseconds(bounded ? timeoutMs : 0);
        while (true) {
            if (wake_.isSet() && !interrupted_)
                return Event::Woken;
            // Once the child has ended the caller drains the pipe; what a process it left
            // running keeps writing is not waited for.
            if (hasEnded())
                return Event::Ended;
            DWORD available = 0;
            if (outputOpen_) {
                if (!PeekNamedPipe(readEnd_, nullptr, 0, nullptr, &available, nullptr))
                    outputOpen_ = false; // broken: every writer has closed its end
                else if (available > 0)
                    return Event::Output;
            }
            if (bounded && Clock::now() >= deadline)
                return Event::TimedOut;
            Sleep(1);
        }
    }

    bool read(Text& out) override {
        if (!outputOpen_)
            return false;
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd_, nullptr, 0, nullptr, &available, nullptr)) {
            outputOpen_ = false;
            return false;
        }
        if (available == 0)
            return false;
        const size_t before = out.size();
        DWORD wanted = std::min(available, kReadBlock);
        out.resize(before + wanted);
        DWORD got = 0;
        if (!ReadFile(readEnd_, out.data() + before, wanted, &got, nullptr))
            got = 0;
        out.resize(before + got);
        return got > 0;
    }

    void drain(Text& out) override {
        DWORD available = 0;
        if (!outputOpen_ || !PeekNamedPipe(readEnd_, nullptr, 0, nullptr, &available, nullptr))
            return;
        const size_t before = out.size();
        out.resize(before + available);
        DWORD got = 0;
        while (got < available) {
            DWORD n = 0;
            if (!ReadFile(readEnd_, out.data() + before + got, available - got, &n, nullptr) ||
                n == 0)
                break;
            got += n;
        }
        out.resize(before + got);
    }

    bool hasEnded() override {
        if (ended_)
            return true;
        // The process object tells for sure (259 is also a possible real exit code); the code is
        // read only after it has signalled, or a child ending in between would leave 259.
        if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0)
            return false;
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        ended_ = true;
        exitCode_ = static_cast<int>(code);
        return true;
    }

    std::optional<int> exitCode() override {
        if (!hasEnded())
            return std::nullopt;
        return exitCode_;
    }

    // A console control event reaches the processes of one console only. The child has a console
    // of its own, and this program, a GUI one, has none: it joins the child's for the moment of
    // the request. The event reaches this program too, maybe later, so it ignores such events
    // until the next child is started. A program with a console of its own cannot join another.
    bool interrupt() override {
        if (isConsoleProgram() || hasEnded() || !AttachConsole(GetProcessId(process_)))
            return false;
        SetConsoleCtrlHandler(nullptr, TRUE);
        ignoringControlEvents = true;
        interrupted_ = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != FALSE;
        FreeConsole();
        return interrupted_;
    }

    void terminate() override {
        if (job_) {
            TerminateJobObject(job_, 1);
        } else {
            TerminateProcess(process_, 1);
        }
        WaitForSingleObject(process_, kTerminateWaitMs);
        hasEnded();
    }

private:
    HANDLE process_;
    HANDLE readEnd_;
    HANDLE job_;
    const WakeSignal& wake_;
    bool outputOpen_ = true;
    bool interrupted_ = false;
    bool ended_ = false;
    int exitCode_ = 0;
};

} // namespace

std::unique_ptr<ChildProcess> startChildProcess(const Text& commandLine, bool isNT,
                                                const WakeSignal& wake) {
    if (ignoringControlEvents.exchange(false))
        SetConsoleCtrlHandler(nullptr, FALSE);
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &security, 0))
        return nullptr;

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;

    // The child joins a job before it runs, so that an abort can end it with all it started.
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (job)
        setKillOnClose(job, true);

    DWORD flags = CREATE_NO_WINDOW | (isNT ? 0 : DETACHED_PROCESS);
    if (job)
        flags |= CREATE_SUSPENDED;
    Text line = commandLine; // CreateProcessA may write into its command line
    PROCESS_INFORMATION info{};
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr,
                                  nullptr, &startup, &info);
    if (!started) {
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        if (job)
            CloseHandle(job);
        return nullptr;
    }
    if (job && !AssignProcessToJobObject(job, info.hProcess)) {
        CloseHandle(job);
        job = nullptr;
    }
    if (flags & CREATE_SUSPENDED)
        ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    CloseHandle(writeEnd);
    return std::make_unique<Win32Child>(info.hProcess, readEnd, job, wake);
}

} // namespace tg::platform
