#include "ui/FindBar.h"

#include "ui/QtText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

#include <numeric>

namespace tg {

namespace {

// The field keeps Enter and Esc to itself, so that no shortcut of the window (the run button's
// Enter among them) takes them first; Copy with nothing selected in it is left to the window,
// whose Copy then takes the match selected in the pane.
class FindField : public QLineEdit {
public:
    explicit FindField(FindBar* bar) : QLineEdit(bar), bar_(bar) {}

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (isEnter(key) || key->key() == Qt::Key_Escape) {
                event->accept();
                return true;
            }
            if (key->matches(QKeySequence::Copy) && !hasSelectedText()) {
                event->ignore();
                return true;
            }
        }
        return QLineEdit::event(event);
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (isEnter(event)) {
            if (event->modifiers() & Qt::ShiftModifier)
                bar_->findPrevious();
            else
                bar_->findNext();
            event->accept();
        } else if (event->key() == Qt::Key_Escape) {
            bar_->closeBar();
            event->accept();
        } else {
            QLineEdit::keyPressEvent(event);
        }
    }

private:
    static bool isEnter(const QKeyEvent* key) {
        return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    }

    FindBar* bar_;
};

// Half-width katakana to their full-width forms, from U+FF61 on.
constexpr char16_t kFullKana[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
    0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
    0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
    0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
    0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C};

bool isHaRow(char16_t kana) {
    return kana >= 0x30CF && kana <= 0x30DB && (kana - 0x30CF) % 3 == 0;
}

// カ to ト, but ッ: each voiced form follows its plain one.
bool takesVoicedMark(char16_t kana) {
    if (kana >= 0x30AB && kana <= 0x30C2)
        return kana % 2 == 1;
    return kana == 0x30C4 || kana == 0x30C6 || kana == 0x30C8;
}

// A full-width kana with the voiced mark (0x309B) or the semi-voiced one (0x309C) that follows
// it, as one character; 0 when the two make none.
char16_t withMark(char16_t kana, char16_t mark) {
    if (mark == 0x309B) {
        if (kana == 0x30A6)
            return 0x30F4; // ヴ
        if (takesVoicedMark(kana) || isHaRow(kana))
            return char16_t(kana + 1);
    } else if (mark == 0x309C && isHaRow(kana)) {
        return char16_t(kana + 2);
    }
    return 0;
}

} // namespace

FoldedText FoldedText::of(QStringView shown) {
    FoldedText folded;
    folded.text.reserve(shown.size());
    folded.origin.reserve(size_t(shown.size()) + 1);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        char16_t c = shown[i].unicode();
        if (c >= 0xFF01 && c <= 0xFF5E)
            c = char16_t(c - 0xFF01 + 0x21);
        else if (c == 0x3000)
            c = u' ';
        else if (c >= 0xFF61 && c <= 0xFF9F)
            c = kFullKana[c - 0xFF61];
        if ((c == 0x309B || c == 0x309C) && !folded.text.isEmpty()) {
            if (char16_t both = withMark(folded.text.back().unicode(), c)) {
                folded.text.back() = QChar(both);
                continue;
            }
        }
        folded.text.append(QChar(c));
        folded.origin.push_back(i);
    }
    folded.origin.push_back(shown.size());
    return folded;
}

namespace {

// Every match of the query in a folded text whose lines are parted by '\n', none overlapping the
// one before it, as a range of the text as shown.
template <typename Found>
void eachMatch(const FoldedText& text, const FoldedText& query, Qt::CaseSensitivity cs,
               Found found) {
    qsizetype line = 0, lineStart = 0;
    const qsizetype length = query.text.size();
    for (const QStringView folded : QStringView(text.text).split(QLatin1Char('\n'))) {
        const qsizetype shownStart = text.origin[size_t(lineStart)];
        for (qsizetype at = folded.indexOf(query.text, 0, cs); at >= 0;
             at = folded.indexOf(query.text, at + length, cs)) {
            found(OutputPane::Range{
                {line, text.origin[size_t(lineStart + at)] - shownStart},
                {line, text.origin[size_t(lineStart + at + length)] - shownStart}});
        }
        lineStart += folded.size() + 1;
        ++line;
    }
}

QToolButton* button(QWidget* parent, const char* name, const QString& text, const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setToolTip(tip);
    b->setAutoRaise(true);
    return b;
}

} // namespace

