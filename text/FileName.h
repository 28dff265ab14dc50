#pragma once

#include "text/Text.h"

#include <filesystem>

namespace tg {

// Path helpers over cp932 paths as the settings file keeps them. They step through the path by
// characters, so the second byte of a double-byte character is never taken for a '\'. '\' and ':'
// separate as on Windows; on other systems '/' separates too.

// Everything up to and including the last separator; empty when there is none.
Text extractFilePath(TextView path);

// Everything after the last separator.
Text extractFileName(TextView path);

// The path with the extension of its file name replaced by ext (which carries its own dot); the
// extension is added when the file name has none.
Text changeFileExt(TextView path, TextView ext);

// A file name is a native path from the file dialogs to the system; it becomes cp932 text only
// where text is kept or shown (the settings file, messages). A name the code page can write is
// that text, the same bytes as always. Any other name (one with characters the code page lacks,
// or on Linux one that is no UTF-8 at all) is a "file://" URI of its native bytes, percent-encoded
// (UTF-8 on Windows), which toNativePath turns back into the very same name.
Text fromNativePath(const std::filesystem::path& path);
std::filesystem::path toNativePath(TextView path);

} // namespace tg
