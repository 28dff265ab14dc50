#include "ui/OutputPane.h"

#include "text/Codec.h"
#include "text/LargeBuffers.h"
#include "ui/QtText.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QClipboard>
#include <QCursor>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVarLengthArray>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <optional>

namespace tg {

namespace {

constexpr int kMargin = 4;
// A frame at 60 Hz.
constexpr qint64 kFrameMs = 16;
// Lines longer than this are walked from checkpoints this many bytes apart and converted only
// where they are painted, so that a line of megabytes scrolls as lightly as a short one.
constexpr std::size_t kLongLine = 4096;
// Converted lines kept; past this many the cache starts afresh.
constexpr std::size_t kShownLines = 4096;
constexpr std::size_t kCheckpointedLines = 16;
// How far a double-click looks either side for the ends of its word.
constexpr std::size_t kWordReach = 1024;
// Find's marks: a light yellow that the selection's colours stand out from.
const QColor kHighlight(255, 238, 140);

// Double-click selects a run of characters of one kind: letters and digits, hiragana,
// katakana, kanji, blanks, or other signs.
int wordClass(QChar c) {
    const char16_t u = c.unicode();
    if (c.isSpace())
        return 0;
    if (u >= 0x3040 && u <= 0x309F)
        return 2;
    if ((u >= 0x30A0 && u <= 0x30FF) || (u >= 0xFF66 && u <= 0xFF9F))
        return 3;
    if (c.script() == QChar::Script_Han)
        return 4;
    if (c.isLetterOrNumber() || u == u'_')
        return 1;
    return 5;
}

int toInt(std::size_t value) {
    return static_cast<int>(std::min<std::size_t>(value, INT_MAX));
}

} // namespace

// The pane as assistive tools read it: one text of character offsets, each line break one
// character.
class OutputPaneAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit OutputPaneAccessible(OutputPane* pane)
        : QAccessibleWidget(pane, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }
    QString text(QAccessible::Text type) const override {
        return type == QAccessible::Value ? pane()->plainText() : QAccessibleWidget::text(type);
    }

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || !pane()->hasSelection())
            return;
        auto [from, to] = std::minmax(pane()->anchor_, pane()->cursor_);
        *startOffset = offset(from);
        *endOffset = offset(to);
    }
    int selectionCount() const override { return pane()->hasSelection() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int) override { pane()->setSelection(pane()->cursor_, pane()->cursor_); }
    void setSelection(int, int startOffset, int endOffset) override {
        pane()->setSelection(pane()->spotAtOffset(startOffset), pane()->spotAtOffset(endOffset));
    }
    int cursorPosition() const override { return offset(pane()->cursor_); }
    void setCursorPosition(int position) override {
        pane()->moveCursor(pane()->spotAtOffset(position), false);
    }
    QString text(int startOffset, int endOffset) const override {
        const OutputPane::Spot a = pane()->spotAtOffset(startOffset);
        const OutputPane::Spot b = pane()->spotAtOffset(endOffset);
        return pane()->textBetween(std::min(a, b), std::max(a, b));
    }
    int characterCount() const override {
        return static_cast<int>(std::min<qsizetype>(pane()->characterCount(), INT_MAX));
    }
    QRect characterRect(int offset) const override {
        const OutputPane* p = pane();
        const OutputPane::Spot spot = p->spotAtOffset(offset);
        const OutputPane::Walk at = p->seek(spot.line, OutputPane::Key::Byte, spot.byte);
        const TextView bytes = p->lineBytes(spot.line);
        const std::size_t width =
            at.byte < bytes.size() ? OutputPane::next(bytes, at).column - at.column : 1;
        const int top = kMargin + (static_cast<int>(spot.line) - p->verticalScrollBar()->value()) *
                                      p->lineHeight_;
        const QRect local(static_cast<int>(p->xOf(at.column)), top,
                          static_cast<int>(std::ceil(width * p->columnWidth_)), p->lineHeight_);
        return QRect(p->viewport()->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return offset(pane()->spotAt(pane()->viewport()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int startIndex, int endIndex) override {
        pane()->ensureVisible(pane()->spotAtOffset(endIndex));
        pane()->ensureVisible(pane()->spotAtOffset(startIndex));
    }
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }

    // Words, sentences and lines are looked for in the lines about the offset only: the whole
    // text of a long run is tens of megabytes.
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                             int* endOffset) const override {
        return nearby(offset, type, startOffset, endOffset, &Window::textBeforeOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                            int* endOffset) const override {
        return nearby(offset, type, startOffset, endOffset, &Window::textAfterOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                         int* endOffset) const override {
        return nearby(offset, type, startOffset, endOffset, &Window::textAtOffset);
    }

private:
    // A few lines of the text, for the toolkit's own search of boundaries.
    struct Window : QAccessibleTextInterface {
        QString shown;
        void selection(int, int* s, int* e) const override { *s = *e = 0; }
        int selectionCount() const override { return 0; }
        void addSelection(int, int) override {}
        void removeSelection(int) override {}
        void setSelection(int, int, int) override {}
        int cursorPosition() const override { return 0; }
        void setCursorPosition(int) override {}
        QString text(int s, int e) const override { return shown.mid(s, e - s); }
        int characterCount() const override { return static_cast<int>(shown.size()); }
        QRect characterRect(int) const override { return {}; }
        int offsetAtPoint(const QPoint&) const override { return -1; }
        void scrollToSubstring(int, int) override {}
        QString attributes(int, int*, int*) const override { return {}; }
    };
    using Search = QString (QAccessibleTextInterface::*)(int, QAccessible::TextBoundaryType, int*,
                                                         int*) const;

    QString nearby(int offset, QAccessible::TextBoundaryType type, int* startOffset, int* endOffset,
                   Search search) const {
        const OutputPane* p = pane();
        if (type == QAccessible::NoBoundary) {
            *startOffset = 0;
            *endOffset = characterCount();
            return p->plainText();
        }
        const OutputPane::Spot at = p->spotAtOffset(offset);
        const std::size_t first = at.line > 0 ? at.line - 1 : 0;
        const std::size_t last = std::min(at.line + 1, p->index_.lineCount() - 1);
        const OutputPane::Spot from{first, 0};
        const OutputPane::Spot to{last, p->lineBytes(last).size()};
        Window window;
        window.shown = p->textBetween(from, to);
        const int base = this->offset(from);
        if (last + 1 < p->index_.lineCount())
            window.shown += QLatin1Char('\n');
        QString found = (window.*search)(offset - base, type, startOffset, endOffset);
        *startOffset += base;
        *endOffset += base;
        return found;
    }

    int offset(const OutputPane::Spot& spot) const {
        return static_cast<int>(std::min<qsizetype>(pane()->offsetOf(spot), INT_MAX));
    }
    OutputPane* pane() const { return static_cast<OutputPane*>(widget()); }
};

namespace {

QAccessibleInterface* accessibleOutputPane(const QString& className, QObject* object) {
    if (className == QLatin1String("tg::OutputPane") && object && object->isWidgetType())
        return new OutputPaneAccessible(static_cast<OutputPane*>(object));
    return nullptr;
}

} // namespace

OutputPane::OutputPane(QWidget* parent) : QAbstractScrollArea(parent) {
    static const bool factoryInstalled = (QAccessible::installFactory(accessibleOutputPane), true);
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    updateMetrics();
    reset();
}

OutputPane::~OutputPane() = default;

OutputPane::Walk OutputPane::next(TextView bytes, Walk at) {
    if (bytes[at.byte] == '\t')
        return {at.byte + 1, (at.column / kTabColumns + 1) * kTabColumns, at.unit + 1};
    const std::size_t length = cp932CharLength(bytes, at.byte);
    return {at.byte + length, at.column + length, at.unit + 1};
}

TextView OutputPane::lineBytes(std::size_t line) const {
    return index_.lineBytes(*text_, line);
}

OutputPane::Walk OutputPane::seek(std::size_t line, Key key, std::size_t value) const {
    const TextView bytes = lineBytes(line);
    auto keyOf = [key](const Walk& w) {
        return key == Key::Byte ? w.byte : key == Key::Column ? w.column : w.unit;
    };
    Walk at;
    if (bytes.size() > kLongLine) {
        const std::vector<Walk>& marks = checkpoints(line);
        auto after = std::upper_bound(marks.begin(), marks.end(), value,
                                      [&](std::size_t v, const Walk& w) { return v < keyOf(w); });
        if (after != marks.begin())
            at = *(after - 1);
    }
    while (at.byte < bytes.size()) {
        const Walk following = next(bytes, at);
        if (keyOf(following) > value)
            break;
        at = following;
    }
    return at;
}

const std::vector<OutputPane::Walk>& OutputPane::checkpoints(std::size_t line) const {
    auto found = checkpoints_.find(line);
    if (found != checkpoints_.end())
        return found->second;
    if (checkpoints_.size() >= kCheckpointedLines)
        checkpoints_.clear();
    const TextView bytes = lineBytes(line);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::vector<Walk> marks(1);
    Walk at;
    while (at.byte < size) {
        const std::size_t stop = std::min(size, at.byte + kLongLine);
        while (at.byte < stop) {
            // Eight bytes at a time while they are plain ASCII without a tab: the usual case.
            if (stop - at.byte >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p + at.byte, 8);
                const std::uint64_t tabs = word ^ 0x0909090909090909ULL;
                const bool hasTab =
                    ((tabs - 0x0101010101010101ULL) & ~tabs & 0x8080808080808080ULL) != 0;
                if ((word & 0x8080808080808080ULL) == 0 && !hasTab) {
                    at = {at.byte + 8, at.column + 8, at.unit + 8};
                    continue;
                }
            }
            at = next(bytes, at);
        }
        if (at.byte < size)
            marks.push_back(at);
    }
    return checkpoints_.emplace(line, std::move(marks)).first->second;
}

const OutputPane::Shown& OutputPane::shown(std::size_t line) const {
    auto found = shown_.find(line);
    if (found != shown_.end())
        return found->second;
    if (shown_.size() >= kShownLines)
        shown_.clear();
    return shown_.emplace(line, Shown{toQString(lineBytes(line)), std::nullopt}).first->second;
}

bool OutputPane::lineOnGrid(std::size_t line) const {
    const Shown& entry = shown(line);
    if (entry.onGrid)
        return *entry.onGrid;
    entry.onGrid = true;
    const TextView bytes = lineBytes(line);
    // A font that lacks some characters draws them from another whose advances may differ; such
    // a line is drawn character by character on the grid.
    const QFontMetricsF metrics(font());
    Walk runStart;
    Walk at;
    auto checkRun = [&] {
        if (at.unit == runStart.unit)
            return;
        const QString run = entry.text.mid(static_cast<qsizetype>(runStart.unit),
                                           static_cast<qsizetype>(at.unit - runStart.unit));
        const double width = static_cast<double>(at.column - runStart.column) * columnWidth_;
        if (std::abs(metrics.horizontalAdvance(run) - width) > 0.5)
            entry.onGrid = false;
    };
    while (at.byte < bytes.size()) {
        if (bytes[at.byte] == '\t') {
            checkRun();
            at = next(bytes, at);
            runStart = at;
        } else {
            at = next(bytes, at);
        }
    }
    checkRun();
    return *entry.onGrid;
}

QString OutputPane::converted(std::size_t line, std::size_t fromByte, std::size_t toByte) const {
    return toQString(lineBytes(line).substr(fromByte, toByte - fromByte));
}

// Assigning to a string keeps the room it had: a text the pane lets go of is swapped out, so that
// the memory of a million lines goes with it.
void OutputPane::setText(Text text) {
    own_.swap(text);
    text_ = &own_;
    reset();
}

void OutputPane::showText(const Text& text) {
    text_ = &text;
    Text().swap(own_);
    reset();
}

void OutputPane::clearText() {
    Text().swap(own_);
    text_ = &own_;
    reset();
}

bool OutputPane::beginAppend(std::size_t more) {
    if (text_ != &own_) {
        own_ = *text_;
        text_ = &own_;
    }
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    reserveGrowing(own_, own_.size() + more);
    // The last line so far may take what follows it.
    const std::size_t last = index_.lineCount() - 1;
    shown_.erase(last);
    checkpoints_.erase(last);
    if (lineOffsets_.size() > last + 1)
        lineOffsets_.resize(last + 1);
    return atEnd;
}

// The scroll bars follow at once; the painting waits for the next frame.
void OutputPane::endAppend(bool follow) {
    appending_ = true;
    updateScrollBars();
    if (follow)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    appending_ = false;
    repaintAppended();
}

void OutputPane::showAppended() {
    if (appendedPaint_.isActive()) {
        appendedPaint_.stop();
        viewport()->update();
    }
}

void OutputPane::repaintAppended() {
    if (appendedPaint_.isActive())
        return;
    const qint64 since = lastPaint_.isValid() ? lastPaint_.elapsed() : kFrameMs;
    if (since >= kFrameMs)
        viewport()->update();
    else
        appendedPaint_.start(static_cast<int>(kFrameMs - since), this);
}

void OutputPane::appendLines(const std::vector<Text>& lines) {
    if (lines.empty())
        return;
    std::size_t more = 0;
    for (const Text& line : lines)
        more += line.size() + 2;
    const bool follow = beginAppend(more);
    for (const Text& line : lines) {
        own_.append(line);
        own_.append("\r\n", 2);
        index_.extendByLine(own_);
    }
    endAppend(follow);
}

void OutputPane::appendBatch(const LineBatch& batch) {
    if (batch.empty())
        return;
    const bool follow = beginAppend(batch.bytes().size());
    own_.append(batch.bytes());
    index_.extendBy(own_, batch.index());
    endAppend(follow);
    // While the runner reads the next batch, the room it will take is made and given memory here,
    // once the window is idle, rather than during the next handover, which the runner waits for.
    lastBatchBytes_ = batch.bytes().size();
    lastBatchLines_ = batch.lineCount();
    roomAhead_.start(0, this);
}

void OutputPane::prepareRoom() {
    if (text_ != &own_)
        return;
    try {
        tg::prepareRoom(own_, lastBatchBytes_);
        index_.prepareRoom(lastBatchLines_);
    } catch (const std::exception&) {
        // Only ahead of need: the next append asks again, and a run shows its failure.
    }
}

void OutputPane::moveTextTo(Text& target) {
    if (text_ == &target)
        return;
    if (text_ == &own_) {
        target.swap(own_);
        Text().swap(own_);
    } else {
        target = *text_;
    }
    text_ = &target;
}

void OutputPane::reset() {
    const bool hadSelection = hasSelection();
    index_.reset(*text_);
    anchor_ = cursor_ = Spot{};
    wantedColumn_ = 0;
    highlights_.clear();
    lineOffsets_.clear();
    forgetLayout();
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
    if (hadSelection) {
        emit selectionChanged();
        emit copyAvailable(false);
    }
}

void OutputPane::forgetLayout() {
    shown_.clear();
    checkpoints_.clear();
}

void OutputPane::updateMetrics() {
    const QFontMetrics metrics(font());
    columnWidth_ = std::max(1.0, QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')));
    lineHeight_ = std::max(1, metrics.height());
    ascent_ = metrics.ascent();
    rawFont_ = QRawFont::fromFont(font());
    wideGlyphs_.clear();
    for (char16_t c = 0x20; c < 0x7F; ++c)
        asciiGlyphs_[c] = glyphOf(QChar(c), 1);
    forgetLayout();
    updateScrollBars();
    viewport()->update();
}

int OutputPane::visibleRows() const {
    return std::max(1, (viewport()->height() - kMargin) / lineHeight_);
}

void OutputPane::updateScrollBars() {
    const std::size_t count = index_.lineCount();
    const auto rows = static_cast<std::size_t>(visibleRows());
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, toInt(count > rows ? count - rows : 0));
    vertical->setPageStep(static_cast<int>(rows));
    vertical->setSingleStep(1);

    const double width =
        2.0 * kMargin + static_cast<double>(index_.widestColumns() + 1) * columnWidth_;
    const int room = viewport()->width();
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, static_cast<int>(std::clamp(std::ceil(width - room), 0.0,
                                                        static_cast<double>(INT_MAX / 2))));
    horizontal->setPageStep(std::max(1, room));
    horizontal->setSingleStep(std::max(1, static_cast<int>(columnWidth_ * 2)));
}

