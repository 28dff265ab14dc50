#include "support/MainWindowDriver.h"
#include "support/PlatformProbes.h"
#include "support/ScriptedDialogs.h"

#include "platform/Files.h"

#include "text/Codec.h"
#include "text/FileName.h"
#include "text/IniFile.h"
#include "text/StringList.h"
#include "ui/QtText.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif

namespace {

using tg::Dialogs;
using tg::Text;
using tg::test::MainWindowDriver;

Text cp932(const char* utf8) {
    return tg::utf8ToCp932(utf8);
}

Text readBytes(const QString& path) {
    std::ifstream in(tg::qStringToPath(path), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeBytes(const QString& path, const Text& bytes) {
    std::ofstream(tg::qStringToPath(path), std::ios::binary) << bytes;
}

#ifndef Q_OS_WIN
// A named pipe with a writer standing by to send it a document as soon as anyone opens it for
// reading, or a bound socket, for as long as it lives.
class SpecialFile {
public:
    SpecialFile(const QString& kind, const std::string& native) : native_(native) {
        if (kind == "fifo") {
            made_ = ::mkfifo(native.c_str(), 0600) == 0;
            writer_ = std::thread([this] {
                while (!stop_) {
                    int fd = ::open(native_.c_str(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) {
                        pipeOpened_ = true;
                        [[maybe_unused]] auto n = ::write(fd, "arp\r\npiped\r\n-----\r\n", 19);
                        ::close(fd);
                        return;
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
            });
        } else {
            socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::snprintf(address.sun_path, sizeof address.sun_path, "%s", native.c_str());
            made_ = ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        }
    }
    ~SpecialFile() {
        stop_ = true;
        if (writer_.joinable())
            writer_.join();
        if (socket_ >= 0)
            ::close(socket_);
    }
    bool made() const { return made_; }
    bool pipeOpened() const { return pipeOpened_; }

private:
    std::string native_;
    bool made_ = false;
    int socket_ = -1;
    std::atomic<bool> stop_{false}, pipeOpened_{false};
    std::thread writer_;
};
#endif

Text emptyDocument(const std::vector<Text>& labels) {
    Text bytes = "TIDEGAUGE-INFO Ver2.0.0\r\n-----\r\n";
    for (const Text& label : labels)
        bytes += label + "\r\n\r\n-----\r\n";
    return bytes;
}

} // namespace

class DocumentActionsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<tg::test::RecentDocumentsProbe> recent;

    // Paths as the system's file dialog gives them, with its own separators.
    QString path(const QString& name) const {
        return QDir::toNativeSeparators(dir->filePath(name));
    }
    std::filesystem::path nativePath(const QString& name) const {
        return tg::qStringToPath(path(name));
    }
    // As messages name the file.
    Text textPath(const QString& name) const { return tg::fromNativePath(nativePath(name)); }
    std::unique_ptr<MainWindowDriver> makeWindow() {
        MainFormEnvironment environment;
        environment.iniPath = nativePath(QStringLiteral("tginfo.INI"));
        return std::make_unique<MainWindowDriver>(environment);
    }
    // Saves under a name through the save-as dialog.
    void saveAs(MainWindowDriver& w, const QString& name) {
        dialogs->fileNames = {nativePath(name)};
        w.trigger("FileSaveAs1");
    }
    bool inRecentDocuments(const QString& file) const { return recent->contains(file); }
    // The unsaved-changes prompt, exactly as it must read.
    void verifyPrompt(const ScriptedDialogs::Box& box) {
        QCOMPARE(box.text, cp932("保存されていない更新があります\n保存しますか？"));
        QCOMPARE(box.caption, std::optional<Text>(cp932("確認")));
        QCOMPARE(box.flags, 0x33u);
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        recent = std::make_unique<tg::test::RecentDocumentsProbe>(dir->path());
        dialogs = std::make_unique<ScriptedDialogs>();
    }
    void cleanup() {
        // Every scripted answer was asked for.
        QVERIFY(dialogs->answers.empty());
        QVERIFY(dialogs->fileNames.empty());
        dialogs.reset();
        dir.reset();
    }

    void saveOpenAndSaveAgainKeepEveryView() {
        auto w = makeWindow();
        const auto& labels = (*w)->getViewLabels();
        QCOMPARE(labels.size(), 10u);
        dialogs->fileNames = {nativePath(QStringLiteral("doc.txt"))};
        w->trigger("FileSave1");

        QCOMPARE(dialogs->saveSpecs.size(), size_t(1));
        const Dialogs::FileDialogSpec& spec = dialogs->saveSpecs[0];
        QCOMPARE(spec.filter, cp932("テキストファイル(*.txt)|*.txt|すべてのファイル|*.*"));
        QCOMPARE(spec.defaultExt, Text("*.txt"));
        QCOMPARE(spec.initialDir, std::filesystem::path()); // untitled: the dialog's own choice
        QCOMPARE(readBytes(path(QStringLiteral("doc.txt"))), emptyDocument(labels));
        QCOMPARE((*w)->getDocumentName(), nativePath(QStringLiteral("doc.txt")));
        QVERIFY(!(*w)->isModified());
        QVERIFY(inRecentDocuments(path(QStringLiteral("doc.txt"))));

        // Named: written at once, and output arrives as it stands.
        w->runWith("arp", "arp \x95\x5C line\r\n"); // a trail byte 0x5C, as in "表"
        w->runWith("ping", "Reply 1\r\n-----x\r\nReply 2\r\n");
        QVERIFY((*w)->isModified());
        w->trigger("FileSave1");
        QCOMPARE(dialogs->saveSpecs.size(), size_t(1));
        QVERIFY(readBytes(path(QStringLiteral("doc.txt")))
                    .find("ping\r\nReply 1\r\n-----x\r\nReply 2\r\n\r\n-----\r\n") != Text::npos);
        QVERIFY(!(*w)->isModified());

        // Save As opens where the document is; cancelled, it changes nothing.
        w->trigger("FileSaveAs1");
        QCOMPARE(dialogs->saveSpecs[1].initialDir,
                 tg::qStringToPath(QDir::toNativeSeparators(dir->path())));
        QCOMPARE((*w)->getDocumentName(), nativePath(QStringLiteral("doc.txt")));
        saveAs(*w, QStringLiteral("first.txt"));
        w->trigger("FileNew1"); // not modified: no prompt
        QVERIFY(dialogs->boxes.empty());
        QCOMPARE((*w)->getViewText(), (*w)->getViewDefaultText());

        w->select("route");
        w->type("Edit_target", QStringLiteral("host"));
        dialogs->fileNames = {nativePath(QStringLiteral("first.txt"))};
        w->trigger("FileOpen1");
        QCOMPARE(dialogs->openSpecs.size(), size_t(1));
        QCOMPARE(dialogs->openSpecs[0].filter,
                 cp932("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*"));
        QCOMPARE(dialogs->openSpecs[0].defaultExt, Text("*.txt"));
        QCOMPARE((*w)->getViewText()[size_t(w->viewIndex("ping"))],
                 Text("Reply 1\n-----x\nReply 2\n"));
        QCOMPARE((*w)->getViewText()[size_t(w->viewIndex("arp"))], Text("arp \x95\x5C line\n"));
        QCOMPARE((*w)->getCurrentView(), 0);
        QCOMPARE(w->control<QTabBar>("TabControl1")->currentIndex(), 0);
        QCOMPARE(w->paneText(), (*w)->getViewText()[0]);
        QCOMPARE(w->helpText(), (*w)->getViewHelpText()[0]);
        QVERIFY(w->control<QLineEdit>("Edit_target")->text().isEmpty());
        QVERIFY(!(*w)->isModified());

        // Saved again, the same lines; from then on open and save give the same bytes.
        saveAs(*w, QStringLiteral("second.txt"));
        const Text second = readBytes(path(QStringLiteral("second.txt")));
        QCOMPARE(tg::splitLines(second),
                 tg::splitLines(readBytes(path(QStringLiteral("first.txt")))));
        (*w)->openDocument(nativePath(QStringLiteral("second.txt")));
        saveAs(*w, QStringLiteral("third.txt"));
        QCOMPARE(readBytes(path(QStringLiteral("third.txt"))), second);
        QVERIFY(dialogs->errors.empty());
    }

    void newAndCloseAskBeforeDroppingOutput_data() {
        QTest::addColumn<QString>("action");
        QTest::newRow("new") << QStringLiteral("FileNew1");
        QTest::newRow("close") << QStringLiteral("FileClose1");
    }
    void newAndCloseAskBeforeDroppingOutput() {
        QFETCH(QString, action);
        const QByteArray name = action.toLatin1();
        auto w = makeWindow();
        const size_t route = size_t(w->viewIndex("route"));
        w->runWith("route", "route output\r\n");
        w->type("Edit_target", QStringLiteral("host"));

        // Cancel: nothing changes.
        dialogs->answers = {Dialogs::IdCancel};
        w->trigger(name.constData());
        QCOMPARE(dialogs->boxes.size(), size_t(1));
        verifyPrompt(dialogs->boxes[0]);
        QVERIFY((*w)->isModified());
        QCOMPARE((*w)->getViewText()[route], Text("route output\r\n"));
        QCOMPARE((*w)->getCurrentView(), int(route));
        QCOMPARE(w->control<QLineEdit>("Edit_target")->text(), QStringLiteral("host"));

        // Yes on an unnamed document, save dialog cancelled: reset all the same, nothing written.
        dialogs->answers = {Dialogs::IdYes};
        dialogs->fileNames = {std::nullopt};
        w->trigger(name.constData());
        QCOMPARE(dialogs->saveSpecs.size(), size_t(1));
        QCOMPARE((*w)->getViewText(), (*w)->getViewDefaultText());
        QVERIFY(!(*w)->isModified());
        QCOMPARE((*w)->getCurrentView(), 0);
        QVERIFY(w->control<QLineEdit>("Edit_target")->text().isEmpty());
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());

        // Yes on a named document writes it to its own file first.
        saveAs(*w, QStringLiteral("named.txt"));
        w->runWith("route", "second output\r\n");
        dialogs->answers = {Dialogs::IdYes};
        w->trigger(name.constData());
        QVERIFY(readBytes(path(QStringLiteral("named.txt"))).find("second output") != Text::npos);
        QCOMPARE((*w)->getDocumentName(), Text("untitled.txt"));
        QCOMPARE((*w)->getViewText(), (*w)->getViewDefaultText());

        // No: dropped without saving.
        w->runWith("route", "dropped\r\n");
        dialogs->answers = {Dialogs::IdNo};
        w->trigger(name.constData());
        QCOMPARE((*w)->getViewText(), (*w)->getViewDefaultText());
        QVERIFY(readBytes(path(QStringLiteral("named.txt"))).find("dropped") == Text::npos);
        QVERIFY(!(*w)->isModified());
        QVERIFY(dialogs->errors.empty());
    }

    // Closing the window, by 終了 or by its frame, asks as New does; only a save that was done or a
    // No lets the output go.
    void closingAsksBeforeDroppingOutput_data() {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("saveTo"); // the save dialog's answer; empty: cancelled
        QTest::addColumn<bool>("closes");
        QTest::newRow("unmodified") << false << 0 << QString() << true;
        QTest::newRow("cancel") << true << int(Dialogs::IdCancel) << QString() << false;
        QTest::newRow("no") << true << int(Dialogs::IdNo) << QString() << true;
        QTest::newRow("yes, save cancelled") << true << int(Dialogs::IdYes) << QString() << false;
        QTest::newRow("yes, saved") << true << int(Dialogs::IdYes) << "saved.txt" << true;
        QTest::newRow("yes, save failed") << true << int(Dialogs::IdYes) << "folder" << false;
    }
    void closingAsksBeforeDroppingOutput() {
        QFETCH(bool, modified);
        QFETCH(int, answer);
        QFETCH(QString, saveTo);
        QFETCH(bool, closes);
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("folder")));
        for (bool byMenu : {true, false}) {
            dialogs->boxes.clear();
            dialogs->errors.clear();
            auto w = makeWindow();
            w->form().show();
            if (modified)
                w->runWith("ping", "unsaved\r\n");
            if (answer)
                dialogs->answers = {answer};
            if (!saveTo.isEmpty())
                dialogs->fileNames = {textPath(saveTo)};
            if (byMenu)
                w->trigger("FileExit1");
            else
                w->form().close();

            QCOMPARE(!w->form().isVisible(), closes);
            QCOMPARE(dialogs->boxes.size(), size_t(modified));
            if (modified)
                verifyPrompt(dialogs->boxes[0]);
            QCOMPARE(dialogs->errors.size(), size_t(saveTo == "folder"));
            // What stays keeps its output, still unsaved.
            QCOMPARE((*w)->isModified(), !closes || (modified && answer == Dialogs::IdNo));
            if (!closes)
                QCOMPARE((*w)->getViewText()[size_t(w->viewIndex("ping"))], Text("unsaved\r\n"));
            QCOMPARE(readBytes(path(QStringLiteral("saved.txt"))).find("unsaved") != Text::npos,
                     saveTo == "saved.txt");
            QFile::remove(path(QStringLiteral("saved.txt")));
        }
    }

    void openAsksFirstAndNeverWritesTheFileBeingOpened() {
        auto w = makeWindow();
        const size_t ping = size_t(w->viewIndex("ping")), arp = size_t(w->viewIndex("arp"));
        Text other = "arp\r\nfrom the file\r\n-----\r\n";
        writeBytes(path(QStringLiteral("other.txt")), other);
        saveAs(*w, QStringLiteral("mine.txt"));
        w->runWith("ping", "unsaved ping\r\n");

        // Cancel: the dialog was shown, the prompt ends the open.
        dialogs->fileNames = {nativePath(QStringLiteral("other.txt"))};
        dialogs->answers = {Dialogs::IdCancel};
        w->trigger("FileOpen1");
        QCOMPARE((*w)->getDocumentName(), nativePath(QStringLiteral("mine.txt")));
        QCOMPARE((*w)->getViewText()[arp], (*w)->getViewDefaultText()[arp]);
        QVERIFY((*w)->isModified());

        // Yes: the current document goes to its own file, the chosen one is only read.
        dialogs->fileNames = {nativePath(QStringLiteral("other.txt"))};
        dialogs->answers = {Dialogs::IdYes};
        w->trigger("FileOpen1");
        verifyPrompt(dialogs->boxes.back());
        QVERIFY(readBytes(path(QStringLiteral("mine.txt"))).find("unsaved ping") != Text::npos);
        QCOMPARE(readBytes(path(QStringLiteral("other.txt"))), other);
        QCOMPARE((*w)->getDocumentName(), nativePath(QStringLiteral("other.txt")));
        QCOMPARE((*w)->getViewText()[arp], Text("from the file"));
        // A view the file lacks keeps its text, unsaved or not; the document is clean all the same.
        QCOMPARE((*w)->getViewText()[ping], Text("unsaved ping\r\n"));
        QVERIFY(!(*w)->isModified());

        // No: not saved; Yes on an unnamed document with the save dialog cancelled: opened anyway.
        w->runWith("ping", "dropped\r\n");
        dialogs->answers = {Dialogs::IdNo};
        (*w)->openDocument(nativePath(QStringLiteral("mine.txt")));
        QCOMPARE((*w)->getViewText()[ping], Text("unsaved ping\n"));
        w->trigger("FileNew1");
        w->runWith("ping", "unnamed\r\n");
        dialogs->answers = {Dialogs::IdYes};
        dialogs->fileNames = {std::nullopt};
        (*w)->openDocument(nativePath(QStringLiteral("other.txt")));
        QCOMPARE(readBytes(path(QStringLiteral("other.txt"))), other);
        QCOMPARE((*w)->getDocumentName(), nativePath(QStringLiteral("other.txt")));
        QVERIFY(dialogs->errors.empty());
    }

    // Only a regular file is read, and one that cannot be read, or whose section is not closed,
    // changes nothing at all. A pipe is never opened: its writer would find no reader.
    void failedOpenChangesNothing_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing"
                                 << "ファイルまたはフォルダーが見つかりません。";
        QTest::newRow("unclosed") << "unclosed"
                                  << "arp の区切り行 \"-----\" がありません。";
#ifndef Q_OS_WIN
        QTest::newRow("named pipe") << "fifo"
                                    << "通常のファイルではありません（名前付きパイプ）。";
        QTest::newRow("link to /dev/zero") << "/dev/zero"
                                           << "通常のファイルではありません（デバイス）。";
        QTest::newRow("link to /dev/urandom") << "/dev/urandom"
                                              << "通常のファイルではありません（デバイス）。";
        QTest::newRow("socket") << "socket"
                                << "通常のファイルではありません（ソケット）。";
#endif
        QTest::newRow("folder") << "folder"
                                << "ファイルではなくフォルダーです。";
        QTest::newRow("1.5 GiB sparse file")
            << "sparse"
            << "ファイルが大きすぎます（1.5 GB。読み込めるのは 1 GB まで）。";
        QTest::newRow("unreadable") << "unreadable"
                                    << "アクセス権がありません。";
    }
    void failedOpenChangesNothing() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString file = path(QStringLiteral("chosen.txt"));
        if (kind == "unclosed")
            writeBytes(file, "winconf\r\nnew\r\n-----\r\narp\r\nhalf\r\n");
        else if (kind.startsWith('/'))
            QVERIFY(QFile::link(kind, file));
        else if (kind == "folder")
            QVERIFY(QDir().mkdir(file));
        else if (kind == "sparse") {
            QFile sparse(file);
            QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize((3ll << 30) / 2));
        } else if (kind == "unreadable") {
            writeBytes(file, "arp\r\nsecret\r\n-----\r\n");
            QFile::setPermissions(file, {});
            if (QFile(file).open(QIODevice::ReadOnly))
                QSKIP("this user may read the file all the same");
        }
