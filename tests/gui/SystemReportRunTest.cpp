#include "support/MainWindowDriver.h"
#include "support/ScriptedDialogs.h"

#include "commands/AbortDlg.h"
#include "sysinfo/SystemReportBody.h"
#include "text/Codec.h"
#include "text/StringList.h"

#include <QProgressBar>
#include <QtTest>

// The winconf view through the real worker, dialog and this machine's own source.
class SystemReportRunTest : public QObject {
    Q_OBJECT
private slots:
    void winconfRunsTheReportOfThisMachine() {
        ScriptedDialogs dialogs;
        MainFormEnvironment env;
        env.systemReport = tg::systemReportBody();
        tg::test::MainWindowDriver w(env);
        w->show();
        w.select("winconf");
        w.pressRun();
        QTRY_VERIFY_WITH_TIMEOUT(w->findChild<TAbortDlg*>() == nullptr, 20000);

        tg::StringList lines = tg::splitLines(w.paneText());
        // What each system's source gives is checked with the source; here the fixed section.
        QVERIFY2(lines.size() >= 15, "the fifteen fixed lines");
        auto startsWith = [](const tg::Text& line, const char* utf8) {
            tg::Text label = tg::utf8ToCp932(utf8);
            return line.compare(0, label.size(), label) == 0;
        };
        QVERIFY(startsWith(lines[0], "OS名:\t\t\t"));
        QVERIFY(startsWith(lines[3], "システム名：\t\t"));
        QVERIFY(startsWith(lines[14], "ページファイルの容量："));
        // Wine's adapters have no caption, and there the report ends with the fixed section.
        if (lines.size() > 15) {
            QCOMPARE(lines[15], tg::Text(33, '-'));
            QVERIFY(startsWith(lines[16], "名前：\t\t\t"));
            QCOMPARE(lines.back(), tg::Text(33, '-'));
        }
        QCOMPARE(w->getViewText()[0], w.paneText());
        QVERIFY(w->isModified());
        QCOMPARE(w.control<QProgressBar>("ProgressBar1")->value(), 0);
        QVERIFY(w.control("Button_Update")->isEnabled());
        QVERIFY(dialogs.boxes.empty());
    }
};

QTEST_MAIN(SystemReportRunTest)
#include "SystemReportRunTest.moc"
