// The run path and the output pane, each against a floor measured in the same run:
// - 200,000 lines end to end (child, runner, worker, dialog, pane) against putting the same lines
//   into the same kind of pane with no child and no thread;
// - a million lines in the real window against the pipe (the same child's output read, converted
//   and cut into lines by the runner with no pane), and the pane's resident memory against the
//   bytes it holds;
// - how fast an abort ends a run whose command is silent, and what waiting costs meanwhile;
// - a 50 MB document opened, shown and saved in the real window, against reading and writing
//   its bytes;
// - the system report in the real window against the report's own work.
// Ratios need a quiet machine: the load average and the number of CPUs are printed at the start
// and the end, and a ratio taken while the load is above half the CPUs says so.

#include "support/MainWindowDriver.h"
#include "support/ScriptedDialogs.h"

#include "commands/AbortDlg.h"
#include "commands/CommandRunner.h"
#include "commands/Getinfothread.h"
#include "platform/Memory.h"
#include "sysinfo/SystemReportBody.h"
#include "text/FileName.h"
#include "text/StringList.h"
#include "ui/Fonts.h"
#include "ui/OutputPane.h"

#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#else
#include <stdlib.h>
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
using tg::Text;
constexpr int kLines = 200000;
constexpr int kLength = 70;
// The floor is the best of these block sizes, so that it stays a floor.
constexpr size_t kFloorBlocks[] = {1000, 10000, 50000, 200000};
// Rounds of the 200,000 and the million lines cases (--rounds=N): a profiler wants one.
int rounds = 5;

struct Window {
    QWidget widget;
    tg::OutputPane* pane;
    QProgressBar* bar;

    Window() {
        auto* layout = new QVBoxLayout(&widget);
        pane = new tg::OutputPane(&widget);
        pane->setFont(tg::fixedFont()); // as the main window's pane
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

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double spread(const std::vector<double>& v) {
    auto [low, high] = std::minmax_element(v.begin(), v.end());
    return *high - *low;
}

// The one-minute load average; negative where the system keeps none.
double loadAverage() {
#ifdef _WIN32
    return -1;
#else
    double load[1];
    return getloadavg(load, 1) == 1 ? load[0] : -1;
#endif
}

unsigned cpuCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

double startLoad = -1;

bool busy(double load) {
    return load > cpuCount() / 2.0;
}

void printLoad(const char* when) {
    const double load = loadAverage();
    if (load < 0)
        std::printf("%s: load average not known here, %u CPUs\n", when, cpuCount());
    else
        std::printf("%s: load average %.2f, %u CPUs%s\n", when, load, cpuCount(),
                    busy(load) ? " (above half the CPUs: a busy machine)" : "");
}

// Marks a ratio taken while the machine was busy with other work, at the start or now.
const char* underLoad() {
    return busy(std::max(startLoad, loadAverage())) ? " [taken under load]" : "";
}

// Resident bytes of this process, with the allocator's free memory handed back first so that
// what an earlier case left over does not count.
double residentBytes(bool trimFirst) {
#ifdef __GLIBC__
    if (trimFirst)
        malloc_trim(0);
#else
    (void)trimFirst;
#endif
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.WorkingSetSize);
#else
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
#endif
}

// CPU time of this process, all its threads; what other programs take of the machine does not
// count, so that it compares runs on a busy machine too.
double processCpuSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& t) {
        return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) * 1e-7;
    };
    return value(kernel) + value(user);
#else
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
}

// A run that keeps nothing: counts what the runner or the report hands over.
class CountingRun : public tg::RunContext {
public:
    size_t lines = 0;
    bool terminationRequested() const override { return false; }
    void deliverLines(const tg::LineBatch& delivered) override { lines += delivered.lineCount(); }
    void appendReportLine(const Text&) override { ++lines; }
    void stepProgress() override {}
    void resetProgress() override {}
    int messageBox(bool, const Text&, const Text&, unsigned) override { return 0; }
};

// Starts a command run the way the run button does and returns when the dialog has closed;
// during() runs once the dialog's loop is up.
void runCommand(Window& window, const Text& args, const std::function<void(TAbortDlg*)>& during) {
    auto* worker = new GetInfoThread;
    worker->mode = WorkerMode::Command;
    worker->commandName = Text("\"") + TG_FIXTURE_CHILD + "\"";
    worker->commandArgs = args;
    worker->outputPane = window.pane;
    worker->mainProgress = window.bar;
    TAbortDlg dialog(&window.widget, worker);
    if (during)
        QTimer::singleShot(0, &dialog, [&] { during(&dialog); });
    dialog.exec();
}

