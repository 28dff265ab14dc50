#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "app/QtText.h"
#include "app/TextPane.h"
#include "app/Unit1.h"
#include "commands/AbortDlg.h"
#include "commands/CommandRunner.h"
#include "commands/Getinfothread.h"
#include "commands/RunContext.h"
#include "platform/Process.h"
#include "text/Codec.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <mutex>

using tg::Text;

namespace {

class Form : public TMainForm {
public:
    using TMainForm::Button_Update;
    using TMainForm::cmbOption;
    using TMainForm::Edit_option2;
    using TMainForm::Edit_target;
    using TMainForm::ProgressBar1;
    using TMainForm::RichEdit_Output;
    using TMainForm::StatusPanel;
    using TMainForm::TMainForm;
    using TMainForm::viewText;

    void select(const Text& label) {
        for (size_t i = 0; i < viewLabels.size(); ++i) {
            if (viewLabels[i] == label)
                selectView(static_cast<int>(i));
        }
    }
};

Text cp932(const char* utf8) {
    return tg::utf8ToCp932(utf8);
}

// Runs during the modal loop of the next run, then asks for the abort. The run must not be able
// to end before these steps have run.
void duringRun(QWidget* form, std::function<void(TAbortDlg*)> steps, bool abort = true) {
    QTimer::singleShot(0, form, [form, steps, abort] {
        QPointer<TAbortDlg> dialog = form->findChild<TAbortDlg*>();
        steps(dialog);
        if (abort && dialog)
            dialog->OKBtn->click();
    });
}

bool waitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 10000);
}

} // namespace

class RunRequestTest : public QObject {
    Q_OBJECT

private:
    ScriptedDialogs dialogs;
    std::mutex linesMutex;
    std::vector<Text> commandLines;
    std::function<void(tg::RunContext&)> report;
    std::unique_ptr<Form> form;

    MainFormEnvironment environment() {
        MainFormEnvironment env;
        env.startChild = [this](const Text& line, bool isNT, const tg::platform::WakeSignal& wake) {
            {
                std::lock_guard lock(linesMutex);
                commandLines.push_back(line);
            }
            return tg::platform::startChildProcess(line, isNT, wake);
        };
        env.systemReport = [this](tg::RunContext& context) {
            if (report)
                report(context);
        };
        return env;
    }

    Text lastCommandLine() {
        std::lock_guard lock(linesMutex);
        return commandLines.empty() ? Text() : commandLines.back();
    }

    void fill(const Text& view, const Text& option, const Text& option2, const Text& target) {
        form->select(view);
        form->cmbOption->setEditText(tg::toQString(option));
        form->Edit_option2->setText(tg::toQString(option2));
        form->Edit_target->setText(tg::toQString(target));
    }

private slots:
    void initTestCase() {
        // The fake network commands come first.
        QByteArray path =
            QByteArray(TG_FAKE_BIN_DIR) + QDir::listSeparator().toLatin1() + qgetenv("PATH");
        qputenv("PATH", path);
    }

    void init() {
        dialogs.boxes.clear();
        commandLines.clear();
        report = nullptr;
        form = std::make_unique<Form>(environment());
        form->show();
    }
    void cleanup() { form.reset(); }

    void commandLineArrivesExactly_data() {
        QTest::addColumn<QByteArray>("view");
        QTest::addColumn<QByteArray>("option");
        QTest::addColumn<QByteArray>("option2");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("pane");
        const QByteArray none = QByteArray::fromStdString(cp932("なし"));
        QTest::newRow("ipconfig") << QByteArray("ipconfig") << QByteArray("/all") << QByteArray()
                                  << QByteArray() << QByteArray("ipconfig /all")
                                  << QByteArray("ipconfig\r\n[/all]\r\n");
        QTest::newRow("netstat") << QByteArray("netstat") << QByteArray("-an") << QByteArray()
                                 << QByteArray() << QByteArray("netstat -an ")
                                 << QByteArray("netstat\r\n[-an]\r\n");
        QTest::newRow("arp") << QByteArray("arp") << QByteArray("-a") << QByteArray()
                             << QByteArray() << QByteArray("arp -a ")
                             << QByteArray("arp\r\n[-a]\r\n");
        QTest::newRow("ping none")
            << QByteArray("ping") << none << QByteArray() << QByteArray("192.168.1.10")
            << QByteArray("ping  192.168.1.10") << QByteArray("ping\r\n[192.168.1.10]\r\n");
        QTest::newRow("ping typed")
            << QByteArray("ping") << QByteArray("-n 5") << QByteArray() << QByteArray("host")
            << QByteArray("ping -n 5 host") << QByteArray("ping\r\n[-n]\r\n[5]\r\n[host]\r\n");
        QTest::newRow("ping blank target")
            << QByteArray("ping") << none << QByteArray() << QByteArray(" ")
            << QByteArray("ping   ") << QByteArray("ping\r\n");
        QTest::newRow("ping hostile")
            << QByteArray("ping") << none << QByteArray() << QByteArray("$(touch X);`id`|x")
            << QByteArray("ping  $(touch X);`id`|x")
            << QByteArray("ping\r\n[$(touch]\r\n[X);`id`|x]\r\n");
        QTest::newRow("nslookup") << QByteArray("nslookup") << QByteArray() << QByteArray()
                                  << QByteArray("192.168.1.10")
                                  << QByteArray("nslookup  192.168.1.10")
                                  << QByteArray("nslookup\r\n[192.168.1.10]\r\n");
        QTest::newRow("net") << QByteArray("net") << QByteArray("view") << QByteArray("/domain")
                             << QByteArray() << QByteArray("net view /domain")
                             << QByteArray("net\r\n[view]\r\n[/domain]\r\n");
        QTest::newRow("nbtstat without target")
            << QByteArray("nbtstat") << QByteArray("-a") << QByteArray() << QByteArray()
            << QByteArray("nbtstat -a ") << QByteArray("nbtstat\r\n[-a]\r\n");
    }

