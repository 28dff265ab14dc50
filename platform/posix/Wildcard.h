#pragma once

// Shell wildcards ('*', '?', '[…]') as the system matches file names.

#include <string>

namespace tg::platform {

bool wildcardMatch(const std::string& pattern, const std::string& text);

} // namespace tg::platform
