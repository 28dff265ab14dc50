#pragma once

#include "text/StringList.h"
#include "text/Text.h"

#include <cstddef>
#include <vector>

namespace tg {

// The first line of every saved and printed document.
inline constexpr TextView kDocumentTitle = "TIDEGAUGE-INFO Ver2.0.0";

// The whole document as it is printed: the title, the separator, then for each of the first
// viewCount views (the tree's nodes in order) its label, its text or an empty item when the text
// is still its default, and the separator. An item may hold several lines. Throws tg::Error when
// viewCount exceeds the views the arrays hold.
StringList buildPrintList(const std::vector<Text>& viewLabels, const std::vector<Text>& viewText,
                          const std::vector<Text>& viewDefaultText, const Text& viewSeparator,
                          size_t viewCount);

// The text with each tab turned into the blanks up to the next stop, every tabColumns columns, as
// the output pane stops them: a double-byte character is two columns wide. On paper the blanks
// keep the columns of the fixed font, where a page's tab stops would measure them otherwise.
Text expandTabs(TextView text, std::size_t tabColumns = 8);

} // namespace tg
