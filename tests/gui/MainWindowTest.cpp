#include "support/MainWindowDriver.h"

#include "commands/ViewCatalogue.h"
#include "ui/Dialogs.h"
#include "ui/Style.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QFile>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

using tg::test::MainWindowDriver;

namespace {

QStringList comboItems(QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QStringList tabTexts(QTabBar* tabs) {
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts << tabs->tabText(i);
    return texts;
}

// The entries of a menu or a bar by their actions' names, "-" for a separator.
QStringList entryNames(const QList<QAction*>& actions) {
    QStringList names;
    for (QAction* a : actions)
        names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    return names;
}

QTreeWidgetItem* rootNode(MainWindowDriver& w) {
    return w.control<QTreeWidget>("TreeView1")->topLevelItem(0);
}

// Everything that says which view is current, in every mode, agrees on one index.
void verifyCurrent(MainWindowDriver& w, int view) {
    QCOMPARE(w->getCurrentView(), view);
    if (w->getViewMode() == ViewMode::Tabs)
        QCOMPARE(w.control<QTabBar>("TabControl1")->currentIndex(), view);
    else
        QCOMPARE(w.control<QTreeWidget>("TreeView1")->currentItem(), rootNode(w)->child(view));
    int checked = 0;
    for (QAction* a : w.control<QMenu>("ToolsMenu")->actions()) {
        if (a->isChecked()) {
            ++checked;
            QCOMPARE(a->data().toInt(), view);
        }
    }
    QCOMPARE(checked, 1);
    QCOMPARE(w.paneText(), w->getViewText()[view]);
    QCOMPARE(w.helpText(), w->getViewHelpText()[view]);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void buildsTheViewsWithAndWithoutNslookup();
    void everyWayOfSelectingAgrees();
    void inputControlsFollowTheCatalogue_data();
    void inputControlsFollowTheCatalogue();
    void typedInputsSurviveViewSwitches();
    void treeAndTabViewSwitchBothWays();
    void menusAndToolBarHoldTheirActionsInOrder();
    void altKeysBelongToTheMenuBarAlone();
    void viewKeysGoRoundTheViewsFromAnyControl();
    void helpKeyPageListsEveryShortcut();
    void messageBoxesShowOnlyTheCloseButton();
    void errorBoxOutlivesTheActiveWindow();
    void copyIsThereOnlyWithASelection();
};

void MainWindowTest::buildsTheViewsWithAndWithoutNslookup() {
    for (bool nt : {true, false}) {
        MainWindowDriver w(MainFormEnvironment{nt});
        const int count = nt ? 10 : 9;
        QMenu* tools = w.control<QMenu>("ToolsMenu");
        QCOMPARE(w.control<QTabBar>("TabControl1")->count(), count);
        QCOMPARE(rootNode(w)->childCount(), count);
        QStringList captions;
        for (QAction* a : tools->actions())
            captions << a->text();
        QStringList expected{"winconf", "ipconfig", "arp",      "route", "ping",
                             "tracert", "netstat",  "nslookup", "net",   "n&btstat"};
        if (!nt)
            expected.removeAll(QStringLiteral("nslookup"));
        // 一括取得 and the route monitor, each after a separator
        expected << QString() << QStringLiteral("一括取得(&A)...") << QString()
                 << QStringLiteral("経路モニター(&M)...");
        QCOMPARE(captions, expected);
        const QStringList tabs = tabTexts(w.control<QTabBar>("TabControl1"));
        QCOMPARE(tabs.contains("nslookup"), nt);
        QCOMPARE(tabs.last(), QStringLiteral("nbtstat"));
        QCOMPARE(w->getViewLabels().size(), size_t(count));
        for (int i = 0; i < count; ++i) {
            // A view after the missing nslookup keeps its own texts and option list.
            const int slot = tg::slotOfView(i, nt);
            QCOMPARE(w->getViewText()[i], tg::initialText(slot));
            QCOMPARE(w->getViewDefaultText()[i], tg::initialText(slot));
            QCOMPARE(w->getViewHelpText()[i], tg::commandHelpText(slot));
        }
        verifyCurrent(w, 0);
        QVERIFY(!w->isModified());
        QCOMPARE(w->getDocumentName(), std::filesystem::path("untitled.txt"));

        QAction* net = tools->actions().at(nt ? 8 : 7);
        QCOMPARE(net->data().toInt(), nt ? 8 : 7);
        net->trigger();
        verifyCurrent(w, nt ? 8 : 7);
        QCOMPARE(w.control<QComboBox>("cmbOption")->currentText(), QStringLiteral("view"));
        QCOMPARE(w.control<QComboBox>("cmbOption")->count(), 10);
    }
}

void MainWindowTest::everyWayOfSelectingAgrees() {
    MainWindowDriver w;
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form()));
    w.control<QTabBar>("TabControl1")->setCurrentIndex(4); // a click on the ping tab
    verifyCurrent(w, 4);
    w.trigger("ViewMenu6"); // Tools > netstat
    verifyCurrent(w, 6);
    w.trigger("TreeView");
    auto* tree = w.control<QTreeWidget>("TreeView1");
    QTRY_VERIFY(tree->viewport()->width() > 0); // laid out
    auto click = [tree](QTreeWidgetItem* node) {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(node).center());
    };
    auto selected = [&](int view) {
        verifyCurrent(w, view);
        QCOMPARE(tree->selectedItems(), QList<QTreeWidgetItem*>{rootNode(w)->child(view)});
    };
    click(rootNode(w)->child(2)); // arp
    selected(2);
    w.trigger("ViewMenu9");
    verifyCurrent(w, 9);
    // The root node stands for the first view: clicked or reached by keys, it hands both the
    // selection and the current node to the first view's.
    click(rootNode(w));
    selected(0);
    w.trigger("ViewMenu9");
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Home);
    selected(0);
    QTest::keyClick(tree, Qt::Key_Down);
    selected(1);
    w.trigger("ViewMenu9");
    w.trigger("TabView");
    verifyCurrent(w, 9);
}

