#pragma once

#include "text/Text.h"

#include <optional>
#include <vector>

namespace tg {

using StringList = std::vector<Text>;

// Splits text into lines that end at CR LF, at a lone CR or at a lone LF; a last line without a
// line end still counts, and an empty text has no lines.
StringList splitLines(TextView text);
// The same lines as views into text, for large texts that need not be copied.
std::vector<TextView> splitLineViews(TextView text);

// Every line followed by CR LF.
Text joinLinesCrLf(const StringList& lines);

// Index of the first line equal to text, ASCII letters compared without regard to case.
std::optional<size_t> indexOfIgnoreCase(const StringList& lines, TextView text);

// Splits text at every delimiter into items; an empty text gives no items.
StringList splitDelimited(TextView text, char delimiter);

// ASCII-only case-insensitive equality, as the string list and INI keys compare.
bool equalsIgnoreCase(TextView a, TextView b);

} // namespace tg
