#pragma once

#include "text/Text.h"

#include <QPlainTextEdit>

namespace tg {

// A read-only plain-text pane that keeps the exact cp932 bytes it was given next to what it shows,
// so that a view's text never takes a round trip through the toolkit's strings.
class TextPane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextPane(QWidget* parent = nullptr);

    const Text& text() const { return text_; }
    void setText(const Text& text);
    void clearText();

    // Adds lines at the end, each followed by CR LF as a rich edit holds them.
    void appendLines(const std::vector<Text>& lines);

protected:
    void changeEvent(QEvent* event) override;

private:
    Text text_;
};

} // namespace tg
