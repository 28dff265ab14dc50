#include "documents/Compare.h"

#include "documents/Export.h"
#include "text/Codec.h"
#include "text/StringList.h"

#include <dtl/dtl.hpp>

#include <algorithm>
#include <cstdint>
#include <functional>

namespace tg {

namespace {

constexpr std::size_t kContext = 3;
// Beyond this many characters a changed line is marked as a whole: nobody reads marks in such a
// line, and the character diff would cost more than the rest of the view.
constexpr std::size_t kMostCharacters = 20000;

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// The blank at text[at] and its length: space, tab or the ideographic space; 0 when none.
std::size_t blankLength(TextView text, std::size_t at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c == ' ' || c == '\t')
        return 1;
    if (c == 0x81 && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) == 0x40)
        return 2;
    return 0;
}

// A line cut into the units that are compared: characters, and with the options whole runs of
// digits or blanks, each as a code that equals only the same unit.
struct Unit {
    std::uint32_t code;
    std::size_t start;
    std::size_t length;
};

constexpr std::uint32_t kDigitRun = 0x10000;
constexpr std::uint32_t kBlankRun = 0x10001;

std::vector<Unit> unitsOf(TextView line, const CompareOptions& options) {
    std::vector<Unit> units;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = at;
        if (options.ignoreNumbers && isDigit(static_cast<unsigned char>(line[at]))) {
            while (at < line.size() && isDigit(static_cast<unsigned char>(line[at])))
                ++at;
            units.push_back({kDigitRun, start, at - start});
            continue;
        }
        if (options.ignoreSpace && blankLength(line, at) > 0) {
            while (at < line.size() && blankLength(line, at) > 0)
                at += blankLength(line, at);
            units.push_back({kBlankRun, start, at - start});
            continue;
        }
        const std::size_t length = cp932CharLength(line, at);
        std::uint32_t code = static_cast<unsigned char>(line[at]);
        if (length == 2)
            code = (code << 8) | static_cast<unsigned char>(line[at + 1]);
        units.push_back({code, start, length});
        at += length;
    }
    // Blanks at either end do not count when blanks are ignored.
    if (options.ignoreSpace) {
        if (!units.empty() && units.back().code == kBlankRun)
            units.pop_back();
        if (!units.empty() && units.front().code == kBlankRun)
            units.erase(units.begin());
    }
    return units;
}

std::vector<ByteSpan> spansOf(const std::vector<Unit>& units, const std::vector<bool>& marked) {
    std::vector<ByteSpan> spans;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (!marked[i])
            continue;
        if (!spans.empty() && spans.back().start + spans.back().length == units[i].start)
            spans.back().length += units[i].length;
        else
            spans.push_back({units[i].start, units[i].length});
    }
    return spans;
}

// The number of each distinct line, in the order the lines first come: a table of open addressing,
// which a view of a million lines fills many times faster than a map of nodes.
class LineNumbers {
public:
    explicit LineNumbers(std::size_t lines) {
        std::size_t size = 16;
        while (size < 2 * lines)
            size *= 2;
        slots_.assign(lines ? size : 0, Slot{});
        mask_ = size - 1;
        firsts_.reserve(lines);
    }

    std::uint32_t of(TextView line) {
        const std::size_t hash = std::hash<TextView>{}(line);
        const auto tag = static_cast<std::uint32_t>(hash);
        for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
            Slot& slot = slots_[at];
            if (slot.number == 0) {
                firsts_.push_back(line);
                slot = {tag, static_cast<std::uint32_t>(firsts_.size())};
                return slot.number - 1;
            }
            if (slot.tag == tag && firsts_[slot.number - 1] == line)
                return slot.number - 1;
        }
    }
    std::size_t count() const { return firsts_.size(); }

private:
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t number = 0; // 1 + the line's number; 0 while the slot is free
    };
    std::vector<Slot> slots_;
    std::vector<TextView> firsts_;
    std::size_t mask_ = 0;
};

// Views of the lines' keys: the lines themselves, or their keys under the options kept in store.
std::vector<TextView> keysOf(const std::vector<TextView>& lines, const CompareOptions& options,
                             std::vector<Text>& store) {
    if (!options.ignoreNumbers && !options.ignoreSpace)
        return lines;
    store.reserve(lines.size());
    for (TextView line : lines)
        store.push_back(comparisonKey(line, options));
    return {store.begin(), store.end()};
}

