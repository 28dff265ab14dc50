#include "app/TCompareForm.h"

#include "app/Application.h"
#include "app/Collector.h"
#include "platform/Files.h"
#include "text/Codec.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/QtText.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <unordered_map>

namespace tg {

namespace {

Text cp932(const char* utf8) {
    return utf8ToCp932(utf8);
}

constexpr int kOldNumber = 0, kOldText = 1, kNewNumber = 2, kNewText = 3;
// The UTF-16 ranges of a text cell's marked characters, as QList<QPoint> (start, length).
constexpr int kMarksRole = Qt::UserRole + 1;

const QColor kRemovedLine(0xfd, 0xe8, 0xe8);
const QColor kAddedLine(0xe6, 0xf6, 0xe6);
const QColor kRemovedMark(0xf0, 0x98, 0x98);
const QColor kAddedMark(0x8f, 0xd4, 0x8f);
const QColor kNoLine(0xf0, 0xf0, 0xf0);

// Byte spans of a cp932 line as ranges of its UTF-16 text: each character of the code page is one
// unit there.
QList<QPoint> unitRanges(TextView line, const std::vector<ByteSpan>& spans) {
    QList<QPoint> ranges;
    std::size_t at = 0;
    int unit = 0;
    for (const ByteSpan& span : spans) {
        for (; at < span.start; ++unit)
            at += cp932CharLength(line, at);
        const int start = unit;
        for (; at < span.start + span.length; ++unit)
            at += cp932CharLength(line, at);
        ranges.append(QPoint(start, unit - start));
    }
    return ranges;
}

} // namespace

// The selected view's rows side by side: line number and text of each side. Texts are turned
// into the toolkit's strings only as rows are painted, and a changed row's marks when first asked.
class CompareModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setView(const ViewComparison* view, const CompareOptions& options) {
        beginResetModel();
        view_ = view;
        options_ = options;
        rows_ = view ? sideBySideRows(*view) : std::vector<SideRow>();
        marks_.clear();
        endResetModel();
    }
    const std::vector<SideRow>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 4;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
        case kOldText:
            return QStringLiteral("旧");
        case kNewText:
            return QStringLiteral("新");
        default:
            return QString();
        }
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!view_ || !index.isValid())
            return {};
        const SideRow& row = rows_[static_cast<std::size_t>(index.row())];
        const bool oldSide = index.column() <= kOldText;
        const std::size_t line = oldSide ? row.oldLine : row.newLine;
        const bool text = index.column() == kOldText || index.column() == kNewText;
        switch (role) {
        case Qt::DisplayRole:
            if (line == LineEdit::kNoLine)
                return {};
            if (!text)
                return QString::number(line + 1);
            return toQString(oldSide ? view_->oldLines[line] : view_->newLines[line]);
        case Qt::ToolTipRole:
            if (line == LineEdit::kNoLine || !text)
                return {};
            return toQString(oldSide ? view_->oldLines[line] : view_->newLines[line]);
        case Qt::TextAlignmentRole:
            return text ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                        : QVariant(Qt::AlignRight | Qt::AlignVCenter);
        case Qt::ForegroundRole:
            return text ? QVariant() : QVariant(QColor(0x80, 0x80, 0x80));
        case Qt::BackgroundRole:
            if (line == LineEdit::kNoLine)
                return QColor(kNoLine);
            if (row.changed)
                return QColor(oldSide ? kRemovedLine : kAddedLine);
            return {};
        case kMarksRole:
            if (!text || !row.changed || row.oldLine == LineEdit::kNoLine ||
                row.newLine == LineEdit::kNoLine)
                return {};
            return QVariant::fromValue(marksOf(index.row(), oldSide));
        default:
            return {};
        }
    }

private:
    QList<QPoint> marksOf(int rowIndex, bool oldSide) const {
        auto found = marks_.find(rowIndex);
        if (found == marks_.end()) {
            const SideRow& row = rows_[static_cast<std::size_t>(rowIndex)];
            const TextView oldLine = view_->oldLines[row.oldLine];
            const TextView newLine = view_->newLines[row.newLine];
            const CharacterMarks marks = changedCharacters(oldLine, newLine, options_);
            found = marks_
                        .emplace(rowIndex, std::pair(unitRanges(oldLine, marks.oldSpans),
                                                     unitRanges(newLine, marks.newSpans)))
                        .first;
        }
        return oldSide ? found->second.first : found->second.second;
    }

    const ViewComparison* view_ = nullptr;
    CompareOptions options_;
    std::vector<SideRow> rows_;
    mutable std::unordered_map<int, std::pair<QList<QPoint>, QList<QPoint>>> marks_;
};

