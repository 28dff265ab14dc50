#pragma once

// Linux has none of the Windows network commands. The program brings stand-ins of its own, one
// per command word, in a folder that it finds relative to its own executable.

#include "platform/Process.h"

#include <filesystem>

namespace tg::platform {

// The stand-in folder of the executable at this path: netcmd/ beside it (the build tree) or
// <prefix>/libexec/tginfo beside <prefix>/bin (installed); empty when there is neither.
std::filesystem::path standInFolder(const std::filesystem::path& executable);

// As startChildProcess, but a command word that this folder holds a stand-in for is started
// from there by its absolute path; any other word is searched on PATH.
std::unique_ptr<ChildProcess> startChildProcessWith(const Text& commandLine,
                                                    const std::filesystem::path& standIns,
                                                    const WakeSignal& wake);

} // namespace tg::platform
