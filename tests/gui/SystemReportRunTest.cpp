#include "ScriptedDialogs.h"
#include "app/TextPane.h"
#include "app/Unit1.h"
#include "commands/AbortDlg.h"
#include "sysinfo/SystemReportBody.h"
#include "text/Codec.h"
#include "text/StringList.h"

#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

namespace {

class Form : public TMainForm {
public:
    using TMainForm::Button_Update;
    using TMainForm::ProgressBar1;
    using TMainForm::RichEdit_Output;
    using TMainForm::TMainForm;
};

} // namespace

// The winconf view through the real worker, dialog and this machine's own source.
class SystemReportRunTest : public QObject {
    Q_OBJECT
private slots:
    void winconfRunsTheReportOfThisMachine() {
        ScriptedDialogs dialogs;
        MainFormEnvironment env;
        env.systemReport = tg::systemReportBody();
        Form form(env);
        form.show();
        form.selectView(0);
        form.Button_Update->click();
        QTRY_VERIFY_WITH_TIMEOUT(form.findChild<TAbortDlg*>() == nullptr, 20000);

        tg::StringList lines = tg::splitLines(form.RichEdit_Output->text());
        QVERIFY2(lines.size() >= 16 + 9, "fifteen fixed lines and at least the loopback block");
        auto startsWith = [](const tg::Text& line, const char* utf8) {
            tg::Text label = tg::utf8ToCp932(utf8);
            return line.compare(0, label.size(), label) == 0;
        };
        QVERIFY(startsWith(lines[0], "OS名:\t\t\t"));
        QVERIFY(startsWith(lines[3], "システム名：\t\t"));
        QVERIFY(startsWith(lines[16], "名前：\t\t\t"));
        QVERIFY(lines[9].empty()); // no Windows folder here
        QCOMPARE(lines[15], tg::Text(33, '-'));
        QCOMPARE(lines.back(), tg::Text(33, '-'));
        QCOMPARE(form.getViewText()[0], form.RichEdit_Output->text());
        QVERIFY(form.isModified());
        QCOMPARE(form.ProgressBar1->value(), 0);
        QVERIFY(form.Button_Update->isEnabled());
        QVERIFY(dialogs.boxes.empty());
    }
};

QTEST_MAIN(SystemReportRunTest)
#include "SystemReportRunTest.moc"
