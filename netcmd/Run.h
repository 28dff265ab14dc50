#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tg::netcmd {

// Answers one Windows command line on standard output and returns the exit status.
int run(std::string_view word, const std::vector<std::string>& args);

} // namespace tg::netcmd
