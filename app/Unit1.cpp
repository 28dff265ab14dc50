#include "app/Unit1.h"

#include "app/AppIcons.h"
#include "app/Application.h"
#include "app/QtText.h"
#include "app/TextPane.h"
#include "app/WindowSettings.h"
#include "commands/ViewCatalogue.h"
#include "platform/ProgramFiles.h"
#include "resources/StringTable.h"
#include "text/IniFile.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

TMainForm* MainForm = nullptr;

namespace {

using tg::Text;

const QStringList kUiFonts{QStringLiteral("ＭＳ Ｐゴシック"),  QStringLiteral("MS PGothic"),
                           QStringLiteral("IPAPGothic"),       QStringLiteral("IPAGothic"),
                           QStringLiteral("Noto Sans CJK JP"), QStringLiteral("sans-serif")};
const QStringList kFixedFonts{QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                              QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                              QStringLiteral("monospace")};

QFont pixelFont(const QStringList& families, int pixels, bool fixedPitch) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixels);
    font.setFixedPitch(fixedPitch);
    if (fixedPitch)
        font.setStyleHint(QFont::Monospace);
    return font;
}

// A hint "short|long" shows the short part as tool tip and the long part in the status strip.
void setHint(QAction* action, const QString& hint) {
    qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

QWidget* panel(QWidget* parent, const char* name) {
    auto* w = new QWidget(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

TMainForm::TMainForm(const MainFormEnvironment& environment, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("TIDEGAUGE-INFO"));
    setWindowIcon(tg::programIcon());
    setFont(pixelFont(kUiFonts, 12, false));

    createActions();
    createMenus();
    createToolBar();
    createWorkArea();
    createStatusStrip();

    isNT = environment.isNT;
    executablePath = environment.executablePath;
    systemReport_ = environment.systemReport;
    startChild_ = environment.startChild;
    buildViews();
    connectRunRequest();

    defaultDocumentName = "untitled.txt";
    documentName = defaultDocumentName;
    modified = false;
    viewSeparator = "-----";
    viewMode = 0;

    historyActions = {findChild<QAction*>(QStringLiteral("History1")),
                      findChild<QAction*>(QStringLiteral("History2")),
                      findChild<QAction*>(QStringLiteral("History3")),
                      findChild<QAction*>(QStringLiteral("History4")),
                      findChild<QAction*>(QStringLiteral("History5"))};
    std::filesystem::path iniPath = environment.iniPath;
    if (iniPath.empty() && !executablePath.empty())
        iniPath = tg::settingsFilePath(executablePath, tg::platform::userSettingsFolder());
    iniFile = std::make_unique<tg::IniFile>(iniPath);
    connectDocumentActions();
    refreshHistoryActions();

    // The design place and size (top, left, height, width) unless the settings keep another.
    tg::restorePosition(*this, *iniFile, {132, 343, 480, 708});
}

TMainForm::~TMainForm() {
    if (!iniFile->path().empty())
        tg::savePosition(*this, *iniFile);
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::createActions() {
    auto make = [this](const char* name, const QString& caption, const QString& hint,
                       const QKeySequence& key = {}) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        setHint(action, hint);
        if (!key.isEmpty())
            action->setShortcut(key);
        return action;
    };
    FileNew1 = make("FileNew1", QStringLiteral("新規作成(&N)..."),
                    QStringLiteral("新規にファイルを作成する"), QKeySequence(Qt::CTRL | Qt::Key_N));
    FileOpen1 =
        make("FileOpen1", QStringLiteral("開く(&O)..."),
             QStringLiteral("開く|既存のファイルを開く"), QKeySequence(Qt::CTRL | Qt::Key_O));
    FileClose1 =
        make("FileClose1", QStringLiteral("閉じる(&C)..."), QStringLiteral("ファイルを閉じる"));
    FileSave1 =
        make("FileSave1", QStringLiteral("上書き保存(&S)..."),
             QStringLiteral("ファイルを上書き保存する"), QKeySequence(Qt::CTRL | Qt::Key_S));
    FileSaveAs1 = make("FileSaveAs1", QStringLiteral("名前を付けて保存(&A)..."),
                       QStringLiteral("別名で保存|現在のファイルに新しい名前をつけて保存"));
    FilePrintSetup1 = make("FilePrintSetup1", QStringLiteral("プリンタの設定(&U)..."),
                           QStringLiteral("プリンタの設定"));
    PrintPreview1 = make("PrintPreview1", QStringLiteral("印刷プレビュー(&V).."),
                         QStringLiteral("印刷プレビュー"));
    PrintPreview1->setIconText(QStringLiteral("印刷プレビュー..(&Q)"));
    Print1 = make("Print1", QStringLiteral("印刷(&P)..."), QStringLiteral("印刷"),
                  QKeySequence(Qt::CTRL | Qt::Key_P));
    for (int i = 1; i <= 5; ++i) {
        auto* history = new QAction(this);
        history->setObjectName(QStringLiteral("History%1").arg(i));
        history->setVisible(false);
    }
    FileExit1 = make("FileExit1", QStringLiteral("終了(&X)"),
                     QStringLiteral("終了|アプリケーションを終了する"));
    EditCopy1 = make("EditCopy1", QStringLiteral("コピー(&C)"),
                     QStringLiteral("コピー|選択部分をコピーし、クリップボードに送る"),
                     QKeySequence(Qt::CTRL | Qt::Key_C));
    EditSelectAll1 = make("EditSelectAll1", QStringLiteral("すべてを選択(&A)"),
                          QStringLiteral("すべてを選択|ドキュメント全体を選択する"),
                          QKeySequence(Qt::CTRL | Qt::Key_A));
    // The menu shows these with the accelerators of their menu entries; the tool bar shows icons.
    TabView = make("TabView", QStringLiteral("タブビュー(&T)"), QStringLiteral("タブビュー"));
    TabView->setIconText(QStringLiteral("タブビュー(&Y)"));
    TreeView = make("TreeView", QStringLiteral("ツリービュー(&R)"), QStringLiteral("ツリービュー"));
    TreeView->setIconText(QStringLiteral("ツリービュー(&V)"));
    ShowCommandHelp = make("ShowCommandHelp", QStringLiteral("コマンドヘルプを表示(&H)"),
                           QStringLiteral("コマンドヘルプを表示"));
    ShowCommandHelp->setIconText(QStringLiteral("コマンドヘルプを表示(&X)"));
    actHelp = make("actHelp", QStringLiteral("ヘルプ(&H)..."), QStringLiteral("ヘルプ"),
                   QKeySequence(Qt::Key_F1));
    HelpAbout = make("HelpAbout", QStringLiteral("バージョン情報(&A)..."),
                     QStringLiteral("バージョン情報"));
    Dummy = make("Dummy", QStringLiteral("&Dummy"), QString());

    for (QAction* a : {TabView, TreeView, ShowCommandHelp})
        a->setCheckable(true);
    TabView->setChecked(true);
    ShowCommandHelp->setChecked(true);

    FileNew1->setIcon(tg::actionIcon(tg::ActionIcon::New));
    FileOpen1->setIcon(tg::actionIcon(tg::ActionIcon::Open));
    FileSave1->setIcon(tg::actionIcon(tg::ActionIcon::Save));
    FileSaveAs1->setIcon(tg::actionIcon(tg::ActionIcon::SaveAs));
    FilePrintSetup1->setIcon(tg::actionIcon(tg::ActionIcon::PageSetup));
    FileExit1->setIcon(tg::actionIcon(tg::ActionIcon::Exit));
    EditSelectAll1->setIcon(tg::actionIcon(tg::ActionIcon::SelectAll));
    Print1->setIcon(tg::actionIcon(tg::ActionIcon::Print));
    PrintPreview1->setIcon(tg::actionIcon(tg::ActionIcon::Preview));
    EditCopy1->setIcon(tg::actionIcon(tg::ActionIcon::Copy));
    TabView->setIcon(tg::actionIcon(tg::ActionIcon::Tabs));
    TreeView->setIcon(tg::actionIcon(tg::ActionIcon::Tree));
    ShowCommandHelp->setIcon(tg::actionIcon(tg::ActionIcon::CommandHelp));
    actHelp->setIcon(tg::actionIcon(tg::ActionIcon::Help));
    HelpAbout->setIcon(tg::actionIcon(tg::ActionIcon::About));

    // Shortcuts work wherever the focus is in the window, also with the tool bar hidden.
    for (QAction* a : findChildren<QAction*>(Qt::FindDirectChildrenOnly))
        addAction(a);

    connect(FileExit1, &QAction::triggered, this, &QWidget::close);
    bindAction(TabView, &TMainForm::TabViewExecute);
    bindAction(TreeView, &TMainForm::TreeViewExecute);
    bindAction(ShowCommandHelp, &TMainForm::ShowCommandHelpExecute);
    bindAction(FilePrintSetup1, &TMainForm::FilePrintSetup1Execute);
    bindAction(PrintPreview1, &TMainForm::PrintPreview1Execute);
    bindAction(Print1, &TMainForm::Print1Execute);
    bindAction(actHelp, &TMainForm::actHelpExecute);
    bindAction(HelpAbout, &TMainForm::HelpAboutExecute);
}

void TMainForm::bindAction(QAction* action, void (TMainForm::*handler)()) {
    connect(action, &QAction::triggered, this,
            tg::guarded([this, handler] { (this->*handler)(); }));
}

void TMainForm::createMenus() {
    ActionMainMenuBar1 = new QMenuBar(this);
    ActionMainMenuBar1->setObjectName(QStringLiteral("ActionMainMenuBar1"));
    ActionMainMenuBar1->setFont(
        pixelFont({QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic"),
                   QStringLiteral("sans-serif")},
                  12, false));
    setMenuBar(ActionMainMenuBar1);

    QMenu* file = ActionMainMenuBar1->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("FileMenu"));
    file->addActions({FileNew1, FileOpen1, FileClose1});
    file->addSeparator();
    file->addActions({FileSave1, FileSaveAs1});
    file->addSeparator();
    file->addActions({FilePrintSetup1, PrintPreview1, Print1});
    file->addSeparator();
    for (int i = 1; i <= 5; ++i)
        file->addAction(findChild<QAction*>(QStringLiteral("History%1").arg(i)));
    file->addAction(FileExit1);

    QMenu* edit = ActionMainMenuBar1->addMenu(QStringLiteral("編集(&E)"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    edit->addActions({EditCopy1, EditSelectAll1});

    QMenu* view = ActionMainMenuBar1->addMenu(QStringLiteral("表示(&V)"));
    view->setObjectName(QStringLiteral("ViewMenu"));
    view->addActions({TabView, TreeView});
    view->addSeparator();
    view->addAction(ShowCommandHelp);

    toolsMenu = ActionMainMenuBar1->addMenu(QStringLiteral("ツール(&T)"));
    toolsMenu->setObjectName(QStringLiteral("ToolsMenu"));
    toolsMenu->addAction(Dummy);

    QMenu* help = ActionMainMenuBar1->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    help->addAction(actHelp);
    help->addSeparator();
    help->addAction(HelpAbout);
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
    ActionToolBar1->addActions({FileNew1, FileOpen1, FileSave1});
    ActionToolBar1->addSeparator();
    ActionToolBar1->addActions({Print1, PrintPreview1});
    ActionToolBar1->addSeparator();
    ActionToolBar1->addAction(EditCopy1);
    ActionToolBar1->addSeparator();
    ActionToolBar1->addActions({TabView, TreeView});
    ActionToolBar1->addSeparator();
    ActionToolBar1->addActions({ShowCommandHelp, actHelp});
    ActionToolBar1->addSeparator();
}

void TMainForm::createWorkArea() {
    Panel_TabView = panel(this, "Panel_TabView");
    setCentralWidget(Panel_TabView);
    auto* outer = new QHBoxLayout(Panel_TabView);
    outer->setContentsMargins(0, 0, 0, 0);

    Splitter1 = new QSplitter(Qt::Horizontal, Panel_TabView);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    outer->addWidget(Splitter1);

    TreeView1 = new QTreeWidget(Splitter1);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* root = new QTreeWidgetItem(TreeView1, {QStringLiteral("ネットワーク情報")});
    for (int slot = 0; slot < tg::kSlotCount; ++slot)
        new QTreeWidgetItem(root, {QString::fromLatin1(tg::slotInfo(slot).label)});
    root->setExpanded(true);
    TreeView1->hide();
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, &TMainForm::TreeView1Change);

    TabControl1Page = panel(Splitter1, "TabControl1Page");
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({121, 584});
    auto* page = new QVBoxLayout(TabControl1Page);
    page->setContentsMargins(2, 2, 2, 2);
    page->setSpacing(0);
    TabControl1 = new QTabBar(TabControl1Page);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->setExpanding(false);
    TabControl1->setDrawBase(true);
    page->addWidget(TabControl1);
    connect(TabControl1, &QTabBar::currentChanged, this, &TMainForm::TabControl1Change);

    // The input row: target box, option controls and the run button.
    Panel_Upper = panel(TabControl1Page, "Panel_Upper");
    Panel_Upper->setFixedHeight(42);
    Panel_Upper->setMinimumWidth(556);
    auto* upper = new QHBoxLayout(Panel_Upper);
    upper->setContentsMargins(4, 2, 4, 2);
    upper->setSpacing(6);

    Panel_target = panel(Panel_Upper, "Panel_target");
    Panel_target->setMaximumWidth(281);
    auto* target = new QHBoxLayout(Panel_target);
    target->setContentsMargins(0, 0, 0, 0);
    auto* targetLabels = new QVBoxLayout;
    targetLabels->setSpacing(0);
    targetLabels->addWidget(new QLabel(QStringLiteral("IPアドレス"), Panel_target));
    targetLabels->addWidget(new QLabel(QStringLiteral("ホスト名"), Panel_target));
    target->addLayout(targetLabels);
    Edit_target = new QLineEdit(Panel_target);
    Edit_target->setObjectName(QStringLiteral("Edit_target"));
    Edit_target->setFixedWidth(201);
    target->addWidget(Edit_target);
    target->addStretch();
    upper->addWidget(Panel_target);

    Panel_option = panel(Panel_Upper, "Panel_option");
    Panel_option->setMaximumWidth(400);
    auto* option = new QHBoxLayout(Panel_option);
    option->setContentsMargins(0, 0, 0, 0);
    option->addWidget(new QLabel(QStringLiteral("オプション"), Panel_option));
    Edit_option = new QLineEdit(Panel_option);
    Edit_option->setObjectName(QStringLiteral("Edit_option"));
    Edit_option->setFixedWidth(121);
    option->addWidget(Edit_option);
    cmbOption = new QComboBox(Panel_option);
    cmbOption->setObjectName(QStringLiteral("cmbOption"));
    cmbOption->setEditable(true);
    cmbOption->setInsertPolicy(QComboBox::NoInsert);
    cmbOption->setMaxVisibleItems(10);
    cmbOption->setFixedWidth(121);
    cmbOption->hide();
    option->addWidget(cmbOption);
    Edit_option2 = new QLineEdit(Panel_option);
    Edit_option2->setObjectName(QStringLiteral("Edit_option2"));
    Edit_option2->setFixedWidth(193);
    Edit_option2->hide();
    option->addWidget(Edit_option2);
    option->addStretch();
    upper->addWidget(Panel_option);
    upper->addStretch();

    Panel_Button = panel(Panel_Upper, "Panel_Button");
    Panel_Button->setFixedWidth(79);
    auto* button = new QHBoxLayout(Panel_Button);
    button->setContentsMargins(2, 0, 2, 0);
    Button_Update = new QPushButton(QStringLiteral("更新(&U)"), Panel_Button);
    Button_Update->setObjectName(QStringLiteral("Button_Update"));
    Button_Update->setFixedSize(75, 25);
    Button_Update->setDefault(true);
    button->addWidget(Button_Update);
    upper->addWidget(Panel_Button);
    page->addWidget(Panel_Upper);

    // Output pane above, command help below, with the splitter between them.
    Splitter2 = new QSplitter(Qt::Vertical, TabControl1Page);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(3);
    Splitter2->setChildrenCollapsible(false);
    page->addWidget(Splitter2, 1);

    RichEdit_Output = new tg::TextPane(Splitter2);
    RichEdit_Output->setObjectName(QStringLiteral("RichEdit_Output"));
    RichEdit_Output->setFont(pixelFont(kFixedFonts, 12, true));
    RichEdit_Output->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit_Output->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit_Output->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RichEdit_Output, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(RichEdit_Output);
        menu.addActions({EditCopy1, EditSelectAll1});
        menu.exec(RichEdit_Output->mapToGlobal(at));
    });

    Panel_Commandhelp = new QFrame(Splitter2);
    Panel_Commandhelp->setObjectName(QStringLiteral("Panel_Commandhelp"));
    Panel_Commandhelp->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* helpLayout = new QVBoxLayout(Panel_Commandhelp);
    helpLayout->setContentsMargins(1, 1, 1, 1);
    RichEdit_Commandhelp = new tg::TextPane(Panel_Commandhelp);
    RichEdit_Commandhelp->setObjectName(QStringLiteral("RichEdit_Commandhelp"));
    RichEdit_Commandhelp->setFont(pixelFont(kFixedFonts, 12, true));
    RichEdit_Commandhelp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit_Commandhelp->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette helpPalette = RichEdit_Commandhelp->palette();
    helpPalette.setColor(QPalette::Base, helpPalette.color(QPalette::Button));
    RichEdit_Commandhelp->setPalette(helpPalette);
    helpLayout->addWidget(RichEdit_Commandhelp);
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setSizes({260, 124});

    // Copy and Select All work on the text control that has the focus, else on the output pane.
    auto onFocusedText = [this](auto apply) {
        if (auto* pane = qobject_cast<QPlainTextEdit*>(focusWidget()))
            apply(pane);
        else if (auto* edit = qobject_cast<QLineEdit*>(focusWidget()))
            apply(edit);
        else
            apply(RichEdit_Output);
    };
    connect(EditCopy1, &QAction::triggered, this, tg::guarded([onFocusedText] {
                onFocusedText([](auto* control) { control->copy(); });
            }));
    connect(EditSelectAll1, &QAction::triggered, this, tg::guarded([onFocusedText] {
                onFocusedText([](auto* control) { control->selectAll(); });
            }));
}

