#pragma once

#include "ui/FindViews.h"
#include "ui/OutputPane.h"

#include <QWidget>

#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tg {

// The find bar under the output pane: every match in the pane marked, the current one selected,
// and a count over the pane or, with 全ビュー, over every view in view order, going on to the
// next view that has a match. It reads the texts only; it never changes one.
class FindBar : public QWidget {
    Q_OBJECT
public:
    // views may be null: then only the pane is searched.
    FindBar(OutputPane* pane, FindViews* views, QWidget* parent = nullptr);

    QLineEdit* field() const { return field_; }
    // Shows the bar with its text selected in the field, and searches it again.
    void open();
    void closeBar();
    // The pane shows another text: its matches are found again, none of them current.
    void refresh();
    void findNext();
    void findPrevious();

    // The current match's number over all searched views, 0 when none is current.
    int currentNumber() const;
    int matchCount() const;

signals:
    void closed();

private:
    void search();
    void matchPane();
    void recount();
    void makeCurrent(int index);
    void step(int direction);
    void showCount();
    bool allViews() const;

    OutputPane* pane_;
    FindViews* views_;
    QLineEdit* field_;
    QToolButton* previous_;
    QToolButton* next_;
    QLabel* count_;
    QCheckBox* matchCase_;
    QCheckBox* everyView_;
    QToolButton* close_;

    std::vector<OutputPane::Range> matches_; // in the pane
    std::vector<int> viewCounts_;            // per view, when every view is searched
    int current_ = -1;
};

} // namespace tg
