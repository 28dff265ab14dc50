// View switching: the views built from the catalogue, and the tabs, the tree and the Tools menu
// that select them.
#include "app/Application.h"
#include "app/Unit1.h"
#include "commands/LatencyChart.h"
#include "commands/ViewCatalogue.h"
#include "resources/StringTable.h"
#include "ui/FindBar.h"
#include "ui/OutputPane.h"
#include "ui/QtText.h"
#include "ui/TextPane.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

using tg::Text;

void TMainForm::buildViews() {
    // The placeholder of the Tools menu goes; one entry per view takes its place.
    QTreeWidgetItem* root = TreeView1->topLevelItem(0);
    QTreeWidgetItem* removed = nullptr;
    int counter = 0;
    const QSignalBlocker blockTabs(TabControl1);
    for (int i = 0; i < root->childCount(); ++i) {
        QTreeWidgetItem* node = root->child(i);
        Text label = tg::fromQString(node->text(0));
        if (label == "nslookup" && !isNT) {
            removed = node;
            continue;
        }
        TabControl1->addTab(node->text(0));
        int slot = tg::slotOfView(counter, isNT);
        auto* action = new QAction(QString::fromLatin1(tg::slotInfo(slot).toolCaption), this);
        action->setObjectName(QStringLiteral("ViewMenu%1").arg(counter));
        action->setData(counter);
        action->setCheckable(true);
        action->setChecked(counter == 0);
        connect(action, &QAction::triggered, this,
                tg::guarded([this, action] { OnViewMenuClick(action); }));
        toolsMenu->insertAction(Dummy, action);
        viewMenuActions.push_back(action);
        ++counter;
    }
    delete removed;
    toolsMenu->removeAction(Dummy);
    // 一括取得 and then the route monitor follow the views, each after a separator.
    for (const char* name : {"ToolCollectAll1", "ToolRouteMonitor1"}) {
        QAction* tool = action(name);
        toolsMenu->removeAction(tool);
        toolsMenu->addSeparator();
        toolsMenu->addAction(tool);
    }

    int count = TabControl1->count();
    for (int i = 0; i < count; ++i) {
        int slot = tg::slotOfView(i, isNT);
        document.addView(tg::fromQString(TabControl1->tabText(i)), tg::initialText(slot));
        viewHelpText.push_back(tg::commandHelpText(slot));
    }
    selectView(0);

    // Ctrl+Tab and Ctrl+PgDn go to the next view, Ctrl+Shift+Tab and Ctrl+PgUp to the one before,
    // round the ends, in tab and tree view alike, wherever the focus is in the window.
    const std::pair<QKeyCombination, int> steps[] = {
        {Qt::CTRL | Qt::Key_Tab, 1},
        {Qt::CTRL | Qt::Key_PageDown, 1},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, -1},
        {Qt::CTRL | Qt::Key_PageUp, -1},
    };
    for (auto [keys, step] : steps) {
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, tg::guarded([this, step = step] {
                    const int views = int(document.labels().size());
                    selectView((currentView + step + views) % views);
                }));
    }
}

QTreeWidgetItem* TMainForm::treeNodeOfView(int viewIndex) const {
    QTreeWidgetItem* root = TreeView1->topLevelItem(0);
    return root ? root->child(viewIndex) : nullptr;
}

void TMainForm::selectTreeNode(int viewIndex) {
    const QSignalBlocker block(TreeView1);
    TreeView1->clearSelection();
    if (QTreeWidgetItem* node = treeNodeOfView(viewIndex)) {
        TreeView1->setCurrentItem(node);
        node->setSelected(true);
    }
}

void TMainForm::showCurrentTexts() {
    RichEdit_Output->showText(document.text(static_cast<size_t>(currentView)));
    showRunRecord();
    RichEdit_Commandhelp->setText(viewHelpText[static_cast<size_t>(currentView)]);
    showLatencyOfCurrentView();
    Panel_find->refresh();
}

void TMainForm::showLatencyOfCurrentView() {
    // A hidden chart reads nothing: it is drawn afresh from the view's text when it is shown.
    if (Chart_latency->isVisibleTo(this)) {
        Chart_latency->showText(tg::latencyKindOf(tg::slotOfView(currentView, isNT)),
                                document.text(static_cast<size_t>(currentView)));
    }
}

