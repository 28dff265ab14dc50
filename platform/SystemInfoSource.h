#pragma once

#include "sysinfo/WmiSource.h"

#include <memory>

namespace tg::platform {

// The system's own source of management data for the report: WMI on Windows, the kernel's and
// the distribution's files elsewhere. Nothing is touched before open().
std::unique_ptr<WmiSource> createSystemInfoSource();

} // namespace tg::platform
