#include "platform/posix/Wildcard.h"

#include <fnmatch.h>

namespace tg::platform {

bool wildcardMatch(const std::string& pattern, const std::string& text) {
    return fnmatch(pattern.c_str(), text.c_str(), 0) == 0;
}

} // namespace tg::platform
