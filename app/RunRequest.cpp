// The run button: the run request, the two run starters and the button's status texts.

#include "app/Application.h"
#include "app/RecentInputs.h"
#include "app/Unit1.h"
#include "commands/AbortDlg.h"
#include "commands/CommandLine.h"
#include "commands/Getinfothread.h"
#include "commands/LatencyChart.h"
#include "commands/ViewCatalogue.h"
#include "text/Codec.h"
#include "ui/Dialogs.h"
#include "ui/FindBar.h"
#include "ui/OutputPane.h"
#include "ui/QtText.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace {

// Mouse presses and releases on the run button, reported around the button's own handling so
// that the release's status text comes after the click's run.
class RunButtonMouse : public QObject {
public:
    RunButtonMouse(TMainForm* form, QPushButton* button) : QObject(button), form_(form) {
        button->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            form_->Button_UpdateMouseDown();
        } else if (event->type() == QEvent::MouseButtonRelease && !releasing_) {
            releasing_ = true;
            watched->event(event); // the button clicks, and the run takes place, here
            releasing_ = false;
            form_->Button_UpdateMouseUp();
            return true;
        }
        return false;
    }

private:
    TMainForm* form_;
    bool releasing_ = false;
};

} // namespace

void TMainForm::connectRunRequest() {
    connect(Button_Update, &QPushButton::clicked, this,
            tg::guarded([this] { Button_UpdateClick(); }));
    new RunButtonMouse(this, Button_Update);
}

// The run button is the window's default button: an Enter that no control takes for itself
// reaches the window and presses it, wherever the focus is, as in a dialog.
void TMainForm::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && modifiers == Qt::NoModifier && Button_Update->isEnabled() &&
        Button_Update->isVisible()) {
        Button_Update->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TMainForm::Button_UpdateMouseDown() {
    StatusPanel->setText(QStringLiteral("コマンド実行中"));
}

void TMainForm::Button_UpdateMouseUp() {
    StatusPanel->setText(QStringLiteral("完了"));
}

bool TMainForm::checkTarget(int slot) {
    if (tg::checkTarget(slot, tg::fromQString(Edit_target->text())))
        return true;
    tg::dialogs().messageBox(nullptr, tg::utf8ToCp932("IPアドレスかホスト名を指定してください"),
                             std::nullopt, tg::Dialogs::MbOk);
    return false;
}

// On a remote desktop such a command can cut the user's own connection: it runs only on a Yes.
bool TMainForm::confirmNetworkChange(const tg::CommandParts& command) {
    if (!tg::changesNetworkSettings(command))
        return true;
    const tg::Text text =
        tg::utf8ToCp932("次のコマンドは、このコンピューターのネットワーク設定を変更します。\n\n") +
        tg::commandLineOf(command.word, command.args) + tg::utf8ToCp932("\n\n実行しますか？");
    return tg::dialogs().messageBox(this, text, tg::utf8ToCp932("確認"),
                                    tg::Dialogs::MbYesNo | tg::Dialogs::MbIconExclamation |
                                        tg::Dialogs::MbDefButton2) == tg::Dialogs::IdYes;
}

void TMainForm::Button_UpdateClick() {
    const int view = currentView;
    const int slot = tg::slotOfView(view, isNT);
    if (!checkTarget(slot))
        return;
    const tg::RunInputs inputs{
        tg::fromQString(cmbOption->currentText()), tg::fromQString(Edit_option2->text()),
        tg::fromQString(Edit_target->text()), tg::fromQString(Edit_option->text())};
    if (slot != 0 && !confirmNetworkChange(tg::commandFor(slot, inputs)))
        return;
    recentInputs->remember(slot, inputs, optionList, *iniFile);

    // Said here, not only on a mouse press: a run started with Enter lasts as long.
    StatusPanel->setText(QStringLiteral("コマンド実行中"));
    Button_Update->setEnabled(false);
    // The button comes back even when starting the run fails.
    struct Enable {
        QPushButton* button;
        ~Enable() { button->setEnabled(true); }
    } enableAgain{Button_Update};

    runView(view, tg::commandFor(slot, inputs));
    StatusPanel->setText(QStringLiteral("完了"));
}

// Runs the view, which is the current one, into the pane; its output becomes the view's text and
// the run its record.
void TMainForm::runView(int view, const tg::CommandParts& command) {
    const int slot = tg::slotOfView(view, isNT);
    RichEdit_Output->clearText();
    Chart_latency->startRun(tg::latencyKindOf(slot));
    tg::RunRecord record;
    record.command =
        slot == 0 ? tg::Text("winconf") : tg::commandLineOf(command.word, command.args);
    record.started = tg::localTimeText(std::chrono::system_clock::now());
    lastRunOutcome_ = {};
    if (slot == 0)
        runSystemInfo();
    else
        runCommand(command.word, command.args);
    record.ended = tg::localTimeText(std::chrono::system_clock::now());
    record.ending = lastRunOutcome_.ending;
    record.exitCode = lastRunOutcome_.exitCode;
    // The pane's bytes become the view's text; the pane goes on showing them from there.
    RichEdit_Output->moveTextTo(document.text(static_cast<size_t>(view)));
    document.runEnded(static_cast<size_t>(view), std::move(record));
    showRunRecord();
    Panel_find->refresh();
    closeAnswered_ = false;
}

void TMainForm::showRunRecord() {
    const auto& record = document.record(static_cast<size_t>(currentView));
    RichEdit_Output->setToolTip(record ? tg::toQString(tg::recordDescription(*record)) : QString());
}

void TMainForm::runSystemInfo() {
    auto* worker = new GetInfoThread;
    worker->mode = WorkerMode::SystemInfo;
    worker->systemReport = systemReport_;
    runWorker(worker);
}

void TMainForm::runCommand(tg::Text commandName, tg::Text commandArgs) {
    auto* worker = new GetInfoThread;
    worker->mode = WorkerMode::Command;
    worker->isNT = isNT;
    worker->commandName = std::move(commandName);
    worker->commandArgs = std::move(commandArgs);
    worker->startChild = startChild_;
    runWorker(worker);
}

void TMainForm::runWorker(GetInfoThread* worker) {
    worker->outputPane = RichEdit_Output;
    // A hidden chart reads nothing, during a run as at a switch of views: it is drawn from the
    // view's text when it is shown, and the window takes no input while a run lasts.
    if (Chart_latency->isVisibleTo(this)) {
        worker->linesShown = [chart = Chart_latency](const tg::LineBatch& lines) {
            chart->addLines(lines);
        };
    }
    worker->mainProgress = ProgressBar1;
    worker->outcome = &lastRunOutcome_;
    TAbortDlg dialog(this, worker); // starts the worker, which frees itself after the run
    if (!runStep_.isEmpty()) {
        dialog.Label1->setText(runStep_);
        dialog.Label1->adjustSize();
    }
    dialog.exec();
    // Should the loop end otherwise (the application quitting), the run still stops first.
    while (!dialog.isFinished()) {
        dialog.OKBtnClick();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
