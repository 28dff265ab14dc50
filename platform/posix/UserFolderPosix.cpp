#include "platform/ProgramFiles.h"

#include <cstdlib>
#include <system_error>

namespace tg::platform {

std::filesystem::path userSettingsFolder() {
    // XDG says a relative $XDG_CONFIG_HOME is to be ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && std::filesystem::path(config).is_absolute())
        return std::filesystem::path(config) / "tginfo";
    const char* home = std::getenv("HOME");
    if (home && std::filesystem::path(home).is_absolute())
        return std::filesystem::path(home) / ".config" / "tginfo";
    return {};
}

std::filesystem::path runningProgramPath() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self;
}

} // namespace tg::platform
