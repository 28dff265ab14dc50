#include "ui/TextPane.h"

#include "ui/QtText.h"

#include <QEvent>

namespace tg {

TextPane::TextPane(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 8);
}

void TextPane::changeEvent(QEvent* event) {
    // Tab stops every eight half-width characters, as in the output pane.
    if (event->type() == QEvent::FontChange)
        setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 8);
    QPlainTextEdit::changeEvent(event);
}

void TextPane::setText(const Text& text) {
    text_ = text;
    setPlainText(toDisplayString(text_));
}

} // namespace tg
