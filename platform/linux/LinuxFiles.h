#pragma once

// Reading the kernel's and the system's small text files: shared by the system report and the
// command stand-ins.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg::platform::linuxfiles {

// The whole of a small file; none when it cannot be read.
std::optional<std::string> readFile(const std::string& path);
// The lines of a text, without their '\n' (nor a '\r' before it).
std::vector<std::string_view> lines(std::string_view text);
// The blank-separated fields of a line.
std::vector<std::string_view> splitFields(std::string_view line);
std::string trim(std::string_view text);

} // namespace tg::platform::linuxfiles
