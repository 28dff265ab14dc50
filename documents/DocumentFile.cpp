#include "documents/DocumentFile.h"

#include "documents/PrintList.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileProblem.h"
#include "text/StringList.h"

#include <algorithm>

namespace tg {

namespace {

// One line of the file: its text ends at end, the next line starts at next.
struct Line {
    size_t end;
    size_t next;
};

Line lineAt(TextView bytes, size_t at) {
    size_t end = at;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
        ++end;
    size_t next = end < bytes.size() ? end + 1 : end;
    if (end < bytes.size() && bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n')
        ++next;
    return {end, next};
}

// Where each view's section starts: the line after the first line equal to its label. One pass,
// which ends as soon as every label has been seen.
std::vector<std::optional<size_t>> sectionStarts(TextView bytes, const std::vector<Text>& labels) {
    std::vector<std::optional<size_t>> starts(labels.size());
    size_t longest = 0;
    for (const Text& label : labels)
        longest = std::max(longest, label.size());
    size_t unseen = labels.size();
    for (size_t at = 0; at < bytes.size() && unseen > 0;) {
        Line line = lineAt(bytes, at);
        if (line.end - at <= longest) {
            TextView text = bytes.substr(at, line.end - at);
            for (size_t k = 0; k < labels.size(); ++k) {
                if (!starts[k] && equalsIgnoreCase(text, labels[k])) {
                    starts[k] = line.next;
                    --unseen;
                }
            }
        }
        at = line.next;
    }
    return starts;
}

struct Section {
    size_t start = 0;
    size_t lines = 0;
    size_t size = 0; // of the text the lines make, joined with LF
};

} // namespace

Text documentBytes(const std::vector<Text>& labels, const std::vector<Text>& texts,
                   const std::vector<Text>& defaultTexts, TextView separator) {
    // Made in one piece: a large document is not copied line by line on its way to the disk.
    size_t size = kDocumentTitle.size() + separator.size() + 4;
    for (size_t k = 0; k < labels.size(); ++k) {
        bool asDefault = texts[k] == defaultTexts[k];
        size += labels[k].size() + (asDefault ? 0 : texts[k].size()) + separator.size() + 6;
    }
    Text bytes;
    bytes.reserve(size);
    bytes += kDocumentTitle;
    bytes += "\r\n";
    bytes += separator;
    bytes += "\r\n";
    for (size_t k = 0; k < labels.size(); ++k) {
        bytes += labels[k];
        bytes += "\r\n";
        if (texts[k] != defaultTexts[k])
            bytes += texts[k];
        bytes += "\r\n";
        bytes += separator;
        bytes += "\r\n";
    }
    return bytes;
}

DocumentSections readDocumentSections(TextView bytes, const std::vector<Text>& labels,
                                      TextView separator) {
    std::vector<std::optional<size_t>> starts = sectionStarts(bytes, labels);
    // Every section is measured before any text is made, so that a file whose sections overlap
    // cannot make the views hold many times the file.
    std::vector<std::optional<Section>> sections(labels.size());
    std::uint64_t total = 0;
    for (size_t k = 0; k < labels.size(); ++k) {
        if (!starts[k])
            continue;
        Section section{*starts[k]};
        size_t at = section.start;
        bool closed = false;
        while (at < bytes.size()) {
            Line line = lineAt(bytes, at);
            if (bytes.substr(at, line.end - at) == separator) {
                closed = true;
                break;
            }
            section.size += (section.lines > 0 ? 1 : 0) + (line.end - at);
            ++section.lines;
            at = line.next;
        }
        if (!closed) {
            throw Error(labels[k] + utf8ToCp932(" の区切り行 \"") + Text(separator) +
                        utf8ToCp932("\" がありません。ファイルは読み込まれませんでした。"));
        }
        total += section.size;
        sections[k] = section;
    }
    if (total > kDocumentFileLimit) {
        throw Error(reasonText(
            {FileProblem::TooLarge, utf8ToCp932("ビューの文字が合わせて ") + sizeText(total) +
                                        utf8ToCp932(" になります。読み込めるのは ") +
                                        sizeText(kDocumentFileLimit) + utf8ToCp932(" まで")}));
    }

    DocumentSections texts(labels.size());
    for (size_t k = 0; k < labels.size(); ++k) {
        if (!sections[k])
            continue;
        Text text;
        text.reserve(sections[k]->size);
        size_t at = sections[k]->start;
        for (size_t i = 0; i < sections[k]->lines; ++i) {
            Line line = lineAt(bytes, at);
            if (i > 0)
                text += '\n';
            text.append(bytes.substr(at, line.end - at));
            at = line.next;
        }
        texts[k] = std::move(text);
    }
    return texts;
}

void applyDocumentSections(DocumentSections sections, std::vector<Text>& texts,
                           const std::vector<Text>& defaultTexts) {
    for (size_t k = 0; k < sections.size() && k < texts.size(); ++k) {
        if (!sections[k])
            continue;
        texts[k] = sections[k]->empty() ? defaultTexts[k] : std::move(*sections[k]);
    }
}

} // namespace tg