void TMainForm::createStatusStrip() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(19);
    StatusBar1->setSizeGripEnabled(false);
    setStatusBar(StatusBar1);
    StatusPanel = new QLabel(StatusBar1);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setMinimumWidth(50);
    StatusBar1->addWidget(StatusPanel);
    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 250);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedWidth(250);
    StatusBar1->addPermanentWidget(ProgressBar1);
}

void TMainForm::buildViews() {
    // The placeholder of the Tools menu goes; one entry per view takes its place.
    toolsMenu->removeAction(Dummy);

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
        viewLabels.push_back(label);
        TabControl1->addTab(node->text(0));
        int slot = tg::slotOfView(counter, isNT);
        auto* action = new QAction(QString::fromLatin1(tg::slotInfo(slot).toolCaption), this);
        action->setObjectName(QStringLiteral("ViewMenu%1").arg(counter));
        action->setData(counter);
        action->setCheckable(true);
        action->setChecked(counter == 0);
        connect(action, &QAction::triggered, this,
                tg::guarded([this, action] { OnViewMenuClick(action); }));
        toolsMenu->addAction(action);
        viewMenuActions.push_back(action);
        ++counter;
    }
    delete removed;

    int count = TabControl1->count();
    for (int i = 0; i < count; ++i) {
        int slot = tg::slotOfView(i, isNT);
        viewText.push_back(tg::initialText(slot));
        viewDefaultText.push_back(viewText.back());
        viewHelpText.push_back(tg::commandHelpText(slot));
    }
    selectView(0);
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
    RichEdit_Output->setText(viewText[static_cast<size_t>(currentView)]);
    RichEdit_Commandhelp->setText(viewHelpText[static_cast<size_t>(currentView)]);
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

    if (viewMode == 0) {
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
    if (viewMode == 0) {
        index = TabControl1->currentIndex();
    } else {
        QTreeWidgetItem* node = TreeView1->currentItem();
        QTreeWidgetItem* root = TreeView1->topLevelItem(0);
        if (node && node->parent() == root)
            index = root->indexOfChild(node);
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

void TMainForm::setTabStyle(int style) {
    tabStyle_ = style;
    TabControl1->setDrawBase(style == 0);
    TabControl1->setDocumentMode(style != 0);
}

void TMainForm::TabViewExecute() {
    switching_ = true;
    viewMode = 0;
    TreeView1->hide();
    if (TabControl1->count() == 0) {
        const QSignalBlocker block(TabControl1);
        QTreeWidgetItem* root = TreeView1->topLevelItem(0);
        for (int i = 0; i < root->childCount(); ++i)
            TabControl1->addTab(root->child(i)->text(0));
    }
    setTabStyle(0);
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
    viewMode = 1;
    {
        const QSignalBlocker block(TabControl1);
        while (TabControl1->count() > 0)
            TabControl1->removeTab(0);
    }
    setTabStyle(2);
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
