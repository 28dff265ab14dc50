#include "ui/TextPane.h"

#include "ui/QtText.h"

#include <QEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

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

void TextPane::addDisplayText(const QString& text, int firstBlock, QString& out) {
    int block = firstBlock;
    qsizetype lineStart = 0;
    while (lineStart <= text.size()) {
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
        if (lineEnd < 0)
            lineEnd = text.size();
        qsizetype at = lineStart;
        while (lineEnd - at > kDisplayLineLimit) {
            qsizetype cut = at + kDisplayLineLimit;
            if (text.at(cut - 1).isHighSurrogate())
                --cut;
            out += QStringView(text).mid(at, cut - at);
            out += QLatin1Char('\n');
            continuations_.push_back(++block);
            at = cut;
        }
        out += QStringView(text).mid(at, lineEnd - at);
        if (lineEnd == text.size())
            break;
        out += QLatin1Char('\n');
        ++block;
        lineStart = lineEnd + 1;
    }
}

bool TextPane::continuesLine(int blockNumber) const {
    return std::binary_search(continuations_.begin(), continuations_.end(), blockNumber);
}

void TextPane::setText(const Text& text) {
    text_ = text;
    continuations_.clear();
    QString shown;
    addDisplayText(toDisplayString(text_), 0, shown);
    setPlainText(shown);
}

void TextPane::clearText() {
    text_.clear();
    continuations_.clear();
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
    QString shown;
    addDisplayText(block, document()->blockCount() - 1, shown);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(shown);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

QMimeData* TextPane::createMimeDataFromSelection() const {
    // The selection as the lines hold it: a long line shown in pieces is copied whole.
    const QTextCursor selection = textCursor();
    const int start = selection.selectionStart();
    const int end = selection.selectionEnd();
    QString copied;
    for (QTextBlock block = document()->findBlock(start);
         block.isValid() && block.position() <= end; block = block.next()) {
        const int from = std::max(start - block.position(), 0);
        const int to = std::min(end - block.position(), block.length() - 1);
        if (block.position() > start && !continuesLine(block.blockNumber()))
            copied += QLatin1Char('\n');
        if (to > from)
            copied += block.text().mid(from, to - from);
    }
    auto* data = new QMimeData;
    data->setText(copied);
    return data;
}

} // namespace tg
