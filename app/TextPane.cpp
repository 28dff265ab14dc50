#include "app/TextPane.h"

#include "app/QtText.h"

#include <QEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace tg {

TextPane::TextPane(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 8);
}

void TextPane::changeEvent(QEvent* event) {
    // Tab stops every eight half-width characters, so that the report's labels line up as they
    // do in a console.
    if (event->type() == QEvent::FontChange)
        setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 8);
    QPlainTextEdit::changeEvent(event);
}

void TextPane::setText(const Text& text) {
    text_ = text;
    setPlainText(toDisplayString(text_));
}

void TextPane::clearText() {
    text_.clear();
    clear();
}

void TextPane::appendLines(const std::vector<Text>& lines) {
    if (lines.empty())
        return;
    QString block;
    for (const auto& line : lines) {
        // Every line is a paragraph of its own; only the very first one needs no break before it.
        if (!text_.empty())
            block += QLatin1Char('\n');
        text_ += line;
        text_ += "\r\n";
        block += toQString(line);
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(block);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

} // namespace tg