namespace {

// Paints a text cell with its changed characters on a stronger colour than the line's.
class MarkDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& selectedOption,
               const QModelIndex& index) const override {
        // The current row is framed rather than filled, so that a changed line keeps its colours.
        QStyleOptionViewItem option = selectedOption;
        const bool selected = option.state & QStyle::State_Selected;
        option.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        QStyledItemDelegate::paint(painter, option, index);
        if (selected) {
            painter->save();
            painter->setPen(QPen(option.palette.color(QPalette::Highlight), 2));
            painter->drawLine(option.rect.topLeft() + QPoint(0, 1),
                              option.rect.topRight() + QPoint(0, 1));
            painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
            painter->restore();
        }
        const auto marks = index.data(kMarksRole).value<QList<QPoint>>();
        if (marks.isEmpty())
            return;
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString text = item.text;
        const QFontMetrics metrics(item.font);
        const int margin = item.widget->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
        const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
        const QColor colour = index.column() == kOldText ? kRemovedMark : kAddedMark;
        painter->save();
        painter->setClipRect(option.rect);
        for (const QPoint& mark : marks) {
            const int left = area.left() + metrics.horizontalAdvance(text.left(mark.x()));
            const int width = std::max(2, metrics.horizontalAdvance(text.mid(mark.x(), mark.y())));
            const QRect box(left, area.top(), width, area.height());
            painter->fillRect(box, colour);
            painter->setPen(option.palette.color(QPalette::Text));
            painter->setFont(item.font);
            painter->drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
                              text.mid(mark.x(), mark.y()));
        }
        painter->restore();
    }
};

} // namespace