double endToEnd(Window& window, std::vector<Text>& lines) {
    window.pane->clearText();
    auto start = Clock::now();
    runCommand(window, "lines:" + std::to_string(kLines) + ":" + std::to_string(kLength), {});
    QApplication::processEvents();
    double took = seconds(Clock::now() - start);
    lines = tg::splitLines(window.pane->text());
    return took;
}

double floorRun(Window& window, const std::vector<Text>& lines, size_t block) {
    window.pane->clearText();
    QApplication::processEvents();
    auto start = Clock::now();
    for (size_t at = 0; at < lines.size(); at += block) {
        size_t end = std::min(lines.size(), at + block);
        window.pane->appendLines(std::vector<Text>(lines.begin() + at, lines.begin() + end));
        QApplication::processEvents();
    }
    return seconds(Clock::now() - start);
}

double floorRun(Window& window, const std::vector<Text>& lines) {
    double best = 1e9;
    for (size_t block : kFloorBlocks)
        best = std::min(best, floorRun(window, lines, block));
    return best;
}

bool twoHundredThousandLines(Window& window) {
    std::printf("%d lines of %d bytes\n", kLines, kLength);
    std::vector<Text> lines;
    endToEnd(window, lines); // warm-up, and the lines for the floor
    if (lines.size() != kLines) {
        std::printf("end to end delivered %zu lines, not %d\n", lines.size(), kLines);
        return false;
    }
    std::vector<double> ratios;
    for (int round = 1; round <= rounds; ++round) {
        std::vector<Text> got;
        double e2e = endToEnd(window, got);
        double floor = floorRun(window, lines);
        if (got != lines) {
            std::printf("end-to-end lines differ from the first run\n");
            return false;
        }
        ratios.push_back(e2e / floor);
        std::printf("  round %d: end to end %.3f s, pane floor %.3f s, ratio %.2f\n", round, e2e,
                    floor, e2e / floor);
    }
    std::printf(
        "200,000 lines: end to end / pane floor %.2fx median, spread %.2f (goal under 2)%s\n",
        median(ratios), spread(ratios), underLoad());
    // What a run costs whatever it prints: the worker, the child, the dialog.
    std::vector<double> oneLine;
    for (int round = 1; round <= rounds; ++round) {
        window.pane->clearText();
        const auto start = Clock::now();
        runCommand(window, "lines:1:" + std::to_string(kLength), {});
        QApplication::processEvents();
        oneLine.push_back(seconds(Clock::now() - start));
    }
    std::printf("a run of one line: %.1f ms median\n", median(oneLine) * 1000);
    return true;
}

// The ping view's run in the real window, until its dialog has closed and the pane has painted.
double windowRun(tg::test::MainWindowDriver& w, const Text& steps) {
    w.select("ping");
    w.type("cmbOption", QString());
    w.type("Edit_target", QString::fromStdString(steps));
    auto start = Clock::now();
    w.pressRun();
    QApplication::processEvents();
    return seconds(Clock::now() - start);
}

// The same command as the window's run, through the runner's own reading, conversion and line
// cutting, with nothing shown.
double pipeFloor(const Text& steps, size_t& lines) {
    tg::platform::WakeSignal wake;
    CountingRun run;
    auto start = Clock::now();
    tg::runChildProcess("ping", steps, run, [&](const Text& commandLine) {
        return tg::platform::startChildProcess(commandLine, true, wake);
    });
    lines = run.lines;
    return seconds(Clock::now() - start);
}