// A view that only one document has: all of its lines on that side.
std::vector<LineEdit> oneSided(std::size_t lines, LineEdit::Kind kind) {
    std::vector<LineEdit> edits(lines);
    for (std::size_t i = 0; i < lines; ++i) {
        edits[i].kind = kind;
        (kind == LineEdit::Removed ? edits[i].oldLine : edits[i].newLine) = i;
    }
    return edits;
}

// Ranges [first, last) of edits that form the hunks of a unified diff.
std::vector<std::pair<std::size_t, std::size_t>> hunkRanges(const std::vector<LineEdit>& edits,
                                                            std::size_t context) {
    std::vector<std::pair<std::size_t, std::size_t>> hunks;
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (edits[i].kind == LineEdit::Common)
            continue;
        const std::size_t first = i > context ? i - context : 0;
        std::size_t last = i;
        while (last < edits.size() && edits[last].kind != LineEdit::Common)
            ++last;
        const std::size_t end = std::min(edits.size(), last + context);
        if (!hunks.empty() && first <= hunks.back().second)
            hunks.back().second = end;
        else
            hunks.emplace_back(first, end);
        i = last;
    }
    return hunks;
}

Text rangeText(std::size_t start, std::size_t count) {
    Text text = std::to_string(count == 0 ? start : start + 1);
    if (count != 1)
        text += "," + std::to_string(count);
    return text;
}

} // namespace

Text viewMarkText(ViewMark mark) {
    switch (mark) {
    case ViewMark::Changed:
        return utf8ToCp932("変更");
    case ViewMark::OneSideOnly:
        return utf8ToCp932("片方のみ");
    case ViewMark::Same:
        break;
    }
    return utf8ToCp932("同じ");
}

Text comparisonKey(TextView line, const CompareOptions& options) {
    Text key;
    key.reserve(line.size());
    std::size_t at = 0;
    bool blankPending = false;
    while (at < line.size()) {
        if (options.ignoreSpace && blankLength(line, at) > 0) {
            at += blankLength(line, at);
            blankPending = !key.empty();
            continue;
        }
        if (blankPending) {
            key += ' ';
            blankPending = false;
        }
        if (options.ignoreNumbers && isDigit(static_cast<unsigned char>(line[at]))) {
            while (at < line.size() && isDigit(static_cast<unsigned char>(line[at])))
                ++at;
            key += '0';
            continue;
        }
        const std::size_t length = cp932CharLength(line, at);
        key.append(line.substr(at, length));
        at += length;
    }
    return key;
}

std::vector<TextView> viewLines(TextView text) {
    std::vector<TextView> lines;
    std::size_t start = 0;
    // A plain loop: find_first_of looks each byte up in the set of two.
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c != '\r' && c != '\n')
            continue;
        lines.push_back(text.substr(start, at - start));
        if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n')
            ++at;
        start = at + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

CharacterMarks changedCharacters(TextView oldLine, TextView newLine,
                                 const CompareOptions& options) {
    const std::vector<Unit> a = unitsOf(oldLine, options);
    const std::vector<Unit> b = unitsOf(newLine, options);
    std::vector<bool> markedA(a.size()), markedB(b.size());
    if (a.size() > kMostCharacters || b.size() > kMostCharacters) {
        markedA.assign(a.size(), true);
        markedB.assign(b.size(), true);
    } else {
        std::vector<std::uint32_t> codesA, codesB;
        codesA.reserve(a.size());
        codesB.reserve(b.size());
        for (const Unit& unit : a)
            codesA.push_back(unit.code);
        for (const Unit& unit : b)
            codesB.push_back(unit.code);
        dtl::Diff<std::uint32_t> diff(codesA, codesB);
        diff.compose();
        for (const auto& [code, info] : diff.getSes().getSequence()) {
            if (info.type == dtl::SES_DELETE)
                markedA[static_cast<std::size_t>(info.beforeIdx - 1)] = true;
            else if (info.type == dtl::SES_ADD)
                markedB[static_cast<std::size_t>(info.afterIdx - 1)] = true;
        }
    }
    return {spansOf(a, markedA), spansOf(b, markedB)};
}