void MainWindowTest::inputControlsFollowTheCatalogue_data() {
    QTest::addColumn<int>("view");
    QTest::addColumn<bool>("target");
    QTest::addColumn<bool>("option");
    QTest::addColumn<bool>("option2");
    QTest::addColumn<QString>("comboText");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("winconf") << 0 << false << false << false << QString() << QStringList();
    QTest::newRow("ipconfig") << 1 << false << true << true << "/all"
                              << QStringList{"なし", "/all", "/release", "/renew"};
    QTest::newRow("arp") << 2 << false << true << true << "-a" << QStringList{"-a", "-s", "-d"};
    QTest::newRow("route") << 3 << false << true << true << "print"
                           << QStringList{"print", "delete", "change"};
    QTest::newRow("ping") << 4 << true << true << false << "なし"
                          << QStringList{"なし", "-a", "-n", "-l", "-i", "-w"};
    QTest::newRow("tracert") << 5 << true << true << false << "なし"
                             << QStringList{"なし", "-d", "-h", "-j", "-w"};
    QTest::newRow("netstat") << 6 << false << true << true << "-an"
                             << QStringList{"なし", "-a", "-n", "-e", "-s", "-p"};
    QTest::newRow("nslookup") << 7 << true << false << false << QString() << QStringList();
    QTest::newRow("net") << 8 << false << true << true << "view"
                         << QStringList{"view", "help",  "helpmsg",    "send", "statistics",
                                        "name", "share", "localgroup", "user", "print"};
    QTest::newRow("nbtstat") << 9 << true << true << false << "-a"
                             << QStringList{"-a", "-A", "-c", "-r", "-s", "-S"};
}

void MainWindowTest::inputControlsFollowTheCatalogue() {
    QFETCH(int, view);
    QFETCH(bool, target);
    QFETCH(bool, option);
    QFETCH(bool, option2);
    QFETCH(QString, comboText);
    QFETCH(QStringList, items);
    MainWindowDriver w;
    w->show();
    // Come from a view with other controls, so that nothing is left over by chance.
    w->selectView(view == 6 ? 4 : 6);
    w->selectView(view);
    auto* combo = w.control<QComboBox>("cmbOption");
    QCOMPARE(w.control("Panel_target")->isVisible(), target);
    QCOMPARE(w.control("Panel_option")->isVisible(), option);
    QVERIFY(!w.control("Edit_option")->isVisibleTo(&w.form()) || !option);
    if (option) {
        QVERIFY(combo->isVisible());
        QCOMPARE(w.control("Edit_option2")->isVisible(), option2);
        QCOMPARE(combo->currentText(), comboText);
        QCOMPARE(comboItems(combo), items);
    }
    QVERIFY(w.control<QLineEdit>("Edit_option")->text().isEmpty());
}

