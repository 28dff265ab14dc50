#include "app/Unit1.h"

#include "app/AppIcons.h"
#include "app/Application.h"
#include "app/DocumentRead.h"
#include "app/RecentInputs.h"
#include "app/WindowSettings.h"
#include "commands/LatencyChart.h"
#include "commands/ViewCatalogue.h"
#include "platform/Files.h"
#include "platform/ProgramFiles.h"
#include "text/IniFile.h"
#include "ui/FindBar.h"
#include "ui/Fonts.h"
#include "ui/OutputPane.h"
#include "ui/TextPane.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <type_traits>

TMainForm* MainForm = nullptr;

namespace {

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

    createActions();
    createMenus();
    createToolBar();
    createWorkArea();
    createStatusStrip();
    bindActions();
    followCopyTarget();

    isNT = environment.isNT;
    executablePath = environment.executablePath;
    systemReport_ = environment.systemReport;
    startChild_ = environment.startChild;
    buildViews();
    connectRunRequest();
    connectSessionEnd();

    viewMode = ViewMode::Tabs;

    std::filesystem::path iniPath = environment.iniPath;
    if (iniPath.empty() && !executablePath.empty())
        iniPath = tg::settingsFilePath(executablePath, tg::platform::userSettingsFolder());
    iniFile = std::make_unique<tg::IniFile>(iniPath, tg::platform::replaceFile);
    refreshHistoryActions();
    recentInputs = std::make_unique<tg::RecentInputs>(Edit_target, cmbOption, Edit_option2);
    recentInputs->load(*iniFile);
    if (iniFile->readInteger(kLatencySection, kLatencyKey, 0) != 0)
        ViewLatency1Execute();

    // The design place and size (top, left, height, width) unless the settings keep another.
    tg::restorePosition(*this, *iniFile, {132, 343, 480, 708});
}

TMainForm::~TMainForm() {
    // The focus moves while the controls go; Copy is not to follow it into a half-gone window.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    if (!iniFile->path().empty())
        tg::savePosition(*this, *iniFile);
    if (MainForm == this)
        MainForm = nullptr;
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
    // The selection, not the current item: a click applies its selection after it has moved the
    // current item, so only a reaction to the selection has the last word on what is selected.
    connect(TreeView1, &QTreeWidget::itemSelectionChanged, this, &TMainForm::TreeView1Change);

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

    // The latency chart, when shown, takes its room below the output pane, which otherwise keeps
    // the place it has.
    Splitter_latency = new QSplitter(Qt::Vertical, Splitter2);
    Splitter_latency->setObjectName(QStringLiteral("Splitter_latency"));
    Splitter_latency->setHandleWidth(3);
    Splitter_latency->setChildrenCollapsible(false);
    Panel_output = panel(Splitter_latency, "Panel_output");
    auto* output = new QVBoxLayout(Panel_output);
    output->setContentsMargins(0, 0, 0, 0);
    output->setSpacing(0);
    RichEdit_Output = new tg::OutputPane(Panel_output);
    output->addWidget(RichEdit_Output, 1);
    RichEdit_Output->setObjectName(QStringLiteral("RichEdit_Output"));
    RichEdit_Output->setFont(tg::fixedFont());
    RichEdit_Output->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit_Output->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit_Output->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RichEdit_Output, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(RichEdit_Output);
        menu.addActions({EditCopy1, EditSelectAll1});
        menu.exec(RichEdit_Output->mapToGlobal(at));
    });

    createFindBar(Panel_output);
    output->addWidget(Panel_find);

    Chart_latency = new tg::LatencyChart(Splitter_latency);
    Chart_latency->setObjectName(QStringLiteral("Chart_latency"));
    Chart_latency->hide();
    Splitter_latency->setStretchFactor(0, 1);
    Splitter_latency->setStretchFactor(1, 0);

    Panel_Commandhelp = new QFrame(Splitter2);
    Panel_Commandhelp->setObjectName(QStringLiteral("Panel_Commandhelp"));
    Panel_Commandhelp->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* helpLayout = new QVBoxLayout(Panel_Commandhelp);
    helpLayout->setContentsMargins(1, 1, 1, 1);
    RichEdit_Commandhelp = new tg::TextPane(Panel_Commandhelp);
    RichEdit_Commandhelp->setObjectName(QStringLiteral("RichEdit_Commandhelp"));
    RichEdit_Commandhelp->setFont(tg::fixedFont());
    RichEdit_Commandhelp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit_Commandhelp->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette helpPalette = RichEdit_Commandhelp->palette();
    helpPalette.setColor(QPalette::Base, helpPalette.color(QPalette::Button));
    RichEdit_Commandhelp->setPalette(helpPalette);
    helpLayout->addWidget(RichEdit_Commandhelp);
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setSizes({260, 124});
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

void TMainForm::FileExit1Execute() {
    close();
}

// Unsaved output is not dropped without a word. A document still being read is given up: the
// program ends without waiting for it.
void TMainForm::closeEvent(QCloseEvent* event) {
    if (!closeAnswered_ && !mayClose()) {
        event->ignore();
        return;
    }
    if (reading_)
        reading_->cancel();
    QMainWindow::closeEvent(event);
}

namespace {

// Copy and Select All work on the text control that has the focus, else on the output pane.
template <typename Apply> auto onFocusedText(QWidget* focused, tg::OutputPane* pane, Apply apply) {
    if (auto* combo = qobject_cast<QComboBox*>(focused); combo && combo->lineEdit())
        focused = combo->lineEdit();
    if (auto* text = qobject_cast<tg::TextPane*>(focused))
        return apply(text);
    if (auto* edit = qobject_cast<QLineEdit*>(focused))
        return apply(edit);
    return apply(pane);
}

} // namespace

QWidget* TMainForm::copySource() const {
    // With nothing selected in the find field, Copy takes the match selected in the pane.
    QWidget* focused = focusWidget();
    if (focused == Panel_find->field() && !Panel_find->field()->hasSelectedText())
        return RichEdit_Output;
    return focused;
}

void TMainForm::EditCopy1Execute() {
    onFocusedText(copySource(), RichEdit_Output, [](auto* control) { control->copy(); });
}

void TMainForm::EditSelectAll1Execute() {
    onFocusedText(focusWidget(), RichEdit_Output, [](auto* control) { control->selectAll(); });
}

// Copy is there to take only while the text it would copy has a selection. A pane tells when its
// selection comes and goes; an edit box is asked.
void TMainForm::followCopyTarget() {
    auto follow = [this](auto* pane) {
        using Pane = std::remove_pointer_t<decltype(pane)>;
        connect(pane, &Pane::copyAvailable, this, [this, pane](bool available) {
            paneSelections_[pane] = available;
            updateCopyEnabled();
        });
    };
    follow(RichEdit_Output);
    follow(RichEdit_Commandhelp);
    for (QLineEdit* edit :
         {Edit_target, Edit_option, Edit_option2, cmbOption->lineEdit(), Panel_find->field()})
        connect(edit, &QLineEdit::selectionChanged, this, &TMainForm::updateCopyEnabled);
    connect(qApp, &QApplication::focusChanged, this, &TMainForm::updateCopyEnabled);
    updateCopyEnabled();
}

void TMainForm::updateCopyEnabled() {
    EditCopy1->setEnabled(onFocusedText(copySource(), RichEdit_Output, [this](auto* control) {
        if constexpr (std::is_same_v<decltype(control), QLineEdit*>)
            return control->hasSelectedText();
        else
            return paneSelections_[control];
    }));
}