double OutputPane::xOf(std::size_t column) const {
    return kMargin + static_cast<double>(column) * columnWidth_ - horizontalScrollBar()->value();
}

bool OutputPane::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void OutputPane::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        updateMetrics();
    QAbstractScrollArea::changeEvent(event);
}

void OutputPane::resizeEvent(QResizeEvent* event) {
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() > 0 && bar->value() >= bar->maximum();
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    if (atEnd)
        bar->setValue(bar->maximum());
}

void OutputPane::scrollContentsBy(int, int) {
    if (!appending_)
        viewport()->update();
}

void OutputPane::paintEvent(QPaintEvent*) {
    lastPaint_.start();
    appendedPaint_.stop();
    QPainter painter(viewport());
    painter.setFont(font());
    const std::size_t count = index_.lineCount();
    const auto top = static_cast<std::size_t>(verticalScrollBar()->value());
    const auto rows = static_cast<std::size_t>(viewport()->height() / lineHeight_ + 2);
    const double left = horizontalScrollBar()->value() - kMargin;
    const auto fromColumn = static_cast<std::size_t>(std::max(0.0, left / columnWidth_));
    const auto toColumn = static_cast<std::size_t>((left + viewport()->width()) / columnWidth_) + 2;
    for (std::size_t row = 0; row < rows && top + row < count; ++row)
        paintLine(painter, top + row, kMargin + static_cast<double>(row) * lineHeight_, fromColumn,
                  toColumn);
}

