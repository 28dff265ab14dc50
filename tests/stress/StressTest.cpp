// The run path and the document commands under loads far beyond a day's use, in the real window.
// Each function runs in a process of its own (see CMakeLists.txt), so that the peak memory it
// reports is its own. Figures are printed as lines starting with "stress:"; the checks are about
// what arrives and what is left behind, never about time.

#include "support/MainWindowDriver.h"
#include "support/ScriptedDialogs.h"

#include "commands/AbortDlg.h"
#include "text/FileName.h"
#include "text/IniFile.h"
#include "text/StringList.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/wait.h>

using tg::Text;

namespace {

using Clock = std::chrono::steady_clock;

// The ping view's run button with the given target; the fake ping runs the target's steps.
class Window : public tg::test::MainWindowDriver {
public:
    using MainWindowDriver::MainWindowDriver;
    void runPing(const Text& target) {
        select("ping");
        type("cmbOption", QString());
        type("Edit_target", QString::fromStdString(target));
        pressRun();
    }
    qsizetype lineCount() const { return control<tg::OutputPane>("RichEdit_Output")->lineCount(); }
};

long statusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string name;
    long value = 0;
    while (in >> name) {
        if (name == field) {
            in >> value;
            return value;
        }
        in.ignore(1 << 16, '\n');
    }
    return -1;
}

double mb(long kb) {
    return kb / 1024.0;
}