void MainWindowTest::typedInputsSurviveViewSwitches() {
    MainWindowDriver w;
    auto* combo = w.control<QComboBox>("cmbOption");
    w.select("ping");
    w.type("Edit_target", QStringLiteral("192.168.1.10"));
    w.type("Edit_option2", QStringLiteral("/domain"));
    w.type("cmbOption", QStringLiteral("-n 5"));
    w.type("Edit_option", QStringLiteral("stale"));
    w.select("net");
    w.select("ping");
    QCOMPARE(w.control<QLineEdit>("Edit_target")->text(), QStringLiteral("192.168.1.10"));
    QCOMPARE(w.control<QLineEdit>("Edit_option2")->text(), QStringLiteral("/domain"));
    // The combo is refilled for each view; the free option box is emptied.
    QCOMPARE(combo->currentText(), QStringLiteral("なし"));
    QVERIFY(w.control<QLineEdit>("Edit_option")->text().isEmpty());
    // Reselecting the same view refills the combo too.
    w.type("cmbOption", QStringLiteral("-t"));
    w.select("ping");
    QCOMPARE(combo->currentText(), QStringLiteral("なし"));
}

void MainWindowTest::treeAndTabViewSwitchBothWays() {
    for (bool nt : {true, false}) {
        MainWindowDriver w(MainFormEnvironment{nt});
        w->show();
        auto* tabs = w.control<QTabBar>("TabControl1");
        auto* help = w.control<QFrame>("Panel_Commandhelp");
        QAction* tabView = w.action("TabView");
        QAction* treeView = w.action("TreeView");
        w.select("tracert");
        w.type("cmbOption", QStringLiteral("-d"));
        // The help pane's toggle survives the mode switches.
        QVERIFY(help->isVisible() && w.action("ShowCommandHelp")->isChecked());
        w.trigger("ShowCommandHelp");
        QVERIFY(!help->isVisible() && !w.action("ShowCommandHelp")->isChecked());
        const QStringList tabsBefore = tabTexts(tabs);

        treeView->trigger();
        QCOMPARE(w->getViewMode(), ViewMode::Tree);
        QVERIFY(w.control("TreeView1")->isVisible());
        QCOMPARE(tabs->count(), 0);
        QCOMPARE(w->tabStyle(), TabStyle::FlatButtons);
        QVERIFY(treeView->isChecked() && !tabView->isChecked());
        verifyCurrent(w, 5);
        // Mode switches never reset the inputs.
        QCOMPARE(w.control<QComboBox>("cmbOption")->currentText(), QStringLiteral("-d"));
        treeView->trigger(); // again in its own state: nothing changes
        verifyCurrent(w, 5);

        tabView->trigger();
        QCOMPARE(w->getViewMode(), ViewMode::Tabs);
        QVERIFY(!w.control("TreeView1")->isVisible());
        QCOMPARE(w->tabStyle(), TabStyle::Tabs);
        QVERIFY(tabView->isChecked() && !treeView->isChecked());
        QCOMPARE(tabTexts(tabs), tabsBefore);
        QCOMPARE(tabsBefore.size(), nt ? 10 : 9);
        verifyCurrent(w, 5);
        QCOMPARE(w.control<QComboBox>("cmbOption")->currentText(), QStringLiteral("-d"));
        tabView->trigger(); // the tabs exist: they are not added twice
        QCOMPARE(tabs->count(), nt ? 10 : 9);

        QVERIFY(!help->isVisible());
        w.trigger("ShowCommandHelp");
        QVERIFY(help->isVisible() && w.action("ShowCommandHelp")->isChecked());
        QCOMPARE(w.helpText(), tg::commandHelpText(5));
    }
}

