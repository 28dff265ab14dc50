#pragma once

#include "text/FileProblem.h"
#include "text/Text.h"

#include <atomic>
#include <cstdint>
#include <filesystem>

namespace tg::platform {

// A read as another thread follows it: how far it has come, and a request to stop it.
struct ReadProgress {
    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> total{0}; // the file's size when it was opened
    std::atomic<bool> cancel{false};
};

// The whole of a regular file, at most limit bytes. Whatever else the name points at (a folder,
// a named pipe, a socket, a device) is refused before a byte is read, and the check and the read
// use one open handle, so nothing can take the file's place between them. A file over the limit
// is refused, also one that grows past it while it is read. Throws tg::Error naming the file and
// the reason.
Text readRegularFile(const std::filesystem::path& path, std::uint64_t limit,
                     ReadProgress* progress = nullptr);

// Writes bytes to path, creating the file or replacing the whole of it. They go to a temporary
// file beside the target, which takes the target's place only once all of them are on the disk:
// a save that fails or is cut short at any moment leaves the old file as it was. A read-only file
// is not replaced. Throws tg::Error naming the file and the reason.
void replaceFile(const std::filesystem::path& path, TextView bytes);

// What an error code of the system's own file functions stands for (errno on POSIX systems,
// GetLastError on Windows).
FileFailure failureFromSystemError(unsigned long code);

} // namespace tg::platform