bool millionLines(tg::test::MainWindowDriver& w) {
    constexpr long kMillion = 1000000;
    const Text steps = "lines:" + std::to_string(kMillion) + ":60";
    std::vector<double> pipes;
    std::vector<double> memories;
    std::vector<double> cpus;
    double e2e = 0;
    double floor = 0;
    double e2eCpu = 0;
    double floorCpu = 0;
    double growth = 0;
    size_t bytes = 0;
    for (int round = 1; round <= rounds; ++round) {
        // Both runs start from an allocator that has handed its free memory back, and take turns
        // at going first.
        size_t floorLines = 0;
        auto measureFloor = [&] {
            residentBytes(true);
            const double cpu = processCpuSeconds();
            floor = pipeFloor(steps, floorLines);
            floorCpu = processCpuSeconds() - cpu;
        };
        if (round % 2 == 1)
            measureFloor();
        w.form().FileNew1Execute(); // the last round's text goes
        const double before = residentBytes(true);
        const double cpu = processCpuSeconds();
        e2e = windowRun(w, steps);
        e2eCpu = processCpuSeconds() - cpu;
        growth = residentBytes(false) - before;
        bytes = w.paneText().size();
        if (round % 2 == 0)
            measureFloor();
        const size_t shown = tg::splitLines(w.paneText()).size();
        if (shown != floorLines || shown != kMillion + 2) {
            std::printf("the window showed %zu lines, the pipe gave %zu\n", shown, floorLines);
            return false;
        }
        pipes.push_back(e2e / floor);
        memories.push_back(growth / static_cast<double>(bytes));
        cpus.push_back(e2eCpu / floorCpu);
        std::printf("  round %d: end to end %.3f s, pipe floor %.3f s, %.1f MB of text, resident "
                    "+%.1f MB; CPU of this process %.3f s and %.3f s\n",
                    round, e2e, floor, bytes / 1048576.0, growth / 1048576.0, e2eCpu, floorCpu);
    }
    std::printf("million lines: pipe %.2fx, memory %.2fx (medians of %d rounds; pipe spread %.2f, "
                "memory spread %.2f; goals pipe <= 1.5x, memory <= 1.5x)%s\n",
                median(pipes), median(memories), rounds, spread(pipes), spread(memories),
                underLoad());
    // The window's own work (GUI and worker) against the runner's alone, whatever the load.
    std::printf("million lines: CPU of this process, window / pipe %.2fx median\n", median(cpus));
    return true;
}

struct AbortFigures {
    double latency;  // seconds from the abort to the dialog's loop ending
    double cpuShare; // this process's CPU time over the wait, as a share of the wait
};

