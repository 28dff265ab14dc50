#pragma once

#include "commands/RunContext.h"
#include "platform/Process.h"
#include "text/Text.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace tg {

// Lines go to the window at most this often while output floods in, so that the window spends
// its time showing lines rather than receiving handovers; a quiet pipe hands over at once. The
// system report hands its lines over at the same pace.
inline constexpr auto kDeliveryInterval = std::chrono::milliseconds(16);

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
