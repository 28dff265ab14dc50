// The collector and its command line, 一括取得 in the window, run records and the two exports.
#include "support/FakeCommands.h"
#include "support/MainWindowDriver.h"
#include "support/ScriptedDialogs.h"

#include "app/Collector.h"
#include "commands/AbortDlg.h"
#include "commands/RunContext.h"
#include "documents/Export.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileName.h"
#include "ui/Style.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <csignal>
#endif

using tg::Text;
using tg::test::MainWindowDriver;

namespace {

Text cp932(const char* utf8) {
    return tg::utf8ToCp932(utf8);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// The report of the winconf view in these tests: two lines, one of them cp932 with 0x5C trail
// bytes.
void fakeReport(tg::RunContext& run) {
    run.appendReportLine(cp932("表示ソフト"));
    run.appendReportLine("----");
}

struct Outcome {
    int status = -1;
    QString out, err;
};

// The program itself, as a fleet's tool starts it: no display and no toolkit platform chosen.
Outcome runProgram(const QStringList& arguments, const QString& workDir = QString(),
                   const QString& programFile = QStringLiteral(TG_PROGRAM)) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    program.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        program.setWorkingDirectory(workDir);
    program.start(programFile, arguments);
    if (!program.waitForFinished(60000))
        return {};
    // A Windows console takes the program's lines in cp932, a Linux terminal in UTF-8.
    const auto decode = [](const QByteArray& bytes) {
#ifdef _WIN32
        return tg::toQString(Text(bytes.constData(), static_cast<std::size_t>(bytes.size())));
#else
        return QString::fromUtf8(bytes);
#endif
    };
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            decode(program.readAllStandardOutput()), decode(program.readAllStandardError())};
}

// A child whose first output stops the collection, as a Ctrl+C at that moment would.
class StopOnOutput : public tg::platform::ChildProcess {
public:
    StopOnOutput(std::unique_ptr<tg::platform::ChildProcess> child, tg::platform::WakeSignal& stop)
        : child_(std::move(child)), stop_(stop) {}
    Event wait(int timeoutMs) override { return child_->wait(timeoutMs); }
    bool read(Text& out) override {
        const bool got = child_->read(out);
        if (got)
            stop_.set();
        return got;
    }
    void drain(Text& out) override { child_->drain(out); }
    bool hasEnded() override { return child_->hasEnded(); }
    std::optional<int> exitCode() override { return child_->exitCode(); }
    bool interrupt() override { return child_->interrupt(); }
    void terminate() override { child_->terminate(); }

private:
    std::unique_ptr<tg::platform::ChildProcess> child_;
    tg::platform::WakeSignal& stop_;
};

// The view of a JSON export whose command starts so; empty when none has run.
QJsonObject viewRun(const QByteArray& json, const QString& command) {
    for (const QJsonValue& view : QJsonDocument::fromJson(json).object().value("views").toArray()) {
        if (view.toObject().value("command").toString().startsWith(command))
            return view.toObject();
    }
    return {};
}

tg::ExportHeader fixedHeader() {
    tg::ExportHeader header;
    header.version = "2.0.0";
    header.computer = cp932("表ソ-PC");
    header.user = "tester";
    header.os = "Debian <12>";
    header.exported = "2026-12-08T09:00:00+09:00";
    return header;
}

} // namespace

class CollectTest : public QObject {
    Q_OBJECT

private:
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    Text commandDir = TG_FAKE_BIN_DIR;

    tg::CollectEnvironment collectEnvironment(std::vector<Text>* errors = nullptr) {
        tg::CollectEnvironment env;
        env.systemReport = fakeReport;
        env.startChild = [this](const Text& line, bool isNT, const tg::platform::WakeSignal& wake) {
            return tg::test::startFromFolder(commandDir, line, isNT, wake);
        };
        env.errorLine = [errors](const Text& line) {
            if (errors)
                errors->push_back(line);
        };
        env.header = fixedHeader();
        return env;
    }