FindBar::FindBar(OutputPane* pane, FindViews* views, QWidget* parent)
    : QWidget(parent), pane_(pane), views_(views) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(4);
    row->addWidget(new QLabel(QStringLiteral("検索:"), this));
    field_ = new FindField(this);
    field_->setObjectName(QStringLiteral("Edit_find"));
    // Narrower when the window is: the bar is never to widen it.
    field_->setMinimumWidth(96);
    field_->setMaximumWidth(201);
    row->addWidget(field_);
    previous_ = button(this, "Button_findPrevious", QStringLiteral("▲ 前へ"),
                       QStringLiteral("前を検索 (Shift+F3)"));
    next_ = button(this, "Button_findNext", QStringLiteral("▼ 次へ"),
                   QStringLiteral("次を検索 (Enter, F3)"));
    row->addWidget(previous_);
    row->addWidget(next_);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("Label_findCount"));
    count_->setMinimumWidth(
        count_->fontMetrics().horizontalAdvance(QStringLiteral("00000 / 00000")));
    row->addWidget(count_);
    matchCase_ = new QCheckBox(QStringLiteral("大/小文字"), this);
    matchCase_->setObjectName(QStringLiteral("Check_findCase"));
    matchCase_->setToolTip(QStringLiteral("大文字と小文字を区別する"));
    row->addWidget(matchCase_);
    everyView_ = new QCheckBox(QStringLiteral("全ビュー"), this);
    everyView_->setObjectName(QStringLiteral("Check_findAllViews"));
    everyView_->setToolTip(QStringLiteral("すべてのビューの出力をビューの順に検索する"));
    everyView_->setEnabled(views_ != nullptr);
    row->addWidget(everyView_);
    row->addStretch();
    close_ = button(this, "Button_findClose", QStringLiteral("×"), QStringLiteral("閉じる (Esc)"));
    row->addWidget(close_);

    // A search over a long text waits until the typing pauses; Enter and F3 do not wait.
    typing_ = new QTimer(this);
    typing_->setSingleShot(true);
    typing_->setInterval(kTypingPauseMs);
    connect(typing_, &QTimer::timeout, this, &FindBar::search);
    connect(field_, &QLineEdit::textChanged, typing_, qOverload<>(&QTimer::start));
    connect(matchCase_, &QCheckBox::toggled, this, &FindBar::search);
    connect(everyView_, &QCheckBox::toggled, this, &FindBar::search);
    connect(next_, &QToolButton::clicked, this, &FindBar::findNext);
    connect(previous_, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(close_, &QToolButton::clicked, this, &FindBar::closeBar);
    // Shortcuts of a hidden bar do not fire: these work while it is shown, wherever the focus is.
    auto shortcut = [this](QKeySequence keys, void (FindBar::*handler)()) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, handler);
    };
    shortcut(QKeySequence(Qt::Key_F3), &FindBar::findNext);
    shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), &FindBar::findPrevious);
    shortcut(QKeySequence(Qt::Key_Escape), &FindBar::closeBar);
}

bool FindBar::allViews() const {
    return views_ && everyView_->isChecked();
}

void FindBar::open() {
    show();
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
    refresh();
    if (!matches_.empty())
        makeCurrent(0);
}

void FindBar::closeBar() {
    typing_->stop();
    if (isHidden())
        return;
    hide();
    matches_.clear();
    current_ = -1;
    pane_->setHighlights(matches_);
    emit closed();
}

void FindBar::refresh() {
    // The texts are folded again once, when they have changed, not at every key.
    paneFolded_.reset();
    viewsFolded_.clear();
    if (isHidden())
        return;
    current_ = -1;
    matchPane();
    recount();
    showCount();
}

const FoldedText& FindBar::paneFolded() {
    if (!paneFolded_)
        paneFolded_ = FoldedText::of(toDisplayString(pane_->text()));
    return *paneFolded_;
}

const FoldedText& FindBar::viewFolded(int view) {
    if (viewsFolded_.size() <= size_t(view))
        viewsFolded_.resize(size_t(view) + 1);
    auto& folded = viewsFolded_[size_t(view)];
    if (!folded)
        folded = FoldedText::of(views_->findViewText(view));
    return *folded;
}

