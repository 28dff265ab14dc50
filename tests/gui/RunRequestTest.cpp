#include "support/FakeCommands.h"
#include "support/MainWindowDriver.h"
#include "support/ScriptedDialogs.h"

#include "commands/AbortDlg.h"
#include "commands/CommandRunner.h"
#include "commands/Getinfothread.h"
#include "commands/RunContext.h"
#include "platform/Process.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "ui/OutputPane.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <mutex>

using tg::Text;

using tg::test::MainWindowDriver;

namespace {

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
    std::unique_ptr<MainWindowDriver> w;
    Text commandDir = TG_FAKE_BIN_DIR;

    int mainBar() const { return w->control<QProgressBar>("ProgressBar1")->value(); }
    QPushButton* runButton() const { return w->control<QPushButton>("Button_Update"); }

    MainFormEnvironment environment() {
        MainFormEnvironment env;
        env.startChild = [this](const Text& line, bool isNT, const tg::platform::WakeSignal& wake) {
            {
                std::lock_guard lock(linesMutex);
                commandLines.push_back(line);
            }
            return tg::test::startFromFolder(commandDir, line, isNT, wake);
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

    void fill(const char* view, const Text& option, const Text& option2, const Text& target) {
        w->select(view);
        w->type("cmbOption", tg::toQString(option));
        w->type("Edit_option2", tg::toQString(option2));
        w->type("Edit_target", tg::toQString(target));
    }

private slots:
    void init() {
        dialogs.boxes.clear();
        commandLines.clear();
        report = nullptr;
        w = std::make_unique<MainWindowDriver>(environment());
        w->form().show();
    }
    void cleanup() { w.reset(); }

    void commandLineArrivesExactly_data() {
        for (const char* column : {"view", "option", "option2", "target", "line", "pane"})
            QTest::addColumn<QByteArray>(column);
        const char* none = "\x82\xc8\x82\xb5"; // the item "なし"
        const char* rows[][7] = {
            {"ipconfig", "ipconfig", "/all", "", "", "ipconfig /all", "ipconfig\r\n[/all]\r\n"},
            {"netstat", "netstat", "-an", "", "", "netstat -an ", "netstat\r\n[-an]\r\n"},
            {"ping none", "ping", none, "", "192.168.1.10", "ping  192.168.1.10",
             "ping\r\n[192.168.1.10]\r\n"},
            {"ping typed", "ping", "-n 5", "", "host", "ping -n 5 host",
             "ping\r\n[-n]\r\n[5]\r\n[host]\r\n"},
            {"ping blank target", "ping", none, "", " ", "ping   ", "ping\r\n"},
            {"ping hostile", "ping", none, "", "$(touch X);`id`|x", "ping  $(touch X);`id`|x",
             "ping\r\n[$(touch]\r\n[X);`id`|x]\r\n"},
            {"nslookup", "nslookup", "", "", "192.168.1.10", "nslookup  192.168.1.10",
             "nslookup\r\n[192.168.1.10]\r\n"},
            {"net", "net", "view", "/domain", "", "net view /domain",
             "net\r\n[view]\r\n[/domain]\r\n"},
            {"nbtstat without target", "nbtstat", "-a", "", "", "nbtstat -a ",
             "nbtstat\r\n[-a]\r\n"},
        };
        for (const auto& row : rows) {
            auto& data = QTest::newRow(row[0]);
            for (int i = 1; i < 7; ++i)
                data << QByteArray(row[i]);
        }
    }

    void commandLineArrivesExactly() {
        QFETCH(QByteArray, view);
        QFETCH(QByteArray, option);
        QFETCH(QByteArray, option2);
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, pane);
        fill(view.constData(), option.toStdString(), option2.toStdString(), target.toStdString());
        QVERIFY(!w->form().isModified());

        w->pressRun();

        QCOMPARE(lastCommandLine(), line.toStdString());
        QCOMPARE(w->paneText(), pane.toStdString());
        QCOMPARE(w->form().getViewText()[size_t(w->form().getCurrentView())], pane.toStdString());
        QVERIFY(w->form().isModified());
        QCOMPARE(w->statusText(), QStringLiteral("完了"));
        QVERIFY(runButton()->isEnabled());
        QCOMPARE(mainBar(), 0);
        QVERIFY(w->form().findChild<TAbortDlg*>() == nullptr);
        QVERIFY(dialogs.boxes.empty());
        // The output stays the view's text when another view has been shown.
        w->select(view == "route" ? "arp" : "route");
        QVERIFY(w->paneText() != pane.toStdString());
        w->select(view.constData());
        QCOMPARE(w->paneText(), pane.toStdString());
    }

    void missingTargetShowsTheBoxAndChangesNothing() {
        for (const char* view : {"ping", "tracert", "nslookup"}) {
            fill(view, "", "", "");
            Text before = w->paneText();
            dialogs.boxes.clear();
            w->pressRun();
            QCOMPARE(dialogs.boxes.size(), size_t(1));
            const auto& box = dialogs.boxes[0];
            QCOMPARE(box.text, cp932("IPアドレスかホスト名を指定してください"));
            QVERIFY(box.owner == nullptr);
            QVERIFY(!box.caption.has_value());
            QCOMPARE(box.flags, 0u);
            QCOMPARE(w->paneText(), before);
            QVERIFY(!w->form().isModified());
            QVERIFY(runButton()->isEnabled());
            QVERIFY(lastCommandLine().empty());
        }
    }

    // A command that changes the network runs only on a Yes; the question names it. Which
    // commands ask is the command-line suite's table; the rows above ask nothing.
    void changingCommandAsksFirstAndNoRunsNothing() {
        for (const char* view : {"ipconfig", "arp", "route"}) {
            fill(view,
                 view == Text("ipconfig") ? "/release"
                 : view == Text("arp")    ? "-d"
                                          : "delete",
                 "192.0.2.1", "");
            const Text line = view == Text("ipconfig") ? "ipconfig /release"
                              : view == Text("arp")    ? "arp -d 192.0.2.1"
                                                       : "route delete 192.0.2.1";
            for (int answer : {int(tg::Dialogs::IdNo), int(tg::Dialogs::IdYes)}) {
                dialogs.boxes.clear();
                dialogs.answers = {answer};
                commandLines.clear();
                const Text before = w->paneText();
                const bool modifiedBefore = w->form().isModified();
                w->pressRun();
                QCOMPARE(dialogs.boxes.size(), size_t(1));
                const auto& box = dialogs.boxes[0];
                QCOMPARE(box.text,
                         cp932("次のコマンドは、このコンピューターのネットワーク設定を変更します。"
                               "\n\n") +
                             line + cp932("\n\n実行しますか？"));
                QCOMPARE(box.caption, std::optional<Text>(cp932("確認")));
                QCOMPARE(box.flags, 0x134u); // Yes and No, No the default
                if (answer == tg::Dialogs::IdNo) {
                    QVERIFY(lastCommandLine().empty());
                    QCOMPARE(w->paneText(), before);
                    QCOMPARE(w->form().isModified(), modifiedBefore);
                } else {
                    QCOMPARE(lastCommandLine(), line);
                    QVERIFY(w->form().isModified());
                }
                QVERIFY(runButton()->isEnabled());
            }
        }
    }

    void barsStepPerLineAndWrap() {
        // Echo of three lines plus 24 written: 27 lines take the bars past 250 once, to 10.
        fill("ping", "", "", "lines:24:5 sleep:30000");
        int mainAt = -1;
        int dialogAt = -1;
        size_t linesAt = 0;
        duringRun(&w->form(), [&](TAbortDlg* dialog) {
            waitFor(
                [&] { return w->control<tg::OutputPane>("RichEdit_Output")->lineCount() >= 27; });
            mainAt = mainBar();
            dialogAt = dialog->ProgressBar2->value();
            linesAt = tg::splitLines(w->paneText()).size();
        });
        w->pressRun();
        QCOMPARE(linesAt, size_t(27));
        QCOMPARE(mainAt, 10);
        QCOMPARE(dialogAt, 10);
        QCOMPARE(mainBar(), 0);
    }

    void closeBoxAndEnterAskForTheAbortAndDialogWaits() {
        fill("ping", "", "", "out:first\\n sleep:30000");
        bool stillOpenAfterClose = false;
        duringRun(
            &w->form(),
            [&](TAbortDlg* dialog) {
                waitFor([&] { return w->paneText().find("\r\nfirst\r\n") != Text::npos; });
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
        w->pressRun();
        QVERIFY(timer.elapsed() < 10000); // ended by the close, not by the command
        QVERIFY(stillOpenAfterClose);
        QCOMPARE(w->paneText(), Text("ping\r\n[out:first\\n]\r\n[sleep:30000]\r\nfirst\r\n"));

        fill("ping", "", "", "sleep:30000");
        duringRun(
            &w->form(),
            [&](TAbortDlg* dialog) {
                QTest::keyClick(dialog, Qt::Key_Escape); // not a way out
                QVERIFY(dialog->isVisible());
                QTest::keyClick(dialog, Qt::Key_Return);
            },
            false);
        timer.start();
        w->pressRun();
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY(w->form().findChild<TAbortDlg*>() == nullptr);
    }

    // Each run here is aborted as soon as its dialog shows; it still counts as a run.
    void statusTextsAndAbortAtOnce() {
        fill("ping", "", "", "sleep:30000");
        QString during;
        bool dialogShown = false;
        duringRun(&w->form(), [&](TAbortDlg* dialog) {
            during = w->statusText();
            dialogShown = dialog && dialog->isVisible();
        });
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(w->control("Edit_target"), Qt::Key_Return);
        QVERIFY(dialogShown);
        QVERIFY(timer.elapsed() < 10000); // it did not wait for the command
        QCOMPARE(lastCommandLine(), Text("ping  sleep:30000"));
        QCOMPARE(during, QStringLiteral("コマンド実行中"));
        QCOMPARE(w->statusText(), QStringLiteral("完了"));
        QVERIFY(w->form().isModified());
        QVERIFY(runButton()->isEnabled());
        QCOMPARE(w->form().getViewText()[size_t(w->form().getCurrentView())], w->paneText());

        commandLines.clear();
        duringRun(&w->form(), [&](TAbortDlg*) { during = w->statusText(); });
        QTest::mouseClick(runButton(), Qt::LeftButton);
        QCOMPARE(lastCommandLine(), Text("ping  sleep:30000"));
        QCOMPARE(during, QStringLiteral("コマンド実行中"));
        QCOMPARE(w->statusText(), QStringLiteral("完了"));
    }

    // The run button is the window's default: Enter presses it once, wherever the focus is.
    void enterAnywhereRunsOnce() {
        w->select("netstat");
        for (const char* name : {"Edit_option2", "cmbOption", "TabControl1", "RichEdit_Output"}) {
            commandLines.clear();
            QTest::keyClick(w->control(name), Qt::Key_Return);
            std::lock_guard lock(linesMutex);
            QCOMPARE(commandLines, std::vector<Text>{"netstat -an "});
        }
        std::atomic<int> reports{0};
        report = [&](tg::RunContext&) { ++reports; };
        w->select("winconf");
        QTest::keyClick(&w->form(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(reports.load(), 1);
    }

    void bothBarsRepaintAtEveryStep() {
        // Records each value a bar takes and each value it is painted with.
        struct PaintLog : QObject {
            explicit PaintLog(QProgressBar* bar) : QObject(bar), bar(bar) {
                bar->installEventFilter(this);
                connect(bar, &QProgressBar::valueChanged, this, [this](int v) { set << v; });
            }
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Paint)
                    painted << bar->value();
                return false;
            }
            QProgressBar* bar;
            QList<int> set, painted;
        };
        fill("ping", "", "", "sleep:100 out:a\\n sleep:100 out:b\\n sleep:30000");
        QList<int> unpainted[2];
        duringRun(&w->form(), [&](TAbortDlg* dialog) {
            PaintLog* logs[] = {new PaintLog(w->control<QProgressBar>("ProgressBar1")),
                                new PaintLog(dialog->ProgressBar2)};
            waitFor([&] { return w->paneText().find("\r\nb\r\n") != Text::npos; });
            for (int i = 0; i < 2; ++i) {
                // A paint that never comes shows below as a value left unpainted.
                (void)waitFor([&] { return logs[i]->painted.endsWith(logs[i]->set.last()); });
                for (int value : logs[i]->set)
                    if (!logs[i]->painted.contains(value))
                        unpainted[i] << value;
                delete logs[i];
            }
        });
        w->pressRun();
        QCOMPARE(unpainted[0], QList<int>());
        QCOMPARE(unpainted[1], QList<int>());
    }

    void commandThatCannotStart() {
        QTemporaryDir empty;
        commandDir = tg::fromQString(empty.path());
        fill("ping", "", "", "host");
        w->pressRun();
        commandDir = TG_FAKE_BIN_DIR;
        QCOMPARE(w->paneText(), cp932("コマンドを実行できませんでした: ping\r\n"));
        QVERIFY(w->form().isModified());
        QVERIFY(runButton()->isEnabled());
    }

    void systemInformationBody() {
        w->select("winconf");
        w->pressRun(); // no body: ends at once
        QCOMPARE(w->paneText(), Text());
        QVERIFY(w->form().isModified());

        QPointer<TAbortDlg> dialogSeen;
        std::atomic<bool> seen{false};
        std::vector<int> barsAtBoxes; // both bars as each box is shown
        QStringList owners;
        dialogs.onMessageBox = [&](const ScriptedDialogs::Box& box) {
            owners << (box.owner == dialogSeen.data() ? "dialog" : box.owner ? "other" : "none");
            barsAtBoxes.push_back(mainBar());
            barsAtBoxes.push_back(dialogSeen->ProgressBar2->value());
            // The first box's owner asks for the abort: the next step moves no bar.
            if (barsAtBoxes.size() == 2)
                dialogSeen->OKBtn->click();
        };
        report = [&](tg::RunContext& context) {
            // Holds the run open until the test has looked at its dialog.
            QDeadlineTimer until(10000);
            while (!seen && !until.hasExpired())
                QThread::msleep(1);
            context.appendReportLine("line 1");
            context.stepProgress();
            context.messageBox(true, "owned", "caption", 0x30);
            context.stepProgress();
            context.messageBox(false, "unowned", "caption", 0x30);
            context.deliverLines(tg::LineBatch{"line 2", "line 3"});
        };
        duringRun(
            &w->form(),
            [&](TAbortDlg* dialog) {
                dialogSeen = dialog;
                seen = true;
            },
            false);
        w->pressRun();
        dialogs.onMessageBox = nullptr;
        QCOMPARE(w->paneText(), Text("line 1\r\nline 2\r\nline 3\r\n"));
        QCOMPARE(dialogs.boxes.size(), size_t(2));
        QCOMPARE(owners, (QStringList{"dialog", "none"}));
        QCOMPARE(dialogs.boxes[0].caption, std::optional<Text>("caption"));
        QCOMPARE(dialogs.boxes[0].flags, 0x30u);
        QCOMPARE(barsAtBoxes, (std::vector<int>{10, 10, 10, 10}));
        QCOMPARE(mainBar(), 0);
    }

    // The window shows one batch while the worker reads the next; whatever the pace, lines arrive
    // whole and in order, and a failure in showing them ends the run with its text at once.
    void handoversKeepOrderAndEndOnAFailure_data() {
        QTest::addColumn<QByteArray>("steps");
        QTest::addColumn<bool>("failAtA"); // showing the batch with the line "a" fails
        QTest::addColumn<QByteArray>("expected");
        Text flood;
        for (int group = 0; group < 3; ++group) {
            for (int n = 1; n <= 3000; ++n) {
                Text line = std::to_string(n) + ' ';
                while (line.size() < 20)
                    line += static_cast<char>('a' + line.size() % 26);
                flood += line + "\r\n";
            }
        }
        QTest::newRow("flood in pauses") << QByteArray("lines:3000:20 sleep:40 lines:3000:20 "
                                                       "sleep:40 lines:3000:20")
                                         << false << QByteArray::fromStdString(flood);
        QTest::newRow("failure, then silence")
            << QByteArray("out:a\\nb\\n sleep:30000") << true << QByteArray("a\r\nb\r\nbroken\r\n");
        QTest::newRow("failure amid a flood")
            << QByteArray("out:a\\n sleep:40 lines:20000:20 sleep:30000") << true
            << QByteArray("a\r\nbroken\r\n");
    }

    void handoversKeepOrderAndEndOnAFailure() {
        QFETCH(QByteArray, steps);
        QFETCH(bool, failAtA);
        QFETCH(QByteArray, expected);
        tg::OutputPane pane;
        auto* worker = new GetInfoThread;
        worker->mode = WorkerMode::Command;
        worker->commandName = "ping";
        worker->commandArgs = steps.toStdString();
        worker->startChild = [this](const Text& line, bool isNT,
                                    const tg::platform::WakeSignal& wake) {
            return tg::test::startFromFolder(commandDir, line, isNT, wake);
        };
        worker->outputPane = &pane;
        int batches = 0;
        worker->linesShown = [&](const tg::LineBatch& lines) {
            ++batches;
            const std::vector<Text> all = lines.lines();
            if (failAtA && std::find(all.begin(), all.end(), "a") != all.end())
                throw tg::Error("broken");
        };
        TAbortDlg dialog(&w->form(), worker);
        QElapsedTimer took;
        took.start();
        dialog.exec();
        QVERIFY(took.elapsed() < 10000); // not the child's 30 s
        // The fake ping first echoes its name and arguments.
        const Text shown = pane.text();
        const Text echo = shown.substr(0, shown.find("]\r\n", shown.rfind("\r\n[")) + 3);
        QCOMPARE(shown.substr(echo.size()), expected.toStdString());
        if (!failAtA)
            QVERIFY(batches >= 3);
    }

    void workerWithNothingToDoClosesItsDialog() {
        auto* worker = new GetInfoThread;
        QPointer<GetInfoThread> alive(worker);
        TAbortDlg dialog(&w->form(), worker);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(dialog.isFinished());
        QTRY_VERIFY(alive.isNull()); // freed after its end-of-run notification
    }
};

QTEST_MAIN(RunRequestTest)
#include "RunRequestTest.moc"
