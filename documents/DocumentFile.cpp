#include "documents/DocumentFile.h"

#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileName.h"

namespace tg {

StringList buildDocumentLines(const std::vector<Text>& labels, const std::vector<Text>& texts,
                              const std::vector<Text>& defaultTexts, TextView separator) {
    return buildPrintList(labels, texts, defaultTexts, Text(separator), labels.size());
}

std::vector<Text> readDocumentLines(const StringList& lines, const std::vector<Text>& labels,
                                    const std::vector<Text>& currentTexts,
                                    const std::vector<Text>& defaultTexts, TextView separator) {
    // Everything is worked out on a copy, so a file that fails half-way leaves no trace.
    std::vector<Text> texts = currentTexts;
    for (size_t k = 0; k < labels.size(); ++k) {
        std::optional<size_t> heading = indexOfIgnoreCase(lines, labels[k]);
        if (!heading)
            continue;
        Text text;
        size_t i = *heading + 1;
        for (; i < lines.size() && lines[i] != separator; ++i) {
            if (i > *heading + 1)
                text += '\n';
            text += lines[i];
        }
        if (i == lines.size()) {
            throw Error(labels[k] + utf8ToCp932(" の区切り行 \"") + Text(separator) +
                        utf8ToCp932("\" がありません。ファイルは読み込まれませんでした"));
        }
        texts[k] = text.empty() ? defaultTexts[k] : std::move(text);
    }
    return texts;
}

std::vector<Text> readDocumentFile(const std::filesystem::path& path,
                                   const std::vector<Text>& labels,
                                   const std::vector<Text>& currentTexts,
                                   const std::vector<Text>& defaultTexts, TextView separator) {
    StringList lines = loadLines(path);
    try {
        return readDocumentLines(lines, labels, currentTexts, defaultTexts, separator);
    } catch (const Error& e) {
        throw Error(fromNativePath(path) + ": " + e.text());
    }
}

} // namespace tg