TCompareForm::TCompareForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TCompareForm"));
    setWindowTitle(QStringLiteral("比較 - TIDEGAUGE-INFO"));
    resize(1180, 680);

    auto* sides = new QWidget(this);
    auto* sidesLayout = new QHBoxLayout(sides);
    sidesLayout->setContentsMargins(0, 0, 0, 0);
    const auto sideRow = [&](const QString& caption, const char* buttonName, QLabel*& label,
                             bool old) {
        auto* heading = new QLabel(caption, sides);
        label = new QLabel(sides);
        label->setObjectName(QLatin1String(old ? "Label_old" : "Label_new"));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        auto* button = new QPushButton(QStringLiteral("文書を選ぶ..."), sides);
        button->setObjectName(QLatin1String(buttonName));
        connect(button, &QPushButton::clicked, this, guarded([this, old] { askFile(old); }));
        sidesLayout->addWidget(heading);
        sidesLayout->addWidget(label, 1);
        sidesLayout->addWidget(button);
    };
    sideRow(QStringLiteral("旧:"), "Button_old", Label_old, true);
    sidesLayout->addSpacing(12);
    sideRow(QStringLiteral("新:"), "Button_new", Label_new, false);

    auto* tools = new QWidget(this);
    auto* toolsLayout = new QHBoxLayout(tools);
    toolsLayout->setContentsMargins(0, 0, 0, 0);
    PrevChange1 = new QAction(QStringLiteral("前の変更"), this);
    PrevChange1->setObjectName(QStringLiteral("PrevChange1"));
    PrevChange1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8));
    PrevChange1->setToolTip(QStringLiteral("前の変更 (Shift+F8)"));
    NextChange1 = new QAction(QStringLiteral("次の変更"), this);
    NextChange1->setObjectName(QStringLiteral("NextChange1"));
    NextChange1->setShortcut(QKeySequence(Qt::Key_F8));
    NextChange1->setToolTip(QStringLiteral("次の変更 (F8)"));
    for (QAction* step : {PrevChange1, NextChange1}) {
        step->setShortcutContext(Qt::WindowShortcut);
        addAction(step);
        auto* button = new QToolButton(tools);
        button->setDefaultAction(step);
        toolsLayout->addWidget(button);
    }
    connect(PrevChange1, &QAction::triggered, this, guarded([this] { previousChange(); }));
    connect(NextChange1, &QAction::triggered, this, guarded([this] { nextChange(); }));
    CheckBox_ignoreNumbers = new QCheckBox(QStringLiteral("数値の違いを無視"), tools);
    CheckBox_ignoreNumbers->setObjectName(QStringLiteral("CheckBox_ignoreNumbers"));
    CheckBox_ignoreSpace = new QCheckBox(QStringLiteral("空白の違いを無視"), tools);
    CheckBox_ignoreSpace->setObjectName(QStringLiteral("CheckBox_ignoreSpace"));
    connect(CheckBox_ignoreNumbers, &QCheckBox::toggled, this,
            [this](bool on) { guarded([this, on] { setIgnoreNumbers(on); })(); });
    connect(CheckBox_ignoreSpace, &QCheckBox::toggled, this,
            [this](bool on) { guarded([this, on] { setIgnoreSpace(on); })(); });
    toolsLayout->addSpacing(12);
    toolsLayout->addWidget(CheckBox_ignoreNumbers);
    toolsLayout->addWidget(CheckBox_ignoreSpace);
    toolsLayout->addStretch(1);
    auto* saveText = new QPushButton(QStringLiteral("テキストで保存(&T)..."), tools);
    saveText->setObjectName(QStringLiteral("Button_saveText"));
    saveText->setToolTip(QStringLiteral("ビューごとの unified diff を保存する"));
    auto* saveHtml = new QPushButton(QStringLiteral("HTMLで保存(&H)..."), tools);
    saveHtml->setObjectName(QStringLiteral("Button_saveHtml"));
    connect(saveText, &QPushButton::clicked, this, guarded([this] { exportText(); }));
    connect(saveHtml, &QPushButton::clicked, this, guarded([this] { exportHtml(); }));
    toolsLayout->addWidget(saveText);
    toolsLayout->addWidget(saveHtml);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    ListBox_views = new QListWidget(splitter);
    ListBox_views->setObjectName(QStringLiteral("ListBox_views"));
    connect(ListBox_views, &QListWidget::currentRowChanged, this,
            [this](int) { guarded([this] { showView(); })(); });
    model_ = new CompareModel(this);
    Grid_diff = new QTableView(splitter);
    Grid_diff->setObjectName(QStringLiteral("Grid_diff"));
    Grid_diff->setModel(model_);
    Grid_diff->setItemDelegate(new MarkDelegate(Grid_diff));
    Grid_diff->setFont(fixedFont());
    Grid_diff->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid_diff->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid_diff->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid_diff->setShowGrid(false);
    Grid_diff->setWordWrap(false);
    Grid_diff->setTextElideMode(Qt::ElideNone);
    Grid_diff->verticalHeader()->hide();
    Grid_diff->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid_diff->verticalHeader()->setDefaultSectionSize(QFontMetrics(fixedFont()).height() + 2);
    Grid_diff->horizontalHeader()->setHighlightSections(false);
    connect(Grid_diff->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { updateStatus(); });
    splitter->addWidget(ListBox_views);
    splitter->addWidget(Grid_diff);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({170, 800});

    Label_status = new QLabel(this);
    Label_status->setObjectName(QStringLiteral("Label_status"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sides);
    layout->addWidget(tools);
    layout->addWidget(splitter, 1);
    layout->addWidget(Label_status);

    comparison_ =
        std::make_unique<Comparison>(compareLabels(), DocumentSections(), DocumentSections());
}

TCompareForm::~TCompareForm() = default;

void TCompareForm::setOld(DocumentSections sections, const QString& name) {
    oldName_ = name;
    Label_old->setText(name);
    Label_old->setToolTip(name);
    DocumentSections other = comparison_->newSide();
    comparison_ =
        std::make_unique<Comparison>(compareLabels(), std::move(sections), std::move(other));
    compare();
}

void TCompareForm::setNew(DocumentSections sections, const QString& name) {
    newName_ = name;
    Label_new->setText(name);
    Label_new->setToolTip(name);
    DocumentSections other = comparison_->oldSide();
    comparison_ =
        std::make_unique<Comparison>(compareLabels(), std::move(other), std::move(sections));
    compare();
}