void OutputPane::paintLine(QPainter& painter, std::size_t line, double top, std::size_t fromColumn,
                           std::size_t toColumn) {
    const TextView bytes = lineBytes(line);
    // Where a span from a to b covers this line, from its left to its right edge; a line break
    // inside the span shows as one column.
    auto spanOn = [&](const Spot& a, const Spot& b) -> std::optional<QRectF> {
        if (line < a.line || line > b.line)
            return std::nullopt;
        const std::size_t first = line == a.line ? seek(line, Key::Byte, a.byte).column : 0;
        const double right = line == b.line ? xOf(seek(line, Key::Byte, b.byte).column)
                                            : xOf(columnsOf(bytes)) + columnWidth_;
        const double x = xOf(first);
        if (right <= x)
            return std::nullopt;
        return QRectF(x, top, right - x, lineHeight_);
    };

    auto marked = std::partition_point(highlights_.begin(), highlights_.end(),
                                       [&](const auto& range) { return range.second.line < line; });
    for (; marked != highlights_.end() && marked->first.line <= line; ++marked) {
        if (auto area = spanOn(marked->first, marked->second))
            painter.fillRect(*area, kHighlight);
    }
    std::optional<QRectF> selected;
    if (hasSelection()) {
        auto [from, to] = std::minmax(anchor_, cursor_);
        selected = spanOn(from, to);
        if (selected)
            painter.fillRect(*selected, palette().highlight());
    }

    // The characters from fromColumn to toColumn, in runs between tabs.
    struct Run {
        Walk from;
        Walk to;
    };
    QVarLengthArray<Run, 16> runs;
    const Walk first = seek(line, Key::Column, fromColumn);
    Walk at = first;
    Walk runStart = at;
    while (at.byte < bytes.size() && at.column < toColumn) {
        if (bytes[at.byte] == '\t') {
            if (runStart.byte < at.byte)
                runs.push_back({runStart, at});
            at = next(bytes, at);
            runStart = at;
        } else {
            at = next(bytes, at);
        }
    }
    if (runStart.byte < at.byte)
        runs.push_back({runStart, at});
    const double baseline = top + ascent_;
    painter.setPen(palette().text().color());
    if (!runs.isEmpty() && drawGlyphs(painter, line, first, at, baseline)) {
        if (selected) {
            painter.save();
            painter.setClipRect(*selected);
            painter.setPen(palette().highlightedText().color());
            drawGlyphs(painter, line, first, at, baseline);
            painter.restore();
        }
    } else if (!runs.isEmpty()) {
        const bool isLong = bytes.size() > kLongLine;
        const QString window = isLong ? converted(line, first.byte, at.byte) : QString();
        const QString& units = isLong ? window : shown(line).text;
        const std::size_t base = isLong ? first.unit : 0;
        const QFontMetricsF metrics(font());
        auto draw = [&] {
            for (const Run& run : runs) {
                const QString piece =
                    units.mid(static_cast<qsizetype>(run.from.unit - base),
                              static_cast<qsizetype>(run.to.unit - run.from.unit));
                const bool onGrid =
                    isLong ? std::abs(metrics.horizontalAdvance(piece) -
                                      static_cast<double>(run.to.column - run.from.column) *
                                          columnWidth_) <= 0.5
                           : lineOnGrid(line);
                if (onGrid) {
                    painter.drawText(QPointF(xOf(run.from.column), baseline), piece);
                    continue;
                }
                Walk character = run.from;
                for (QChar c : piece) {
                    painter.drawText(QPointF(xOf(character.column), baseline), QString(c));
                    character = next(bytes, character);
                }
            }
        };
        draw();
        if (selected) {
            painter.save();
            painter.setClipRect(*selected);
            painter.setPen(palette().highlightedText().color());
            draw();
            painter.restore();
        }
    }

    if (line == cursor_.line && hasFocus()) {
        const double x = std::round(xOf(seek(line, Key::Byte, cursor_.byte).column));
        painter.fillRect(QRectF(x, top, 1, lineHeight_), palette().text());
    }
}

