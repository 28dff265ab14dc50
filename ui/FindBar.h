#pragma once

#include "ui/FindViews.h"
#include "ui/OutputPane.h"

#include <QWidget>

#include <optional>
#include <vector>

class QCheckBox;
class QTimer;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tg {

// A text as Find compares it: full-width letters, digits and signs and the ideographic space in
// their ASCII forms, half-width katakana in full width with a voiced mark joined to its kana; and
// where each of its characters stands in the text as shown, so that a match is marked there.
struct FoldedText {
    QString text;
    std::vector<qsizetype> origin; // per character, then one for the end
    static FoldedText of(QStringView shown);
};

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
    // A search that waits for the typing to pause takes place now.
    void searchNow();

    // How long the typing pauses before the search starts.
    static constexpr int kTypingPauseMs = 150;

    // The current match's number over all searched views, 0 when none is current.
    int currentNumber() const;
    int matchCount() const;

signals:
    void closed();

private:
    void search();
    const FoldedText& paneFolded();
    const FoldedText& viewFolded(int view);
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

    QTimer* typing_;
    QString searched_; // the text of the last search
    std::optional<FoldedText> paneFolded_;
    std::vector<std::optional<FoldedText>> viewsFolded_;
    std::vector<OutputPane::Range> matches_; // in the pane
    std::vector<int> viewCounts_;            // per view, when every view is searched
    int current_ = -1;
};

} // namespace tg