void TCompareForm::chooseOld(const std::filesystem::path& file) {
    setOld(readComparedDocument(file), pathToQString(file));
}

void TCompareForm::chooseNew(const std::filesystem::path& file) {
    setNew(readComparedDocument(file), pathToQString(file));
}

void TCompareForm::askFile(bool old) {
    const std::optional<std::filesystem::path> file = dialogs().getOpenFileName(
        this, {cp932("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*"), "*.txt", {}});
    if (!file)
        return;
    if (old)
        chooseOld(*file);
    else
        chooseNew(*file);
}

void TCompareForm::compare() {
    const QString selected = ListBox_views->currentItem()
                                 ? ListBox_views->currentItem()->data(Qt::UserRole).toString()
                                 : QString();
    comparison_->compare(options_);
    const QSignalBlocker blocker(ListBox_views);
    ListBox_views->clear();
    int select = -1;
    for (const ViewComparison& view : comparison_->views()) {
        const QString label = toQString(view.label);
        auto* item = new QListWidgetItem(
            label + QStringLiteral("\t") + toQString(viewMarkText(view.mark)), ListBox_views);
        item->setData(Qt::UserRole, label);
        if (view.mark != ViewMark::Same)
            item->setForeground(view.mark == ViewMark::Changed ? QColor(0xb0, 0, 0)
                                                               : QColor(0xa0, 0x60, 0));
        if (label == selected)
            select = ListBox_views->count() - 1;
    }
    // The first view that differs is the one to look at.
    if (select < 0) {
        const auto& views = comparison_->views();
        auto differs = std::find_if(views.begin(), views.end(), [](const ViewComparison& view) {
            return view.mark != ViewMark::Same;
        });
        select = views.empty()
                     ? -1
                     : static_cast<int>(differs == views.end() ? 0 : differs - views.begin());
    }
    ListBox_views->setCurrentRow(select);
    showView();
}

int TCompareForm::currentViewRow() const {
    return ListBox_views->currentRow();
}

void TCompareForm::selectViewRow(int row) {
    ListBox_views->setCurrentRow(row);
}

int TCompareForm::currentRow() const {
    const QModelIndex current = Grid_diff->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TCompareForm::showView() {
    const int row = ListBox_views->currentRow();
    const ViewComparison* view = row >= 0 && row < static_cast<int>(comparison_->views().size())
                                     ? &comparison_->views()[static_cast<std::size_t>(row)]
                                     : nullptr;
    model_->setView(view, options_);
    fitColumns();
    // Straight to the first change.
    const std::vector<SideRow>& rows = model_->rows();
    auto first = std::find_if(rows.begin(), rows.end(), [](const SideRow& r) { return r.changed; });
    if (first != rows.end()) {
        const QModelIndex index = model_->index(static_cast<int>(first - rows.begin()), kOldNumber);
        Grid_diff->setCurrentIndex(index);
        Grid_diff->scrollTo(index, QAbstractItemView::PositionAtCenter);
    }
    updateStatus();
}

// Numbers as wide as the longest; the two texts share the rest equally, so that both sides are in
// sight. A longer line shows whole in its tool tip, or when the user widens its column.
void TCompareForm::fitColumns() {
    const QFontMetrics metrics(fixedFont());
    const int rows = model_->rowCount();
    const int numberWidth =
        metrics.horizontalAdvance(QString(QString::number(rows).size() + 1, QLatin1Char('0'))) + 8;
    const int text = std::max(100, (Grid_diff->viewport()->width() - 2 * numberWidth) / 2);
    Grid_diff->setColumnWidth(kOldNumber, numberWidth);
    Grid_diff->setColumnWidth(kNewNumber, numberWidth);
    Grid_diff->setColumnWidth(kOldText, text);
    Grid_diff->setColumnWidth(kNewText, text);
}

void TCompareForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitColumns();
}

void TCompareForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fitColumns();
}

void TCompareForm::nextChange() {
    stepChange(1);
}

void TCompareForm::previousChange() {
    stepChange(-1);
}

