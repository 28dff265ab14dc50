#include "platform/Prober.h"

#include <cstdlib>

namespace tg::platform {

std::filesystem::path monitorLogFolder() {
    // XDG says a relative $XDG_DATA_HOME is to be ignored.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && std::filesystem::path(data).is_absolute())
        return std::filesystem::path(data) / "tginfo" / "monitor";
    const char* home = std::getenv("HOME");
    if (home && std::filesystem::path(home).is_absolute())
        return std::filesystem::path(home) / ".local" / "share" / "tginfo" / "monitor";
    return {};
}

} // namespace tg::platform