bool OutputPane::drawGlyphs(QPainter& painter, std::size_t line, Walk from, Walk to,
                            double baseline) const {
    // The font at another scale may not keep to the grid in the same way.
    if (painter.device()->devicePixelRatio() != 1)
        return false;
    const TextView bytes = lineBytes(line);
    QVarLengthArray<quint32, 256> glyphs;
    QVarLengthArray<QPointF, 256> positions;
    // The characters beyond ASCII, converted once the first of them comes.
    QString window;
    const QString* units = nullptr;
    std::size_t base = 0;
    for (Walk at = from; at.byte < to.byte;) {
        const auto c = static_cast<unsigned char>(bytes[at.byte]);
        const Walk following = next(bytes, at);
        if (c == '\t') {
            at = following;
            continue;
        }
        quint32 glyph = 0;
        if (c < 0x80) {
            glyph = asciiGlyphs_[c];
        } else {
            if (!units) {
                if (bytes.size() > kLongLine) {
                    window = converted(line, from.byte, to.byte);
                    base = from.unit;
                    units = &window;
                } else {
                    units = &shown(line).text;
                }
            }
            glyph = glyphOf(units->at(static_cast<qsizetype>(at.unit - base)),
                            following.column - at.column);
        }
        if (glyph == 0)
            return false;
        if (c != ' ') {
            glyphs.push_back(glyph);
            positions.push_back(QPointF(xOf(at.column), baseline));
        }
        at = following;
    }
    if (glyphs.isEmpty())
        return true;
    QGlyphRun run;
    run.setRawFont(rawFont_);
    run.setRawData(glyphs.constData(), positions.constData(), static_cast<int>(glyphs.size()));
    painter.drawGlyphRun(QPointF(), run);
    return true;
}

