#include "documents/DocumentFile.h"

#include "documents/PrintList.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileProblem.h"
#include "text/StringList.h"

#include <algorithm>
#include <cstring>

namespace tg {

namespace {

// One line of the file: its text ends at end, the next line starts at next.
struct Line {
    size_t end;
    size_t next;
};

// Walks the file line by line. The next CR and the next LF are each found once with memchr and
// kept until the walk passes them, so a long run of lines costs one pass whatever their ends.
class Lines {
public:
    explicit Lines(TextView bytes) : bytes_(bytes) {}

    Line at(size_t start) {
        size_t end = std::min(following('\r', cr_, start), following('\n', lf_, start));
        size_t next = end < bytes_.size() ? end + 1 : end;
        if (end < bytes_.size() && bytes_[end] == '\r' && next < bytes_.size() &&
            bytes_[next] == '\n')
            ++next;
        return {end, next};
    }

private:
    size_t following(char c, size_t& cached, size_t start) {
        if (cached != kUnknown && cached >= start)
            return cached;
        const void* found = start < bytes_.size()
                                ? std::memchr(bytes_.data() + start, c, bytes_.size() - start)
                                : nullptr;
        cached = found ? static_cast<size_t>(static_cast<const char*>(found) - bytes_.data())
                       : bytes_.size();
        return cached;
    }

    static constexpr size_t kUnknown = static_cast<size_t>(-1);
    TextView bytes_;
    size_t cr_ = kUnknown;
    size_t lf_ = kUnknown;
};

// Where each view's section starts: the line after the first line equal to its label. One pass,
// which ends as soon as every label has been seen.
std::vector<std::optional<size_t>> sectionStarts(TextView bytes, const std::vector<Text>& labels) {
    std::vector<std::optional<size_t>> starts(labels.size());
    size_t longest = 0;
    for (const Text& label : labels)
        longest = std::max(longest, label.size());
    size_t unseen = labels.size();
    Lines lines(bytes);
    for (size_t at = 0; at < bytes.size() && unseen > 0;) {
        Line line = lines.at(at);
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

// A section's lines, from its start to the end of its last line.
struct Section {
    size_t start = 0;
    size_t end = 0;
    size_t size = 0; // of the text the lines make, joined with LF
};

// The lines of bytes joined with LF: every line end, of whichever kind, becomes one LF.
Text joinedWithLf(TextView bytes, size_t size) {
    Text text;
    text.reserve(size);
    while (!bytes.empty()) {
        size_t cr = bytes.find('\r');
        text.append(bytes.substr(0, cr));
        if (cr == TextView::npos)
            break;
        text += '\n';
        size_t skip = cr + 1 < bytes.size() && bytes[cr + 1] == '\n' ? cr + 2 : cr + 1;
        bytes.remove_prefix(skip);
    }
    return text;
}

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
        Section section{*starts[k], *starts[k], 0};
        Lines lines(bytes);
        size_t at = section.start;
        bool closed = false;
        while (at < bytes.size()) {
            Line line = lines.at(at);
            if (bytes.substr(at, line.end - at) == separator) {
                closed = true;
                break;
            }
            section.size += (at > section.start ? 1 : 0) + (line.end - at);
            section.end = line.end;
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
        const Section& section = *sections[k];
        texts[k] =
            joinedWithLf(bytes.substr(section.start, section.end - section.start), section.size);
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
