#include "app/QtText.h"
#include "app/TextPane.h"
#include "app/Unit1.h"
#include "commands/ViewCatalogue.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Reaches the form's protected state, as the parts of the program that own it do.
class Form : public TMainForm {
public:
    explicit Form(bool nt) : TMainForm(MainFormEnvironment{nt}) {}
    using TMainForm::cmbOption;
    using TMainForm::Edit_option;
    using TMainForm::Edit_option2;
    using TMainForm::Edit_target;
    using TMainForm::Panel_Commandhelp;
    using TMainForm::Panel_option;
    using TMainForm::Panel_target;
    using TMainForm::RichEdit_Commandhelp;
    using TMainForm::RichEdit_Output;
    using TMainForm::ShowCommandHelp;
    using TMainForm::TabControl1;
    using TMainForm::TabView;
    using TMainForm::toolsMenu;
    using TMainForm::TreeView;
    using TMainForm::TreeView1;
    using TMainForm::viewMenuActions;
    using TMainForm::viewText;
};

QStringList comboItems(QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QTreeWidgetItem* rootNode(Form& f) {
    return f.TreeView1->topLevelItem(0);
}

// Everything that says which view is current, in every mode, agrees on one index.
void verifyCurrent(Form& f, int view) {
    QCOMPARE(f.getCurrentView(), view);
    if (f.getViewMode() == 0)
        QCOMPARE(f.TabControl1->currentIndex(), view);
    else
        QCOMPARE(f.TreeView1->currentItem(), rootNode(f)->child(view));
    int checked = 0;
    for (QAction* a : f.viewMenuActions) {
        if (a->isChecked()) {
            ++checked;
            QCOMPARE(a->data().toInt(), view);
        }
    }
    QCOMPARE(checked, 1);
    QCOMPARE(f.RichEdit_Output->text(), f.getViewText()[view]);
    QCOMPARE(f.RichEdit_Commandhelp->text(), f.getViewHelpText()[view]);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void buildsTenViewsEverywhere();
    void buildsNineViewsWithoutNslookup();
    void threeWaysOfSelectingAgree();
    void inputControlsFollowTheCatalogue_data();
    void inputControlsFollowTheCatalogue();
    void typedInputsSurviveViewSwitches();
    void treeAndTabViewSwitchBothWays();
    void rootNodeSelectsTheFirstView();
    void helpPaneToggleSurvivesViewSwitches();
    void menusHoldTheirActionsInOrder();
};

void MainWindowTest::buildsTenViewsEverywhere() {
    Form f(true);
    QCOMPARE(f.TabControl1->count(), 10);
    QCOMPARE(rootNode(f)->childCount(), 10);
    QCOMPARE(f.toolsMenu->actions().size(), 10);
    QStringList tools;
    for (QAction* a : f.toolsMenu->actions())
        tools << a->text();
    QCOMPARE(tools, (QStringList{"winconf", "ipconfig", "arp", "route", "ping", "tracert",
                                 "netstat", "nslookup", "net", "n&btstat"}));
    QCOMPARE(f.TabControl1->tabText(9), QStringLiteral("nbtstat"));
    QCOMPARE(f.getViewLabels().size(), 10u);
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(f.getViewText()[i], tg::initialText(i));
        QCOMPARE(f.getViewDefaultText()[i], tg::initialText(i));
    }
    verifyCurrent(f, 0);
    QVERIFY(!f.isModified());
    QCOMPARE(f.getDocumentName(), tg::Text("untitled.txt"));
}

