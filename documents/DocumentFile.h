#pragma once

#include "documents/PrintList.h"
#include "text/StringList.h"
#include "text/Text.h"

#include <filesystem>
#include <vector>

namespace tg {

// The lines of the document file, the same as those printed: the title, the separator, then per
// view its label, its text (or an empty line while the text is still the view's default) and the
// separator. A view's text is one item even when it holds line breaks; it is written as it
// stands.
StringList buildDocumentLines(const std::vector<Text>& labels, const std::vector<Text>& texts,
                              const std::vector<Text>& defaultTexts, TextView separator);

// The texts every view takes from a document file's lines. Each view's heading is the first line
// from the top equal to its label without regard to case; its text runs up to the next line that
// is exactly the separator, joined with LF. An empty section gives the default text, a missing
// label leaves the current text. Throws tg::Error, having decided nothing, when a section has no
// closing separator.
std::vector<Text> readDocumentLines(const StringList& lines, const std::vector<Text>& labels,
                                    const std::vector<Text>& currentTexts,
                                    const std::vector<Text>& defaultTexts, TextView separator);

// Loads the file whole and reads it as readDocumentLines does. Throws tg::Error when the file
// cannot be read or a section is not closed.
std::vector<Text> readDocumentFile(const std::filesystem::path& path,
                                   const std::vector<Text>& labels,
                                   const std::vector<Text>& currentTexts,
                                   const std::vector<Text>& defaultTexts, TextView separator);

} // namespace tg
