#pragma once

#include "sysinfo/WmiSource.h"

#include <memory>

namespace tg::platform {

// The system's own source of management data for the report: WMI on Windows, the kernel's and
// the distribution's files elsewhere. Create, open and use it on the one thread that runs the
// report.
std::unique_ptr<WmiSource> createSystemInfoSource();

} // namespace tg::platform
