#pragma once

#include "commands/RunContext.h"
#include "platform/WmiSource.h"
#include "text/Text.h"

#include <array>
#include <cstdint>
#include <optional>

namespace tg {

// The six queries, in the order the report runs them.
inline constexpr const char* kQueryBios = "SELECT * FROM Win32_BIOS";
inline constexpr const char* kQueryProcessor = "SELECT * FROM Win32_Processor";
inline constexpr const char* kQueryComputerSystem = "SELECT * FROM Win32_ComputerSystem";
inline constexpr const char* kQueryOperatingSystem = "SELECT * FROM Win32_OperatingSystem";
inline constexpr const char* kQueryNetworkAdapter = "SELECT * FROM Win32_NetworkAdapter";
inline constexpr const char* kQueryAdapterConfiguration =
    "SELECT * FROM Win32_NetworkAdapterConfiguration";

// Byte counts of the memory figures.
struct MemoryFigures {
    std::uint64_t totalPhys = 0;
    std::uint64_t availPhys = 0;
    std::uint64_t totalVirtual = 0;
    std::uint64_t availVirtual = 0;
    std::uint64_t totalPageFile = 0;
};

// What the report takes from the system besides the management data. A value that could not be
// obtained is none and leaves an empty line in its place.
struct LocalSystemValues {
    std::optional<Text> computerName;
    std::optional<Text> windowsFolder;
    MemoryFigures memory;
};

// A fixed line holds at most this many bytes.
inline constexpr std::size_t kFixedLineLimit = 255;

// Builds the system-information report into the run's pane: fifteen fixed lines, one block per
// network adapter and a closing dash line, with the run's nine progress points. An abort skips
// the remaining lines and ends the report at its next query or adapter read. The source is
// closed on every way out.
void buildSystemReport(RunContext& run, platform::WmiSource& source,
                       const LocalSystemValues& values);

// The text of the box shown when the management service cannot be reached, and its caption.
const Text& wmiErrorText();
const Text& wmiErrorCaption();

// "<kilobytes>kb", rounded down.
Text kilobytesText(std::uint64_t bytes);

// The line cut to at most limit bytes; a double-byte character is never split.
Text cutToLimit(TextView line, std::size_t limit = kFixedLineLimit);

} // namespace tg
