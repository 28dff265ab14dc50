#pragma once

#include "text/Text.h"

#include <filesystem>

namespace tg {

// Path helpers over cp932 paths. They step through the path by characters, so the second byte of
// a double-byte character is never taken for a '\'. '\' and ':' separate as on Windows; on other
// systems '/' separates too.

// Everything up to and including the last separator; empty when there is none.
Text extractFilePath(TextView path);

// Everything after the last separator.
Text extractFileName(TextView path);

// The path with the extension of its file name replaced by ext (which carries its own dot); the
// extension is added when the file name has none.
Text changeFileExt(TextView path, TextView ext);

// The native file-system path for a cp932 path (on Linux the file system speaks UTF-8).
std::filesystem::path toNativePath(TextView path);

// The cp932 text of a native path.
Text fromNativePath(const std::filesystem::path& path);

} // namespace tg