quint32 OutputPane::glyphOf(QChar character, std::size_t columns) const {
    const auto key =
        static_cast<std::uint32_t>(character.unicode()) | static_cast<std::uint32_t>(columns << 16);
    auto found = wideGlyphs_.find(key);
    if (found != wideGlyphs_.end())
        return found->second;
    quint32 glyph = 0;
    int count = 1;
    if (rawFont_.isValid() && rawFont_.glyphIndexesForChars(&character, 1, &glyph, &count) &&
        glyph != 0) {
        QPointF advance;
        rawFont_.advancesForGlyphIndexes(&glyph, &advance, 1);
        if (std::abs(advance.x() - static_cast<double>(columns) * columnWidth_) >= 0.01)
            glyph = 0;
    } else {
        glyph = 0;
    }
    return wideGlyphs_.emplace(key, glyph).first->second;
}

qsizetype OutputPane::lineCount() const {
    return static_cast<qsizetype>(index_.lineCount());
}

QString OutputPane::lineText(qsizetype line) const {
    if (line < 0 || line >= lineCount())
        return QString();
    const auto at = static_cast<std::size_t>(line);
    return lineBytes(at).size() > kLongLine ? toQString(lineBytes(at)) : shown(at).text;
}

QString OutputPane::textBetween(Spot from, Spot to) const {
    QString out;
    // Every character is at least a byte and every line break too: room enough.
    out.reserve(static_cast<qsizetype>(index_.lineStart(to.line) + to.byte -
                                       index_.lineStart(from.line) - from.byte));
    for (std::size_t line = from.line; line <= to.line; ++line) {
        const TextView bytes = lineBytes(line);
        const std::size_t first = line == from.line ? from.byte : 0;
        const std::size_t last = line == to.line ? to.byte : bytes.size();
        if (line > from.line)
            out += QLatin1Char('\n');
        appendQString(out, bytes.substr(first, last - first));
    }
    return out;
}

