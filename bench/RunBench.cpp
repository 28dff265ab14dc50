// A command run end to end (child, runner, worker, dialog, pane) against the floor of putting
// the same lines into the same kind of pane with no child and no thread; then how fast an abort
// ends a run whose command is silent, and what waiting costs meanwhile.

#include "commands/AbortDlg.h"
#include "commands/Getinfothread.h"
#include "text/StringList.h"
#include "ui/TextPane.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kLines = 200000;
constexpr int kLength = 70;
// The floor is the best of these block sizes, so that it stays a floor.
constexpr size_t kFloorBlocks[] = {1000, 10000, 50000, 200000};

struct Window {
    QWidget widget;
    tg::TextPane* pane;
    QProgressBar* bar;

    Window() {
        auto* layout = new QVBoxLayout(&widget);
        pane = new tg::TextPane(&widget);
        bar = new QProgressBar(&widget);
        bar->setRange(0, 250);
        layout->addWidget(pane);
        layout->addWidget(bar);
        widget.resize(708, 480);
        widget.show();
    }
};

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Starts a command run the way the run button does and returns when the dialog has closed;
// during() runs once the dialog's loop is up.
void runCommand(Window& window, const tg::Text& args,
                const std::function<void(TAbortDlg*)>& during) {
    auto* worker = new GetInfoThread;
    worker->mode = 1;
    worker->commandName = tg::Text("\"") + TG_FIXTURE_CHILD + "\"";
    worker->commandArgs = args;
    worker->outputPane = window.pane;
    worker->mainProgress = window.bar;
    TAbortDlg dialog(&window.widget, worker);
    if (during)
        QTimer::singleShot(0, &dialog, [&] { during(&dialog); });
    dialog.exec();
}

double endToEnd(Window& window, std::vector<tg::Text>& lines) {
    window.pane->clearText();
    auto start = Clock::now();
    runCommand(window, "lines:" + std::to_string(kLines) + ":" + std::to_string(kLength), {});
    double took = seconds(Clock::now() - start);
    lines = tg::splitLines(window.pane->text());
    return took;
}

double floorRun(Window& window, const std::vector<tg::Text>& lines, size_t block) {
    window.pane->clearText();
    QApplication::processEvents();
    auto start = Clock::now();
    for (size_t at = 0; at < lines.size(); at += block) {
        size_t end = std::min(lines.size(), at + block);
        window.pane->appendLines(std::vector<tg::Text>(lines.begin() + at, lines.begin() + end));
        QApplication::processEvents();
    }
    return seconds(Clock::now() - start);
}

double floorRun(Window& window, const std::vector<tg::Text>& lines) {
    double best = 1e9;
    for (size_t block : kFloorBlocks) {
        double took = floorRun(window, lines, block);
        std::printf("  floor in blocks of %zu lines: %.3f s\n", block, took);
        best = std::min(best, took);
    }
    return best;
}

struct AbortFigures {
    double latency;  // seconds from the abort to the dialog's loop ending
    double cpuShare; // this process's CPU time over the wait, as a share of the wait
};

AbortFigures abortAfter(Window& window, int waitMs) {
    window.pane->clearText();
    Clock::time_point abortedAt;
    double cpuShare = 0;
    std::clock_t cpuStart = 0;
    Clock::time_point waitStart;
    runCommand(window, "out:waiting\\n sleep:" + std::to_string(waitMs * 2),
               [&](TAbortDlg* dialog) {
                   cpuStart = std::clock();
                   waitStart = Clock::now();
                   QTimer::singleShot(waitMs, dialog, [&, dialog] {
                       double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
                       cpuShare = cpu / seconds(Clock::now() - waitStart);
                       abortedAt = Clock::now();
                       dialog->OKBtn->click();
                   });
               });
    return {seconds(Clock::now() - abortedAt), cpuShare};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Window window;

    std::printf("%d lines of %d bytes\n", kLines, kLength);
    std::vector<tg::Text> lines;
    endToEnd(window, lines); // warm-up, and the lines for the floor
    if (lines.size() != kLines) {
        std::printf("end to end delivered %zu lines, not %d\n", lines.size(), kLines);
        return 1;
    }
    std::vector<double> ratios;
    for (int round = 1; round <= 5; ++round) {
        std::vector<tg::Text> got;
        double e2e = endToEnd(window, got);
        double floor = floorRun(window, lines);
        if (got != lines) {
            std::printf("end-to-end lines differ from the first run\n");
            return 1;
        }
        ratios.push_back(e2e / floor);
        std::printf("round %d: end to end %.3f s, floor %.3f s, ratio %.2f\n", round, e2e, floor,
                    e2e / floor);
    }
    std::printf("median ratio end to end / floor: %.2f (goal under 2)\n", median(ratios));

    AbortFigures silent = abortAfter(window, 5000);
    std::printf("child silent 5 s: abort to end of run %.2f ms (goal under 10), "
                "CPU while waiting %.3f%% of the wait (goal under 1%%)\n",
                silent.latency * 1000, silent.cpuShare * 100);
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i)
        latencies.push_back(abortAfter(window, 100).latency * 1000);
    std::printf("20 aborts after 100 ms: median %.2f ms, worst %.2f ms\n", median(latencies),
                *std::max_element(latencies.begin(), latencies.end()));
    return 0;
}
