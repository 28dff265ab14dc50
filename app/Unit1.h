#pragma once

#include "app/Collector.h"
#include "commands/CommandLine.h"
#include "documents/Document.h"
#include "documents/DocumentFile.h"
#include "text/IniFile.h"
#include "text/StringList.h"
#include "text/Text.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QStatusBar;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTabBar;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

class GetInfoThread;

namespace tg {
struct CommandParts;
class DocumentRead;
class FindBar;
class FindViews;
class IniFile;
class LatencyChart;
class RecentInputs;
class OutputPane;
class RunContext;
class TextPane;
namespace platform {
class ChildProcess;
class WakeSignal;
} // namespace platform
} // namespace tg

// Whether the latency chart is shown, as the settings file keeps it.
inline constexpr char kLatencySection[] = "VIEW";
inline constexpr char kLatencyKey[] = "LATENCY";

// What the main window takes from its surroundings; start-up fills it from the platform, tests
// choose their own.
struct MainFormEnvironment {
    bool isNT = true;
    // The running executable: the help file is named after it, and so is the settings file
    // unless iniPath names another. With neither there is no settings file.
    std::filesystem::path executablePath{};
    std::filesystem::path iniPath{}; // the settings file
    // The body of the system-information run; none ends that run at once.
    std::function<void(tg::RunContext&)> systemReport{};
    // Starts a command run's child process; none uses the platform's own way.
    std::function<std::unique_ptr<tg::platform::ChildProcess>(
        const tg::Text& commandLine, bool isNT, const tg::platform::WakeSignal& wake)>
        startChild{};
};

// How the views are reached: the tab strip or the navigation tree.
enum class ViewMode { Tabs, Tree };
// How the tab strip draws its tabs.
enum class TabStyle { Tabs, Buttons, FlatButtons };
// Where printDocument sends the document.
enum class PrintTarget { Preview, Printer };