QString OutputPane::plainText() const {
    return textBetween(Spot{}, endSpot());
}

QString OutputPane::selectedText() const {
    auto [from, to] = std::minmax(anchor_, cursor_);
    return textBetween(from, to);
}

OutputPane::Range OutputPane::selection() const {
    auto [from, to] = std::minmax(anchor_, cursor_);
    return {toPosition(from), toPosition(to)};
}

void OutputPane::select(const Range& range) {
    const Spot from = toSpot(range.start);
    const Spot to = toSpot(range.end);
    setSelection(from, to);
    ensureVisible(to);
    ensureVisible(from);
    wantedColumn_ = seek(to.line, Key::Byte, to.byte).column;
}

void OutputPane::setHighlights(const std::vector<Range>& ranges) {
    highlights_.clear();
    for (const Range& range : ranges) {
        const Spot a = toSpot(range.start);
        const Spot b = toSpot(range.end);
        highlights_.emplace_back(std::min(a, b), std::max(a, b));
    }
    std::sort(highlights_.begin(), highlights_.end());
    viewport()->update();
}

std::vector<OutputPane::Range> OutputPane::highlights() const {
    std::vector<Range> ranges;
    ranges.reserve(highlights_.size());
    for (const auto& [from, to] : highlights_)
        ranges.push_back({toPosition(from), toPosition(to)});
    return ranges;
}

