#include "app/Collector.h"

#include "commands/CommandLine.h"
#include "commands/CommandRunner.h"
#include "commands/RunContext.h"
#include "commands/ViewCatalogue.h"
#include "platform/Files.h"
#include "platform/SystemValues.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileName.h"
#include "text/FileProblem.h"
#include "text/IniFile.h"
#include "text/StringList.h"

#include <chrono>
#include <exception>
#include <new>
#include <set>

namespace tg {

namespace {

constexpr char kCollectSection[] = "COLLECT";

Text cp932(const char* utf8) {
    return utf8ToCp932(utf8);
}

Text bad(const char* utf8, TextView what = {}) {
    return cp932(utf8) + Text(what);
}

// The view index of a label, compared as document headings are; -1 when no view has it.
int viewOfLabel(TextView label, bool isNT) {
    for (int view = 0; view < viewCount(isNT); ++view) {
        if (equalsIgnoreCase(label, slotInfo(slotOfView(view, isNT)).label))
            return view;
    }
    return -1;
}

// Where message lines go: the environment's own place, or standard error.
std::function<void(const Text&)> errorLineOf(const CollectEnvironment& environment) {
    if (environment.errorLine)
        return environment.errorLine;
    return [](const Text& line) { platform::writeErrorLine(line); };
}

// The toolkit's own options that take a value; the window's toolkit reads them itself.
bool isToolkitOptionWithValue(TextView argument) {
    static const std::set<Text, std::less<>> options = {
        "-platform", "-platformpluginpath", "-platformtheme", "-plugin",
        "-style",    "-stylesheet",         "-session",       "-display",
        "-geometry", "-qwindowgeometry",    "-qwindowtitle",  "-qwindowicon"};
    return options.count(argument) > 0;
}

// A collection's run: the lines go into the view's text as the output pane keeps them, each
// followed by CR LF; Ctrl+C at the console aborts it as the window's abort would.
class CollectRun : public RunContext {
public:
    CollectRun(Text& text, const std::function<void(const Text&)>& errorLine,
               const platform::WakeSignal& stop)
        : text_(text), errorLine_(errorLine), stop_(stop) {}