    void commandLineArrivesExactly() {
        QFETCH(QByteArray, view);
        QFETCH(QByteArray, option);
        QFETCH(QByteArray, option2);
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, pane);
        fill(view.toStdString(), option.toStdString(), option2.toStdString(), target.toStdString());
        QVERIFY(!form->isModified());

        form->Button_Update->click();

        QCOMPARE(lastCommandLine(), line.toStdString());
        QCOMPARE(form->RichEdit_Output->text(), pane.toStdString());
        QCOMPARE(form->viewText[static_cast<size_t>(form->getCurrentView())], pane.toStdString());
        QVERIFY(form->isModified());
        QCOMPARE(form->StatusPanel->text(), QStringLiteral("完了"));
        QVERIFY(form->Button_Update->isEnabled());
        QCOMPARE(form->ProgressBar1->value(), 0);
        QVERIFY(form->findChild<TAbortDlg*>() == nullptr);
        QVERIFY(dialogs.boxes.empty());
    }

    void missingTargetShowsTheBoxAndChangesNothing() {
        for (const char* view : {"ping", "tracert", "nslookup"}) {
            fill(view, "", "", "");
            Text before = form->RichEdit_Output->text();
            dialogs.boxes.clear();
            form->Button_Update->click();
            QCOMPARE(dialogs.boxes.size(), size_t(1));
            const auto& box = dialogs.boxes[0];
            QCOMPARE(box.text, cp932("IPアドレスかホスト名を指定してください"));
            QVERIFY(box.owner == nullptr);
            QVERIFY(!box.caption.has_value());
            QCOMPARE(box.flags, 0u);
            QCOMPARE(form->RichEdit_Output->text(), before);
            QVERIFY(!form->isModified());
            QVERIFY(form->Button_Update->isEnabled());
            QVERIFY(lastCommandLine().empty());
        }
    }

    void outputStaysAsTheViewText() {
        fill("ping", "-n 1", "", "there");
        form->Button_Update->click();
        const Text output = "ping\r\n[-n]\r\n[1]\r\n[there]\r\n";
        QCOMPARE(form->RichEdit_Output->text(), output);
        form->select("arp");
        QVERIFY(form->RichEdit_Output->text() != output);
        form->select("ping");
        QCOMPARE(form->RichEdit_Output->text(), output);
    }

    void barsStepPerLineAndWrap() {
        // Echo of three lines plus 24 written: 27 lines take the bars past 250 once, to 10.
        fill("ping", "", "", "lines:24:5 sleep:30000");
        int mainAt = -1;
        int dialogAt = -1;
        size_t linesAt = 0;
        duringRun(form.get(), [&](TAbortDlg* dialog) {
            waitFor([&] { return form->RichEdit_Output->blockCount() >= 27; });
            mainAt = form->ProgressBar1->value();
            dialogAt = dialog->ProgressBar2->value();
            linesAt = tg::splitLines(form->RichEdit_Output->text()).size();
        });
        form->Button_Update->click();
        QCOMPARE(linesAt, size_t(27));
        QCOMPARE(mainAt, 10);
        QCOMPARE(dialogAt, 10);
        QCOMPARE(form->ProgressBar1->value(), 0);
    }

    void abortAtOnceStillCountsAsARun() {
        fill("ping", "-t", "", "sleep:30000");
        bool dialogShown = false;
        duringRun(form.get(),
                  [&](TAbortDlg* dialog) { dialogShown = dialog && dialog->isVisible(); });
        QElapsedTimer timer;
        timer.start();
        form->Button_Update->click();
        QVERIFY(dialogShown);
        QVERIFY(timer.elapsed() < 10000); // it did not wait for the command
        QVERIFY(form->isModified());
        QCOMPARE(form->StatusPanel->text(), QStringLiteral("完了"));
        QVERIFY(form->Button_Update->isEnabled());
        QCOMPARE(form->viewText[static_cast<size_t>(form->getCurrentView())],
                 form->RichEdit_Output->text());
    }

    void closeBoxAndEnterAskForTheAbortAndDialogWaits() {
        fill("ping", "", "", "out:first\\n sleep:30000");
        bool stillOpenAfterClose = false;
        duringRun(
            form.get(),
            [&](TAbortDlg* dialog) {
                waitFor([&] {
                    return form->RichEdit_Output->text().find("\r\nfirst\r\n") != Text::npos;
                });
                QCOMPARE(dialog->windowTitle(), QStringLiteral("情報取得"));
                QCOMPARE(dialog->OKBtn->text(), QStringLiteral("中断"));
                QVERIFY(dialog->OKBtn->isDefault());
                dialog->close();
                // The close only asked: the dialog stays until the run has ended.
                stillOpenAfterClose = dialog->isVisible();
            },
            false);
        QElapsedTimer timer;
        timer.start();
        form->Button_Update->click();
        QVERIFY(timer.elapsed() < 10000); // ended by the close, not by the command
        QVERIFY(stillOpenAfterClose);
        QCOMPARE(form->RichEdit_Output->text(),
                 Text("ping\r\n[out:first\\n]\r\n[sleep:30000]\r\nfirst\r\n"));

        fill("ping", "", "", "sleep:30000");
        duringRun(
            form.get(),
            [&](TAbortDlg* dialog) {
                QTest::keyClick(dialog, Qt::Key_Escape); // not a way out
                QVERIFY(dialog->isVisible());
                QTest::keyClick(dialog, Qt::Key_Return);
            },
            false);
        timer.start();
        form->Button_Update->click();
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY(form->findChild<TAbortDlg*>() == nullptr);
    }

    void statusTexts() {
        fill("ping", "", "", "sleep:30000");
        form->StatusPanel->setText(QStringLiteral("before"));
        QString during;
        duringRun(form.get(), [&](TAbortDlg*) { during = form->StatusPanel->text(); });
        QTest::keyClick(form->Edit_target, Qt::Key_Return);
        QCOMPARE(lastCommandLine(), Text("ping  sleep:30000"));
        QCOMPARE(during, QStringLiteral("before")); // Enter is no mouse press
        QCOMPARE(form->StatusPanel->text(), QStringLiteral("完了"));

        commandLines.clear();
        duringRun(form.get(), [&](TAbortDlg*) { during = form->StatusPanel->text(); });
        QTest::mouseClick(form->Button_Update, Qt::LeftButton);
        QCOMPARE(lastCommandLine(), Text("ping  sleep:30000"));
        QCOMPARE(during, QStringLiteral("コマンド実行中"));
        QCOMPARE(form->StatusPanel->text(), QStringLiteral("完了"));

        // Enter in an option box runs too.
        commandLines.clear();
        form->select("netstat");
        QTest::keyClick(form->Edit_option2, Qt::Key_Return);
        QCOMPARE(lastCommandLine(), Text("netstat -an "));
    }

    void commandThatCannotStart() {
        QByteArray path = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", empty.path().toLocal8Bit());
        fill("ping", "", "", "host");
        form->Button_Update->click();
        qputenv("PATH", path);
        QCOMPARE(form->RichEdit_Output->text(), cp932("コマンドを実行できませんでした: ping\r\n"));
        QVERIFY(form->isModified());
        QVERIFY(form->Button_Update->isEnabled());
    }

    void systemInformationBody() {
        form->select("winconf");
        form->Button_Update->click(); // no body: ends at once
        QCOMPARE(form->RichEdit_Output->text(), Text());
        QVERIFY(form->isModified());

        QObject* dialogSeen = nullptr;
        std::atomic<bool> seen{false};
        report = [&](tg::RunContext& context) {
            // Holds the run open until the test has looked at its dialog.
            QDeadlineTimer until(10000);
            while (!seen && !until.hasExpired())
                QThread::msleep(1);
            context.appendReportLine("line 1");
            context.stepMainProgress();
            context.stepDialogProgress();
            context.messageBox(true, "owned", "caption", 0x30);
            context.messageBox(false, "unowned", "caption", 0x30);
            context.deliverLines({"line 2", "line 3"});
        };
        duringRun(
            form.get(),
            [&](TAbortDlg* dialog) {
                dialogSeen = dialog;
                seen = true;
            },
            false);
        form->Button_Update->click();
        QCOMPARE(form->RichEdit_Output->text(), Text("line 1\r\nline 2\r\nline 3\r\n"));
        QCOMPARE(dialogs.boxes.size(), size_t(2));
        QVERIFY(dialogSeen != nullptr);
        QCOMPARE(static_cast<QObject*>(dialogs.boxes[0].owner), dialogSeen);
        QVERIFY(dialogs.boxes[1].owner == nullptr);
        QCOMPARE(dialogs.boxes[0].caption, std::optional<Text>("caption"));
        QCOMPARE(dialogs.boxes[0].flags, 0x30u);
        QCOMPARE(form->ProgressBar1->value(), 0);
    }

    void workerWithNothingToDoClosesItsDialog() {
        auto* worker = new GetInfoThread;
        QPointer<GetInfoThread> alive(worker);
        TAbortDlg dialog(form.get(), worker);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(dialog.isFinished());
        QTRY_VERIFY(alive.isNull()); // freed after its end-of-run notification
    }
};

QTEST_MAIN(RunRequestTest)
#include "RunRequestTest.moc"
