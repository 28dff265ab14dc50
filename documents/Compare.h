#pragma once

// Two documents compared view by view: which views are the same, changed or in one document only,
// the lines that differ (the diff itself is dtl's) and the characters that differ inside a changed
// line. The texts are cp932 and never leave it; only the HTML page is UTF-8.

#include "documents/Document.h"
#include "documents/DocumentFile.h"
#include "text/Text.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tg {

struct CompareOptions {
    bool ignoreNumbers = false; // a run of digits equals any other run of digits
    bool ignoreSpace = false;   // runs of blanks count as one, blanks at either end as none
};

enum class ViewMark { Same, Changed, OneSideOnly };

// "同じ", "変更" or "片方のみ" (cp932).
Text viewMarkText(ViewMark mark);

// One step of a view's edit script. Lines are 0-based; kNoLine stands for the side without one.
struct LineEdit {
    enum Kind : unsigned char { Common, Removed, Added };
    static constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);
    Kind kind = Common;
    std::size_t oldLine = kNoLine;
    std::size_t newLine = kNoLine;
};

// Byte ranges of a line that differ from the line it is paired with.
struct ByteSpan {
    std::size_t start = 0;
    std::size_t length = 0;
};

struct CharacterMarks {
    std::vector<ByteSpan> oldSpans;
    std::vector<ByteSpan> newSpans;
};

// The characters that differ between two lines, never splitting a double-byte character; with
// the options, digit runs and blank runs count as single characters that match their kind.
CharacterMarks changedCharacters(TextView oldLine, TextView newLine, const CompareOptions& options);

// A line as compared under the options: digit runs become one "0", blank runs one blank (none at
// either end). The original line is what is shown.
Text comparisonKey(TextView line, const CompareOptions& options);

// The lines of a view's text: they end at CR LF, CR or LF, and a line end at the very end opens
// no further line, so a text as the pane holds it and the same text read back from a file have
// the same lines.
std::vector<TextView> viewLines(TextView text);

struct ViewComparison {
    Text label;
    bool inOld = false; // the document has output for the view
    bool inNew = false;
    ViewMark mark = ViewMark::Same;
    std::vector<TextView> oldLines;
    std::vector<TextView> newLines;
    std::vector<LineEdit> edits; // in order; removals come before the additions they sit beside

    // Index into edits of the first line of each block of removals and additions.
    std::vector<std::size_t> changeStarts() const;
};

// The sections a document in memory gives for these labels (matched without regard to case), as
// its file would give them: a view without output has an empty section.
DocumentSections documentSections(const Document& document, const std::vector<Text>& labels);

// Two documents' sections (as readDocumentSections gives them, for the same labels) compared view
// by view. A view counts as present in a document when its section holds output; views neither
// document has are left out. It holds the texts it points into, so it is moved, not copied.
class Comparison {
public:
    Comparison(std::vector<Text> labels, DocumentSections oldSide, DocumentSections newSide);
    Comparison(Comparison&&) = default;
    Comparison& operator=(Comparison&&) = default;
    Comparison(const Comparison&) = delete;
    Comparison& operator=(const Comparison&) = delete;

    // Compares again under these options.
    void compare(const CompareOptions& options);

    const CompareOptions& options() const { return options_; }
    const std::vector<Text>& labels() const { return labels_; }
    const DocumentSections& oldSide() const { return old_; }
    const DocumentSections& newSide() const { return new_; }
    const std::vector<ViewComparison>& views() const { return views_; }
    bool same() const;

private:
    std::vector<Text> labels_;
    DocumentSections old_;
    DocumentSections new_;
    CompareOptions options_;
    std::vector<ViewComparison> views_;
};

// A row of the two texts side by side: a common line on both sides, or in a block of changes the
// i-th removed line beside the i-th added one. edit is the index of the row's first edit.
struct SideRow {
    std::size_t oldLine = LineEdit::kNoLine;
    std::size_t newLine = LineEdit::kNoLine;
    bool changed = false;
    std::size_t edit = 0;
};

std::vector<SideRow> sideBySideRows(const ViewComparison& view);

// Matches a and b, then fills in the rest: the script that turns a into b.
std::vector<LineEdit> diffLines(const std::vector<TextView>& a, const std::vector<TextView>& b,
                                const CompareOptions& options);

// One unified diff per view that differs, with the view's label as the file name on both sides
// and three lines of context (cp932), each line ended with lineEnd. Empty when the documents are
// the same.
Text unifiedDiff(const Comparison& comparison, TextView lineEnd = "\n");

// A self-contained UTF-8 page: the views with their marks, then each differing view side by side
// with line numbers, changed lines coloured and changed characters marked.
std::string comparisonHtml(const Comparison& comparison, TextView oldName, TextView newName);

} // namespace tg
