#include "documents/PrintList.h"

#include "text/Codec.h"
#include "text/Error.h"

#include <algorithm>

namespace tg {

StringList buildPrintList(const std::vector<Text>& viewLabels, const std::vector<Text>& viewText,
                          const std::vector<Text>& viewDefaultText, const Text& viewSeparator,
                          size_t viewCount) {
    // A tree with more nodes than views would read past the arrays.
    if (viewCount > std::min({viewLabels.size(), viewText.size(), viewDefaultText.size()}))
        throw Error(utf8ToCp932("印刷する文書のビューの数が合いません。"));

    StringList list;
    list.reserve(2 + 3 * viewCount);
    list.emplace_back(kDocumentTitle);
    list.push_back(viewSeparator);
    for (size_t i = 0; i < viewCount; ++i) {
        list.push_back(viewLabels[i]);
        // A view still showing its help text has no output of its own to print.
        list.push_back(viewText[i] != viewDefaultText[i] ? viewText[i] : Text());
        list.push_back(viewSeparator);
    }
    return list;
}

Text expandTabs(TextView text, std::size_t tabColumns) {
    Text out;
    out.reserve(text.size());
    std::size_t column = 0;
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (c == '\t') {
            const std::size_t stop = (column / tabColumns + 1) * tabColumns;
            out.append(stop - column, ' ');
            column = stop;
            ++at;
        } else if (c == '\n' || c == '\r') {
            out += c;
            column = 0;
            ++at;
        } else {
            const std::size_t length = cp932CharLength(text, at);
            out.append(text.substr(at, length));
            column += length;
            at += length;
        }
    }
    return out;
}

} // namespace tg
