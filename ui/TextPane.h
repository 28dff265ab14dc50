#pragma once

#include "text/Text.h"

#include <QPlainTextEdit>

#include <vector>

namespace tg {

// A read-only plain-text pane that keeps the exact cp932 bytes it was given next to what it shows,
// so that a view's text never takes a round trip through the toolkit's strings.
class TextPane : public QPlainTextEdit {
    Q_OBJECT
public:
    // Longer lines are shown in pieces of this many characters, one under the other: the toolkit
    // lays out a line as a whole, which for a line of megabytes takes seconds and gigabytes.
    // The pane's text and what Copy takes keep each line whole.
    static constexpr qsizetype kDisplayLineLimit = 8192;

    explicit TextPane(QWidget* parent = nullptr);

    const Text& text() const { return text_; }
    void setText(const Text& text);
    void clearText();

    // Adds lines at the end, each followed by CR LF as a rich edit holds them.
    void appendLines(const std::vector<Text>& lines);

protected:
    void changeEvent(QEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    // Appends display text to out, breaking long lines; firstBlock is the number of the block
    // that the first character lands in.
    void addDisplayText(const QString& text, int firstBlock, QString& out);
    bool continuesLine(int blockNumber) const;

    Text text_;
    // Blocks that continue the line of the block before them, in ascending order.
    std::vector<int> continuations_;
};

} // namespace tg