std::vector<LineEdit> diffLines(const std::vector<TextView>& a, const std::vector<TextView>& b,
                                const CompareOptions& options) {
    std::vector<Text> storeA, storeB;
    const std::vector<TextView> keysA = keysOf(a, options, storeA);
    const std::vector<TextView> keysB = keysOf(b, options, storeB);

    // The lines both ends share need no diff.
    std::size_t prefix = 0;
    while (prefix < keysA.size() && prefix < keysB.size() && keysA[prefix] == keysB[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < keysA.size() - prefix && suffix < keysB.size() - prefix &&
           keysA[keysA.size() - 1 - suffix] == keysB[keysB.size() - 1 - suffix])
        ++suffix;
    const std::size_t middleA = keysA.size() - prefix - suffix;
    const std::size_t middleB = keysB.size() - prefix - suffix;

    // Each distinct line becomes a number, so that the diff compares numbers. A line that the
    // other side lacks altogether can match nothing: it is left out of the diff, which changes
    // no match and keeps a few changed lines in a long view from costing the diff its time.
    LineNumbers numbers(middleA + middleB);
    std::vector<std::uint32_t> idsA(middleA), idsB(middleB);
    for (std::size_t i = 0; i < middleA; ++i)
        idsA[i] = numbers.of(keysA[prefix + i]);
    for (std::size_t i = 0; i < middleB; ++i)
        idsB[i] = numbers.of(keysB[prefix + i]);
    std::vector<unsigned char> side(numbers.count()); // bit 1: in a, bit 2: in b
    numbers = LineNumbers(0);
    for (std::uint32_t id : idsA)
        side[id] |= 1;
    for (std::uint32_t id : idsB)
        side[id] |= 2;
    std::vector<std::uint32_t> keptA, keptB;
    std::vector<std::size_t> lineA, lineB;
    for (std::size_t i = 0; i < middleA; ++i) {
        if (side[idsA[i]] == 3) {
            keptA.push_back(idsA[i]);
            lineA.push_back(prefix + i);
        }
    }
    for (std::size_t i = 0; i < middleB; ++i) {
        if (side[idsB[i]] == 3) {
            keptB.push_back(idsB[i]);
            lineB.push_back(prefix + i);
        }
    }
    idsA = {};
    idsB = {};

    // The matched lines, as dtl finds them.
    std::vector<std::pair<std::size_t, std::size_t>> matches;
    if (!keptA.empty() && !keptB.empty()) {
        dtl::Diff<std::uint32_t> diff(keptA, keptB);
        diff.compose();
        for (const auto& [id, info] : diff.getSes().getSequence()) {
            if (info.type == dtl::SES_COMMON) {
                matches.emplace_back(lineA[static_cast<std::size_t>(info.beforeIdx - 1)],
                                     lineB[static_cast<std::size_t>(info.afterIdx - 1)]);
            }
        }
    }

    std::vector<LineEdit> edits;
    edits.reserve(a.size() + b.size() - 2 * (prefix + suffix) - matches.size() + prefix + suffix);
    for (std::size_t i = 0; i < prefix; ++i)
        edits.push_back({LineEdit::Common, i, i});
    std::size_t nextA = prefix, nextB = prefix;
    const auto fillUpTo = [&](std::size_t endA, std::size_t endB) {
        for (; nextA < endA; ++nextA)
            edits.push_back({LineEdit::Removed, nextA, LineEdit::kNoLine});
        for (; nextB < endB; ++nextB)
            edits.push_back({LineEdit::Added, LineEdit::kNoLine, nextB});
    };
    for (const auto& [lineOld, lineNew] : matches) {
        fillUpTo(lineOld, lineNew);
        edits.push_back({LineEdit::Common, lineOld, lineNew});
        ++nextA;
        ++nextB;
    }
    fillUpTo(a.size() - suffix, b.size() - suffix);
    for (std::size_t i = suffix; i > 0; --i)
        edits.push_back({LineEdit::Common, a.size() - i, b.size() - i});
    return edits;
}

DocumentSections documentSections(const Document& document, const std::vector<Text>& labels) {
    DocumentSections sections(labels.size());
    for (std::size_t k = 0; k < labels.size(); ++k) {
        for (std::size_t view = 0; view < document.viewCount(); ++view) {
            if (!equalsIgnoreCase(document.labels()[view], labels[k]))
                continue;
            sections[k] = document.isEmpty(view) ? Text() : document.texts()[view];
            break;
        }
    }
    return sections;
}

std::vector<std::size_t> ViewComparison::changeStarts() const {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (edits[i].kind != LineEdit::Common && (i == 0 || edits[i - 1].kind == LineEdit::Common))
            starts.push_back(i);
    }
    return starts;
}