    bool terminationRequested() const override { return stop_.isSet(); }
    // The batch already ends each line with CR LF, as the pane keeps it.
    void deliverLines(const LineBatch& lines) override { text_ += lines.bytes(); }
    void appendReportLine(const Text& line) override {
        text_ += line;
        text_ += "\r\n";
    }
    void stepProgress() override {}
    void resetProgress() override {}
    // The report shows a box only when it cannot read the system at all.
    int messageBox(bool, const Text& text, const Text& caption, unsigned) override {
        errorLine_(caption.empty() ? text : caption + ": " + text);
        failed_ = true;
        return 1; // OK
    }
    bool failed() const { return failed_; }

private:
    bool failed_ = false;
    Text& text_;
    const std::function<void(const Text&)>& errorLine_;
    const platform::WakeSignal& stop_;
};

} // namespace

std::vector<CollectView> defaultCollectList() {
    return {{"winconf", ""},
            {"ipconfig", "/all"},
            {"route", "print"},
            {"arp", "-a"},
            {"netstat", "-an"}};
}

Text collectViewText(const CollectView& view) {
    return view.args.empty() ? view.label : view.label + " " + view.args;
}

CollectView collectViewOf(TextView text) {
    std::size_t start = text.find_first_not_of(' ');
    if (start == TextView::npos)
        return {};
    text.remove_prefix(start);
    const std::size_t blank = text.find(' ');
    if (blank == TextView::npos)
        return {Text(text), {}};
    TextView args = text.substr(blank + 1);
    const std::size_t argsStart = args.find_first_not_of(' ');
    if (argsStart == TextView::npos)
        return {Text(text.substr(0, blank)), {}};
    // Blanks at either end mean nothing to a command, and the settings file would drop them.
    args = args.substr(argsStart, args.find_last_not_of(' ') - argsStart + 1);
    return {Text(text.substr(0, blank)), Text(args)};
}

std::vector<CollectView> collectListOf(const IniFile& settings) {
    std::vector<CollectView> list;
    for (const auto& [key, value] : settings.readSectionValues(kCollectSection)) {
        CollectView view = collectViewOf(value);
        if (!view.label.empty())
            list.push_back(std::move(view));
    }
    return list.empty() ? defaultCollectList() : list;
}

void keepCollectList(IniFile& settings, const std::vector<CollectView>& list) {
    std::vector<std::pair<Text, Text>> entries;
    for (size_t i = 0; i < list.size(); ++i) {
        Text key = "V";
        key += std::to_string(i); // not "V" + …: GCC 12 sees an overlap there that is none
        entries.emplace_back(std::move(key), collectViewText(list[i]));
    }
    settings.writeSection(kCollectSection, entries);
}

std::optional<Text> collectViewProblem(const CollectView& view, bool isNT) {
    const int index = viewOfLabel(view.label, isNT);
    if (index < 0)
        return bad("そのようなビューはありません: ", view.label);
    const SlotInfo& info = slotInfo(slotOfView(index, isNT));
    if (info.command[0] == '\0' && !view.args.empty())
        return bad("winconf は引数を取りません: ", collectViewText(view));
    if (info.targetRequired && view.args.find_first_not_of(' ') == Text::npos)
        return bad("IPアドレスかホスト名を指定してください: ", view.label);
    return std::nullopt;
}

ProgramArguments parseProgramArguments(const std::vector<Text>& arguments, bool isNT,
                                       const std::vector<Text>& names) {
    // A file argument is taken as a file name where one is given: it keeps what cp932 lacks.
    const auto nameAt = [&](std::size_t i) -> const Text& {
        return i < names.size() ? names[i] : arguments[i];
    };
    ProgramArguments result;
    bool collectSeen = false, compareSeen = false, formatSeen = false, windowOnly = false;
    bool ignoreSeen = false;
    std::vector<Text> files;
    std::set<int> viewsSeen;
    auto valueAfter = [&](std::size_t& i, const char* option) -> const Text& {
        if (i + 1 >= arguments.size())
            throw Error(bad("値がありません: ") + option);
        return arguments[++i];
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const Text& argument = arguments[i];
        if (argument == "--help" || argument == "--version") {
            if (arguments.size() != 1)
                throw Error(bad("他の引数と一緒には使えません: ", argument));
            result.action = argument == "--help" ? ProgramArguments::Action::Help
                                                 : ProgramArguments::Action::Version;
            return result;
        } else if (argument == "--collect") {
            if (collectSeen)
                throw Error(bad("二度指定されています: --collect"));
            collectSeen = true;
            const Text& file = valueAfter(i, "--collect");
            if (file.empty() || file.rfind("--", 0) == 0)
                throw Error(bad("出力ファイルがありません: --collect"));
            result.file = nameAt(i);
        } else if (argument == "--compare") {
            if (compareSeen)
                throw Error(bad("二度指定されています: --compare"));
            compareSeen = true;
            for (Text* file : {&result.oldFile, &result.newFile}) {
                *file = valueAfter(i, "--compare");
                if (file->empty() || file->rfind("--", 0) == 0)
                    throw Error(bad("比べる文書が二つ要ります: --compare 旧 新"));
                *file = nameAt(i);
            }
        } else if (argument == "--ignore-numbers" || argument == "--ignore-space") {
            bool& option = argument == "--ignore-numbers" ? result.compareOptions.ignoreNumbers
                                                          : result.compareOptions.ignoreSpace;
            if (option)
                throw Error(bad("二度指定されています: ", argument));
            option = true;
            ignoreSeen = true;
        } else if (argument == "--format") {
            if (formatSeen)
                throw Error(bad("二度指定されています: --format"));
            formatSeen = true;
            const Text& format = valueAfter(i, "--format");
            if (format == "text")
                result.format = CollectFormat::Text;
            else if (format == "html")
                result.format = CollectFormat::Html;
            else if (format == "json")
                result.format = CollectFormat::Json;
            else
                throw Error(bad("形式は text、html、json のどれかです: ", format));
        } else if (argument == "--view") {
            CollectView view = collectViewOf(valueAfter(i, "--view"));
            if (view.label.empty())
                throw Error(bad("ビューがありません: --view"));
            if (std::optional<Text> problem = collectViewProblem(view, isNT))
                throw Error(*problem);
            const int index = viewOfLabel(view.label, isNT);
            if (!viewsSeen.insert(index).second)
                throw Error(bad("同じビューが二度指定されています: ", view.label));
            view.label = slotInfo(slotOfView(index, isNT)).label;
            result.views.push_back(std::move(view));
        } else if (argument.rfind("--", 0) == 0) {
            throw Error(bad("知らないオプションです: ", argument));
        } else if (argument.size() > 1 && argument[0] == '-') {
            // The toolkit's own; its value, if it takes one, belongs to it as well.
            windowOnly = true;
            if (isToolkitOptionWithValue(argument))
                ++i;
        } else {
            files.push_back(nameAt(i));
        }
    }
    if (compareSeen) {
        if (collectSeen || windowOnly || !files.empty() || !result.views.empty())
            throw Error(bad("--compare と一緒には使えない引数です: ",
                            collectSeen             ? Text("--collect")
                            : !result.views.empty() ? Text("--view")
                            : files.empty()         ? Text("-")
                                                    : files.front()));
        if (result.format == CollectFormat::Json)
            throw Error(bad("比較の形式は text か html です: json"));
        result.action = ProgramArguments::Action::Compare;
        return result;
    }
    if (ignoreSeen)
        throw Error(bad("--ignore-numbers と --ignore-space は --compare と一緒に使います"));
    if (collectSeen) {
        if (windowOnly || !files.empty())
            throw Error(bad("--collect と一緒には使えない引数です: ",
                            files.empty() ? Text("-") : files.front()));
        result.action = ProgramArguments::Action::Collect;
        return result;
    }
    if (formatSeen || !result.views.empty())
        throw Error(bad("--format と --view は --collect と一緒に使います"));
    if (files.size() > 1)
        throw Error(bad("開く文書は一つだけです: ", files[1]));
    if (!files.empty())
        result.file = files.front();
    return result;
}

Text usageText() {
    return cp932(
        "使い方:\n"
        "  tginfo [文書]\n"
        "      ウィンドウを開きます。文書を指定するとそれを開きます。\n"
        "  tginfo --collect ファイル [--format text|html|json] [--view \"ビュー 引数\"]...\n"
        "      ウィンドウを出さずにビューを順に実行し、結果をファイルに書きます。\n"
        "      --view がなければ設定ファイルにある一括取得の一覧を、それもなければ既定の\n"
        "      一覧 (winconf, ipconfig /all, route print, arp -a, netstat -an) を実行します。\n"
        "      形式の既定は text (保存と同じ文書) です。Ctrl+C で中断すると、実行中の\n"
        "      コマンドを止め、それまでの結果を書いて終了コード 1 で終わります。\n"
        "  tginfo --compare 旧 新 [--format text|html] [--ignore-numbers] [--ignore-space]\n"
        "      二つの文書をビューごとに比べ、違いを標準出力に書きます。text はビューごとの\n"
        "      unified diff (ファイル名はビューの名前)、html は UTF-8 のページです。\n"
        "      --ignore-numbers は数字の並びの違いを、--ignore-space は空白の違いを無視します。\n"
        "      終了コード: 0 同じ、1 違いがある、2 読めない文書か引数の誤り\n"
        "  tginfo --help       この説明を表示します。\n"
        "  tginfo --version    バージョンを表示します。\n"
        "終了コード: 0 書き込んだ、1 書き込めなかったかビューを実行できなかった、"
        "2 引数の誤り\n");
}

Document freshDocument(bool isNT) {
    Document document;
    for (int view = 0; view < viewCount(isNT); ++view) {
        const int slot = slotOfView(view, isNT);
        document.addView(slotInfo(slot).label, initialText(slot));
    }
    return document;
}

bool collectInto(Document& document, const std::vector<CollectView>& views,
                 const CollectEnvironment& environment) {
    const std::function<void(const Text&)> errorLine = errorLineOf(environment);
    bool allRan = true;
    platform::WakeSignal unset;
    const platform::WakeSignal& wake = environment.stop ? *environment.stop : unset;
    for (std::size_t next = 0; next < views.size(); ++next) {
        const CollectView& view = views[next];
        if (wake.isSet()) {
            // What ran is kept; the views not reached are named.
            Text skipped;
            for (std::size_t rest = next; rest < views.size(); ++rest)
                skipped += (skipped.empty() ? "" : ", ") + collectViewText(views[rest]);
            errorLine(bad("中断しました。実行しなかったビュー: ", skipped));
            return false;
        }
        const int index = viewOfLabel(view.label, environment.isNT);
        if (index < 0)
            continue;
        const int slot = slotOfView(index, environment.isNT);
        const SlotInfo& info = slotInfo(slot);
        Text output;
        CollectRun run(output, errorLine, wake);
        RunRecord record;
        record.command = slot == 0 ? Text("winconf") : commandLineOf(info.command, view.args);
        record.started = localTimeText(std::chrono::system_clock::now());
        RunOutcome outcome;
        if (slot == 0) {
            if (environment.systemReport) {
                try {
                    environment.systemReport(run);
                } catch (const std::exception& error) {
                    run.messageBox(false, error.what(), {}, 0);
                }
            }
            if (run.failed())
                outcome.ending = RunEnding::CouldNotStart;
        } else {
            outcome = runChildProcess(info.command, view.args, run, [&](const Text& commandLine) {
                return environment.startChild
                           ? environment.startChild(commandLine, environment.isNT, wake)
                           : platform::startChildProcess(commandLine, environment.isNT, wake);
            });
        }
        record.ended = localTimeText(std::chrono::system_clock::now());
        record.ending = outcome.ending;
        record.exitCode = outcome.exitCode;
        if (outcome.ending == RunEnding::CouldNotStart) {
            allRan = false;
            errorLine(bad("ビューを実行できませんでした: ", record.command));
        }
        document.text(static_cast<std::size_t>(index)) = std::move(output);
        document.runEnded(static_cast<std::size_t>(index), std::move(record));
    }
    if (wake.isSet()) {
        errorLine(bad("中断しました。"));
        return false;
    }
    return allRan;
}

std::string collectedBytes(const Document& document, CollectFormat format,
                           const ExportHeader& header) {
    switch (format) {
    case CollectFormat::Html:
        return exportHtml(document, header);
    case CollectFormat::Json:
        return exportJson(document, header);
    case CollectFormat::Text:
        break;
    }
    return document.fileBytes();
}

ExportHeader exportHeaderNow() {
    ExportHeader header;
    header.version = "2.0.0";
    header.computer = platform::computerName().value_or(Text());
    header.user = platform::userName().value_or(Text());
    header.os = platform::osDescription();
    header.exported = localTimeText(std::chrono::system_clock::now());
    return header;
}

std::vector<Text> compareLabels() {
    std::vector<Text> labels;
    for (int view = 0; view < viewCount(true); ++view)
        labels.emplace_back(slotInfo(slotOfView(view, true)).label);
    return labels;
}

DocumentSections readComparedDocument(const std::filesystem::path& path) {
    try {
        return readDocumentSections(platform::readRegularFile(path, kDocumentFileLimit),
                                    compareLabels(), Document::kSeparator);
    } catch (const Error& error) {
        // The file layer names the file itself; what the document's reading finds does not.
        const Text shown = fromNativePath(path);
        if (error.text().find(shown) != Text::npos)
            throw;
        throw Error(cp932("ファイルを読み込めません: ") + shown + "\n" + error.text());
    } catch (const std::bad_alloc&) {
        throw Error(fileErrorMessage("ファイルを読み込めません", fromNativePath(path),
                                     {FileProblem::OutOfMemory, {}}));
    }
}

int compareCommand(const ProgramArguments& arguments, const CollectEnvironment& environment) {
    const std::function<void(const Text&)> errorLine = errorLineOf(environment);
    try {
        DocumentSections oldSide = readComparedDocument(toNativePath(arguments.oldFile));
        DocumentSections newSide = readComparedDocument(toNativePath(arguments.newFile));
        Comparison comparison(compareLabels(), std::move(oldSide), std::move(newSide));
        comparison.compare(arguments.compareOptions);
        const bool html = arguments.format == CollectFormat::Html;
        const std::string output =
            html ? comparisonHtml(comparison, arguments.oldFile, arguments.newFile)
                 : unifiedDiff(comparison);
        // Nothing to write needs no output stream: a window program started without one still
        // answers "the same" by its status.
        const bool written = output.empty() || (html ? platform::writeOutputBytes(output)
                                                     : platform::writeOutput(output));
        if (!written) {
            errorLine(cp932("比較の結果を書き込めませんでした。"));
            return 2;
        }
        return comparison.same() ? 0 : 1;
    } catch (const Error& error) {
        errorLine(error.text());
        return 2;
    }
}

int collect(const ProgramArguments& arguments, const CollectEnvironment& given) {
    // Ctrl+C stops the running view and skips the rest; what came is still written.
    CollectEnvironment environment = given;
    platform::WakeSignal stop;
    std::optional<platform::InterruptsWake> interrupts;
    if (!environment.stop) {
        environment.stop = &stop;
        interrupts.emplace(stop);
    }
    const std::function<void(const Text&)> errorLine = errorLineOf(environment);
    bool allRan = true;
    std::vector<CollectView> views = arguments.views;
    if (views.empty()) {
        const std::filesystem::path settings =
            environment.settingsFile ? environment.settingsFile() : std::filesystem::path();
        std::vector<CollectView> kept =
            settings.empty() ? defaultCollectList()
                             : collectListOf(IniFile(settings, platform::replaceFile));
        // The file may have been edited by hand: a line that cannot run is named and left out.
        for (CollectView& view : kept) {
            if (std::optional<Text> problem = collectViewProblem(view, environment.isNT)) {
                errorLine(*problem);
                allRan = false;
            } else {
                views.push_back(std::move(view));
            }
        }
    }
    Document document = freshDocument(environment.isNT);
    allRan = collectInto(document, views, environment) && allRan;
    const ExportHeader header = environment.header ? *environment.header : exportHeaderNow();
    try {
        platform::replaceFile(toNativePath(arguments.file),
                              collectedBytes(document, arguments.format, header));
    } catch (const std::exception& error) {
        errorLine(error.what());
        return 1;
    }
    return allRan ? 0 : 1;
}

std::optional<int> answerCommandLine(int argc, char** argv, ProgramArguments& arguments,
                                     const CollectEnvironment& environment) {
    std::vector<Text> texts, names;
    for (int i = 1; i < argc; ++i)
        texts.push_back(platform::argumentText(argv[i]));
    for (const std::filesystem::path& name : platform::argumentPaths(argc, argv))
        names.push_back(fromNativePath(name));
    try {
        arguments = parseProgramArguments(texts, environment.isNT, names);
    } catch (const Error& error) {
        platform::writeErrorLine(error.text());
        platform::writeErrorLine(cp932("tginfo --help で使い方を表示します。"));
        return 2;
    }
    switch (arguments.action) {
    case ProgramArguments::Action::Help:
        return platform::writeOutput(usageText()) ? 0 : 1;
    case ProgramArguments::Action::Version:
        return platform::writeOutput("TIDEGAUGE-INFO 2.0.0\n") ? 0 : 1;
    case ProgramArguments::Action::Collect:
        return collect(arguments, environment);
    case ProgramArguments::Action::Compare:
        return compareCommand(arguments, environment);
    case ProgramArguments::Action::Window:
        break;
    }
    return std::nullopt;
}

} // namespace tg
