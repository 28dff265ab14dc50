// The main window's actions as data: one row per action in the order the menus show them, the menu
// bar and the tool bar built from the rows, and every handler bound to its action by name.
#include "app/AppIcons.h"
#include "app/Application.h"
#include "app/Unit1.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

namespace {

using tg::ActionIcon;

enum Menu { FileMenu, EditMenu, ViewMenu, ToolsMenu, HelpMenu, kMenuCount };

struct MenuRow {
    const char* name;
    const char* caption;
};

// In the order of the menu bar, by Menu.
const MenuRow kMenus[kMenuCount] = {
    {"FileMenu", "ファイル(&F)"}, {"EditMenu", "編集(&E)"},   {"ViewMenu", "表示(&V)"},
    {"ToolsMenu", "ツール(&T)"},  {"HelpMenu", "ヘルプ(&H)"},
};

enum class Start { Shown, Hidden, Unchecked, Checked };

const QKeyCombination kNoKey = Qt::Key_unknown;
constexpr std::nullopt_t kNoIcon = std::nullopt;

// Columns: name; caption as the menu shows it; hint ("short|long": the tool tip, then the status
// strip's text); shortcut; the tool bar's caption where it differs from the menu's; icon; menu;
// a separator before it in the menu; its place on the tool bar as group and order within the
// group (separators part the groups and close the bar; group 0 keeps it off the bar); its state
// at start.
struct ActionRow {
    const char* name;
    const char* caption;
    const char* hint;
    QKeyCombination key;
    const char* toolCaption;
    std::optional<ActionIcon> icon;
    Menu menu;
    bool separatorBefore;
    int toolGroup;
    int toolOrder;
    Start start;
};

const ActionRow kActions[] = {
    {"FileNew1", "新規作成(&N)...", "新規にファイルを作成する", Qt::CTRL | Qt::Key_N, nullptr,
     ActionIcon::New, FileMenu, false, 1, 1, Start::Shown},
    {"FileOpen1", "開く(&O)...", "開く|既存のファイルを開く", Qt::CTRL | Qt::Key_O, nullptr,
     ActionIcon::Open, FileMenu, false, 1, 2, Start::Shown},
    {"FileClose1", "閉じる(&C)...", "ファイルを閉じる", kNoKey, nullptr, kNoIcon, FileMenu, false,
     0, 0, Start::Shown},
    {"FileSave1", "上書き保存(&S)...", "ファイルを上書き保存する", Qt::CTRL | Qt::Key_S, nullptr,
     ActionIcon::Save, FileMenu, true, 1, 3, Start::Shown},
    {"FileSaveAs1", "名前を付けて保存(&A)...", "別名で保存|現在のファイルに新しい名前をつけて保存",
     kNoKey, nullptr, ActionIcon::SaveAs, FileMenu, false, 0, 0, Start::Shown},
    {"FileExport1", "エクスポート(&E)...", "エクスポート|HTML か JSON のファイルに書き出す", kNoKey,
     nullptr, kNoIcon, FileMenu, false, 0, 0, Start::Shown},
    {"FileCompare1", "比較(&D)...", "比較|2つのドキュメントを比べる", kNoKey, nullptr, kNoIcon,
     FileMenu, false, 0, 0, Start::Shown},
    {"FilePrintSetup1", "プリンタの設定(&U)...", "プリンタの設定", kNoKey, nullptr,
     ActionIcon::PageSetup, FileMenu, true, 0, 0, Start::Shown},
    {"PrintPreview1", "印刷プレビュー(&V)..", "印刷プレビュー", kNoKey, "印刷プレビュー..(&Q)",
     ActionIcon::Preview, FileMenu, false, 2, 2, Start::Shown},
    {"Print1", "印刷(&P)...", "印刷", Qt::CTRL | Qt::Key_P, nullptr, ActionIcon::Print, FileMenu,
     false, 2, 1, Start::Shown},
    // The recent files: captions and hints come from the settings file.
    {"History1", "", "", kNoKey, nullptr, kNoIcon, FileMenu, true, 0, 0, Start::Hidden},
    {"History2", "", "", kNoKey, nullptr, kNoIcon, FileMenu, false, 0, 0, Start::Hidden},
    {"History3", "", "", kNoKey, nullptr, kNoIcon, FileMenu, false, 0, 0, Start::Hidden},
    {"History4", "", "", kNoKey, nullptr, kNoIcon, FileMenu, false, 0, 0, Start::Hidden},
    {"History5", "", "", kNoKey, nullptr, kNoIcon, FileMenu, false, 0, 0, Start::Hidden},
    {"FileExit1", "終了(&X)", "終了|アプリケーションを終了する", kNoKey, nullptr, ActionIcon::Exit,
     FileMenu, false, 0, 0, Start::Shown},
    {"EditCopy1", "コピー(&C)", "コピー|選択部分をコピーし、クリップボードに送る",
     Qt::CTRL | Qt::Key_C, nullptr, ActionIcon::Copy, EditMenu, false, 3, 1, Start::Shown},
    {"EditSelectAll1", "すべてを選択(&A)", "すべてを選択|ドキュメント全体を選択する",
     Qt::CTRL | Qt::Key_A, nullptr, ActionIcon::SelectAll, EditMenu, false, 0, 0, Start::Shown},
    {"EditFind1", "検索(&F)...", "検索|出力の中の文字列を検索する", Qt::CTRL | Qt::Key_F, nullptr,
     ActionIcon::Find, EditMenu, false, 3, 2, Start::Shown},
    {"TabView", "タブビュー(&T)", "タブビュー", kNoKey, "タブビュー(&Y)", ActionIcon::Tabs,
     ViewMenu, false, 4, 1, Start::Checked},
    {"TreeView", "ツリービュー(&R)", "ツリービュー", kNoKey, "ツリービュー(&V)", ActionIcon::Tree,
     ViewMenu, false, 4, 2, Start::Unchecked},
    {"ShowCommandHelp", "コマンドヘルプを表示(&H)", "コマンドヘルプを表示", kNoKey,
     "コマンドヘルプを表示(&X)", ActionIcon::CommandHelp, ViewMenu, true, 5, 1, Start::Checked},
    {"ViewLatency1", "応答時間グラフ(&G)",
     "応答時間グラフ|ping と tracert の応答時間をグラフで表示する", kNoKey, nullptr, kNoIcon,
     ViewMenu, false, 0, 0, Start::Unchecked},
    // The Tools menu's placeholder, replaced by one entry per view at start-up.
    {"Dummy", "&Dummy", "", kNoKey, nullptr, kNoIcon, ToolsMenu, false, 0, 0, Start::Shown},
    // Moved below the views' entries once they are there.
    {"ToolCollectAll1", "一括取得(&A)...", "一括取得|よく使う情報をまとめて取得する", kNoKey,
     nullptr, kNoIcon, ToolsMenu, false, 0, 0, Start::Shown},
    // Last in the menu, after a separator of its own.
    {"ToolRouteMonitor1", "経路モニター(&M)...",
     "経路モニター|経路上の各ホップの損失と応答時間を監視する", kNoKey, nullptr, kNoIcon, ToolsMenu,
     false, 0, 0, Start::Shown},
    {"actHelp", "ヘルプ(&H)...", "ヘルプ", Qt::Key_F1, nullptr, ActionIcon::Help, HelpMenu, false,
     5, 2, Start::Shown},
    {"HelpAbout", "バージョン情報(&A)...", "バージョン情報", kNoKey, nullptr, ActionIcon::About,
     HelpMenu, true, 0, 0, Start::Shown},
};

void setHint(QAction* action, const QString& hint) {
    qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

} // namespace

void TMainForm::bindActions() {
    const std::pair<const char*, void (TMainForm::*)()> handlers[] = {
        {"FileNew1", &TMainForm::FileNew1Execute},
        {"FileOpen1", &TMainForm::FileOpen1Execute},
        {"FileClose1", &TMainForm::FileClose1Execute},
        {"FileSave1", &TMainForm::FileSave1Execute},
        {"FileSaveAs1", &TMainForm::FileSaveAs1Execute},
        {"FileExport1", &TMainForm::FileExport1Execute},
        {"FileCompare1", &TMainForm::FileCompare1Execute},
        {"ToolCollectAll1", &TMainForm::ToolCollectAll1Execute},
        {"FilePrintSetup1", &TMainForm::FilePrintSetup1Execute},
        {"PrintPreview1", &TMainForm::PrintPreview1Execute},
        {"Print1", &TMainForm::Print1Execute},
        {"FileExit1", &TMainForm::FileExit1Execute},
        {"EditCopy1", &TMainForm::EditCopy1Execute},
        {"EditSelectAll1", &TMainForm::EditSelectAll1Execute},
        {"EditFind1", &TMainForm::EditFind1Execute},
        {"TabView", &TMainForm::TabViewExecute},
        {"TreeView", &TMainForm::TreeViewExecute},
        {"ShowCommandHelp", &TMainForm::ShowCommandHelpExecute},
        {"ViewLatency1", &TMainForm::ViewLatency1Execute},
        {"ToolRouteMonitor1", &TMainForm::ToolRouteMonitor1Execute},
        {"actHelp", &TMainForm::actHelpExecute},
        {"HelpAbout", &TMainForm::HelpAboutExecute},
    };
    for (auto [name, handler] : handlers) {
        connect(action(name), &QAction::triggered, this,
                tg::guarded([this, handler] { (this->*handler)(); }));
    }
    for (QAction* history : historyActions) {
        connect(history, &QAction::triggered, this,
                tg::guarded([this, history] { OnHistoryClick(history); }));
    }
}

QAction* TMainForm::action(const char* name) const {
    auto* found = findChild<QAction*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (!found)
        qFatal("The main window has no action named %s", name);
    return found;
}

void TMainForm::createActions() {
    for (const ActionRow& row : kActions) {
        auto* a = new QAction(QString::fromUtf8(row.caption), this);
        a->setObjectName(QLatin1String(row.name));
        setHint(a, QString::fromUtf8(row.hint));
        if (row.key.key() != Qt::Key_unknown)
            a->setShortcut(QKeySequence(row.key));
        // The menu shows the accelerators of its entries; the tool bar shows icons.
        if (row.toolCaption)
            a->setIconText(QString::fromUtf8(row.toolCaption));
        if (row.icon)
            a->setIcon(tg::actionIcon(*row.icon));
        a->setCheckable(row.start == Start::Checked || row.start == Start::Unchecked);
        a->setChecked(row.start == Start::Checked);
        a->setVisible(row.start != Start::Hidden);
        // Shortcuts work wherever the focus is in the window, also with the tool bar hidden.
        addAction(a);
    }
    EditCopy1 = action("EditCopy1");
    EditSelectAll1 = action("EditSelectAll1");
    TabView = action("TabView");
    TreeView = action("TreeView");
    ShowCommandHelp = action("ShowCommandHelp");
    ViewLatency1 = action("ViewLatency1");
    Dummy = action("Dummy");
    for (size_t i = 0; i < historyActions.size(); ++i)
        historyActions[i] = action(("History" + std::to_string(i + 1)).c_str());
}

void TMainForm::createMenus() {
    ActionMainMenuBar1 = new QMenuBar(this);
    ActionMainMenuBar1->setObjectName(QStringLiteral("ActionMainMenuBar1"));
    ActionMainMenuBar1->setFixedHeight(22);
    setMenuBar(ActionMainMenuBar1);

    QMenu* menus[kMenuCount];
    for (int m = 0; m < kMenuCount; ++m) {
        menus[m] = ActionMainMenuBar1->addMenu(QString::fromUtf8(kMenus[m].caption));
        menus[m]->setObjectName(QLatin1String(kMenus[m].name));
    }
    for (const ActionRow& row : kActions) {
        if (row.separatorBefore)
            menus[row.menu]->addSeparator();
        menus[row.menu]->addAction(action(row.name));
    }
    toolsMenu = menus[ToolsMenu];
}

void TMainForm::createToolBar() {
    ActionToolBar1 = new QToolBar(this);
    ActionToolBar1->setObjectName(QStringLiteral("ActionToolBar1"));
    ActionToolBar1->setWindowTitle(QStringLiteral("ツールバー"));
    ActionToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ActionToolBar1->setMovable(false);
    ActionToolBar1->setIconSize(QSize(16, 16));
    ActionToolBar1->setFixedHeight(28);
    addToolBar(Qt::TopToolBarArea, ActionToolBar1);

    std::vector<const ActionRow*> placed;
    for (const ActionRow& row : kActions) {
        if (row.toolGroup > 0)
            placed.push_back(&row);
    }
    std::sort(placed.begin(), placed.end(), [](const ActionRow* a, const ActionRow* b) {
        return std::pair(a->toolGroup, a->toolOrder) < std::pair(b->toolGroup, b->toolOrder);
    });
    for (size_t i = 0; i < placed.size(); ++i) {
        QAction* a = action(placed[i]->name);
        ActionToolBar1->addAction(a);
        // A tool button takes its action's icon text, mnemonic and all, and would claim Alt and
        // that letter although it shows only the icon: Alt+V would then be the tree-view button's
        // as well as the 表示 menu's, and Qt fires neither. The menu bar alone has Alt keys.
        if (auto* button = qobject_cast<QAbstractButton*>(ActionToolBar1->widgetForAction(a))) {
            button->setShortcut(QKeySequence());
            connect(a, &QAction::changed, button,
                    [button] { button->setShortcut(QKeySequence()); });
        }
        if (i + 1 == placed.size() || placed[i + 1]->toolGroup != placed[i]->toolGroup)
            ActionToolBar1->addSeparator();
    }
}