Comparison::Comparison(std::vector<Text> labels, DocumentSections oldSide, DocumentSections newSide)
    : labels_(std::move(labels)), old_(std::move(oldSide)), new_(std::move(newSide)) {
    old_.resize(labels_.size());
    new_.resize(labels_.size());
    compare(options_);
}

void Comparison::compare(const CompareOptions& options) {
    options_ = options;
    views_.clear();
    for (std::size_t k = 0; k < labels_.size(); ++k) {
        ViewComparison view;
        view.label = labels_[k];
        view.inOld = old_[k] && !old_[k]->empty();
        view.inNew = new_[k] && !new_[k]->empty();
        if (!view.inOld && !view.inNew)
            continue;
        if (view.inOld)
            view.oldLines = viewLines(*old_[k]);
        if (view.inNew)
            view.newLines = viewLines(*new_[k]);
        if (!view.inOld) {
            view.edits = oneSided(view.newLines.size(), LineEdit::Added);
            view.mark = ViewMark::OneSideOnly;
        } else if (!view.inNew) {
            view.edits = oneSided(view.oldLines.size(), LineEdit::Removed);
            view.mark = ViewMark::OneSideOnly;
        } else {
            view.edits = diffLines(view.oldLines, view.newLines, options_);
            const bool changed =
                std::any_of(view.edits.begin(), view.edits.end(),
                            [](const LineEdit& edit) { return edit.kind != LineEdit::Common; });
            view.mark = changed ? ViewMark::Changed : ViewMark::Same;
        }
        views_.push_back(std::move(view));
    }
}

bool Comparison::same() const {
    return std::all_of(views_.begin(), views_.end(),
                       [](const ViewComparison& view) { return view.mark == ViewMark::Same; });
}

std::vector<SideRow> sideBySideRows(const ViewComparison& view) {
    std::vector<SideRow> rows;
    rows.reserve(view.edits.size());
    std::size_t i = 0;
    while (i < view.edits.size()) {
        if (view.edits[i].kind == LineEdit::Common) {
            rows.push_back({view.edits[i].oldLine, view.edits[i].newLine, false, i});
            ++i;
            continue;
        }
        const std::size_t first = rows.size();
        std::size_t paired = 0; // rows of this block that already have a new line
        for (; i < view.edits.size() && view.edits[i].kind != LineEdit::Common; ++i) {
            const LineEdit& edit = view.edits[i];
            if (edit.kind == LineEdit::Removed) {
                rows.push_back({edit.oldLine, LineEdit::kNoLine, true, i});
            } else if (first + paired < rows.size()) {
                rows[first + paired++].newLine = edit.newLine;
            } else {
                rows.push_back({LineEdit::kNoLine, edit.newLine, true, i});
                ++paired;
            }
        }
    }
    return rows;
}

Text unifiedDiff(const Comparison& comparison, TextView lineEnd) {
    Text out;
    for (const ViewComparison& view : comparison.views()) {
        if (view.mark == ViewMark::Same)
            continue;
        out += "--- " + view.label + Text(lineEnd);
        out += "+++ " + view.label + Text(lineEnd);
        // Lines of each side before each edit, for the hunks' line numbers.
        std::size_t oldBefore = 0, newBefore = 0, at = 0;
        for (const auto& [first, end] : hunkRanges(view.edits, kContext)) {
            for (; at < first; ++at) {
                oldBefore += view.edits[at].oldLine != LineEdit::kNoLine;
                newBefore += view.edits[at].newLine != LineEdit::kNoLine;
            }
            std::size_t oldCount = 0, newCount = 0;
            for (std::size_t i = first; i < end; ++i) {
                oldCount += view.edits[i].oldLine != LineEdit::kNoLine;
                newCount += view.edits[i].newLine != LineEdit::kNoLine;
            }
            out += "@@ -" + rangeText(oldBefore, oldCount) + " +" + rangeText(newBefore, newCount) +
                   " @@" + Text(lineEnd);
            for (std::size_t i = first; i < end; ++i) {
                const LineEdit& edit = view.edits[i];
                switch (edit.kind) {
                case LineEdit::Common:
                    out += ' ';
                    out += view.oldLines[edit.oldLine];
                    break;
                case LineEdit::Removed:
                    out += '-';
                    out += view.oldLines[edit.oldLine];
                    break;
                case LineEdit::Added:
                    out += '+';
                    out += view.newLines[edit.newLine];
                    break;
                }
                out += lineEnd;
            }
        }
    }
    return out;
}