// To the first row of the next (or previous) block of changes; past the last one of a view, on to
// the next view that differs.
void TCompareForm::stepChange(int direction) {
    const auto& views = comparison_->views();
    if (views.empty())
        return;
    int viewRow = std::max(0, ListBox_views->currentRow());
    int from = currentRow();
    for (std::size_t tried = 0; tried <= views.size(); ++tried) {
        const std::vector<SideRow>& rows = model_->rows();
        const int count = static_cast<int>(rows.size());
        const auto isStart = [&rows](int r) {
            return rows[static_cast<std::size_t>(r)].changed &&
                   (r == 0 || !rows[static_cast<std::size_t>(r) - 1].changed);
        };
        if (direction > 0) {
            for (int r = from + 1; r < count; ++r) {
                if (isStart(r)) {
                    Grid_diff->setCurrentIndex(model_->index(r, kOldNumber));
                    Grid_diff->scrollTo(model_->index(r, kOldNumber),
                                        QAbstractItemView::PositionAtCenter);
                    return;
                }
            }
        } else {
            // From inside a block, its own start comes first.
            for (int r = std::min(from, count) - 1; r >= 0; --r) {
                if (isStart(r) && r < from) {
                    Grid_diff->setCurrentIndex(model_->index(r, kOldNumber));
                    Grid_diff->scrollTo(model_->index(r, kOldNumber),
                                        QAbstractItemView::PositionAtCenter);
                    return;
                }
            }
        }
        // On to the next view that differs, without wrapping past either end.
        int next = viewRow + direction;
        while (next >= 0 && next < static_cast<int>(views.size()) &&
               views[static_cast<std::size_t>(next)].mark == ViewMark::Same)
            next += direction;
        if (next < 0 || next >= static_cast<int>(views.size()))
            return;
        viewRow = next;
        {
            const QSignalBlocker blocker(ListBox_views);
            ListBox_views->setCurrentRow(viewRow);
        }
        showView();
        if (direction > 0)
            return; // showView went to the view's first change
        from = static_cast<int>(model_->rows().size());
    }
}

void TCompareForm::setIgnoreNumbers(bool on) {
    options_.ignoreNumbers = on;
    if (CheckBox_ignoreNumbers->isChecked() != on)
        CheckBox_ignoreNumbers->setChecked(on);
    compare();
}

void TCompareForm::setIgnoreSpace(bool on) {
    options_.ignoreSpace = on;
    if (CheckBox_ignoreSpace->isChecked() != on)
        CheckBox_ignoreSpace->setChecked(on);
    compare();
}

void TCompareForm::updateStatus() {
    std::size_t differing = 0;
    for (const ViewComparison& view : comparison_->views())
        differing += view.mark != ViewMark::Same;
    QString text = comparison_->views().empty() ? QStringLiteral("比べるビューがありません")
                   : differing == 0 ? QStringLiteral("すべてのビューが同じです")
                                    : QStringLiteral("違いのあるビュー: %1").arg(differing);
    const std::vector<SideRow>& rows = model_->rows();
    int blocks = 0, at = 0;
    const int current = currentRow();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].changed && (r == 0 || !rows[r - 1].changed)) {
            ++blocks;
            if (static_cast<int>(r) <= current)
                at = blocks;
        }
    }
    if (blocks > 0)
        text += QStringLiteral("　このビューの変更: %1 / %2").arg(at).arg(blocks);
    Label_status->setText(text);
}

void TCompareForm::exportText() {
    const std::optional<std::filesystem::path> file = dialogs().getSaveFileName(
        this, {cp932("テキストファイル(*.txt)|*.txt|すべてのファイル|*.*"), "*.txt", {}});
    if (file)
        writeText(*file);
}

void TCompareForm::exportHtml() {
    const std::optional<std::filesystem::path> file = dialogs().getSaveFileName(
        this, {cp932("HTMLファイル(*.html)|*.html|すべてのファイル|*.*"), "*.html", {}});
    if (file)
        writeHtml(*file);
}

void TCompareForm::writeText(const std::filesystem::path& file) const {
    platform::replaceFile(file, unifiedDiff(*comparison_, "\r\n"));
}

void TCompareForm::writeHtml(const std::filesystem::path& file) const {
    platform::replaceFile(
        file, comparisonHtml(*comparison_, fromQString(oldName_), fromQString(newName_)));
}

} // namespace tg
