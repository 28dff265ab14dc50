#pragma once

#include "text/Text.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace tg::platform {

// True when the operating system is of the NT family (always on systems other than Windows).
bool isNT();

// The computer's name; none when the system does not give it.
std::optional<Text> computerName();

// The Windows folder; none where there is no such folder or the system does not give it.
std::optional<Text> windowsDirectory();

// Memory figures in bytes, as 64-bit counts.
struct MemoryStatus {
    std::uint64_t totalPhys = 0;     // installed physical memory
    std::uint64_t availPhys = 0;     // physical memory available to programs
    std::uint64_t totalVirtual = 0;  // user-mode address space of this process
    std::uint64_t availVirtual = 0;  // of which not reserved or mapped
    std::uint64_t totalPageFile = 0; // commit limit: physical memory plus paging space
};
MemoryStatus memoryStatus();

// The name of the user the program runs as; none when the system does not give it.
std::optional<Text> userName();
// The operating system's name and version, for the header of an export.
Text osDescription();

// A command-line argument as text (the program's arguments come in the system's own encoding).
Text argumentText(std::string_view argument);
// The arguments after the program's name as file names, exactly as the system gave them: on
// Windows from the wide command line, so that a name outside the ANSI code page is kept.
std::vector<std::filesystem::path> argumentPaths(int argc, char** argv);
// Writes a line of text and a line end to standard error, in the console's encoding.
void writeErrorLine(TextView line);
// Writes text to standard output in the console's encoding; false when it could not be written.
bool writeOutput(TextView text);
// Writes bytes to standard output as they stand (a page that names its own encoding); false when
// they could not be written.
bool writeOutputBytes(std::string_view bytes);

} // namespace tg::platform
