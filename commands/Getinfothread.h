#pragma once

#include "commands/CommandRunner.h"
#include "commands/RunContext.h"
#include "platform/Process.h"
#include "text/Text.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QPointer>
#include <QThread>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QProgressBar;
class TAbortDlg;

namespace tg {
class OutputPane;
}

// What a worker runs.
enum class WorkerMode { None, SystemInfo, Command };

// The body of a system-information run.
using SystemReportBody = std::function<void(tg::RunContext&)>;
// Starts the child process of a command run.
using ChildStarter = std::function<std::unique_ptr<tg::platform::ChildProcess>(
    const tg::Text& commandLine, bool isNT, const tg::platform::WakeSignal& wake)>;

// The worker of one run. Created suspended; its dialog starts it; after the body has returned,
// finishRun closes the dialog on the GUI thread and the worker deletes itself. Everything the
// body changes in the window is handed to the GUI thread, and the body waits until it is done.
class GetInfoThread : public QThread, public tg::RunContext {
    Q_OBJECT
public:
    explicit GetInfoThread(QObject* parent = nullptr);
    ~GetInfoThread() override;

    // Set by the starter before the dialog starts the worker.
    tg::Text commandArgs;
    tg::Text commandName;
    tg::OutputPane* outputPane = nullptr;
    QProgressBar* mainProgress = nullptr;
    QProgressBar* dialogProgress = nullptr;
    QPointer<TAbortDlg> dialog;
    bool isNT = true;
    WorkerMode mode = WorkerMode::None;
    SystemReportBody systemReport; // the body of SystemInfo; none returns at once
    ChildStarter startChild;       // none starts the command the platform's way
    // Where the worker leaves how the run ended, before the end-of-run notification; may be none.
    tg::RunOutcome* outcome = nullptr;
    // Sees each batch of a command's output lines once the pane shows them, on the GUI thread.
    std::function<void(const tg::LineBatch&)> linesShown;

    // The abort: on the GUI thread.
    void requestTermination();

    bool terminationRequested() const override { return wake_.isSet(); }
    void deliverLines(const tg::LineBatch& lines) override;
    void appendReportLine(const tg::Text& line) override;
    void stepProgress() override;
    void resetProgress() override;
    int messageBox(bool ownedByDialog, const tg::Text& text, const tg::Text& caption,
                   unsigned flags) override;

protected:
    void run() override;
    void timerEvent(QTimerEvent* event) override;

private:
    void finishRun();
    // Runs work on the GUI thread, after what the report holds back, and returns when it is done
    // there; an error raised there is raised again here.
    void onGuiThread(const std::function<void()>& work);
    // Keeps a report line or progress step (no line) for the next handover, which comes at once
    // when the last one is a while ago.
    void hold(std::optional<tg::Text> line);
    void stepBars();                            // on the GUI thread
    void showLines(const tg::LineBatch& lines); // on the GUI thread
    void paintBarsSoon();                       // on the GUI thread
    void paintBars();                           // on the GUI thread

    tg::platform::WakeSignal wake_;
    bool boxShown_ = false; // on the worker thread only
    std::vector<std::optional<tg::Text>> held_;
    std::chrono::steady_clock::time_point lastHandover_{};
    QElapsedTimer barsPainted_;
    QBasicTimer barsFrame_;
};