void MainWindowTest::menusAndToolBarHoldTheirActionsInOrder() {
    MainWindowDriver w;
    auto menu = [&](const char* name) { return entryNames(w.control<QMenu>(name)->actions()); };
    QCOMPARE(menu("FileMenu"),
             (QStringList{"FileNew1", "FileOpen1", "FileClose1", "-", "FileSave1", "FileSaveAs1",
                          "FileExport1", "FileCompare1", "-", "FilePrintSetup1", "PrintPreview1",
                          "Print1", "-", "History1", "History2", "History3", "History4", "History5",
                          "FileExit1"}));
    QCOMPARE(menu("EditMenu"), (QStringList{"EditCopy1", "EditSelectAll1", "EditFind1"}));
    QCOMPARE(menu("ViewMenu"),
             (QStringList{"TabView", "TreeView", "-", "ShowCommandHelp", "ViewLatency1"}));
    QCOMPARE(menu("HelpMenu"), (QStringList{"actHelp", "-", "HelpAbout"}));
    QCOMPARE(entryNames(w.control<QToolBar>("ActionToolBar1")->actions()),
             (QStringList{"FileNew1", "FileOpen1", "FileSave1", "-", "Print1", "PrintPreview1", "-",
                          "EditCopy1", "EditFind1", "-", "TabView", "TreeView", "-",
                          "ShowCommandHelp", "actHelp", "-"}));
    QStringList bar;
    for (QAction* a : w.control<QMenuBar>("ActionMainMenuBar1")->actions())
        bar << a->text();
    QCOMPARE(bar,
             (QStringList{"ファイル(&F)", "編集(&E)", "表示(&V)", "ツール(&T)", "ヘルプ(&H)"}));
    for (int i = 1; i <= 5; ++i)
        QVERIFY(!w.action(QStringLiteral("History%1").arg(i).toLatin1().constData())->isVisible());
    QCOMPARE(w.action("FileOpen1")->toolTip(), QStringLiteral("開く"));
    QCOMPARE(w.action("FileOpen1")->statusTip(), QStringLiteral("既存のファイルを開く"));
    QCOMPARE(w.action("PrintPreview1")->iconText(), QStringLiteral("印刷プレビュー..(&Q)"));
    QCOMPARE(w.action("actHelp")->shortcut(), QKeySequence(Qt::Key_F1));
}

void MainWindowTest::altKeysBelongToTheMenuBarAlone() {
    MainWindowDriver w;
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(&w.form()));
    auto* bar = w.control<QMenuBar>("ActionMainMenuBar1");
    QCOMPARE(bar->height(), 22);
    auto* tools = w.control<QToolBar>("ActionToolBar1");
    for (QAction* a : tools->actions()) {
        if (auto* button = qobject_cast<QAbstractButton*>(tools->widgetForAction(a)))
            QVERIFY2(button->shortcut().isEmpty(), qPrintable(a->objectName()));
    }
    const std::pair<Qt::Key, const char*> menus[] = {{Qt::Key_F, "FileMenu"},
                                                     {Qt::Key_E, "EditMenu"},
                                                     {Qt::Key_V, "ViewMenu"},
                                                     {Qt::Key_T, "ToolsMenu"},
                                                     {Qt::Key_H, "HelpMenu"}};
    for (auto [key, name] : menus) {
        auto* menu = w.control<QMenu>(name);
        QTest::keyClick(&w.form(), key, Qt::AltModifier);
        QTRY_VERIFY2(menu->isVisible(), name);
        menu->hide();
        QTRY_VERIFY(!menu->isVisible());
    }
    // The tool bar's own letters open nothing and switch nothing.
    QTest::keyClick(&w.form(), Qt::Key_Y, Qt::AltModifier);
    QTest::keyClick(&w.form(), Qt::Key_X, Qt::AltModifier);
    QVERIFY(w.action("ShowCommandHelp")->isChecked());
    QCOMPARE(w->getViewMode(), ViewMode::Tabs);
    QCOMPARE(w.action("TreeView")->iconText(), QStringLiteral("ツリービュー(&V)"));
}

// Ctrl+Tab and Ctrl+PgDn forward, Ctrl+Shift+Tab and Ctrl+PgUp back, in both modes, whichever
// control has the focus (the output pane and the edit boxes have keys of their own).
void MainWindowTest::viewKeysGoRoundTheViewsFromAnyControl() {
    MainWindowDriver w;
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(&w.form()));
    const int last = int(w->getViewLabels().size()) - 1;
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int step;
    } keys[] = {{Qt::Key_Tab, Qt::ControlModifier, 1},
                {Qt::Key_PageDown, Qt::ControlModifier, 1},
                {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, -1},
                {Qt::Key_PageUp, Qt::ControlModifier, -1}};
    const std::pair<const char*, const char*> modes[] = {{"TabView", "TabControl1"},
                                                         {"TreeView", "TreeView1"}};
    for (auto [mode, selector] : modes) {
        w.trigger(mode);
        for (const char* focus :
             {"RichEdit_Output", "Edit_target", "RichEdit_Commandhelp", selector}) {
            for (const auto& key : keys) {
                w.select(key.step > 0 ? "net" : "ipconfig");
                const int from = w->getCurrentView();
                QWidget* control = w.control(focus);
                control->setFocus();
                QTest::keyClick(QApplication::focusWidget(), key.key, key.modifiers);
                // From net forward: nbtstat, then round to winconf; back from ipconfig likewise.
                verifyCurrent(w, from + key.step);
                QTest::keyClick(QApplication::focusWidget(), key.key, key.modifiers);
                verifyCurrent(w, key.step > 0 ? 0 : last);
            }
        }
    }
}

