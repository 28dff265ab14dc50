#pragma once

#include <QString>

#include <vector>

namespace tg {

// What Find works on: a pane's text as the pane shows it, line by line, and its selection and
// marks. A place is a line and a UTF-16 index into that line's text, so a match always covers
// whole characters.
class FindTarget {
public:
    struct Position {
        qsizetype line = 0;
        qsizetype column = 0;
    };
    struct Range {
        Position start;
        Position end;
    };

    virtual ~FindTarget() = default;

    virtual qsizetype findLineCount() const = 0;
    virtual QString findLineText(qsizetype line) const = 0;
    // Selects the range, so that Copy takes it, and scrolls it into view.
    virtual void selectFound(const Range& range) = 0;
    // Marks the ranges (in order, none overlapping) in place of those marked before; the pane
    // forgets them when it is given another text.
    virtual void highlightFound(const std::vector<Range>& ranges) = 0;
};

// The views that Find searches one after the other, in view order.
class FindViews {
public:
    virtual ~FindViews() = default;

    virtual int findViewCount() const = 0;
    virtual int findCurrentView() const = 0;
    // A view's text as the pane would show it, lines parted by '\n'.
    virtual QString findViewText(int view) const = 0;
    // Makes the view current; its text is then in the pane.
    virtual void findShowView(int view) = 0;
};

} // namespace tg