namespace {

// A line with its marked spans in <mark>.
std::string markedHtml(TextView line, const std::vector<ByteSpan>& spans) {
    std::string out;
    std::size_t at = 0;
    for (const ByteSpan& span : spans) {
        out += htmlText(line.substr(at, span.start - at));
        out += "<mark>" + htmlText(line.substr(span.start, span.length)) + "</mark>";
        at = span.start + span.length;
    }
    return out + htmlText(line.substr(at));
}

constexpr const char kStyle[] =
    "body{font-family:sans-serif;margin:1.5em;color:#111}"
    "table.diff{border-collapse:collapse;font-family:monospace;white-space:pre;width:100%}"
    "table.diff td{padding:0 .4em;vertical-align:top}"
    "td.no{color:#888;text-align:right;background:#f4f4f4;user-select:none}"
    "td.del{background:#fde8e8}td.add{background:#e6f6e6}"
    "td.del mark{background:#f4a8a8}td.add mark{background:#9fdc9f}"
    "tr.gap td{background:#eef;color:#668}"
    "div.view{margin-top:2em;border-top:1px solid #ccc}"
    ".same{color:#070}.changed{color:#b00}.oneside{color:#a60}";

const char* markClass(ViewMark mark) {
    switch (mark) {
    case ViewMark::Changed:
        return "changed";
    case ViewMark::OneSideOnly:
        return "oneside";
    case ViewMark::Same:
        break;
    }
    return "same";
}

} // namespace

std::string comparisonHtml(const Comparison& comparison, TextView oldName, TextView newName) {
    std::string out;
    out += "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n";
    out += "<title>" + htmlText(utf8ToCp932("比較")) + " - " + htmlText(oldName) + " / " +
           htmlText(newName) + "</title>\n";
    out += "<style>" + std::string(kStyle) + "</style>\n</head>\n<body>\n";
    out += "<h1>" + htmlText(oldName) + " &#x2192; " + htmlText(newName) + "</h1>\n";
    out += "<ul class=\"views\">\n";
    for (const ViewComparison& view : comparison.views()) {
        out += "<li>" + htmlText(view.label) + " <span class=\"" + markClass(view.mark) + "\">" +
               htmlText(viewMarkText(view.mark)) + "</span></li>\n";
    }
    out += "</ul>\n";
    for (const ViewComparison& view : comparison.views()) {
        if (view.mark == ViewMark::Same)
            continue;
        out += "<div class=\"view\">\n<h2>" + htmlText(view.label) + " <span class=\"" +
               markClass(view.mark) + "\">" + htmlText(viewMarkText(view.mark)) +
               "</span></h2>\n<table class=\"diff\">\n";
        const std::vector<SideRow> rows = sideBySideRows(view);
        // Only the rows near a change, as in the text diff, with a gap row between the pieces.
        std::vector<bool> shown(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (!rows[r].changed)
                continue;
            const std::size_t from = r > kContext ? r - kContext : 0;
            for (std::size_t s = from; s < std::min(rows.size(), r + kContext + 1); ++s)
                shown[s] = true;
        }
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (!shown[r]) {
                if (r == 0 || shown[r - 1])
                    out += "<tr class=\"gap\"><td colspan=\"4\">&#x22EF;</td></tr>\n";
                continue;
            }
            const SideRow& row = rows[r];
            const bool both = row.oldLine != LineEdit::kNoLine && row.newLine != LineEdit::kNoLine;
            CharacterMarks marks;
            if (row.changed && both) {
                marks = changedCharacters(view.oldLines[row.oldLine], view.newLines[row.newLine],
                                          comparison.options());
            }
            out += "<tr>";
            if (row.oldLine != LineEdit::kNoLine) {
                out += "<td class=\"no\">" + std::to_string(row.oldLine + 1) + "</td><td" +
                       (row.changed ? " class=\"del\">" : ">") +
                       markedHtml(view.oldLines[row.oldLine], marks.oldSpans) + "</td>";
            } else {
                out += "<td class=\"no\"></td><td></td>";
            }
            if (row.newLine != LineEdit::kNoLine) {
                out += "<td class=\"no\">" + std::to_string(row.newLine + 1) + "</td><td" +
                       (row.changed ? " class=\"add\">" : ">") +
                       markedHtml(view.newLines[row.newLine], marks.newSpans) + "</td>";
            } else {
                out += "<td class=\"no\"></td><td></td>";
            }
            out += "</tr>\n";
        }
        out += "</table>\n</div>\n";
    }
    out += "</body>\n</html>\n";
    return out;
}

} // namespace tg
