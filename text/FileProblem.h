#pragma once

#include "text/Text.h"

#include <cstdint>

namespace tg {

// Why a file could not be read or written, in the program's own terms. The system's error codes
// are turned into these in one place per kind of code (failureFromErrno here, the Win32 codes in
// platform/), so that every message gives the same Japanese words on every system.
enum class FileProblem {
    NotFound,
    AccessDenied,
    DiskFull,
    IsFolder,
    FolderIsFile, // a folder on the way is a file
    NotRegularFile,
    TooLarge,
    ReadOnlyPlace,
    NameTooLong,
    InvalidName,
    InUse,
    IoError,
    OutOfMemory,
    Cancelled,
    Other,
};

struct FileFailure {
    FileProblem problem = FileProblem::Other;
    // cp932: what more there is to say (the kind of file, the sizes); for Other the system's own
    // text, the last resort.
    Text detail;
};

// The reason as a sentence, never empty.
Text reasonText(const FileFailure& failure);

// "<action>: <path>" and the reason on the next line; action is UTF-8 source text.
Text fileErrorMessage(const char* action, TextView path, const FileFailure& failure);

// The C library's error numbers (std::errc, the same names on every system).
FileFailure failureFromErrno(int error);

// "1.5 GB", "640 KB": a size as the messages show it.
Text sizeText(std::uint64_t bytes);

} // namespace tg
