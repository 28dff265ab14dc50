#include "commands/Getinfothread.h"

#include "commands/AbortDlg.h"
#include "commands/CommandRunner.h"
#include "commands/LineAssembly.h"
#include "text/Error.h"
#include "ui/Dialogs.h"
#include "ui/OutputPane.h"

#include <QProgressBar>
#include <QTimerEvent>

#include <exception>

namespace {

// A bar repaints itself at once for a change wider than one of its chunks (and not for a narrower
// one): it is painted with the next frame instead (paintBarsSoon), after the worker has gone back
// to reading.
void stepBar(QProgressBar* bar, size_t steps) {
    if (bar && steps > 0) {
        bar->setUpdatesEnabled(false);
        bar->setValue(tg::progressAfterSteps(bar->value(), steps));
    }
}

// Shows a bar's place as it is now.
void paintBar(QProgressBar* bar) {
    if (bar && !bar->updatesEnabled()) {
        bar->setUpdatesEnabled(true);
        bar->update();
    }
}

void zeroBar(QProgressBar* bar) {
    if (bar)
        bar->setValue(0);
}

} // namespace

GetInfoThread::GetInfoThread(QObject* parent) : QThread(parent) {
    // This object lives on the GUI thread, so the end-of-run notification runs there.
    connect(this, &QThread::finished, this, &GetInfoThread::finishRun);
}

GetInfoThread::~GetInfoThread() {
    wait();
}

void GetInfoThread::requestTermination() {
    wake_.set();
}

void GetInfoThread::run() {
    tg::RunOutcome result;
    try {
        if (mode == WorkerMode::Command) {
            ChildStarter start = startChild ? startChild : tg::platform::startChildProcess;
            result = tg::runChildProcess(commandName, commandArgs, *this,
                                         [this, &start](const tg::Text& commandLine) {
                                             return start(commandLine, isNT, wake_);
                                         });
        } else if (mode == WorkerMode::SystemInfo && systemReport) {
            systemReport(*this);
        }
    } catch (const std::exception&) {
        // The body shows its own failures; whatever ended it, finishRun still follows.
    }
    // The report shows a box only when it cannot read the system at all.
    if (mode == WorkerMode::SystemInfo && boxShown_)
        result.ending = tg::RunEnding::CouldNotStart;
    else if (mode == WorkerMode::SystemInfo && terminationRequested())
        result.ending = tg::RunEnding::Aborted;
    if (outcome)
        *outcome = result;
    // What was held back reaches the window however the body ended.
    try {
        if (!held_.empty())
            onGuiThread([] {});
    } catch (const std::exception&) {
    }
}

void GetInfoThread::finishRun() {
    wait();
    paintBars();
    if (outputPane)
        outputPane->showAppended();
    if (dialog)
        dialog->finish();
    zeroBar(mainProgress);
    zeroBar(dialogProgress);
    deleteLater();
}

void GetInfoThread::onGuiThread(const std::function<void()>& work) {
    std::vector<std::optional<tg::Text>> held;
    held.swap(held_);
    tg::Text failure;
    bool failed = false;
    auto guarded = [&] {
        try {
            std::vector<tg::Text> lines;
            auto addLines = [&] {
                if (outputPane)
                    outputPane->appendLines(lines);
                lines.clear();
            };
            for (auto& item : held) {
                if (item) {
                    lines.push_back(std::move(*item));
                } else {
                    addLines();
                    stepBars();
                }
            }
            addLines();
            work();
        } catch (const std::exception& error) {
            failed = true;
            failure = error.what();
        }
    };
    if (QThread::currentThread() == thread())
        guarded();
    else
        QMetaObject::invokeMethod(this, guarded, Qt::BlockingQueuedConnection);
    lastHandover_ = std::chrono::steady_clock::now();
    if (failed)
        throw tg::Error(failure);
}

void GetInfoThread::showLines(const tg::LineBatch& lines) {
    if (outputPane)
        outputPane->appendBatch(lines);
    if (linesShown)
        linesShown(lines);
    stepBar(mainProgress, lines.lineCount());
    stepBar(dialogProgress, lines.lineCount());
    paintBarsSoon();
}

// A flood steps the bars many times a frame; they are painted once a frame at most.
void GetInfoThread::paintBarsSoon() {
    if (barsFrame_.isActive())
        return;
    constexpr qint64 kFrameMs = 16;
    const qint64 since = barsPainted_.isValid() ? barsPainted_.elapsed() : kFrameMs;
    if (since >= kFrameMs)
        paintBars();
    else
        barsFrame_.start(static_cast<int>(kFrameMs - since), this);
}

void GetInfoThread::paintBars() {
    barsFrame_.stop();
    barsPainted_.start();
    paintBar(mainProgress);
    paintBar(dialogProgress);
}

void GetInfoThread::timerEvent(QTimerEvent* event) {
    if (event->timerId() == barsFrame_.timerId())
        paintBars();
    else
        QThread::timerEvent(event);
}

void GetInfoThread::deliverLines(const tg::LineBatch& lines) {
    if (lines.empty())
        return;
    onGuiThread([&] { showLines(lines); });
}

// The report's lines and progress steps go to the window together, in their order, at a command
// run's pace; a message box or the end of the run takes whatever is held.
void GetInfoThread::hold(std::optional<tg::Text> line) {
    held_.push_back(std::move(line));
    if (std::chrono::steady_clock::now() - lastHandover_ >= tg::kDeliveryInterval)
        onGuiThread([] {});
}

void GetInfoThread::appendReportLine(const tg::Text& line) {
    hold(line);
}

void GetInfoThread::stepProgress() {
    hold(std::nullopt);
}

void GetInfoThread::stepBars() {
    // An abort can arrive between the worker's look at the flag and the step.
    if (!terminationRequested())
        stepBar(mainProgress, 1);
    if (!terminationRequested())
        stepBar(dialogProgress, 1);
    paintBarsSoon();
}

void GetInfoThread::resetProgress() {
    onGuiThread([&] {
        paintBars();
        zeroBar(mainProgress);
        zeroBar(dialogProgress);
    });
}

int GetInfoThread::messageBox(bool ownedByDialog, const tg::Text& text, const tg::Text& caption,
                              unsigned flags) {
    int answer = 0;
    boxShown_ = true;
    onGuiThread([&] {
        QWidget* owner = ownedByDialog ? static_cast<QWidget*>(dialog.data()) : nullptr;
        answer = tg::dialogs().messageBox(owner, text, caption, flags);
    });
    return answer;
}