// The main window: all lasting state of the program and the wiring of its controls and actions.
// Its controls and actions carry their names as object names; that is how tests reach them.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(const MainFormEnvironment& environment, QWidget* parent = nullptr);
    ~TMainForm() override;

    // View switching (ViewSwitching.cpp).
    void selectView(int viewIndex);
    void fillOptionList(int optionListId, int itemIndex);
    void viewChanged();
    void TabControl1Change();
    void TreeView1Change();
    void OnViewMenuClick(QAction* sender);
    void TabViewExecute();
    void TreeViewExecute();
    void ShowCommandHelpExecute();
    void ViewLatency1Execute();

    // The comparison of the document with a saved one, in a window of its own (CompareAction.cpp).
    void FileCompare1Execute();

    // The route monitor's windows (RouteMonitorAction.cpp).
    void ToolRouteMonitor1Execute();

    // Help and about (HelpActions.cpp).
    void actHelpExecute();
    void HelpAboutExecute();

    // Documents and the recent-file history (DocumentActions.cpp).
    void FileNew1Execute();
    void FileClose1Execute();
    void FileSave1Execute();
    void FileSaveAs1BeforeExecute();
    // File names are native paths, from the dialogs to the system.
    void FileSaveAs1Accept(const std::filesystem::path& fileName);
    void FileOpen1Accept(const std::filesystem::path& fileName);
    void FileExport1Execute();
    // HTML, or JSON for a name ending in .json
    void FileExport1Accept(const std::filesystem::path& fileName);
    void saveDocument();
    void openDocument(std::filesystem::path path);
    void updateHistory();
    void refreshHistoryActions();
    void OnHistoryClick(QAction* sender);

    // The run button (RunRequest.cpp).
    void Button_UpdateClick();
    void Button_UpdateMouseDown();
    void Button_UpdateMouseUp();
    bool checkTarget(int slot);
    void runSystemInfo();
    void runCommand(tg::Text commandName, tg::Text commandArgs);
    void runView(int view, const tg::CommandParts& command);

    // 一括取得 (CollectActions.cpp).
    void ToolCollectAll1Execute();
    void collectAll(const std::vector<tg::CollectView>& list);
    std::vector<tg::CollectView> collectList() const; // as the settings file keeps it

    // Printing and preview of the whole document (PrintActions.cpp).
    void printDocument(PrintTarget target);
    void PrintPreview1Execute();
    void Print1Execute();
    void FilePrintSetup1Execute(); // the printer-setup dialog; Accept when the user confirms
    void FilePrintSetup1Accept();

    // State, readable for the parts of the program that work on the document.
    const tg::Document& getDocument() const { return document; }
    const std::vector<tg::Text>& getViewLabels() const { return document.labels(); }
    const std::vector<tg::Text>& getViewText() const { return document.texts(); }
    const std::vector<tg::Text>& getViewDefaultText() const { return document.defaultTexts(); }
    const std::vector<tg::Text>& getViewHelpText() const { return viewHelpText; }
    int getCurrentView() const { return currentView; }
    ViewMode getViewMode() const { return viewMode; }
    bool getIsNT() const { return isNT; }
    bool isModified() const { return document.modified(); }
    const std::filesystem::path& getDocumentName() const { return document.name(); }
    TabStyle tabStyle() const { return tabStyle_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Building the window (Unit1.cpp) and its actions, menus and tool bar (ActionTable.cpp).
    void createActions();
    void createMenus();
    void createToolBar();
    void bindActions();
    void createWorkArea();
    void createStatusStrip();
    void buildViews();
    QAction* action(const char* name) const;

    void FileExit1Execute();
    void EditCopy1Execute();
    void EditSelectAll1Execute();
    void EditFind1Execute();
    void createFindBar(QWidget* parent);
    void FileSaveAs1Execute();
    void FileOpen1Execute();
    bool askToSaveChanges();
    bool mayClose();
    void connectSessionEnd();
    void writeDocumentFile(const std::filesystem::path& path);
    void documentSaved();
    std::optional<tg::DocumentSections> readDocument(const std::filesystem::path& path);
    void connectRunRequest();
    bool confirmNetworkChange(const tg::CommandParts& command);
    void runWorker(GetInfoThread* worker);
    void showRunRecord();
    std::optional<std::vector<tg::CollectView>> editCollectList();
    QTreeWidgetItem* treeNodeOfView(int viewIndex) const;
    void showCurrentTexts();
    void selectTreeNode(int viewIndex);
    void setTabStyle(TabStyle style);
    void showLatencyOfCurrentView();
    void followCopyTarget();
    QWidget* copySource() const;
    void updateCopyEnabled();

    // Members named as the rest of the program refers to them.
    // The views' labels, texts and default texts, their run records, the document's name and
    // whether it is modified.
    tg::Document document;
    tg::StringList optionList;
    std::vector<tg::Text> viewHelpText;
    bool isNT = true;
    ViewMode viewMode = ViewMode::Tabs;
    int currentView = 0;
    std::array<QAction*, 5> historyActions{};
    std::unique_ptr<tg::IniFile> iniFile;
    std::unique_ptr<tg::RecentInputs> recentInputs;
    std::unique_ptr<tg::FindViews> findViews;
    std::filesystem::path executablePath;
    std::filesystem::path saveAsInitialDir; // where the save-as dialog opens; empty: its own choice

    // Controls.
    QMenuBar* ActionMainMenuBar1 = nullptr;
    QToolBar* ActionToolBar1 = nullptr;
    QWidget* Panel_TabView = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* TabControl1Page = nullptr;
    QTabBar* TabControl1 = nullptr;
    QWidget* Panel_Upper = nullptr;
    QWidget* Panel_target = nullptr;
    QLineEdit* Edit_target = nullptr;
    QWidget* Panel_option = nullptr;
    QLineEdit* Edit_option = nullptr;
    QComboBox* cmbOption = nullptr;
    QLineEdit* Edit_option2 = nullptr;
    QWidget* Panel_Button = nullptr;
    QPushButton* Button_Update = nullptr;
    QSplitter* Splitter2 = nullptr;
    QSplitter* Splitter_latency = nullptr; // the output pane above, the chart below
    QWidget* Panel_output = nullptr;       // the output pane with the find bar under it
    tg::OutputPane* RichEdit_Output = nullptr;
    tg::FindBar* Panel_find = nullptr;
    tg::LatencyChart* Chart_latency = nullptr;
    QFrame* Panel_Commandhelp = nullptr;
    tg::TextPane* RichEdit_Commandhelp = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QMenu* toolsMenu = nullptr;

    // The actions the window's own code changes; every other one is found by its name.
    QAction* EditCopy1 = nullptr;
    QAction* EditSelectAll1 = nullptr;
    QAction* TabView = nullptr;
    QAction* TreeView = nullptr;
    QAction* ShowCommandHelp = nullptr;
    QAction* ViewLatency1 = nullptr;
    QAction* Dummy = nullptr;
    std::vector<QAction*> viewMenuActions;

    std::map<const QWidget*, bool> paneSelections_; // whether each pane shows a selection
    bool switching_ = false; // a programmatic selection is under way: its change reports are ours
    tg::DocumentRead* reading_ = nullptr; // the document file being read, while it lasts
    bool closeAnswered_ = false;          // the end of the session has had its answer already
    TabStyle tabStyle_ = TabStyle::Tabs;
    decltype(MainFormEnvironment::systemReport) systemReport_;
    decltype(MainFormEnvironment::startChild) startChild_;
    tg::RunOutcome lastRunOutcome_; // how the latest run ended, as its worker left it
    QString runStep_;               // the step of 一括取得 under way, for the run's dialog
};

extern TMainForm* MainForm;