void MainWindowTest::buildsNineViewsWithoutNslookup() {
    Form f(false);
    QCOMPARE(f.TabControl1->count(), 9);
    QCOMPARE(rootNode(f)->childCount(), 9);
    QCOMPARE(f.toolsMenu->actions().size(), 9);
    for (int i = 0; i < 9; ++i)
        QVERIFY(f.TabControl1->tabText(i) != QStringLiteral("nslookup"));
    // net moved up to index 7 but keeps its own texts and option list.
    QCOMPARE(f.getViewLabels()[7], tg::Text("net"));
    QCOMPARE(f.getViewText()[7], tg::initialText(8));
    QCOMPARE(f.getViewHelpText()[7], tg::commandHelpText(8));
    QAction* tag7 = f.toolsMenu->actions().at(7);
    QCOMPARE(tag7->data().toInt(), 7);
    tag7->trigger();
    verifyCurrent(f, 7);
    QCOMPARE(f.cmbOption->currentText(), QStringLiteral("view"));
    QCOMPARE(f.cmbOption->count(), 10);
    QCOMPARE(f.toolsMenu->actions().at(8)->text(), QStringLiteral("n&btstat"));
}

void MainWindowTest::threeWaysOfSelectingAgree() {
    Form f(true);
    f.TabControl1->setCurrentIndex(4); // a click on the ping tab
    verifyCurrent(f, 4);
    f.viewMenuActions[6]->trigger(); // Tools > netstat
    verifyCurrent(f, 6);
    f.TreeViewExecute();
    f.TreeView1->setCurrentItem(rootNode(f)->child(2)); // arp in the tree
    verifyCurrent(f, 2);
    f.viewMenuActions[9]->trigger();
    verifyCurrent(f, 9);
    f.TabViewExecute();
    verifyCurrent(f, 9);
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
    Form f(true);
    f.show();
    // Come from a view with other controls, so that nothing is left over by chance.
    f.selectView(view == 6 ? 4 : 6);
    f.selectView(view);
    QCOMPARE(f.Panel_target->isVisible(), target);
    QCOMPARE(f.Panel_option->isVisible(), option);
    QVERIFY(!f.Edit_option->isVisibleTo(&f) || !option);
    if (option) {
        QVERIFY(f.cmbOption->isVisible());
        QCOMPARE(f.Edit_option2->isVisible(), option2);
        QCOMPARE(f.cmbOption->currentText(), comboText);
        QCOMPARE(comboItems(f.cmbOption), items);
    }
    QVERIFY(f.Edit_option->text().isEmpty());
}

void MainWindowTest::typedInputsSurviveViewSwitches() {
    Form f(true);
    f.selectView(4);
    f.Edit_target->setText(QStringLiteral("192.168.1.10"));
    f.Edit_option2->setText(QStringLiteral("/domain"));
    f.cmbOption->setEditText(QStringLiteral("-n 5"));
    f.Edit_option->setText(QStringLiteral("stale"));
    f.selectView(8);
    f.selectView(4);
    QCOMPARE(f.Edit_target->text(), QStringLiteral("192.168.1.10"));
    QCOMPARE(f.Edit_option2->text(), QStringLiteral("/domain"));
    // The combo is refilled for each view; the free option box is emptied.
    QCOMPARE(f.cmbOption->currentText(), QStringLiteral("なし"));
    QVERIFY(f.Edit_option->text().isEmpty());
    // Reselecting the same view refills the combo too.
    f.cmbOption->setEditText(QStringLiteral("-t"));
    f.TabControl1->setCurrentIndex(4);
    f.selectView(4);
    QCOMPARE(f.cmbOption->currentText(), QStringLiteral("なし"));
}

