#include "commands/CommandRunner.h"

#include "commands/CommandLine.h"
#include "commands/LineAssembly.h"
#include "text/Codec.h"

#include <chrono>
#include <exception>
#include <optional>

namespace tg {

namespace {

using Clock = std::chrono::steady_clock;
using Event = platform::ChildProcess::Event;

// After an abort the command is asked to stop as Ctrl+C would and is read this long more, so that
// what it says on its way out (ping's statistics) is kept; then it is ended.
constexpr auto kInterruptGrace = std::chrono::milliseconds(500);

int msUntil(Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

class LineOutlet {
public:
    explicit LineOutlet(RunContext& context) : context_(context) {}

    LineBatch& pending() { return pending_; }

    // The batch is emptied even when the handover fails, and keeps its room for the next one.
    void deliver() {
        if (pending_.empty())
            return;
        lastDelivery_ = Clock::now();
        struct Clear {
            LineBatch& batch;
            ~Clear() { batch.clear(); }
        } clear{pending_};
        context_.deliverLines(pending_);
    }

    // How long the lines read so far may still wait; negative when nothing waits.
    int holdMs() const {
        if (pending_.empty())
            return -1;
        auto due = lastDelivery_ + kDeliveryInterval - Clock::now();
        auto ms = std::chrono::ceil<std::chrono::milliseconds>(due).count();
        return ms < 0 ? 0 : static_cast<int>(ms);
    }

private:
    RunContext& context_;
    LineBatch pending_;
    Clock::time_point lastDelivery_{};
};

} // namespace

Text cannotRunLine(const Text& commandName) {
    static const Text prefix = utf8ToCp932("コマンドを実行できませんでした: ");
    return prefix + commandName;
}

RunOutcome runChildProcess(const Text& commandName, const Text& commandArgs, RunContext& context,
                           const ProcessStarter& start) {
    RunOutcome outcome{RunEnding::Aborted, std::nullopt};
    LineOutlet outlet(context);
    LineAssembly assembly;
    std::unique_ptr<platform::ChildProcess> child;
    bool childEnded = false;
    bool interrupted = false;
    try {
        child = start(commandLineOf(commandName, commandArgs));
        if (!child) {
            outcome.ending = RunEnding::CouldNotStart;
            assembly.replacePartial(cannotRunLine(commandName));
        } else {
            Text chunk;
            std::optional<Clock::time_point> graceEnd;
            while (true) {
                if (!graceEnd && context.terminationRequested()) {
                    interrupted = child->interrupt();
                    if (!interrupted)
                        break;
                    graceEnd = Clock::now() + kInterruptGrace;
                }
                int timeout = outlet.holdMs();
                if (graceEnd) {
                    const int left = msUntil(*graceEnd);
                    if (left == 0)
                        break;
                    if (timeout < 0 || timeout > left)
                        timeout = left;
                }
                Event event = child->wait(timeout);
                if (event == Event::TimedOut) {
                    outlet.deliver();
                } else if (event == Event::Output) {
                    chunk.clear();
                    child->read(chunk);
                    assembly.feed(chunk, outlet.pending());
                    if (outlet.holdMs() == 0 || outlet.pending().bytes().size() >= kBatchBytes)
                        outlet.deliver();
                } else if (event == Event::Ended) {
                    // All the child wrote is in the pipe now; a process it started and left
                    // holding the pipe is not waited for.
                    chunk.clear();
                    child->drain(chunk);
                    assembly.feed(chunk, outlet.pending());
                    childEnded = true;
                    // A command that stopped on the user's abort was still aborted.
                    if (!interrupted)
                        outcome = {RunEnding::Exited, child->exitCode()};
                    break;
                }
            }
        }
        assembly.finish(outlet.pending());
        outlet.deliver();
    } catch (const std::exception& error) {
        if (!child)
            outcome.ending = RunEnding::CouldNotStart;
        // The error's text is the run's last line, in place of the partial one.
        assembly.replacePartial(error.what());
        assembly.finish(outlet.pending());
        try {
            outlet.deliver();
        } catch (const std::exception&) {
        }
    }
    // After an interrupt, what the command started and left behind is ended too.
    if (child && (!childEnded || interrupted))
        child->terminate();
    child.reset();
    try {
        context.resetProgress();
    } catch (const std::exception&) {
    }
    return outcome;
}

} // namespace tg