    MainFormEnvironment windowEnvironment() {
        MainFormEnvironment env;
        env.systemReport = fakeReport;
        env.startChild = [this](const Text& line, bool isNT, const tg::platform::WakeSignal& wake) {
            return tg::test::startFromFolder(commandDir, line, isNT, wake);
        };
        env.iniPath = tg::toNativePath(tg::fromQString(dir.filePath(QStringLiteral("tginfo.INI"))));
        return env;
    }

    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QString path(const QString& name) const { return dir.filePath(name); }
    Text pathText(const char* name) const { return tg::fromQString(path(name)); }

private slots:
    void initTestCase() { tg::setDialogs(&dialogs); }
    void cleanupTestCase() { tg::setDialogs(nullptr); }

    // Every bad form ends with status 2 and a line that names what is wrong; the good ones are
    // answered without a window.
    void commandLineForms_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message"); // in standard error, or for status 0 in the output
        const QString out = path("out.txt");
        const struct {
            const char* name;
            QStringList arguments;
            int status;
            const char* message;
        } rows[] = {
            {"help", {"--help"}, 0, "tginfo --collect"},
            {"version", {"--version"}, 0, "2.0.0"},
            {"unknown option", {"--colect", out}, 2, "知らないオプションです: --colect"},
            {"collect without file", {"--collect"}, 2, "値がありません: --collect"},
            {"collect then option",
             {"--collect", "--format", "json"},
             2,
             "出力ファイルがありません"},
            {"collect twice", {"--collect", out, "--collect", out}, 2, "二度指定されています"},
            {"format without value", {"--collect", out, "--format"}, 2, "値がありません: --format"},
            {"unknown format", {"--collect", out, "--format", "xml"}, 2, "text、html、json"},
            {"format twice",
             {"--collect", out, "--format", "html", "--format", "json"},
             2,
             "二度指定されています: --format"},
            {"view without value", {"--collect", out, "--view"}, 2, "値がありません: --view"},
            {"empty view", {"--collect", out, "--view", " "}, 2, "ビューがありません"},
            {"unknown view",
             {"--collect", out, "--view", "ifconfig -a"},
             2,
             "そのようなビューはありません: ifconfig"},
            {"winconf with arguments",
             {"--collect", out, "--view", "winconf x"},
             2,
             "winconf は引数を取りません"},
            {"ping without target",
             {"--collect", out, "--view", "ping"},
             2,
             "IPアドレスかホスト名を指定してください: ping"},
            {"view twice",
             {"--collect", out, "--view", "arp -a", "--view", "ARP -g"},
             2,
             "同じビューが二度指定されています"},
            {"view without collect", {"--view", "arp -a"}, 2, "--collect と一緒に使います"},
            {"format without collect", {"--format", "json"}, 2, "--collect と一緒に使います"},
            {"document with collect", {"doc.txt", "--collect", out}, 2, "一緒には使えない引数です"},
            {"two documents", {"a.txt", "b.txt"}, 2, "開く文書は一つだけです: b.txt"},
            {"help with more", {"--help", "--version"}, 2, "他の引数と一緒には使えません"},
        };
        for (const auto& row : rows)
            QTest::newRow(row.name)
                << row.arguments << row.status << QString::fromUtf8(row.message);
    }
    void commandLineForms() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        const Outcome outcome = runProgram(arguments);
        QCOMPARE(outcome.status, status);
        if (status == 0) {
            QVERIFY2(outcome.out.contains(message), qPrintable(outcome.out));
            QVERIFY(outcome.err.isEmpty());
        } else {
            QVERIFY(outcome.out.isEmpty());
            const QString first = outcome.err.section(QLatin1Char('\n'), 0, 0);
            QVERIFY2(first.contains(message), qPrintable(outcome.err));
        }
        QVERIFY(!QFile::exists(path("out.txt")));
    }

    // The real program with its own stand-ins, no display: the file is written as JSON, and a
    // place that cannot be written gives status 1 and a line saying why. The name is taken as
    // the system gives it.
    void collectsWithoutDisplay() {
        const QString out = path(QStringLiteral("表ソ.json"));
        Outcome outcome = runProgram({"--collect", out, "--format", "json", "--view",
                                      "ipconfig /all", "--view", "netstat -an"});
        QCOMPARE(outcome.status, 0);
        QVERIFY2(outcome.err.isEmpty(), qPrintable(outcome.err));
        const QJsonObject root = QJsonDocument::fromJson(readFile(out)).object();
        QCOMPARE(root.value("program").toString(), QStringLiteral("TIDEGAUGE-INFO"));
        const QJsonArray views = root.value("views").toArray();
        QCOMPARE(views.at(1).toObject().value("command").toString(),
                 QStringLiteral("ipconfig /all"));
        QCOMPARE(views.at(1).toObject().value("ending").toString(), QStringLiteral("exited"));
        QCOMPARE(views.at(1).toObject().value("exitCode").toInt(-1), 0);
        QVERIFY(views.at(1).toObject().value("text").toString().contains(QStringLiteral("IPv4")));

        outcome = runProgram({"--collect", path("missing/dir/x.txt"), "--view", "arp -a"});
        QCOMPARE(outcome.status, 1);
        QVERIFY2(outcome.err.contains(QStringLiteral("x.txt")), qPrintable(outcome.err));

        // A name cp932 cannot write lands under that very name, not under one with '?'.
        const QString foreign = path(QStringLiteral("한국 é 📁.txt"));
        outcome = runProgram({"--collect", foreign, "--view", "arp -a"});
        QCOMPARE(outcome.status, 0);
        QVERIFY(QFile::exists(foreign));
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
            QVERIFY2(!name.contains(QLatin1Char('?')), qPrintable(name));
    }

    // Ctrl+C in the middle: the running view keeps what it printed and is recorded as aborted,
    // the views after it are named and not run, and the file is still written.
    void interruptKeepsWhatCame() {
        tg::platform::WakeSignal stop;
        std::vector<Text> errors;
        tg::CollectEnvironment env = collectEnvironment(&errors);
        env.stop = &stop;
        env.startChild = [&](const Text& line, bool isNT, const tg::platform::WakeSignal& wake)
            -> std::unique_ptr<tg::platform::ChildProcess> {
            auto child = tg::test::startFromFolder(commandDir, line, isNT, wake);
            if (line.rfind("ping", 0) != 0 || !child)
                return child;
            return std::make_unique<StopOnOutput>(std::move(child), stop);
        };
        tg::ProgramArguments arguments;
        arguments.action = tg::ProgramArguments::Action::Collect;
        arguments.file = pathText("stopped.json");
        arguments.format = tg::CollectFormat::Json;
        arguments.views = {
            {"ipconfig", "/all"}, {"ping", "-t 127.0.0.1 out:Reply\\n sleep:60000"}, {"arp", "-a"}};
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(tg::collect(arguments, env), 1);
        QVERIFY(clock.elapsed() < 30000);
        const QByteArray json = readFile(path("stopped.json"));
        QCOMPARE(viewRun(json, "ipconfig").value("ending").toString(), QStringLiteral("exited"));
        const QJsonObject ping = viewRun(json, "ping");
        QCOMPARE(ping.value("ending").toString(), QStringLiteral("aborted"));
        QVERIFY2(ping.value("text").toString().contains(QStringLiteral("Reply")), json.constData());
        QVERIFY(viewRun(json, "arp").isEmpty());
        QCOMPARE(errors, std::vector<Text>{cp932("中断しました。実行しなかったビュー: arp -a")});
    }

    // The program itself, interrupted as a terminal's Ctrl+C would: the file is written with the
    // view that was running, and the status says that not everything ran.
    void interruptFromTheConsole() {
#ifdef _WIN32
        QSKIP("no console to send Ctrl+C to here; interruptKeepsWhatCame covers the collection");
#else
        const QString out = path(QStringLiteral("interrupted.json"));
        QProcess program;
        program.start(QStringLiteral(TG_PROGRAM), {"--collect", out, "--format", "json", "--view",
                                                   "netstat -an 30", "--view", "arp -a"});
        QVERIFY(program.waitForStarted());
        // netstat's interval form prints once and then waits for its next round.
        QTest::qWait(2000);
        QCOMPARE(::kill(static_cast<pid_t>(program.processId()), SIGINT), 0);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        const QJsonObject netstat = viewRun(readFile(out), "netstat");
        QCOMPARE(netstat.value("ending").toString(), QStringLiteral("aborted"));
        QVERIFY(!netstat.value("text").toString().isEmpty());
        QVERIFY(viewRun(readFile(out), "arp").isEmpty());
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("実行しなかったビュー: arp -a")), qPrintable(err));
#endif
    }

    // 一括取得 in the window and --collect run the same list with the same fake commands: the
    // text file is the Save's to the byte, and the records hold each command's exit code.
    void collectWritesWhatSaveWrites() {
        const std::vector<tg::CollectView> list = {{"winconf", ""},
                                                   {"ipconfig", "/all"},
                                                   {"route", "print exit:3"},
                                                   {"arp", cp932("-a out:表ソ\\n exit:0")},
                                                   {"netstat", "-an err:x\\n exit:255"}};
        MainWindowDriver w(windowEnvironment());
        w.form().collectAll(list);
        dialogs.fileNames = {pathText("saved.txt")};
        w.trigger("FileSaveAs1");

        tg::ProgramArguments arguments;
        arguments.action = tg::ProgramArguments::Action::Collect;
        arguments.file = pathText("collected.txt");
        arguments.views = list;
        QCOMPARE(tg::collect(arguments, collectEnvironment()), 0);
        const QByteArray saved = readFile(path("saved.txt"));
        QVERIFY(saved.contains("[print]\r\n[exit:3]\r\n"));
        QCOMPARE(readFile(path("collected.txt")), saved);

        const tg::Document& document = w->getDocument();
        const struct {
            const char* label;
            const char* command;
            std::optional<int> exitCode;
        } expected[] = {{"winconf", "winconf", std::nullopt},
                        {"route", "route print exit:3", 3},
                        {"netstat", "netstat -an err:x\\n exit:255", 255}};
        for (const auto& row : expected) {
            const auto& record = document.record(static_cast<size_t>(w.viewIndex(row.label)));
            QVERIFY(record);
            QCOMPARE(record->command, Text(row.command));
            QCOMPARE(record->exitCode, row.exitCode);
            QCOMPARE(record->ending,
                     row.exitCode ? tg::RunEnding::Exited : tg::RunEnding::Completed);
            QVERIFY(
                QRegularExpression(
                    QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"))
                    .match(tg::toQString(record->started))
                    .hasMatch());
            QVERIFY(record->started <= record->ended);
        }
        // The pane's tool tip tells the current view's record: the last view run.
        const QString tip = w.control<QWidget>("RichEdit_Output")->toolTip();
        QVERIFY2(tip.contains(QStringLiteral("netstat -an")) &&
                     tip.contains(QStringLiteral("終了コード 255")),
                 qPrintable(tip));
        // An opened document has no records, and the text file none to give.
        w.trigger("FileNew1");
        QVERIFY(!w->getDocument().record(0));
        QVERIFY(w.control<QWidget>("RichEdit_Output")->toolTip().isEmpty());
    }

    // Abort during the second of three runs: the first keeps its output, the second what came
    // and its record says so, the third does not run. The dialog shows the overall step.
    void abortEndsTheCollection() {
        MainWindowDriver w(windowEnvironment());
        QString stepShown;
        Qt::WindowFlags dialogFlags;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &w.form(), [&] {
            TAbortDlg* dialog = w->findChild<TAbortDlg*>();
            if (dialog && dialog->isVisible() &&
                dialog->Label1->text().contains(QStringLiteral("ping")) &&
                w.paneText().find("first\r\n") != Text::npos) {
                stepShown = dialog->Label1->text();
                dialogFlags = dialog->windowFlags();
                dialog->OKBtn->click();
            }
        });
        poll.start(20);
        w.form().collectAll(
            {{"ipconfig", "/all"}, {"ping", "out:first\\n sleep:30000"}, {"arp", "-a"}});
        poll.stop();
        QCOMPARE(stepShown, QStringLiteral("一括取得 2/3: ping out:first\\n sleep:30000"));
        // Only the close button in its title bar, as on Windows.
        QCOMPARE(dialogFlags & (tg::kDialogWindowFlags | Qt::WindowMinMaxButtonsHint),
                 tg::kDialogWindowFlags);
        const tg::Document& document = w->getDocument();
        const size_t ping = static_cast<size_t>(w.viewIndex("ping"));
        QCOMPARE(document.record(ping)->ending, tg::RunEnding::Aborted);
        QVERIFY(!document.record(ping)->exitCode);
        QVERIFY(document.texts()[ping].find("first\r\n") != Text::npos);
        QCOMPARE(document.record(1)->ending, tg::RunEnding::Exited);
        QVERIFY(!document.record(static_cast<size_t>(w.viewIndex("arp"))));
        QVERIFY(w.control<QWidget>("RichEdit_Output")
                    ->toolTip()
                    .contains(QStringLiteral("ユーザーが中止")));
        QVERIFY(w.control<QPushButton>("Button_Update")->isEnabled());
    }

    // A command that cannot start and a report that cannot read the system: their records say
    // so, each has its line, the collector's status is 1 and the file is written all the same.
    void viewsThatCannotRun() {
        commandDir = pathText("no-such-folder");
        std::vector<Text> errors;
        tg::CollectEnvironment env = collectEnvironment(&errors);
        env.systemReport = [](tg::RunContext& run) {
            run.messageBox(false, cp932("WMIに接続できません"), cp932("エラー"), 0);
        };
        tg::ProgramArguments arguments;
        arguments.action = tg::ProgramArguments::Action::Collect;
        arguments.file = pathText("notstarted.json");
        arguments.format = tg::CollectFormat::Json;
        arguments.views = {{"arp", "-a"}, {"winconf", ""}};
        QCOMPARE(tg::collect(arguments, env), 1);
        commandDir = TG_FAKE_BIN_DIR;
        QCOMPARE(errors.size(), size_t(3));
        QVERIFY(errors[0].find("arp -a") != Text::npos);
        QCOMPARE(errors[1], cp932("エラー: WMIに接続できません"));
        QVERIFY(errors[2].find("winconf") != Text::npos);
        const QJsonArray views =
            QJsonDocument::fromJson(readFile(path("notstarted.json"))).object()["views"].toArray();
        for (int view : {0, 2}) {
            QCOMPARE(views[view].toObject()["ending"].toString(), QStringLiteral("notStarted"));
            QVERIFY(views[view].toObject()["exitCode"].isNull());
        }

        // The window keeps the same record of a report that could not read the system.
        MainFormEnvironment windowEnv = windowEnvironment();
        windowEnv.systemReport = env.systemReport;
        MainWindowDriver w(windowEnv);
        w.form().collectAll({{"winconf", ""}});
        QCOMPARE(dialogs.boxes.back().text, cp932("WMIに接続できません"));
        QCOMPARE(w->getDocument().record(0)->ending, tg::RunEnding::CouldNotStart);
    }

    // Both exports of a cp932 document with 0x5C trail bytes, markup characters and views never
    // run, read back by an HTML parser and a JSON parser.
    void exportsReadBack() {
#ifdef _WIN32
        // Under Wine the fake command's cp932 output comes back as '?' where this test feeds it
        // through its arguments; the exports themselves are the same code on both systems.
        QSKIP("the fake command's cp932 output is not carried through its arguments under Wine");
#endif
        MainWindowDriver w(windowEnvironment());
        w.form().collectAll({{"winconf", ""}, {"arp", cp932("-a out:<表>&'ソ'\\n exit:2")}});
        const tg::Document& document = w->getDocument();
        const QString arpText =
            QString::fromUtf8("arp\r\n[-a]\r\n[out:<表>&'ソ'\\n]\r\n[exit:2]\r\n<表>&'ソ'\r\n");
        QCOMPARE(tg::toQString(document.texts()[2]), arpText);

        // JSON: every field.
        dialogs.fileNames = {pathText("export.json")};
        w.trigger("FileExport1");
        QJsonParseError error{};
        const QJsonObject root =
            QJsonDocument::fromJson(readFile(path("export.json")), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(root.keys(), (QStringList{"computer", "exported", "os", "program", "user",
                                           "version", "views"}));
        QCOMPARE(root["version"].toString(), QStringLiteral("2.0.0"));
        const QJsonArray views = root["views"].toArray();
        QCOMPARE(views.size(), static_cast<qsizetype>(document.viewCount()));
        const QJsonObject arp = views[2].toObject();
        QCOMPARE(arp.keys(), (QStringList{"command", "ended", "ending", "exitCode", "label",
                                          "started", "text"}));
        QCOMPARE(arp["label"].toString(), QStringLiteral("arp"));
        QCOMPARE(arp["command"].toString(), QString::fromUtf8("arp -a out:<表>&'ソ'\\n exit:2"));
        QCOMPARE(arp["ending"].toString(), QStringLiteral("exited"));
        QCOMPARE(arp["exitCode"].toInt(), 2);
        QCOMPARE(arp["text"].toString(), arpText);
        QCOMPARE(arp["started"].toString(), tg::toQString(document.record(2)->started));
        QCOMPARE(arp["ended"].toString(), tg::toQString(document.record(2)->ended));
        QCOMPARE(views[0].toObject()["ending"].toString(), QStringLiteral("completed"));
        const QJsonObject never = views[3].toObject(); // route, never run
        QCOMPARE(never["text"].toString(), QString());
        for (const char* field : {"command", "started", "ended", "ending", "exitCode"})
            QVERIFY(never[QLatin1String(field)].isNull());

        // HTML: well-formed for a strict parser, the text back from its block, nothing outside.
        const tg::Document& doc = w->getDocument();
        const std::string html = tg::exportHtml(doc, fixedHeader());
        { std::ofstream(tg::toNativePath(pathText("export.html")), std::ios::binary) << html; }
        QProcess xmllint;
        xmllint.start(QStringLiteral("xmllint"),
                      {"--html", "--noout", "--xpath", "string(//div[@id='view2']/pre)",
                       path("export.html")});
        QVERIFY(xmllint.waitForFinished(30000));
        QCOMPARE(xmllint.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(xmllint.readAllStandardError()), QString());
        QString arpBack = arpText;
        arpBack.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(QString::fromUtf8(xmllint.readAllStandardOutput()),
                 arpBack + "\n"); // xmllint's own
        const QString page = QString::fromUtf8(html.c_str());
        for (const char* header : {"表ソ-PC", "tester", "Debian &lt;12&gt;", "TIDEGAUGE-INFO 2.0.0",
                                   "2026-12-08T09:00:00+09:00", "終了コード 2"})
            QVERIFY2(page.contains(QString::fromUtf8(header)), header);
        QVERIFY(!page.contains(QStringLiteral("<script"), Qt::CaseInsensitive));
        QVERIFY(!page.contains(QRegularExpression(QStringLiteral("(src|href)\\s*=\\s*\"[^#]"))));
        QCOMPARE(page.count(QStringLiteral("出力なし</p>")),
                 static_cast<qsizetype>(doc.viewCount() - 2));

        // An opened document exports as well, with its texts and no records.
        dialogs.fileNames = {pathText("saved.txt")};
        w.trigger("FileSaveAs1");
        dialogs.fileNames = {pathText("saved.txt")};
        w.trigger("FileOpen1");
        dialogs.fileNames = {pathText("opened.json")};
        w.trigger("FileExport1");
        const QJsonObject opened =
            QJsonDocument::fromJson(readFile(path("opened.json"))).object()["views"][2].toObject();
        QVERIFY(opened["command"].isNull());
        QVERIFY(opened["text"].toString().contains(QString::fromUtf8("<表>&'ソ'")));
    }

    // Without --view the collector runs the list 一括取得 keeps in the settings file, naming and
    // leaving out a hand-edited line that cannot run; with no such list, the default one.
    void collectRunsTheSettingsList() {
        const QString ini = path("collect.INI");
        {
            QFile file(ini);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[POSITION]\r\nTOP=1\r\n[COLLECT]\r\nV0=arp -a exit:4\r\nV1=ping\r\n"
                       "V2=  ipconfig   /all \r\n");
        }
        const QByteArray before = readFile(ini);
        std::vector<Text> errors;
        tg::CollectEnvironment env = collectEnvironment(&errors);
        env.settingsFile = [&] { return tg::toNativePath(tg::fromQString(ini)); };
        tg::ProgramArguments arguments;
        arguments.action = tg::ProgramArguments::Action::Collect;
        arguments.file = pathText("fromsettings.json");
        arguments.format = tg::CollectFormat::Json;
        const auto commandsRun = [&] { // in view order
            QStringList commands;
            const QJsonArray views = QJsonDocument::fromJson(readFile(path("fromsettings.json")))
                                         .object()["views"]
                                         .toArray();
            for (const QJsonValue view : views) {
                if (!view.toObject()["command"].isNull())
                    commands << view.toObject()["command"].toString();
            }
            return commands;
        };
        QCOMPARE(tg::collect(arguments, env), 1);
        QCOMPARE(errors, std::vector<Text>{cp932("IPアドレスかホスト名を指定してください: ping")});
        QCOMPARE(commandsRun(), (QStringList{"ipconfig /all", "arp -a exit:4"}));
        QCOMPARE(readFile(ini), before); // only read

        for (const char* content : {"[POSITION]\r\nTOP=1\r\n", "[COLLECT]\r\nV0=\r\n"}) {
            QFile file(ini);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(content);
            file.close();
            errors.clear();
            QCOMPARE(tg::collect(arguments, env), 0);
            QVERIFY(errors.empty());
            QStringList commands = commandsRun();
            commands.sort();
            QCOMPARE(commands, (QStringList{"arp -a", "ipconfig /all", "netstat -an", "route print",
                                            "winconf"}));
        }

        // The program itself reads the settings file beside it (a copy, so that the file is this
        // test's own; the stand-ins beside it are found through a link).
        const QString program = path("bin/tginfo");
        QVERIFY(QDir().mkpath(path("bin")));
        QVERIFY(QFile::copy(QStringLiteral(TG_PROGRAM), program));
        QVERIFY(QFile::link(QFileInfo(QStringLiteral(TG_PROGRAM)).dir().filePath("netcmd"),
                            path("bin/netcmd")));
        {
            QFile file(path("bin/tginfo.INI"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[COLLECT]\r\nV0=arp -a\r\n");
        }
        const Outcome outcome =
            runProgram({"--collect", path("fromsettings.json"), "--format", "json"}, {}, program);
        QCOMPARE(outcome.status, 0);
        QCOMPARE(commandsRun(), QStringList{"arp -a"});
    }

    // The settings file keeps the edited list, and the dialog offers it next time.
    void listIsKeptInTheSettings() {
        MainWindowDriver w(windowEnvironment());
        QCOMPARE(w.form().collectList().size(), size_t(5));
        QTimer::singleShot(0, &w.form(), [&] {
            auto* dialog = w->findChild<QDialog*>(QStringLiteral("CollectDlg"));
            auto* edit = dialog->findChild<QPlainTextEdit*>(QStringLiteral("Memo_collect"));
            QCOMPARE(edit->toPlainText(), QStringLiteral("winconf\nipconfig /all\nroute print\narp "
                                                         "-a\nnetstat -an"));
            edit->setPlainText(QStringLiteral("ping\narp -a"));
            dialog->findChild<QPushButton*>(QStringLiteral("OKBtn"))->click();
            // A line that cannot run keeps the dialog open and says why.
            QVERIFY(dialog->isVisible());
            QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("Label_problem"))
                        ->text()
                        .contains(QStringLiteral("ping")));
            edit->setPlainText(QStringLiteral("arp -a\n\n ipconfig  /all "));
            dialog->findChild<QPushButton*>(QStringLiteral("OKBtn"))->click();
        });
        w.trigger("ToolCollectAll1");
        QVERIFY(w->getDocument().record(1));
        QVERIFY(w->getDocument().record(2));
        const std::vector<tg::CollectView> kept =
            MainWindowDriver(windowEnvironment()).form().collectList();
        QCOMPARE(kept.size(), size_t(2));
        QCOMPARE(kept[1].label + "|" + kept[1].args, Text("ipconfig|/all"));
    }
};

QTEST_MAIN(CollectTest)
#include "CollectTest.moc"