// Every key of an action or a shortcut in the window, the find bar's among them, is on the help's
// key page, under the name the page gives it.
void MainWindowTest::helpKeyPageListsEveryShortcut() {
    QFile page(QStringLiteral(TG_KEYS_PAGE));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString keys = QString::fromUtf8(page.readAll());
    MainWindowDriver w;
    QList<QKeySequence> sequences;
    for (QAction* a : w->findChildren<QAction*>())
        sequences += a->shortcuts();
    for (QShortcut* s : w->findChildren<QShortcut*>())
        sequences += s->key();
    QVERIFY(sequences.size() >= 15);
    for (const QKeySequence& sequence : sequences) {
        QString name = sequence.toString(QKeySequence::PortableText);
        name.replace(QLatin1String("PgDown"), QLatin1String("PageDown"))
            .replace(QLatin1String("PgUp"), QLatin1String("PageUp"))
            .replace(QLatin1String("Backtab"), QLatin1String("Tab"));
        QVERIFY2(keys.contains(QStringLiteral("<kbd>%1</kbd>").arg(name)), qPrintable(name));
    }
}

void MainWindowTest::copyIsThereOnlyWithASelection() {
    MainWindowDriver w;
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(&w.form()));
    QAction* copy = w.action("EditCopy1");
    QVERIFY(!copy->isEnabled());
    w.trigger("EditSelectAll1"); // the output pane, where no edit box has the focus
    QVERIFY(copy->isEnabled());
    w.select("ping"); // another text: nothing selected
    QVERIFY(!copy->isEnabled());
    auto* target = w.control<QLineEdit>("Edit_target");
    target->setFocus();
    w.type("Edit_target", QStringLiteral("host"));
    QVERIFY(!copy->isEnabled());
    target->selectAll();
    QVERIFY(copy->isEnabled());
    auto* combo = w.control<QComboBox>("cmbOption");
    combo->setFocus();
    combo->lineEdit()->deselect();
    QVERIFY(!copy->isEnabled());
    combo->lineEdit()->selectAll();
    QVERIFY(copy->isEnabled());
    copy->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("なし"));
}

// The toolkit's boxes, as a question and as an error, carry only the close button in their title
// bar, as on Windows; under X11 the window manager draws what these flags ask for.
void MainWindowTest::messageBoxesShowOnlyTheCloseButton() {
    QWidget owner;
    std::vector<Qt::WindowFlags> seen;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &owner, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen.push_back(box->windowFlags());
            box->buttons().constFirst()->click();
        }
    });
    poll.start(20);
    tg::dialogs().messageBox(&owner, "?", std::nullopt, tg::Dialogs::MbYesNo);
    tg::dialogs().showError("x");
    poll.stop();
    QCOMPARE(seen.size(), size_t(2));
    for (Qt::WindowFlags flags : seen)
        QCOMPARE(flags & (tg::kDialogWindowFlags | Qt::WindowMinMaxButtonsHint),
                 tg::kDialogWindowFlags);
}

// The window active when an error box opens may go while it is open, as the splash does by
// itself two seconds after start; the box stays until it is answered.
void MainWindowTest::errorBoxOutlivesTheActiveWindow() {
    QPointer<QWidget> splash = new QWidget;
    splash->show();
    splash->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(splash));
    QTimer::singleShot(50, splash, &QObject::deleteLater);
    bool answeredAfter = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && splash.isNull()) {
            answeredAfter = true;
            box->buttons().constFirst()->click();
        }
    });
    poll.start(20);
    tg::dialogs().showError("x");
    poll.stop();
    QVERIFY(answeredAfter);
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
