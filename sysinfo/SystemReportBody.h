#pragma once

#include "commands/RunContext.h"

#include <functional>

namespace tg {

// The body of a system-information run: opens the platform's source on the calling (worker)
// thread, gathers the local values and builds the report into the run.
std::function<void(RunContext&)> systemReportBody();

} // namespace tg