size_t entriesIn(const char* dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

// What a run could leave behind: open descriptors and threads. A worker's thread ends a moment
// after the run has seen it finish, so the count is taken once it stops falling (at most 2 s).
struct Leftovers {
    size_t fds = 0;
    size_t threads = 0;

    static Leftovers settled() {
        Leftovers now{entriesIn("/proc/self/fd"), entriesIn("/proc/self/task")};
        for (int i = 0; i < 200; ++i) {
            QTest::qWait(10);
            size_t threads = entriesIn("/proc/self/task");
            if (threads >= now.threads && i >= 10)
                break;
            now.threads = std::min(now.threads, threads);
        }
        now.fds = entriesIn("/proc/self/fd");
        return now;
    }
};

// True when this process has no child at all, running or unreaped.
bool noChildren() {
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void figure(const char* name, const char* pattern, auto... values) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    std::printf("stress: %s: %s\n", name, buffer);
    std::fflush(stdout);
}

// The n-th line the fixture's lines:N:LEN step writes.
Text numberedLine(long n, size_t length) {
    Text line = std::to_string(n) + ' ';
    while (line.size() < length)
        line += static_cast<char>('a' + line.size() % 26);
    line.resize(length);
    return line;
}

void writeFile(const std::filesystem::path& path, const Text& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Text readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

class StressTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<Window> form;

    std::filesystem::path file(const char* name) const {
        return std::filesystem::path(dir->filePath(QString::fromLatin1(name)).toStdString());
    }

private slots:
    void initTestCase() {
        QByteArray path =
            QByteArray(TG_FAKE_BIN_DIR) + QDir::listSeparator().toLatin1() + qgetenv("PATH");
        qputenv("PATH", path);
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        // The recent-documents list goes to the scratch folder, not to the user's.
        qputenv("XDG_DATA_HOME", dir->path().toLocal8Bit());
        dialogs = std::make_unique<ScriptedDialogs>();
        MainFormEnvironment environment;
        environment.iniPath = file("tginfo.INI");
        form = std::make_unique<Window>(environment);
        form->form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&form->form()));
    }

    void cleanupTestCase() {
        form.reset();
        dialogs.reset();
    }

    void millionLines() {
        constexpr long kLines = 1000000;
        constexpr size_t kLength = 60;
        const Text steps = "lines:" + std::to_string(kLines) + ":" + std::to_string(kLength);
        const long before = statusKb("VmRSS:");
        auto start = Clock::now();
        form->runPing(steps);
        const double took = secondsSince(start);
        const long peak = statusKb("VmHWM:");

        const Text& text = form->form().getViewText()[static_cast<size_t>(form->viewIndex("ping"))];
        // The fake ping's echo (its name and its argument), then every line in order.
        const Text echo = "ping\r\n[" + steps + "]\r\n";
        QCOMPARE(text.size(), echo.size() + (kLength + 2) * kLines);
        QCOMPARE(text.substr(0, echo.size()), echo);
        tg::StringList lines = tg::splitLines(text);
        QCOMPARE(lines.size(), size_t(kLines + 2));
        for (long n = 1; n <= kLines; n += 997)
            QCOMPARE(lines[static_cast<size_t>(n + 1)], numberedLine(n, kLength));
        QCOMPARE(lines.back(), numberedLine(kLines, kLength));
        QCOMPARE(form->lineCount(), qsizetype(kLines + 2));
        QVERIFY(noChildren());
        figure("1,000,000 lines of 60 bytes", "%.1f s, peak RSS %.0f MB (%.0f MB before the run)",
               took, mb(peak), mb(before));
    }

    void fiftyMegabyteLine() {
        constexpr size_t kSize = 50u << 20;
        const long before = statusKb("VmRSS:");
        auto start = Clock::now();
        form->runPing("fill:" + std::to_string(kSize) + ":x");
        const double took = secondsSince(start);
        const long peak = statusKb("VmHWM:");

        tg::StringList lines = tg::splitLines(form->paneText());
        QCOMPARE(lines.size(), size_t(3));
        QCOMPARE(lines[2].size(), kSize);
        QVERIFY(lines[2].find_first_not_of('x') == Text::npos);
        QVERIFY(noChildren());
        figure("one 50 MB line without a line feed",
               "%.1f s, peak RSS %.0f MB (%.0f MB before the run)", took, mb(peak), mb(before));
    }

    void thousandShortRuns() {
        constexpr int kRuns = 1000;
        Leftovers atTenth;
        long rssAtTenth = 0;
        auto start = Clock::now();
        for (int run = 1; run <= kRuns; ++run) {
            form->runPing("out:run\\x20" + std::to_string(run) + "\\n");
            if (form->paneText() != "ping\r\n[out:run\\x20" + std::to_string(run) + "\\n]\r\nrun " +
                                        std::to_string(run) + "\r\n")
                QFAIL(qPrintable(QStringLiteral("run %1 showed other text").arg(run)));
            if (run == 10) {
                atTenth = Leftovers::settled();
                rssAtTenth = statusKb("VmRSS:");
            }
        }
        const double took = secondsSince(start);
        const Leftovers atEnd = Leftovers::settled();
        const long rssAtEnd = statusKb("VmRSS:");
        QCOMPARE(atEnd.fds, atTenth.fds);
        QCOMPARE(atEnd.threads, atTenth.threads);
        QVERIFY(noChildren());
        // Memory after the last run stays within a few MB of memory after the tenth.
        QVERIFY2(rssAtEnd - rssAtTenth < 4 * 1024,
                 qPrintable(QStringLiteral("grew by %1 KB").arg(rssAtEnd - rssAtTenth)));
        figure("1,000 short runs",
               "%.1f s (%.1f ms a run), RSS after run 10 %.1f MB, after run 1000 %.1f MB "
               "(%+.2f MB), %zu fds and %zu threads after both",
               took, took, mb(rssAtTenth), mb(rssAtEnd), mb(rssAtEnd - rssAtTenth), atEnd.fds,
               atEnd.threads);
    }

    void abortAtRandomMoments() {
        constexpr int kRuns = 200;
        constexpr long kLines = 20000;
        constexpr size_t kLength = 40;
        const unsigned seed = std::random_device()();
        std::mt19937 random(seed);
        // The command is silent, then floods, then is silent again; aborts fall anywhere in that.
        const Text flood = "lines:" + std::to_string(kLines) + ":" + std::to_string(kLength);
        const Text steps = "out:start\\n sleep:15 " + flood + " sleep:40 out:end\\n";
        // The fake ping echoes each argument in brackets.
        std::vector<Text> expected{"ping",       "[out:start\\n]", "[sleep:15]", "[" + flood + "]",
                                   "[sleep:40]", "[out:end\\n]",   "start"};
        for (long n = 1; n <= kLines; ++n)
            expected.push_back(numberedLine(n, kLength));
        expected.push_back("end");

        // The first run opens what the toolkit keeps for good (its wake-up descriptors); count
        // from after it.
        form->runPing("out:first\\n");
        const Leftovers before = Leftovers::settled();
        int complete = 0;
        int empty = 0;
        auto start = Clock::now();
        for (int run = 0; run < kRuns; ++run) {
            const int delayMs = std::uniform_int_distribution<int>(0, 90)(random);
            QTimer::singleShot(0, &form->form(), [this, delayMs] {
                QPointer<TAbortDlg> dialog = form->form().findChild<TAbortDlg*>();
                QTimer::singleShot(delayMs, dialog, [dialog] {
                    if (dialog)
                        dialog->OKBtn->click();
                });
            });
            form->runPing(steps);
            tg::StringList lines = tg::splitLines(form->paneText());
            const QString where = QStringLiteral("seed %1, run %2, abort after %3 ms")
                                      .arg(seed)
                                      .arg(run)
                                      .arg(delayMs);
            QVERIFY2(lines.size() <= expected.size(), qPrintable(where));
            // Lines arrive whole and in order; only the last may be the part read before the
            // abort.
            for (size_t i = 0; i + 1 < lines.size(); ++i) {
                if (lines[i] != expected[i])
                    QFAIL(qPrintable(where + QStringLiteral(": line %1 differs").arg(i)));
            }
            if (!lines.empty()) {
                const Text& last = lines.back();
                QVERIFY2(expected[lines.size() - 1].compare(0, last.size(), last) == 0,
                         qPrintable(where));
            }
            QVERIFY2(noChildren(), qPrintable(where));
            complete += lines.size() == expected.size();
            empty += lines.empty();
        }
        const double took = secondsSince(start);
        const Leftovers after = Leftovers::settled();
        QCOMPARE(after.fds, before.fds);
        QCOMPARE(after.threads, before.threads);
        figure("200 runs aborted at random moments",
               "%.1f s, %d ran to the end, %d had shown nothing yet, seed %u, peak RSS "
               "%.0f MB, fds %zu -> %zu, threads %zu -> %zu",
               took, complete, empty, seed, mb(statusKb("VmHWM:")), before.fds, after.fds,
               before.threads, after.threads);
    }

    void fiftyMegabyteDocument() {
        // Output of a long run in each command view, about 50 MB in all, as a run leaves it.
        const std::vector<Text> labels = form->form().getViewLabels();
        std::vector<Text> texts(labels.size());
        Text bytes = "TIDEGAUGE-INFO Ver2.0.0\r\n-----\r\n";
        // Saved again, the views' lines are joined with LF as they were read.
        Text expected = bytes;
        long n = 0;
        for (size_t k = 0; k < labels.size(); ++k) {
            bytes += labels[k] + "\r\n";
            expected += labels[k] + "\r\n";
            for (int i = 0; k > 0 && i < 78000; ++i) {
                Text line = numberedLine(++n, 70);
                texts[k] += (i > 0 ? "\n" : "") + line;
                bytes += line + "\r\n";
            }
            if (k == 0)
                bytes += "\r\n";
            expected += texts[k] + "\r\n-----\r\n";
            bytes += "-----\r\n";
        }
        const auto source = file("big.txt");
        writeFile(source, bytes);
        const long before = statusKb("VmRSS:");

        // The window answers while the file is read: a timer keeps ticking, and what would touch
        // the document waits, disabled, behind a note in the status bar.
        QTimer ticker;
        int ticks = 0;
        bool waitedDisabled = true;
        QString note;
        auto last = Clock::now();
        double longestPause = 0;
        connect(&ticker, &QTimer::timeout, this, [&] {
            ++ticks;
            longestPause = std::max(longestPause, secondsSince(last));
            last = Clock::now();
            waitedDisabled = waitedDisabled && !form->action("FileOpen1")->isEnabled() &&
                             !form->action("FileSave1")->isEnabled() &&
                             !form->control<QPushButton>("Button_Update")->isEnabled();
            note = form->statusText();
        });
        const QString statusBefore = form->statusText();
        auto start = Clock::now();
        ticker.start(10);
        last = Clock::now();
        form->form().FileOpen1Accept(source);
        ticker.stop();
        const double openTook = secondsSince(start);
        QVERIFY(dialogs->errors.empty());
        QVERIFY(ticks > 0);
        QVERIFY(waitedDisabled);
        QVERIFY2(note.startsWith(QStringLiteral("読み込み中: big.txt")), qPrintable(note));
        QVERIFY(form->action("FileOpen1")->isEnabled());
        QVERIFY(form->control<QPushButton>("Button_Update")->isEnabled());
        QCOMPARE(form->statusText(), statusBefore);
        for (size_t k = 1; k < labels.size(); ++k)
            QVERIFY(form->form().getViewText()[k] == texts[k]);

        start = Clock::now();
        form->form().selectView(form->viewIndex("netstat"));
        QApplication::processEvents();
        const double showTook = secondsSince(start);
        QCOMPARE(form->lineCount(), qsizetype(78000));

        const auto saved = file("big-saved.txt");
        start = Clock::now();
        form->form().FileSaveAs1Accept(saved);
        const double saveTook = secondsSince(start);
        QVERIFY(dialogs->errors.empty());
        QVERIFY(!form->form().isModified());
        const Text written = readFile(saved);
        QCOMPARE(written.size(), expected.size());
        QVERIFY(written == expected);
        figure("50 MB document",
               "%.0f MB file: open %.1f s (the window answered %d times, its longest pause "
               "%.0f ms), show one view of 5.3 MB %.1f s, save %.1f s, peak RSS %.0f MB "
               "(%.0f MB before)",
               bytes.size() / 1048576.0, openTook, ticks, longestPause * 1000, showTook, saveTook,
               mb(statusKb("VmHWM:")), mb(before));

        // Closed while a read is under way: the read is given up and nothing changes.
        form->form().FileNew1Execute();
        QTimer::singleShot(20, &form->form(), &QWidget::close);
        start = Clock::now();
        form->form().FileOpen1Accept(source);
        const double closeTook = secondsSince(start);
        QVERIFY(!form->form().isVisible());
        QCOMPARE(form->form().getDocumentName(), std::filesystem::path("untitled.txt"));
        QVERIFY(form->form().getViewText() == form->form().getViewDefaultText());
        QVERIFY(dialogs->errors.empty());
        form->form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&form->form()));
        figure("window closed 20 ms into the open of the 50 MB document",
               "the open gave up after %.2f s", closeTook);
    }

    // Settings files at and far beyond the size limit: the window is there at once, and what the
    // program writes back is sound. Garbage and off-screen places are the unit and shell tests'.
    void settingsFilesOfAnySize() {
        auto startWith = [&](const char* name, const Text& bytes) {
            const auto ini = file(name);
            writeFile(ini, bytes);
            MainFormEnvironment environment;
            environment.iniPath = ini;
            auto start = Clock::now();
            auto window = std::make_unique<Window>(environment);
            window->form().show();
            if (!QTest::qWaitForWindowExposed(&window->form()))
                qFatal("the window did not show");
            return std::make_pair(std::move(window), secondsSince(start));
        };
        auto historyOf = [](long lines, const char* folder) {
            Text bytes =
                "[POSITION]\r\nTOP=10\r\nLEFT=20\r\nHEIGHT=400\r\nWIDTH=600\r\n[HISTORY]\r\n";
            for (long i = 0; i < lines; ++i)
                bytes += "FILE" + std::to_string(i) + "=" + folder + std::to_string(i) + ".txt\r\n";
            return bytes;
        };

        // A million lines of history: too large to be a settings file, so defaults; rewritten
        // at the end as a sound file of its own.
        const Text million = historyOf(1000000, "C:\\docs\\report-");
        auto [huge, hugeTook] = startWith("million.INI", million);
        QVERIFY(huge->historyCaptions().empty());
        huge.reset();
        const Text rewritten = readFile(file("million.INI"));
        QVERIFY2(rewritten.size() < 200, rewritten.c_str());
        QVERIFY(rewritten.find("[POSITION]\r\nTOP=") == 0);

        // Just under the limit: read, its first five shown; the first save keeps those five.
        Text nearLimit = historyOf(0, "");
        for (long i = 0; nearLimit.size() < tg::kSettingsFileLimit - 64; ++i)
            nearLimit += "FILE" + std::to_string(i) + "=/d/" + std::to_string(i) + "\r\n";
        auto [near, nearTook] = startWith("near.INI", nearLimit);
        QCOMPARE(near->historyCaptions(), (std::vector<Text>{"0", "1", "2", "3", "4"}));
        QCOMPARE(near->form().frameGeometry(), QRect(20, 10, 600, 400));
        auto start = Clock::now();
        near->form().FileSaveAs1Accept(file("saved.txt"));
        const double saveTook = secondsSince(start);
        QCOMPARE(near->historyCaptions(), (std::vector<Text>{"saved.txt", "0", "1", "2", "3"}));
        QVERIFY(std::filesystem::file_size(file("near.INI")) < 300);

        QVERIFY(dialogs->errors.empty());
        figure("settings files",
               "window shown %.2f s after its making began with a 1,000,000-line history (%.0f MB, "
               "ignored), %.2f s with a %.0f KB history of %zu lines (read; the first save "
               "trimmed it to five in %.2f s); peak RSS %.0f MB",
               hugeTook, million.size() / 1048576.0, nearTook, nearLimit.size() / 1024.0,
               tg::splitLines(nearLimit).size(), saveTook, mb(statusKb("VmHWM:")));
    }

    void binaryFileAndTenMegabyteLine() {
        std::mt19937 random(20261206);
        Text binary(10u << 20, '\0');
        for (char& c : binary)
            c = static_cast<char>(random() & 0xFF);
        const int ipconfig = form->viewIndex("ipconfig");

        // A binary file holds no view's heading: nothing changes but the document's name.
        form->form().FileNew1Execute();
        const std::vector<Text> texts = form->form().getViewText();
        const auto plain = file("random.bin");
        writeFile(plain, binary);
        auto start = Clock::now();
        form->form().FileOpen1Accept(plain);
        const double plainTook = secondsSince(start);
        QVERIFY(dialogs->errors.empty());
        QVERIFY(form->form().getViewText() == texts);
        QCOMPARE(form->form().getDocumentName(), plain);

        // Binary bytes inside a view's section are that view's text, shown and saved again
        // byte for byte, line ends aside.
        const auto inside = file("binary-section.txt");
        writeFile(inside, "ipconfig\r\n" + binary + "\r\n-----\r\n");
        start = Clock::now();
        form->form().FileOpen1Accept(inside);
        form->form().selectView(ipconfig);
        QApplication::processEvents();
        const double insideTook = secondsSince(start);
        QVERIFY(dialogs->errors.empty());
        Text expected;
        tg::StringList binaryLines = tg::splitLines(binary);
        for (size_t i = 0; i < binaryLines.size(); ++i)
            expected += (i > 0 ? "\n" : "") + binaryLines[i];
        QVERIFY(form->form().getViewText()[static_cast<size_t>(ipconfig)] == expected);
        QVERIFY(form->paneText() == expected);
        const auto resaved = file("binary-resaved.txt");
        form->form().FileSaveAs1Accept(resaved);
        form->form().FileOpen1Accept(resaved);
        QVERIFY(form->form().getViewText()[static_cast<size_t>(ipconfig)] == expected);

        // One line of 10 MB as a view's text.
        const Text longLine(10u << 20, 'w');
        const auto section = file("one-line-section.txt");
        writeFile(section, "ipconfig\r\n" + longLine + "\r\n-----\r\n");
        start = Clock::now();
        form->form().FileOpen1Accept(section);
        form->form().selectView(ipconfig);
        QApplication::processEvents();
        const double lineTook = secondsSince(start);
        QVERIFY(dialogs->errors.empty());
        QVERIFY(form->paneText() == longLine);
        figure("binary file and 10 MB line",
               "open 10 MB of random bytes %.1f s; open and show them as a view %.1f s; "
               "open and show one 10 MB line %.1f s; peak RSS %.0f MB",
               plainTook, insideTook, lineTook, mb(statusKb("VmHWM:")));
    }
};

QTEST_MAIN(StressTest)
#include "StressTest.moc"