#ifndef Q_OS_WIN
        std::optional<SpecialFile> special;
        if (kind == "fifo" || kind == "socket") {
            special.emplace(kind, tg::qStringToPath(file).string());
            QVERIFY(special->made());
        }
#endif

        auto w = makeWindow();
        saveAs(*w, QStringLiteral("mine.txt"));
        w->runWith("arp", "unsaved\r\n");
        std::vector<Text> before = (*w)->getViewText();
        std::vector<Text> history = w->historyCaptions();
        const long peakBefore = tg::test::peakMemoryKb();

        dialogs->answers = {Dialogs::IdNo};
        dialogs->fileNames = {tg::qStringToPath(file)};
        w->trigger("FileOpen1");
#ifndef Q_OS_WIN
        if (special)
            QVERIFY(!special->pipeOpened());
#endif
        QCOMPARE(dialogs->errors.size(), size_t(1));
        QCOMPARE(dialogs->errors[0],
                 tg::fromQString((kind == "unclosed" ? "ファイルを読み込めません: "
                                                     : "ファイルを開けません: ") +
                                 file + "\n" + reason) +
                     (kind == "unclosed" ? cp932("ファイルは読み込まれませんでした。") : Text()));
        QCOMPARE((*w)->getViewText(), before);
        QCOMPARE((*w)->getDocumentName(), nativePath(QStringLiteral("mine.txt")));
        QVERIFY((*w)->isModified());
        QCOMPARE((*w)->getCurrentView(), w->viewIndex("arp"));
        QCOMPARE(w->paneText(), Text("unsaved\r\n"));
        QCOMPARE(w->historyCaptions(), history);
        QVERIFY(!inRecentDocuments(file));
        // Nothing was read into memory on the way.
        QVERIFY2(tg::test::peakMemoryKb() - peakBefore < 64 * 1024,
                 qPrintable(QString::number(tg::test::peakMemoryKb())));
    }

    // A save that fails part-way or cannot start leaves the old file whole, the document modified
    // and under its name; a failed save in the prompt ends the command it was asked for.
    void failedSavesKeepTheOldFileAndTheName() {
        auto w = makeWindow();
        saveAs(*w, QStringLiteral("mine.txt"));
        const auto mine = nativePath(QStringLiteral("mine.txt"));
        const Text old = "old content\r\n";
        writeBytes(path(QStringLiteral("kept.txt")), old);
        writeBytes(path(QStringLiteral("file.txt")), old);
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("folder.txt")));
        w->runWith("ping", Text(400, 'x') + "\r\n");
        const std::vector<Text> history = w->historyCaptions();
        const QStringList files =
            QDir(dir->path())
                .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        auto failsWith = [&](const QString& name, const char* action, const char* reason) {
            const size_t errors = dialogs->errors.size();
            saveAs(*w, name);
            QCOMPARE(dialogs->errors.size(), errors + 1);
            QCOMPARE(dialogs->errors.back(),
                     cp932(action) + ": " + textPath(name) + "\n" + cp932(reason));
            QCOMPARE((*w)->getDocumentName(), mine);
            QVERIFY((*w)->isModified());
            QVERIFY(!inRecentDocuments(path(name)));
        };

        // The file-size limit makes the write fail after its first bytes, for any user.
        {
            tg::test::FileSizeLimit limit(64);
            if (limit.isActive())
                failsWith("kept.txt", "ファイルに書き込めません", "ファイルが大きすぎます。");
        }
        failsWith("file.txt/doc.txt", "ファイルを作成できません",
                  "フォルダーとして指定された名前がファイルです。");
        failsWith("gone/doc.txt", "ファイルを作成できません",
                  "ファイルまたはフォルダーが見つかりません。");
        failsWith("folder.txt", "ファイルを作成できません", "ファイルではなくフォルダーです。");
        QCOMPARE(readBytes(path(QStringLiteral("kept.txt"))), old);
        QCOMPARE(readBytes(path(QStringLiteral("file.txt"))), old);
        QCOMPARE(QDir(dir->path())
                     .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden),
                 files);
        QCOMPARE(w->historyCaptions(), history);

        // Places this user may not write to. Where the system lets the user write there anyway
        // (the superuser on Linux, a read-only folder on Windows), the place is left out.
        QDir(dir->path()).mkdir(QStringLiteral("ro"));
        writeBytes(path(QStringLiteral("ro/file.txt")), old);
        QFile::setPermissions(path(QStringLiteral("kept.txt")), QFile::ReadOwner);
        QFile::setPermissions(path(QStringLiteral("ro")), QFile::ReadOwner | QFile::ExeOwner);
        if (!QFile(path(QStringLiteral("ro/probe.txt"))).open(QIODevice::WriteOnly))
            failsWith("ro/file.txt", "ファイルを作成できません", "アクセス権がありません。");
        if (!QFile(path(QStringLiteral("kept.txt"))).open(QIODevice::Append))
            failsWith("kept.txt", "ファイルに書き込めません", "アクセス権がありません。");
        QFile::setPermissions(path(QStringLiteral("ro")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(path(QStringLiteral("kept.txt")),
                              QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(readBytes(path(QStringLiteral("ro/file.txt"))), old);
        QCOMPARE(readBytes(path(QStringLiteral("kept.txt"))), old);

        // The next Save goes where the document was, and so does the next dialog.
        w->trigger("FileSave1");
        QVERIFY(!(*w)->isModified());
        QVERIFY(readBytes(path(QStringLiteral("mine.txt"))).find(Text(400, 'x')) != Text::npos);
        w->trigger("FileSaveAs1");
        QCOMPARE(dialogs->saveSpecs.back().initialDir,
                 tg::qStringToPath(QDir::toNativeSeparators(dir->path())));

        // Where the document's own file cannot be written, the prompt's save fails and New stops.
        w->runWith("arp", "output\r\n");
        QFile::remove(path(QStringLiteral("mine.txt")));
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("mine.txt")));
        const size_t errors = dialogs->errors.size();
        dialogs->answers = {Dialogs::IdYes};
        w->trigger("FileNew1");
        QCOMPARE(dialogs->errors.size(), errors + 1);
        QCOMPARE((*w)->getViewText()[size_t(w->viewIndex("arp"))], Text("output\r\n"));
        QCOMPARE((*w)->getDocumentName(), mine);
        QVERIFY((*w)->isModified());
    }

    // A small file system of its own, filled up and then made read-only.
    void fullOrReadOnlyDiskKeepsTheOldFile() {
#ifndef Q_OS_LINUX
        QSKIP("only Linux mounts a small disk of its own here");
#else
        const QString disk = path(QStringLiteral("disk"));
        QVERIFY(QDir().mkdir(disk));
        const std::string mountPoint = disk.toStdString();
        if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=512k") != 0) {
            QSKIP(qPrintable(QStringLiteral("no small tmpfs can be mounted here (%1; it takes root"
                                            "): the full and read-only disk saves are not tried")
                                 .arg(QString::fromLocal8Bit(std::strerror(errno)))));
        }
        auto unmount = qScopeGuard([&] { ::umount2(mountPoint.c_str(), MNT_DETACH); });
        const QString file = disk + "/doc.txt";
        const Text old(100 * 1024, 'o');
        writeBytes(file, old);
        // The settings file fills two blocks to the last bytes: its next version needs a third.
        const QString ini = disk + "/tginfo.INI";
        Text oldIni = "[HISTORY]\r\nFILE0=" + tg::fromQString(file) + "\r\n[PAD]\r\nP=";
        oldIni += Text(8190 - 2 - oldIni.size(), 'p') + "\r\n";
        writeBytes(ini, oldIni);
        {
            // The rest of the disk, to the last block.
            std::ofstream filler(tg::qStringToPath(disk + "/filler"), std::ios::binary);
            const Text block(4096, 'f');
            while (filler.write(block.data(), std::streamsize(block.size())) && filler.flush()) {
            }
        }
        MainFormEnvironment environment;
        environment.iniPath = tg::qStringToPath(ini);
        auto w = std::make_unique<MainWindowDriver>(environment);
        for (const char* reason :
             {"ディスクの空き容量が足りません。", "読み取り専用の場所です。"}) {
            w->runWith("ping", Text(300 * 1024, 'n') + "\r\n");
            saveAs(*w, QStringLiteral("disk/doc.txt"));
            QCOMPARE(dialogs->errors.size(), size_t(1));
            QCOMPARE(dialogs->errors[0], cp932("ファイルに書き込めません: ") +
                                             tg::fromQString(file) + "\n" + cp932(reason));
            QVERIFY(readBytes(file) == old);
            QVERIFY((*w)->isModified());
            // The document saved elsewhere, its history cannot be: the settings stay whole.
            saveAs(*w, QStringLiteral("elsewhere.txt"));
            QVERIFY(readBytes(ini) == oldIni);
            QCOMPARE(dialogs->errors.size(), size_t(2));
            QCOMPARE(dialogs->errors[1], cp932("設定ファイルに書き込めません: ") +
                                             tg::fromQString(ini) + "\n" + cp932(reason));
            QCOMPARE(QDir(disk).entryList(QDir::Files | QDir::Hidden),
                     (QStringList{"doc.txt", "filler", "tginfo.INI"}));
            dialogs->errors.clear();
            QCOMPARE(::mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr),
                     0);
        }