void FindBar::searchNow() {
    if (typing_->isActive()) {
        typing_->stop();
        search();
    }
}

void FindBar::search() {
    typing_->stop();
    // Only a text that goes on from the one searched before keeps its place; another starts at
    // the top, as it would after the field was emptied.
    const bool longer = !searched_.isEmpty() && field_->text().startsWith(searched_);
    searched_ = field_->text();
    const OutputPane::Position from =
        current_ >= 0 && longer ? matches_[size_t(current_)].start : OutputPane::Position{};
    current_ = -1;
    matchPane();
    recount();
    // A longer text stays on the match it began at, or goes on to the next one.
    for (size_t i = 0; i < matches_.size(); ++i) {
        if (matches_[i].start >= from) {
            makeCurrent(int(i));
            return;
        }
    }
    if (!matches_.empty())
        makeCurrent(0);
    else
        showCount();
}

void FindBar::matchPane() {
    matches_.clear();
    const QString query = field_->text();
    if (!query.isEmpty()) {
        const Qt::CaseSensitivity cs =
            matchCase_->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
        eachMatch(paneFolded(), FoldedText::of(query), cs,
                  [&](const OutputPane::Range& match) { matches_.push_back(match); });
    }
    pane_->setHighlights(matches_);
}

void FindBar::recount() {
    viewCounts_.clear();
    if (!allViews())
        return;
    const QString query = field_->text();
    const Qt::CaseSensitivity cs =
        matchCase_->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const int current = views_->findCurrentView();
    for (int view = 0; view < views_->findViewCount(); ++view) {
        int count = 0;
        if (view == current) {
            count = int(matches_.size());
        } else if (!query.isEmpty()) {
            eachMatch(viewFolded(view), FoldedText::of(query), cs,
                      [&](const OutputPane::Range&) { ++count; });
        }
        viewCounts_.push_back(count);
    }
}

void FindBar::makeCurrent(int index) {
    current_ = index;
    pane_->select(matches_[size_t(index)]);
    showCount();
}

void FindBar::findNext() {
    step(1);
}

void FindBar::findPrevious() {
    step(-1);
}

void FindBar::step(int direction) {
    if (isHidden())
        return;
    searchNow();
    const int count = int(matches_.size());
    if (count > 0) {
        const int index = current_ < 0 ? (direction > 0 ? 0 : count - 1) : current_ + direction;
        if (index >= 0 && index < count) {
            makeCurrent(index);
            return;
        }
    }
    // Past the pane's last (or first) match: on to the next view that has one, or round again.
    if (allViews() && !viewCounts_.empty()) {
        const int views = int(viewCounts_.size());
        const int current = views_->findCurrentView();
        for (int k = 1; k <= views; ++k) {
            const int view = ((current + direction * k) % views + views) % views;
            if (viewCounts_[size_t(view)] == 0)
                continue;
            if (view != current) {
                // Showing the view refreshes the bar, which folds the texts anew; the fold of
                // the view's own text is kept for the pane.
                views_->findShowView(view);
                matchPane();
                recount();
            }
            break;
        }
    }
    if (!matches_.empty())
        makeCurrent(direction > 0 ? 0 : int(matches_.size()) - 1);
}

int FindBar::matchCount() const {
    return allViews() ? std::accumulate(viewCounts_.begin(), viewCounts_.end(), 0)
                      : int(matches_.size());
}

int FindBar::currentNumber() const {
    if (current_ < 0)
        return 0;
    int earlier = 0;
    if (allViews()) {
        const int current = views_->findCurrentView();
        for (int view = 0; view < current && view < int(viewCounts_.size()); ++view)
            earlier += viewCounts_[size_t(view)];
    }
    return earlier + current_ + 1;
}

void FindBar::showCount() {
    if (field_->text().isEmpty())
        count_->clear();
    else if (matchCount() == 0)
        count_->setText(QStringLiteral("見つかりません"));
    else
        count_->setText(QStringLiteral("%1 / %2").arg(currentNumber()).arg(matchCount()));
}

} // namespace tg
