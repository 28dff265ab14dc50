#pragma once

#include "text/Text.h"

#include <QPlainTextEdit>

namespace tg {

// The command help pane: read-only plain text that keeps the exact cp932 bytes it was given next
// to what it shows.
class TextPane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextPane(QWidget* parent = nullptr);

    const Text& text() const { return text_; }
    void setText(const Text& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    Text text_;
};

} // namespace tg