#endif
    }

    // Folders and files named with what cp932 lacks: Save As writes where the dialog said, Open
    // and the history find the same file again, also after a restart, and no name with '?'
    // appears anywhere.
    void namesOutsideTheCodePageStayTheirOwn() {
        const QString names[] = {QStringLiteral("j\u00f6s\u00e9/r\u00e9sum\u00e9.txt"),
                                 QStringLiteral("\ud55c\uad6d/\ubcf4\uace0\uc11c.txt"),
                                 QStringLiteral("\U0001F4C1 files/\U0001F4C4 x.txt")};
        std::vector<std::filesystem::path> files;
        for (const QString& name : names)
            files.push_back(nativePath(name));
#ifdef Q_OS_LINUX
        // A Linux name is bytes: one that is no UTF-8 is a name all the same.
        files.push_back(tg::qStringToPath(dir->path()) / "caf\xE9" / "\xFF.txt");
#endif
        // The toolkit cannot name that folder to remove it.
        auto removeFolders = qScopeGuard([&] {
            std::error_code ignored;
            for (const auto& file : files)
                std::filesystem::remove_all(file.parent_path(), ignored);
        });
        auto w = makeWindow();
        for (size_t i = 0; i < files.size(); ++i) {
            std::filesystem::create_directories(files[i].parent_path());
            w->runWith("ping", "reply " + std::to_string(i) + "\r\n");
            dialogs->fileNames = {files[i]};
            w->trigger("FileSaveAs1");
            QCOMPARE((*w)->getDocumentName(), files[i]);
            std::ifstream in(files[i], std::ios::binary);
            std::stringstream saved;
            saved << in.rdbuf();
            QVERIFY(saved.str().find("ping\r\nreply " + std::to_string(i) + "\r\n") != Text::npos);
#ifndef _WIN32
            // Wine's shell makes no shortcut for a name outside the code page; Windows does.
            if (i < std::size(names))
                QVERIFY(inRecentDocuments(path(names[i])));
#endif
        }
        QVERIFY(dialogs->errors.empty());

        // Open finds each file, and the next Save As starts in its folder.
        for (size_t i = 0; i < std::size(names); ++i) {
            dialogs->fileNames = {files[i]};
            w->trigger("FileOpen1");
            QCOMPARE((*w)->getViewText()[size_t(w->viewIndex("ping"))],
                     "reply " + std::to_string(i) + "\n");
            w->trigger("FileSaveAs1");
            QCOMPARE(dialogs->saveSpecs.back().initialDir, files[i].parent_path());
        }

        // The history shows the names as they are and opens them, in this window and the next.
        QVERIFY(dialogs->errors.empty());
        w.reset();
        w = makeWindow();
        const QString newest = names[std::size(names) - 1];
        QCOMPARE(w->action("History1")->text(), newest.section(QLatin1Char('/'), -1));
        QCOMPARE(w->action("History1")->statusTip(), path(newest));
        for (int entry = 1; entry <= int(files.size()) && entry <= 5; ++entry) {
            QAction* history =
                w->action(QStringLiteral("History%1").arg(entry).toLatin1().constData());
            QVERIFY(history->isVisible());
            QVERIFY(!history->text().contains(QLatin1Char('?')));
            history->trigger();
            QVERIFY(dialogs->errors.empty());
            // Each open moves its entry to the top; the one below is next.
            const std::filesystem::path opened = (*w)->getDocumentName();
            const auto found = std::find(files.begin(), files.end(), opened);
            QVERIFY(found != files.end());
            QCOMPARE((*w)->getViewText()[size_t(w->viewIndex("ping"))],
                     "reply " + std::to_string(found - files.begin()) + "\n");
            QCOMPARE(w->action("History1")->text(), tg::pathToQString(opened.filename()));
        }
        QVERIFY(dialogs->errors.empty());
        // A message names such a file in a form that keeps it, and the box shows the name itself.
        dialogs->fileNames = {files[0].parent_path() / "gone.txt"};
        w->trigger("FileOpen1");
        QCOMPARE(dialogs->errors.size(), size_t(1));
        QVERIFY(dialogs->errors[0].find('?') == Text::npos);
        QCOMPARE(tg::toMessageString(dialogs->errors[0]),
                 QStringLiteral("ファイルを開けません: ") +
                     tg::pathToQString(files[0].parent_path() / "gone.txt") +
                     QStringLiteral("\nファイルまたはフォルダーが見つかりません。"));
        dialogs->errors.clear();
        const Text settings = readBytes(path(QStringLiteral("tginfo.INI")));
        QVERIFY(settings.find('?') == Text::npos);
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(tg::qStringToPath(dir->path())))
            QVERIFY(entry.path().filename().native().find('?') == std::string::npos);
    }

    // The toolkit's own dialogs: what the user picks in a folder named with what cp932 lacks is
    // the file that is opened and the place that is written.
    void theToolkitsDialogsHandBackTheNativeName() {
        const QString folder = path(QStringLiteral("\ud55c\uad6d \U0001F4C1"));
        QVERIFY(QDir().mkpath(folder));
        const QString source = folder + QDir::separator() + QStringLiteral("r\u00e9sum\u00e9.txt");
        writeBytes(source, "ping\r\npicked\r\n-----\r\n");
        dialogs.reset(); // the toolkit's dialogs from here on
        auto restore = qScopeGuard([&] { dialogs = std::make_unique<ScriptedDialogs>(); });
        auto pick = [](const QString& file) {
            QTimer::singleShot(0, [file] {
                QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
                auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                box->selectFile(file);
                static_cast<QDialog*>(box)->accept();
            });
        };
        auto w = makeWindow();
        pick(source);
        w->trigger("FileOpen1");
        QCOMPARE((*w)->getDocumentName(), tg::qStringToPath(source));
        QCOMPARE((*w)->getViewText()[size_t(w->viewIndex("ping"))], Text("picked"));
        const QString saved = folder + QDir::separator() + QStringLiteral("\u00e9t\u00e9 2.txt");
        pick(saved);
        w->trigger("FileSaveAs1");
        QCOMPARE((*w)->getDocumentName(), tg::qStringToPath(saved));
        QVERIFY(readBytes(saved).find("ping\r\npicked\r\n") != Text::npos);
        QCOMPARE(w->action("History1")->text(), QStringLiteral("\u00e9t\u00e9 2.txt"));
    }

    // A settings file with cp932 names, as the program has always written it, is the same bytes
    // after a start, an open from its history, a save and a close.
    void settingsWithCp932NamesStayByteIdentical() {
        // "表" is 0x95 0x5C: its trail byte is no separator. "ﾃｽﾄ" is half-width.
        const QString names[] = {QStringLiteral("\u8868/\u793A\u8868&.txt"),
                                 QStringLiteral("\uff83\uff7d\uff84.txt"),
                                 QStringLiteral("plain.txt")};
        Text history = "[HISTORY]\r\n";
        for (int i = 0; i < 3; ++i) {
            QVERIFY(QDir(dir->path()).mkpath(QFileInfo(path(names[i])).path()));
            writeBytes(path(names[i]), "ping\r\nkept\r\n-----\r\n");
            history += "FILE" + std::to_string(i) + "=" + tg::fromQString(path(names[i])) + "\r\n";
        }
        writeBytes(path(QStringLiteral("tginfo.INI")), history);
        makeWindow().reset(); // the window adds its place
        const Text before = readBytes(path(QStringLiteral("tginfo.INI")));
        QVERIFY(before.find(history) != Text::npos);

        auto w = makeWindow();
        QAction* first = w->action("History1");
        QCOMPARE(first->text(), QStringLiteral("示表&&.txt"));
        QCOMPARE(first->statusTip(), path(names[0]));
        first->trigger();
        QCOMPARE((*w)->getDocumentName(), nativePath(names[0]));
        QCOMPARE((*w)->getViewText()[size_t(w->viewIndex("ping"))], Text("kept"));
        w->trigger("FileSave1");
        QVERIFY(dialogs->errors.empty());
        w.reset();
        QCOMPARE(readBytes(path(QStringLiteral("tginfo.INI"))), before);
    }

    void historyMenuShowsTheNewestFiveAndOpensThem() {
        auto w = makeWindow();
        for (int i = 1; i <= 6; ++i)
            saveAs(*w, QStringLiteral("f%1.txt").arg(i));
        QCOMPARE(w->historyCaptions(),
                 (std::vector<Text>{"f6.txt", "f5.txt", "f4.txt", "f3.txt", "f2.txt"}));
        QAction* third = w->action("History3");
        QCOMPARE(third->statusTip(), path(QStringLiteral("f4.txt")));
        QCOMPARE(third->toolTip(), path(QStringLiteral("f4.txt")));

        // Chosen from the menu, an entry opens and moves to the top.
        w->runWith("ipconfig", "changed\r\n");
        dialogs->answers = {Dialogs::IdNo};
        third->trigger();
        QCOMPARE((*w)->getDocumentName(), nativePath(QStringLiteral("f4.txt")));
        QVERIFY(!(*w)->isModified());
        const std::vector<Text> newest{"f4.txt", "f6.txt", "f5.txt", "f3.txt", "f2.txt"};
        QCOMPARE(w->historyCaptions(), newest);
        QVERIFY(inRecentDocuments(path(QStringLiteral("f4.txt"))));

        // An entry whose file is gone fails to open and keeps its place.
        QFile::remove(path(QStringLiteral("f5.txt")));
        third->trigger();
        QCOMPARE(dialogs->errors.size(), size_t(1));
        QCOMPARE((*w)->getDocumentName(), nativePath(QStringLiteral("f4.txt")));
        QCOMPARE(w->historyCaptions(), newest);

        // New and Close leave the list alone; a new window shows it from the settings file.
        w->trigger("FileClose1");
        w.reset();
        QCOMPARE(makeWindow()->historyCaptions(), newest);
    }
};

QTEST_MAIN(DocumentActionsTest)
#include "DocumentActionsTest.moc"
