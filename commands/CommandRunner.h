#pragma once

#include "commands/RunContext.h"
#include "platform/Process.h"
#include "text/Text.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

namespace tg {

// Lines go to the window at most this often while output floods in, so that the window spends
// its time showing lines rather than receiving handovers; a quiet pipe hands over at once. The
// system report hands its lines over at the same pace.
inline constexpr auto kDeliveryInterval = std::chrono::milliseconds(16);
// A flood's batch is handed over at this size at the latest (and at most one read more, or what
// the pipe held when the command ended). Every handover wakes the window and waits for it, so a
// flood goes in few of them; 4 MB is still a few milliseconds of reading, and little memory
// beside the pane's.
inline constexpr std::size_t kBatchBytes = std::size_t(4) << 20;

// How a run ended. A system report that runs to its end is Completed; a command that ended by
// itself Exited, with its exit code.
enum class RunEnding { Completed, Exited, Aborted, CouldNotStart };

struct RunOutcome {
    RunEnding ending = RunEnding::Completed;
    std::optional<int> exitCode;
};

// Starts a command line; nullptr when it cannot be started.
using ProcessStarter =
    std::function<std::unique_ptr<platform::ChildProcess>(const Text& commandLine)>;

// The body of a command run: starts commandName + " " + commandArgs and hands its output to the
// window line by line until the command has ended or the run is aborted. Nothing the command
// wrote before it ended is lost; an abort ends the command and all it started.
RunOutcome runChildProcess(const Text& commandName, const Text& commandArgs, RunContext& context,
                           const ProcessStarter& start);

// The line shown when a command cannot be started.
Text cannotRunLine(const Text& commandName);

} // namespace tg
