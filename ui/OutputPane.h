#pragma once

#include "text/LineIndex.h"
#include "text/Text.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QRawFont>
#include <QString>

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace tg {

// The read-only output pane. It holds a view's cp932 bytes once, with an index of where its lines
// start, and converts for display only the lines it paints. Characters sit on a grid of
// half-width columns of its fixed-pitch font: a double-byte character takes two, a tab reaches
// the next multiple of eight. Lines never wrap; a line of any length scrolls sideways.
class OutputPane : public QAbstractScrollArea {
    Q_OBJECT
    Q_PROPERTY(QString plainText READ plainText)
    Q_PROPERTY(QString selectedText READ selectedText)
public:
    // A place in the text as shown: a line, and a UTF-16 index into lineText(line).
    struct Position {
        qsizetype line = 0;
        qsizetype column = 0;
        friend auto operator<=>(const Position&, const Position&) = default;
    };
    struct Range {
        Position start;
        Position end;
    };

    explicit OutputPane(QWidget* parent = nullptr);
    ~OutputPane() override;

    // The bytes exactly as they were given.
    const Text& text() const { return *text_; }
    // Shows a text of the pane's own.
    void setText(Text text);
    // Shows text without a copy: the caller keeps it alive and unchanged until the pane is given
    // another text.
    void showText(const Text& text);
    void clearText();
    // Adds lines at the end, each followed by CR LF, and follows them when the view was at the
    // end. A text shown with showText is copied first, to be the pane's own.
    void appendLines(const std::vector<Text>& lines);
    // The same for a batch: its bytes are copied once and its index taken over.
    void appendBatch(const LineBatch& batch);
    // Lines appended show with the next frame; this shows them at once (a run's end).
    void showAppended();
    // Moves the pane's own bytes into target, which it shows from then on (as with showText).
    void moveTextTo(Text& target);

    // What the pane shows, for Find and for accessibility: lines as the display converts them,
    // joined with '\n' where a text holds several.
    qsizetype lineCount() const;
    QString lineText(qsizetype line) const;
    QString plainText() const;
    QString selectedText() const;
    bool hasSelection() const { return anchor_ != cursor_; }
    // The selection, start before end; empty at the cursor when nothing is selected.
    Range selection() const;
    // Selects the range (positions out of range are brought into it) with the cursor at its end,
    // and scrolls it into view.
    void select(const Range& range);
    // Ranges drawn marked under the text, as Find marks its matches; they must not overlap.
    // Replaces the ranges marked before; the pane forgets them when its text is replaced.
    void setHighlights(const std::vector<Range>& ranges);
    std::vector<Range> highlights() const;

public slots:
    void copy();
    void selectAll();

signals:
    void selectionChanged();
    void copyAvailable(bool available);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class OutputPaneAccessible;

    // A character boundary: a line and a byte offset into its bytes.
    struct Spot {
        std::size_t line = 0;
        std::size_t byte = 0;
        friend auto operator<=>(const Spot&, const Spot&) = default;
    };
    // A character boundary of one line with its column and its UTF-16 index.
    struct Walk {
        std::size_t byte = 0;
        std::size_t column = 0;
        std::size_t unit = 0;
    };
    enum class Key { Byte, Column, Unit };
    struct Shown {
        QString text;
        // Drawn in runs, the font's own advances match the columns; looked at when first needed.
        mutable std::optional<bool> onGrid;
    };

    static Walk next(TextView bytes, Walk at);
    TextView lineBytes(std::size_t line) const;
    // The last boundary of the line whose key is at most value; walks from the nearest
    // checkpoint of a long line.
    Walk seek(std::size_t line, Key key, std::size_t value) const;
    const std::vector<Walk>& checkpoints(std::size_t line) const;
    const Shown& shown(std::size_t line) const;
    bool lineOnGrid(std::size_t line) const;
    QString converted(std::size_t line, std::size_t fromByte, std::size_t toByte) const;

    void reset();
    // Before bytes are appended: makes the text the pane's own with room for more, and forgets
    // what it knew of the last line; returns whether the view is at the end.
    bool beginAppend(std::size_t more);
    void endAppend(bool follow);
    // Appends repaint once a frame at most, however many batches come meanwhile.
    void repaintAppended();
    void forgetLayout();
    // Makes and maps the room the next batch will take; see roomAhead_.
    void prepareRoom();
    void updateMetrics();
    void updateScrollBars();
    int visibleRows() const;
    double xOf(std::size_t column) const;
    void paintLine(class QPainter& painter, std::size_t line, double top, std::size_t fromColumn,
                   std::size_t toColumn);
    // Draws the characters from..to of a line as glyphs at their columns, when the font itself
    // draws every one of them as wide as its columns; false when it cannot.
    bool drawGlyphs(QPainter& painter, std::size_t line, Walk from, Walk to, double baseline) const;
    // The font's glyph of a character that takes columns, or 0 when it has none that wide.
    quint32 glyphOf(QChar character, std::size_t columns) const;

    Spot spotAt(const QPointF& point) const;
    Spot endSpot() const;
    Spot clamped(Spot spot) const;
    Spot toSpot(const Position& position) const;
    Position toPosition(const Spot& spot) const;
    Spot nextSpot(Spot spot) const;
    Spot previousSpot(Spot spot) const;
    std::pair<Spot, Spot> wordAt(Spot spot) const;
    void setSelection(Spot anchor, Spot cursor);
    void moveCursor(Spot to, bool extend);
    void ensureVisible(Spot spot);
    QString textBetween(Spot from, Spot to) const;
    void dragTo(const QPointF& point);

    // Character offsets over the whole shown text, for accessibility: each line break is one.
    qsizetype offsetOf(Spot spot) const;
    Spot spotAtOffset(qsizetype offset) const;
    qsizetype characterCount() const;
    void notifyAccessibility();

    Text own_;
    const Text* text_ = &own_;
    LineIndex index_;

    Spot anchor_;
    Spot cursor_;
    std::size_t wantedColumn_ = 0; // where Up and Down aim
    bool selecting_ = false;
    QBasicTimer dragScroll_;
    QElapsedTimer lastPaint_;
    QBasicTimer appendedPaint_;
    // Once the window is idle after a batch, room for the next one is made and given memory.
    QBasicTimer roomAhead_;
    std::size_t lastBatchBytes_ = 0;
    std::size_t lastBatchLines_ = 0;
    bool appending_ = false;
    std::vector<std::pair<Spot, Spot>> highlights_;

    double columnWidth_ = 1;
    int lineHeight_ = 1;
    int ascent_ = 0;
    // The font's glyph of each ASCII character whose advance is one column; 0 for the others.
    // A line of these is drawn glyph by glyph at its columns, with no conversion or shaping.
    QRawFont rawFont_;
    std::array<quint32, 128> asciiGlyphs_{};
    mutable std::unordered_map<std::uint32_t, quint32> wideGlyphs_; // by character and columns

    mutable std::unordered_map<std::size_t, Shown> shown_;
    mutable std::unordered_map<std::size_t, std::vector<Walk>> checkpoints_;
    mutable std::vector<qsizetype> lineOffsets_; // characters before each line, filled on demand
};

} // namespace tg
