#pragma once

#include "text/Text.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tg {

// No real document comes near this; a file beyond it is refused before it is read, and so is one
// whose views together would hold more.
inline constexpr std::uint64_t kDocumentFileLimit = std::uint64_t(1) << 30;

// The bytes of the document file, the same lines as those printed, each ended with CR LF: the
// title, the separator, then per view its label, its text (or an empty line while the text is
// still the view's default) and the separator. A view's text is written as it stands, its own
// line breaks included.
Text documentBytes(const std::vector<Text>& labels, const std::vector<Text>& texts,
                   const std::vector<Text>& defaultTexts, TextView separator);

// What a document file gives each view, in view-index order: the lines of its section joined
// with LF (empty for an empty section), or nothing when no line of the file heads its section.
using DocumentSections = std::vector<std::optional<Text>>;

// Reads the bytes of a document file. Lines end at CR LF, CR or LF. A view's heading is the first
// line from the top equal to its label without regard to case; its section runs up to the next
// line that is exactly the separator. Throws tg::Error when a section has no closing separator
// (naming the view) or when the sections together exceed kDocumentFileLimit.
DocumentSections readDocumentSections(TextView bytes, const std::vector<Text>& labels,
                                      TextView separator);

// What an open does to the views' texts: a view with a section takes its text, or its default
// text when the section is empty; a view without one keeps its text.
void applyDocumentSections(DocumentSections sections, std::vector<Text>& texts,
                           const std::vector<Text>& defaultTexts);

} // namespace tg