void OutputPane::copy() {
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void OutputPane::selectAll() {
    setSelection(Spot{}, endSpot());
}

OutputPane::Spot OutputPane::endSpot() const {
    const std::size_t last = index_.lineCount() - 1;
    return {last, lineBytes(last).size()};
}

OutputPane::Spot OutputPane::clamped(Spot spot) const {
    spot.line = std::min(spot.line, index_.lineCount() - 1);
    spot.byte = seek(spot.line, Key::Byte, spot.byte).byte;
    return spot;
}

OutputPane::Spot OutputPane::toSpot(const Position& position) const {
    const std::size_t line = std::min(
        static_cast<std::size_t>(std::max<qsizetype>(position.line, 0)), index_.lineCount() - 1);
    const auto column = static_cast<std::size_t>(std::max<qsizetype>(position.column, 0));
    return {line, seek(line, Key::Unit, column).byte};
}

OutputPane::Position OutputPane::toPosition(const Spot& spot) const {
    return {static_cast<qsizetype>(spot.line),
            static_cast<qsizetype>(seek(spot.line, Key::Byte, spot.byte).unit)};
}

OutputPane::Spot OutputPane::nextSpot(Spot spot) const {
    const TextView bytes = lineBytes(spot.line);
    if (spot.byte < bytes.size())
        return {spot.line, next(bytes, seek(spot.line, Key::Byte, spot.byte)).byte};
    if (spot.line + 1 < index_.lineCount())
        return {spot.line + 1, 0};
    return spot;
}

OutputPane::Spot OutputPane::previousSpot(Spot spot) const {
    if (spot.byte > 0)
        return {spot.line, seek(spot.line, Key::Byte, spot.byte - 1).byte};
    if (spot.line > 0)
        return {spot.line - 1, lineBytes(spot.line - 1).size()};
    return spot;
}

OutputPane::Spot OutputPane::spotAt(const QPointF& point) const {
    const auto row = static_cast<long long>(std::floor((point.y() - kMargin) / lineHeight_));
    const long long last = static_cast<long long>(index_.lineCount()) - 1;
    const auto line =
        static_cast<std::size_t>(std::clamp(verticalScrollBar()->value() + row, 0LL, last));
    const double column = (point.x() - kMargin + horizontalScrollBar()->value()) / columnWidth_;
    if (column <= 0)
        return {line, 0};
    const TextView bytes = lineBytes(line);
    const Walk at = seek(line, Key::Column, static_cast<std::size_t>(column));
    if (at.byte < bytes.size()) {
        const Walk following = next(bytes, at);
        // The nearer edge of the character under the point.
        if (column - static_cast<double>(at.column) >
            static_cast<double>(following.column - at.column) / 2)
            return {line, following.byte};
    }
    return {line, at.byte};
}

std::pair<OutputPane::Spot, OutputPane::Spot> OutputPane::wordAt(Spot spot) const {
    const TextView bytes = lineBytes(spot.line);
    if (bytes.empty())
        return {spot, spot};
    std::size_t byte = spot.byte < bytes.size() ? spot.byte : previousSpot(spot).byte;
    const Walk from = seek(spot.line, Key::Byte, byte > kWordReach ? byte - kWordReach : 0);
    std::vector<Walk> marks{from};
    while (marks.back().byte < bytes.size() && marks.back().byte < byte + kWordReach)
        marks.push_back(next(bytes, marks.back()));
    const QString units = converted(spot.line, from.byte, marks.back().byte);
    auto clicked = std::partition_point(marks.begin(), marks.end(),
                                        [&](const Walk& w) { return w.byte < byte; });
    auto lo = static_cast<qsizetype>(clicked - marks.begin());
    auto hi = lo + 1;
    const int kind = wordClass(units[lo]);
    while (lo > 0 && wordClass(units[lo - 1]) == kind)
        --lo;
    while (hi < units.size() && wordClass(units[hi]) == kind)
        ++hi;
    return {{spot.line, marks[static_cast<std::size_t>(lo)].byte},
            {spot.line, marks[static_cast<std::size_t>(hi)].byte}};
}

void OutputPane::setSelection(Spot anchor, Spot cursor) {
    anchor = clamped(anchor);
    cursor = clamped(cursor);
    if (anchor == anchor_ && cursor == cursor_)
        return;
    const bool had = hasSelection();
    anchor_ = anchor;
    cursor_ = cursor;
    viewport()->update();
    if (had || hasSelection())
        emit selectionChanged();
    if (had != hasSelection())
        emit copyAvailable(hasSelection());
    notifyAccessibility();
}

void OutputPane::moveCursor(Spot to, bool extend) {
    setSelection(extend ? anchor_ : to, to);
    ensureVisible(cursor_);
}

void OutputPane::ensureVisible(Spot spot) {
    spot = clamped(spot);
    QScrollBar* vertical = verticalScrollBar();
    const auto rows = static_cast<std::size_t>(visibleRows());
    const auto top = static_cast<std::size_t>(vertical->value());
    if (spot.line < top)
        vertical->setValue(toInt(spot.line));
    else if (spot.line >= top + rows)
        vertical->setValue(toInt(spot.line - rows + 1));

    QScrollBar* horizontal = horizontalScrollBar();
    const double x =
        kMargin + static_cast<double>(seek(spot.line, Key::Byte, spot.byte).column) * columnWidth_;
    const int left = horizontal->value();
    const int room = viewport()->width();
    const double slack = 8 * columnWidth_;
    if (x < left + kMargin)
        horizontal->setValue(static_cast<int>(std::max(0.0, x - kMargin - slack)));
    else if (x + columnWidth_ > left + room)
        horizontal->setValue(static_cast<int>(x - room + slack));
}

void OutputPane::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    const bool extend = event->modifiers().testFlag(Qt::ShiftModifier);
    const bool whole = event->modifiers().testFlag(Qt::ControlModifier);
    const std::size_t last = index_.lineCount() - 1;
    Spot to = cursor_;
    bool vertical = false;
    switch (event->key()) {
    case Qt::Key_Left:
        to = previousSpot(cursor_);
        break;
    case Qt::Key_Right:
        to = nextSpot(cursor_);
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const auto page = static_cast<long long>(visibleRows());
        const int key = event->key();
        const long long delta = key == Qt::Key_Up       ? -1
                                : key == Qt::Key_Down   ? 1
                                : key == Qt::Key_PageUp ? -page
                                                        : page;
        const auto line = static_cast<std::size_t>(std::clamp(
            static_cast<long long>(cursor_.line) + delta, 0LL, static_cast<long long>(last)));
        if (key == Qt::Key_PageUp || key == Qt::Key_PageDown)
            verticalScrollBar()->setValue(verticalScrollBar()->value() + static_cast<int>(delta));
        to = {line, seek(line, Key::Column, wantedColumn_).byte};
        vertical = true;
        break;
    }
    case Qt::Key_Home:
        to = whole ? Spot{} : Spot{cursor_.line, 0};
        break;
    case Qt::Key_End:
        to = whole ? endSpot() : Spot{cursor_.line, lineBytes(cursor_.line).size()};
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    moveCursor(to, extend);
    if (!vertical)
        wantedColumn_ = seek(cursor_.line, Key::Byte, cursor_.byte).column;
}

void OutputPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const Spot at = spotAt(event->position());
    setSelection(event->modifiers().testFlag(Qt::ShiftModifier) ? anchor_ : at, at);
    wantedColumn_ = seek(cursor_.line, Key::Byte, cursor_.byte).column;
    selecting_ = true;
}

void OutputPane::dragTo(const QPointF& point) {
    const Spot at = spotAt(point);
    setSelection(anchor_, at);
    ensureVisible(at);
    wantedColumn_ = seek(cursor_.line, Key::Byte, cursor_.byte).column;
}

void OutputPane::mouseMoveEvent(QMouseEvent* event) {
    if (!selecting_ || !(event->buttons() & Qt::LeftButton))
        return;
    dragTo(event->position());
    // Held beyond the edge, the selection goes on growing as the view scrolls.
    if (viewport()->rect().contains(event->position().toPoint()))
        dragScroll_.stop();
    else if (!dragScroll_.isActive())
        dragScroll_.start(50, this);
}

void OutputPane::timerEvent(QTimerEvent* event) {
    if (event->timerId() == dragScroll_.timerId()) {
        dragTo(viewport()->mapFromGlobal(QCursor::pos()));
    } else if (event->timerId() == appendedPaint_.timerId()) {
        appendedPaint_.stop();
        viewport()->update();
    } else if (event->timerId() == roomAhead_.timerId()) {
        roomAhead_.stop();
        prepareRoom();
    } else
        QAbstractScrollArea::timerEvent(event);
}

void OutputPane::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    selecting_ = false;
    dragScroll_.stop();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void OutputPane::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    auto [from, to] = wordAt(spotAt(event->position()));
    setSelection(from, to);
    selecting_ = false;
}

void OutputPane::focusInEvent(QFocusEvent* event) {
    viewport()->update();
    QAbstractScrollArea::focusInEvent(event);
}

void OutputPane::focusOutEvent(QFocusEvent* event) {
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(event);
}

qsizetype OutputPane::offsetOf(Spot spot) const {
    if (lineOffsets_.empty())
        lineOffsets_.push_back(0);
    while (lineOffsets_.size() <= spot.line) {
        const std::size_t line = lineOffsets_.size() - 1;
        const Walk end = seek(line, Key::Byte, lineBytes(line).size());
        lineOffsets_.push_back(lineOffsets_.back() + static_cast<qsizetype>(end.unit) + 1);
    }
    return lineOffsets_[spot.line] +
           static_cast<qsizetype>(seek(spot.line, Key::Byte, spot.byte).unit);
}

qsizetype OutputPane::characterCount() const {
    return offsetOf(endSpot());
}

OutputPane::Spot OutputPane::spotAtOffset(qsizetype offset) const {
    characterCount(); // every line's offset
    auto after = std::upper_bound(lineOffsets_.begin(), lineOffsets_.end(), offset);
    const auto line =
        static_cast<std::size_t>(std::max<std::ptrdiff_t>(after - lineOffsets_.begin() - 1, 0));
    const qsizetype column = std::max<qsizetype>(offset - lineOffsets_[line], 0);
    return {line, seek(line, Key::Unit, static_cast<std::size_t>(column)).byte};
}

void OutputPane::notifyAccessibility() {
    if (!QAccessible::isActive())
        return;
    const int cursor = static_cast<int>(std::min<qsizetype>(offsetOf(cursor_), INT_MAX));
    QAccessibleTextCursorEvent moved(this, cursor);
    QAccessible::updateAccessibility(&moved);
    auto [from, to] = std::minmax(anchor_, cursor_);
    QAccessibleTextSelectionEvent selected(
        this, static_cast<int>(std::min<qsizetype>(offsetOf(from), INT_MAX)),
        static_cast<int>(std::min<qsizetype>(offsetOf(to), INT_MAX)));
    QAccessible::updateAccessibility(&selected);
}

} // namespace tg