void TMainForm::selectView(int viewIndex) {
    switching_ = true;
    currentView = viewIndex;

    Panel_option->show();
    Panel_target->show();
    cmbOption->hide();
    Edit_option->show();
    Edit_option2->hide();
    Edit_option->clear();

    int slot = tg::slotOfView(viewIndex, isNT);
    const tg::SlotInfo& info = tg::slotInfo(slot);
    Panel_target->setVisible(info.showTarget);
    Panel_option->setVisible(info.showOption);
    if (info.showOption2)
        Edit_option2->show();
    if (info.optionListId != 0)
        fillOptionList(info.optionListId, info.initialItem);

    if (viewMode == ViewMode::Tabs) {
        const QSignalBlocker block(TabControl1);
        TabControl1->setCurrentIndex(viewIndex);
    } else {
        selectTreeNode(viewIndex);
    }
    for (QAction* action : viewMenuActions)
        action->setChecked(action->data().toInt() == viewIndex);
    showCurrentTexts();
    switching_ = false;
}

void TMainForm::fillOptionList(int optionListId, int itemIndex) {
    cmbOption->show();
    Edit_option->hide();
    optionList = tg::splitDelimited(tg::loadString(optionListId), ',');
    cmbOption->clear();
    for (const auto& item : optionList)
        cmbOption->addItem(tg::toQString(item));
    cmbOption->setCurrentIndex(itemIndex);
    // netstat starts with a text that is not one of its items.
    const char* extra = tg::slotInfo(optionListId - 100).extraText;
    if (*extra)
        cmbOption->setEditText(QString::fromLatin1(extra));
}

void TMainForm::viewChanged() {
    int index = 0;
    if (viewMode == ViewMode::Tabs) {
        index = TabControl1->currentIndex();
    } else {
        const QList<QTreeWidgetItem*> selected = TreeView1->selectedItems();
        QTreeWidgetItem* root = TreeView1->topLevelItem(0);
        if (selected.size() == 1 && selected.front()->parent() == root)
            index = root->indexOfChild(selected.front());
    }
    if (index < 0)
        index = 0;
    selectView(index);
}

void TMainForm::TabControl1Change() {
    if (!switching_)
        viewChanged();
}

void TMainForm::TreeView1Change() {
    if (!switching_)
        viewChanged();
}

void TMainForm::OnViewMenuClick(QAction* sender) {
    selectView(sender->data().toInt());
}

void TMainForm::setTabStyle(TabStyle style) {
    tabStyle_ = style;
    TabControl1->setDrawBase(style == TabStyle::Tabs);
    TabControl1->setDocumentMode(style != TabStyle::Tabs);
}

void TMainForm::TabViewExecute() {
    switching_ = true;
    viewMode = ViewMode::Tabs;
    TreeView1->hide();
    if (TabControl1->count() == 0) {
        const QSignalBlocker block(TabControl1);
        QTreeWidgetItem* root = TreeView1->topLevelItem(0);
        for (int i = 0; i < root->childCount(); ++i)
            TabControl1->addTab(root->child(i)->text(0));
    }
    setTabStyle(TabStyle::Tabs);
    TabControl1->show();
    {
        const QSignalBlocker block(TabControl1);
        TabControl1->setCurrentIndex(currentView);
    }
    TreeView->setChecked(false);
    TabView->setChecked(true);
    showCurrentTexts();
    switching_ = false;
}

void TMainForm::TreeViewExecute() {
    switching_ = true;
    viewMode = ViewMode::Tree;
    {
        const QSignalBlocker block(TabControl1);
        while (TabControl1->count() > 0)
            TabControl1->removeTab(0);
    }
    setTabStyle(TabStyle::FlatButtons);
    // A tab strip without tabs only takes room; the page below it stays as it is.
    TabControl1->hide();
    TreeView1->show();
    selectTreeNode(currentView);
    TreeView->setChecked(true);
    TabView->setChecked(false);
    showCurrentTexts();
    switching_ = false;
}

void TMainForm::ShowCommandHelpExecute() {
    // Pane and check mark start in step and toggle together.
    bool show = !Panel_Commandhelp->isVisibleTo(this);
    Panel_Commandhelp->setVisible(show);
    ShowCommandHelp->setChecked(show);
}

void TMainForm::ViewLatency1Execute() {
    const bool show = !Chart_latency->isVisibleTo(this);
    const bool placed = Splitter_latency->sizes().value(1) > 0;
    Chart_latency->setVisible(show);
    if (show && !placed) {
        // The output stays the larger part: at the first window size a half left it four lines.
        // Before the window is laid out the splitter has no height to share, and would give the
        // chart more than it asks for; so that waits until the window is up.
        auto share = [this] {
            if (!Splitter_latency->isVisible())
                return;
            const int total = Splitter_latency->height();
            const int chart = std::min(150, total * 2 / 5);
            Splitter_latency->setSizes({total - chart, chart});
        };
        if (Splitter_latency->isVisible())
            share();
        else
            QTimer::singleShot(0, this, share);
    }
    ViewLatency1->setChecked(show);
    showLatencyOfCurrentView();
    if (!iniFile->path().empty())
        iniFile->writeInteger(kLatencySection, kLatencyKey, show ? 1 : 0);
}