// steps go before the child's wait: "ignoreint" makes it one that does not stop on Ctrl+C, and
// then it waits far longer than the abort may take.
AbortFigures abortAfter(Window& window, int waitMs, const Text& steps = {}) {
    window.pane->clearText();
    Clock::time_point abortedAt;
    double cpuShare = 0;
    std::clock_t cpuStart = 0;
    Clock::time_point waitStart;
    runCommand(window,
               steps +
                   " out:waiting\\n sleep:" + std::to_string(steps.empty() ? waitMs * 2 : 10000),
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

void aborts(Window& window) {
    AbortFigures silent = abortAfter(window, 5000);
    std::printf("child silent 5 s: abort to end of run %.2f ms (goal under 10), "
                "CPU while waiting %.3f%% of the wait (goal under 1%%)%s\n",
                silent.latency * 1000, silent.cpuShare * 100, underLoad());
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i)
        latencies.push_back(abortAfter(window, 100).latency * 1000);
    std::printf("20 aborts after 100 ms: median %.2f ms, worst %.2f ms%s\n", median(latencies),
                *std::max_element(latencies.begin(), latencies.end()), underLoad());
    // One that ignores Ctrl+C is read for the grace time, then ended.
    std::vector<double> ignoring;
    for (int i = 0; i < 5; ++i)
        ignoring.push_back(abortAfter(window, 100, "ignoreint").latency * 1000);
    std::printf("5 aborts of a child that ignores Ctrl+C: median %.1f ms, worst %.1f ms "
                "(goal within 600)%s\n",
                median(ignoring), *std::max_element(ignoring.begin(), ignoring.end()), underLoad());
}

Text readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    Text bytes(std::filesystem::file_size(path), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void writeBytes(const std::filesystem::path& path, const Text& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool fiftyMegabyteDocument(tg::test::MainWindowDriver& w, ScriptedDialogs& dialogs,
                           const QTemporaryDir& dir) {
    // A long run's output in each command view, 78,000 lines of 70 bytes, as the stress test has.
    const std::vector<Text>& labels = w->getViewLabels();
    Text bytes = "TIDEGAUGE-INFO Ver2.0.0\r\n-----\r\n";
    long n = 0;
    for (size_t k = 0; k < labels.size(); ++k) {
        bytes += labels[k] + "\r\n";
        for (int i = 0; k > 0 && i < 78000; ++i) {
            Text line = std::to_string(++n) + ' ';
            line.resize(70, 'x');
            bytes += line + "\r\n";
        }
        bytes += k == 0 ? "\r\n-----\r\n" : "-----\r\n";
    }
    const std::filesystem::path source = dir.filePath(QStringLiteral("big.txt")).toStdString();
    const std::filesystem::path copy = dir.filePath(QStringLiteral("copy.txt")).toStdString();
    const std::filesystem::path saved = dir.filePath(QStringLiteral("saved.txt")).toStdString();
    writeBytes(source, bytes);

    std::vector<double> reads, opens, shows, writes, saves;
    for (int round = 0; round < 3; ++round) {
        auto start = Clock::now();
        const Text read = readBytes(source);
        reads.push_back(seconds(Clock::now() - start));
        start = Clock::now();
        writeBytes(copy, read);
        writes.push_back(seconds(Clock::now() - start));

        w.form().FileNew1Execute();
        start = Clock::now();
        w.form().FileOpen1Accept(source);
        QApplication::processEvents();
        opens.push_back(seconds(Clock::now() - start));
        start = Clock::now();
        w.select("netstat");
        QApplication::processEvents();
        shows.push_back(seconds(Clock::now() - start));
        start = Clock::now();
        w.form().FileSaveAs1Accept(saved);
        saves.push_back(seconds(Clock::now() - start));
        if (!dialogs.errors.empty() || w.paneText().size() != 78000 * 71 - 1) {
            std::printf("the document did not open, show or save as it should\n");
            return false;
        }
    }
    std::printf("50 MB document (%.0f MB): open %.3f s (%.1fx reading its bytes), save %.3f s "
                "(%.1fx writing them), show one view of 5.3 MB %.1f ms (medians of 3)%s\n",
                bytes.size() / 1048576.0, median(opens), median(opens) / median(reads),
                median(saves), median(saves) / median(writes), median(shows) * 1000, underLoad());
    return true;
}

// The winconf run in the window: with the report, and with a body that does nothing, which is
// what the dialog, the handovers and the painting cost by themselves.
double winconfRun(tg::test::MainWindowDriver& w) {
    w.select("winconf");
    auto start = Clock::now();
    w.pressRun();
    QApplication::processEvents();
    return seconds(Clock::now() - start);
}

void systemReport(tg::test::MainWindowDriver& w, MainFormEnvironment environment) {
    environment.systemReport = [](tg::RunContext&) {};
    tg::test::MainWindowDriver idle(environment);
    idle->show();
    std::vector<double> window, own, empty;
    for (int round = 0; round < 20; ++round) {
        CountingRun run;
        auto start = Clock::now();
        tg::systemReportBody()(run);
        own.push_back(seconds(Clock::now() - start));
        window.push_back(winconfRun(w));
        empty.push_back(winconfRun(idle));
    }
    std::printf("system report: %.2f ms in the window, %.2f ms of its own work (%.1fx), a run "
                "with an empty body %.2f ms (medians of 20)%s\n",
                median(window) * 1000, median(own) * 1000, median(window) / median(own),
                median(empty) * 1000, underLoad());
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window's ping is the fixture's fake one.
    qputenv("PATH",
            QByteArray(TG_FAKE_BIN_DIR) + QDir::listSeparator().toLatin1() + qgetenv("PATH"));
    QApplication app(argc, argv);
    tg::platform::useLargePagesForLargeBuffers(); // as the program does at start-up
    QTemporaryDir dir;
    // The recent-documents list goes to the scratch folder, not to the user's.
    qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
    ScriptedDialogs dialogs;
    MainFormEnvironment environment;
    environment.iniPath = dir.filePath(QStringLiteral("tginfo.INI")).toStdString();
    environment.systemReport = tg::systemReportBody();

    // Cases may be named on the command line: 200k, million, abort, document, report.
    QStringList named = app.arguments().mid(1);
    for (qsizetype i = named.size() - 1; i >= 0; --i) {
        if (named[i].startsWith(QLatin1String("--rounds="))) {
            rounds = std::max(1, named[i].mid(9).toInt());
            named.removeAt(i);
        }
    }
    auto wanted = [&](const char* name) { return named.isEmpty() || named.contains(name); };
    startLoad = loadAverage();
    printLoad("start");
    struct AtEnd {
        ~AtEnd() { printLoad("end"); }
    } atEnd;

    Window window;
    if (wanted("200k") && !twoHundredThousandLines(window))
        return 1;
    if (wanted("million")) {
        tg::test::MainWindowDriver w(environment);
        w->show();
        if (!millionLines(w))
            return 1;
    }
    if (wanted("abort"))
        aborts(window);
    tg::test::MainWindowDriver w(environment);
    w->show();
    if (wanted("document") && !fiftyMegabyteDocument(w, dialogs, dir))
        return 1;
    if (wanted("report"))
        systemReport(w, environment);
    return 0;
}