void MainWindowTest::treeAndTabViewSwitchBothWays() {
    for (bool nt : {true, false}) {
        Form f(nt);
        f.show();
        f.selectView(5);
        f.cmbOption->setEditText(QStringLiteral("-d"));
        const QStringList tabsBefore = [&] {
            QStringList t;
            for (int i = 0; i < f.TabControl1->count(); ++i)
                t << f.TabControl1->tabText(i);
            return t;
        }();
        f.TreeView->trigger();
        QCOMPARE(f.getViewMode(), 1);
        QVERIFY(f.TreeView1->isVisible());
        QCOMPARE(f.TabControl1->count(), 0);
        QCOMPARE(f.tabStyle(), 2);
        QVERIFY(f.TreeView->isChecked() && !f.TabView->isChecked());
        verifyCurrent(f, 5);
        // Mode switches never reset the inputs.
        QCOMPARE(f.cmbOption->currentText(), QStringLiteral("-d"));
        f.TreeViewExecute(); // again in its own state: nothing changes
        verifyCurrent(f, 5);

        f.TabView->trigger();
        QCOMPARE(f.getViewMode(), 0);
        QVERIFY(!f.TreeView1->isVisible());
        QCOMPARE(f.tabStyle(), 0);
        QVERIFY(f.TabView->isChecked() && !f.TreeView->isChecked());
        QStringList tabsAfter;
        for (int i = 0; i < f.TabControl1->count(); ++i)
            tabsAfter << f.TabControl1->tabText(i);
        QCOMPARE(tabsAfter, tabsBefore);
        QCOMPARE(tabsAfter.size(), nt ? 10 : 9);
        verifyCurrent(f, 5);
        QCOMPARE(f.cmbOption->currentText(), QStringLiteral("-d"));
        f.TabViewExecute(); // the tabs exist: they are not added twice
        QCOMPARE(f.TabControl1->count(), nt ? 10 : 9);
    }
}

void MainWindowTest::rootNodeSelectsTheFirstView() {
    Form f(true);
    f.selectView(3);
    f.TreeViewExecute();
    f.TreeView1->setCurrentItem(rootNode(f));
    verifyCurrent(f, 0);
    QVERIFY(rootNode(f)->child(0)->isSelected());
    QVERIFY(!rootNode(f)->isSelected());
}

void MainWindowTest::helpPaneToggleSurvivesViewSwitches() {
    Form f(true);
    f.show();
    QVERIFY(f.Panel_Commandhelp->isVisible() && f.ShowCommandHelp->isChecked());
    f.ShowCommandHelp->trigger();
    QVERIFY(!f.Panel_Commandhelp->isVisible());
    QVERIFY(!f.ShowCommandHelp->isChecked());
    f.selectView(4);
    f.TreeViewExecute();
    f.TabViewExecute();
    QVERIFY(!f.Panel_Commandhelp->isVisible());
    f.ShowCommandHelp->trigger();
    QVERIFY(f.Panel_Commandhelp->isVisible() && f.ShowCommandHelp->isChecked());
    QCOMPARE(f.RichEdit_Commandhelp->text(), tg::commandHelpText(4));
}

void MainWindowTest::menusHoldTheirActionsInOrder() {
    Form f(true);
    auto names = [](QMenu* menu) {
        QStringList n;
        for (QAction* a : menu->actions())
            n << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        return n;
    };
    auto menu = [&](const char* name) { return f.findChild<QMenu*>(QLatin1String(name)); };
    QCOMPARE(names(menu("FileMenu")),
             (QStringList{"FileNew1", "FileOpen1", "FileClose1", "-", "FileSave1", "FileSaveAs1",
                          "-", "FilePrintSetup1", "PrintPreview1", "Print1", "-", "History1",
                          "History2", "History3", "History4", "History5", "FileExit1"}));
    QCOMPARE(names(menu("ViewMenu")), (QStringList{"TabView", "TreeView", "-", "ShowCommandHelp"}));
    QCOMPARE(names(menu("HelpMenu")), (QStringList{"actHelp", "-", "HelpAbout"}));
    for (int i = 1; i <= 5; ++i)
        QVERIFY(!f.findChild<QAction*>(QStringLiteral("History%1").arg(i))->isVisible());
    QCOMPARE(f.findChild<QAction*>("FileOpen1")->toolTip(), QStringLiteral("開く"));
    QCOMPARE(f.findChild<QAction*>("FileOpen1")->statusTip(),
             QStringLiteral("既存のファイルを開く"));
    QCOMPARE(f.findChild<QAction*>("actHelp")->shortcut(), QKeySequence(Qt::Key_F1));
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
