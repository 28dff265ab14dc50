#include "ui/FindBar.h"

#include "ui/QtText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
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

// Every match of the query in a text whose lines are parted by '\n', none overlapping the one
// before it: found(line, column).
template <typename Found>
void eachMatch(QStringView text, const QString& query, Qt::CaseSensitivity cs, Found found) {
    qsizetype line = 0;
    for (const QStringView shown : text.split(QLatin1Char('\n'))) {
        for (qsizetype at = shown.indexOf(query, 0, cs); at >= 0;
             at = shown.indexOf(query, at + query.size(), cs))
            found(line, at);
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
    field_->setFixedWidth(201);
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
    matchCase_ = new QCheckBox(QStringLiteral("大文字と小文字を区別する"), this);
    matchCase_->setObjectName(QStringLiteral("Check_findCase"));
    row->addWidget(matchCase_);
    everyView_ = new QCheckBox(QStringLiteral("全ビュー"), this);
    everyView_->setObjectName(QStringLiteral("Check_findAllViews"));
    everyView_->setToolTip(QStringLiteral("すべてのビューの出力をビューの順に検索する"));
    everyView_->setEnabled(views_ != nullptr);
    row->addWidget(everyView_);
    row->addStretch();
    close_ = button(this, "Button_findClose", QStringLiteral("×"), QStringLiteral("閉じる (Esc)"));
    row->addWidget(close_);

    connect(field_, &QLineEdit::textChanged, this, &FindBar::search);
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
    if (isHidden())
        return;
    hide();
    matches_.clear();
    current_ = -1;
    pane_->setHighlights(matches_);
    emit closed();
}

void FindBar::refresh() {
    if (isHidden())
        return;
    current_ = -1;
    matchPane();
    recount();
    showCount();
}

void FindBar::search() {
    const OutputPane::Position from =
        current_ >= 0 ? matches_[size_t(current_)].start : OutputPane::Position{};
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
        // The pane's lines as it shows them, converted in one pass rather than line by line.
        eachMatch(toDisplayString(pane_->text()), query, cs, [&](qsizetype line, qsizetype at) {
            matches_.push_back({{line, at}, {line, at + query.size()}});
        });
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
            eachMatch(views_->findViewText(view), query, cs,
                      [&](qsizetype, qsizetype) { ++count; });
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
