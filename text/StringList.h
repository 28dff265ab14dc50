#pragma once

#include "text/Text.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace tg {

using StringList = std::vector<Text>;

// Splits text into lines that end at CR LF, at a lone CR or at a lone LF; a last line without a
// line end still counts, and an empty text has no lines.
StringList splitLines(TextView text);

// Every line followed by CR LF.
Text joinLinesCrLf(const StringList& lines);

// Reads a whole file and splits it as splitLines does. Throws tg::Error when it cannot be read.
StringList loadLines(const std::filesystem::path& path);

// Writes every line followed by CR LF, replacing the whole file. Throws tg::Error on failure.
void saveLines(const std::filesystem::path& path, const StringList& lines);

// Index of the first line equal to text, ASCII letters compared without regard to case.
std::optional<size_t> indexOfIgnoreCase(const StringList& lines, TextView text);

// Splits text at every delimiter into items; an empty text gives no items.
StringList splitDelimited(TextView text, char delimiter);

// ASCII-only case-insensitive equality, as the string list and INI keys compare.
bool equalsIgnoreCase(TextView a, TextView b);

} // namespace tg
