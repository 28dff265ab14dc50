#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "app/QtText.h"
#include "app/TextPane.h"
#include "app/Unit1.h"
#include "text/Codec.h"
#include "text/FileName.h"
#include "text/IniFile.h"
#include "text/StringList.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using tg::Dialogs;
using tg::Text;

Text cp932(const char* utf8) {
    return tg::utf8ToCp932(utf8);
}

// The window with the state a run would leave, and its members in reach.
class Form : public TMainForm {
public:
    using TMainForm::documentName;
    using TMainForm::Edit_target;
    using TMainForm::historyActions;
    using TMainForm::modified;
    using TMainForm::RichEdit_Commandhelp;
    using TMainForm::RichEdit_Output;
    using TMainForm::TabControl1;
    using TMainForm::TMainForm;
    using TMainForm::viewDefaultText;
    using TMainForm::viewLabels;
    using TMainForm::viewText;

    // As a run leaves it: the view's text is the pane's, and the document is modified.
    void runInto(int view, const Text& output) {
        selectView(view);
        RichEdit_Output->setText(output);
        viewText[static_cast<size_t>(view)] = output;
        modified = true;
    }
    int indexOf(const char* label) const {
        return static_cast<int>(std::find(viewLabels.begin(), viewLabels.end(), Text(label)) -
                                viewLabels.begin());
    }
    void trigger(const char* action) { findChild<QAction*>(QLatin1String(action))->trigger(); }
    std::vector<Text> historyCaptions() const {
        std::vector<Text> captions;
        for (QAction* a : historyActions)
            if (a->isVisible())
                captions.push_back(tg::fromQString(a->text()));
        return captions;
    }
};

Text readBytes(const QString& path) {
    std::ifstream in(tg::toNativePath(tg::fromQString(path)), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeBytes(const QString& path, const Text& bytes) {
    std::ofstream(tg::toNativePath(tg::fromQString(path)), std::ios::binary) << bytes;
}

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

    QString path(const QString& name) const { return dir->filePath(name); }
    Text textPath(const QString& name) const { return tg::fromQString(path(name)); }
    std::unique_ptr<Form> makeForm() {
        MainFormEnvironment environment;
        environment.iniPath = tg::toNativePath(textPath(QStringLiteral("tginfo.INI")));
        return std::make_unique<Form>(environment);
    }
    bool inRecentDocuments(const QString& file) const {
        QFile xbel(path(QStringLiteral("share/recently-used.xbel")));
        return xbel.open(QIODevice::ReadOnly) &&
               xbel.readAll().contains(QUrl::fromLocalFile(file).toEncoded());
    }
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
        qputenv("XDG_DATA_HOME", path(QStringLiteral("share")).toLocal8Bit());
        dialogs = std::make_unique<ScriptedDialogs>();
    }
    void cleanup() {
        // Every scripted answer was asked for.
        QVERIFY(dialogs->answers.empty());
        QVERIFY(dialogs->fileNames.empty());
        dialogs.reset();
        dir.reset();
    }

    void saveWritesEveryViewAndSaveAgainNeedsNoDialog() {
        auto form = makeForm();
        QVERIFY(form->viewLabels.size() == 10u);
        dialogs->fileNames = {textPath(QStringLiteral("doc.txt"))};
        form->trigger("FileSave1");

        QCOMPARE(dialogs->saveSpecs.size(), size_t(1));
        const Dialogs::FileDialogSpec& spec = dialogs->saveSpecs[0];
        QCOMPARE(spec.filter, cp932("テキストファイル(*.txt)|*.txt|すべてのファイル|*.*"));
        QCOMPARE(spec.defaultExt, Text("*.txt"));
        QCOMPARE(spec.initialDir, Text()); // untitled: the dialog's own choice
        QCOMPARE(readBytes(path(QStringLiteral("doc.txt"))), emptyDocument(form->viewLabels));
        QCOMPARE(form->documentName, textPath(QStringLiteral("doc.txt")));
        QVERIFY(!form->modified);
        QVERIFY(inRecentDocuments(path(QStringLiteral("doc.txt"))));

        // Named: written at once, also without changes, and output arrives as it stands.
        int ping = form->indexOf("ping");
        form->runInto(ping, "Reply 1\r\nReply 2\r\n");
        form->trigger("FileSave1");
        QCOMPARE(dialogs->saveSpecs.size(), size_t(1));
        QVERIFY(readBytes(path(QStringLiteral("doc.txt")))
                    .find("ping\r\nReply 1\r\nReply 2\r\n\r\n-----\r\n") != Text::npos);
        QVERIFY(!form->modified);

        // Save As opens where the document is.
        form->trigger("FileSaveAs1");
        QCOMPARE(dialogs->saveSpecs.size(), size_t(2));
        QCOMPARE(dialogs->saveSpecs[1].initialDir, tg::fromQString(dir->path() + "/"));
        QCOMPARE(form->documentName, textPath(QStringLiteral("doc.txt")));
        QVERIFY(dialogs->errors.empty());
    }

    void openRestoresEveryViewAndSavesBackTheSameLines() {
        auto form = makeForm();
        int ping = form->indexOf("ping"), arp = form->indexOf("arp");
        form->runInto(arp, "arp line\r\n");
        form->runInto(ping, "Reply 1\r\n-----x\r\nReply 2\r\n");
        dialogs->fileNames = {textPath(QStringLiteral("first.txt"))};
        form->trigger("FileSaveAs1");
        form->trigger("FileNew1"); // not modified: no prompt
        QVERIFY(dialogs->boxes.empty());
        QCOMPARE(form->viewText, form->viewDefaultText);

        form->selectView(3);
        form->Edit_target->setText(QStringLiteral("host"));
        dialogs->fileNames = {textPath(QStringLiteral("first.txt"))};
        form->trigger("FileOpen1");
        QCOMPARE(dialogs->openSpecs.size(), size_t(1));
        QCOMPARE(dialogs->openSpecs[0].filter,
                 cp932("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*"));
        QCOMPARE(dialogs->openSpecs[0].defaultExt, Text("*.txt"));
        QCOMPARE(form->viewText[size_t(ping)], Text("Reply 1\n-----x\nReply 2\n"));
        QCOMPARE(form->viewText[size_t(arp)], Text("arp line\n"));
        QCOMPARE(form->getCurrentView(), 0);
        QCOMPARE(form->TabControl1->currentIndex(), 0);
        QCOMPARE(form->RichEdit_Output->text(), form->viewText[0]);
        QCOMPARE(form->RichEdit_Commandhelp->text(), form->getViewHelpText()[0]);
        QVERIFY(form->Edit_target->text().isEmpty());
        QVERIFY(!form->modified);

        dialogs->fileNames = {textPath(QStringLiteral("second.txt"))};
        form->trigger("FileSaveAs1");
        Text first = readBytes(path(QStringLiteral("first.txt")));
        Text second = readBytes(path(QStringLiteral("second.txt")));
        QCOMPARE(tg::splitLines(second), tg::splitLines(first));
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
        auto form = makeForm();
        int route = form->indexOf("route");
        form->runInto(route, "route output\r\n");
        form->Edit_target->setText(QStringLiteral("host"));

        // Cancel: nothing changes.
        dialogs->answers = {Dialogs::IdCancel};
        form->trigger(name.constData());
        QCOMPARE(dialogs->boxes.size(), size_t(1));
        verifyPrompt(dialogs->boxes[0]);
        QVERIFY(form->modified);
        QCOMPARE(form->viewText[size_t(route)], Text("route output\r\n"));
        QCOMPARE(form->getCurrentView(), route);
        QCOMPARE(form->Edit_target->text(), QStringLiteral("host"));

        // Yes on an unnamed document, save dialog cancelled: reset all the same, nothing written.
        dialogs->answers = {Dialogs::IdYes};
        dialogs->fileNames = {std::nullopt};
        form->trigger(name.constData());
        QCOMPARE(dialogs->saveSpecs.size(), size_t(1));
        QCOMPARE(form->viewText, form->viewDefaultText);
        QVERIFY(!form->modified);
        QCOMPARE(form->getCurrentView(), 0);
        QVERIFY(form->Edit_target->text().isEmpty());
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());

        // Yes on a named document writes it to its own file first.
        dialogs->fileNames = {textPath(QStringLiteral("named.txt"))};
        form->trigger("FileSaveAs1");
        form->runInto(route, "second output\r\n");
        dialogs->answers = {Dialogs::IdYes};
        form->trigger(name.constData());
        QVERIFY(readBytes(path(QStringLiteral("named.txt"))).find("second output") != Text::npos);
        QCOMPARE(form->documentName, Text("untitled.txt"));
        QCOMPARE(form->viewText, form->viewDefaultText);

        // No: dropped without saving.
        form->runInto(route, "dropped\r\n");
        dialogs->answers = {Dialogs::IdNo};
        form->trigger(name.constData());
        QCOMPARE(form->viewText, form->viewDefaultText);
        QVERIFY(readBytes(path(QStringLiteral("named.txt"))).find("dropped") == Text::npos);
        QVERIFY(!form->modified);
        QVERIFY(dialogs->errors.empty());
    }

    void openAsksFirstAndNeverWritesTheFileBeingOpened() {
        auto form = makeForm();
        int ping = form->indexOf("ping"), arp = form->indexOf("arp");
        Text other = "arp\r\nfrom the file\r\n-----\r\n";
        writeBytes(path(QStringLiteral("other.txt")), other);
        dialogs->fileNames = {textPath(QStringLiteral("mine.txt"))};
        form->trigger("FileSaveAs1");
        form->runInto(ping, "unsaved ping\r\n");

        // Cancel: the dialog was shown, the prompt ends the open.
        dialogs->fileNames = {textPath(QStringLiteral("other.txt"))};
        dialogs->answers = {Dialogs::IdCancel};
        form->trigger("FileOpen1");
        QCOMPARE(form->documentName, textPath(QStringLiteral("mine.txt")));
        QCOMPARE(form->viewText[size_t(arp)], form->viewDefaultText[size_t(arp)]);
        QVERIFY(form->modified);

        // Yes: the current document goes to its own file, the chosen one is only read.
        dialogs->fileNames = {textPath(QStringLiteral("other.txt"))};
        dialogs->answers = {Dialogs::IdYes};
        form->trigger("FileOpen1");
        verifyPrompt(dialogs->boxes.back());
        QVERIFY(readBytes(path(QStringLiteral("mine.txt"))).find("unsaved ping") != Text::npos);
        QCOMPARE(readBytes(path(QStringLiteral("other.txt"))), other);
        QCOMPARE(form->documentName, textPath(QStringLiteral("other.txt")));
        QCOMPARE(form->viewText[size_t(arp)], Text("from the file"));
        // A view the file lacks keeps its text, unsaved or not; the document is clean all the same.
        QCOMPARE(form->viewText[size_t(ping)], Text("unsaved ping\r\n"));
        QVERIFY(!form->modified);

        // No: not saved; Yes on an unnamed document with the save dialog cancelled: opened anyway.
        form->runInto(ping, "dropped\r\n");
        dialogs->answers = {Dialogs::IdNo};
        form->openDocument(textPath(QStringLiteral("mine.txt")));
        QCOMPARE(form->viewText[size_t(ping)], Text("unsaved ping\n"));
        form->trigger("FileNew1");
        form->runInto(ping, "unnamed\r\n");
        dialogs->answers = {Dialogs::IdYes};
        dialogs->fileNames = {std::nullopt};
        form->openDocument(textPath(QStringLiteral("other.txt")));
        QCOMPARE(readBytes(path(QStringLiteral("other.txt"))), other);
        QCOMPARE(form->documentName, textPath(QStringLiteral("other.txt")));
        QVERIFY(dialogs->errors.empty());
    }

    // A file that cannot be read, or whose section is not closed, changes nothing at all.
    void failedOpenChangesNothing_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << QStringLiteral("missing.txt") << QByteArray();
        QTest::newRow("unclosed") << QStringLiteral("cut.txt")
                                  << QByteArray("winconf\r\nnew\r\n-----\r\narp\r\nhalf\r\n");
    }
    void failedOpenChangesNothing() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        if (!content.isEmpty())
            writeBytes(path(file), content.toStdString());
        auto form = makeForm();
        dialogs->fileNames = {textPath(QStringLiteral("mine.txt"))};
        form->trigger("FileSaveAs1");
        int arp = form->indexOf("arp");
        form->runInto(arp, "unsaved\r\n");
        std::vector<Text> before = form->viewText;
        std::vector<Text> history = form->historyCaptions();

        dialogs->answers = {Dialogs::IdNo};
        dialogs->fileNames = {textPath(file)};
        form->trigger("FileOpen1");
        QCOMPARE(dialogs->errors.size(), size_t(1));
        QVERIFY(dialogs->errors[0].find(tg::fromQString(file)) != Text::npos);
        QCOMPARE(form->viewText, before);
        QCOMPARE(form->documentName, textPath(QStringLiteral("mine.txt")));
        QVERIFY(form->modified);
        QCOMPARE(form->getCurrentView(), arp);
        QCOMPARE(form->RichEdit_Output->text(), Text("unsaved\r\n"));
        QCOMPARE(form->historyCaptions(), history);
        QVERIFY(!inRecentDocuments(path(file)));
    }

    // A save that fails part-way leaves the old file whole: the file-size limit makes the write
    // fail after its first bytes, for any user.
    void failedSaveKeepsTheOldFile() {
        auto form = makeForm();
        Text old = "old content\r\n";
        writeBytes(path(QStringLiteral("kept.txt")), old);
        form->runInto(form->indexOf("ping"), Text(400, 'x') + "\r\n");
        std::vector<Text> history = form->historyCaptions();

        struct rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        struct rlimit small = saved;
        small.rlim_cur = 64;
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        dialogs->fileNames = {textPath(QStringLiteral("kept.txt"))};
        form->trigger("FileSaveAs1");
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(dialogs->errors.size(), size_t(1));
        QCOMPARE(readBytes(path(QStringLiteral("kept.txt"))), old);
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{"kept.txt"});
        QVERIFY(form->modified);
        QCOMPARE(form->documentName, textPath(QStringLiteral("kept.txt")));
        QCOMPARE(form->historyCaptions(), history);
        QVERIFY(!inRecentDocuments(path(QStringLiteral("kept.txt"))));

        // Where the file cannot be created at all, the same.
        dialogs->fileNames = {textPath(QStringLiteral("no/such/dir.txt"))};
        form->trigger("FileSaveAs1");
        QCOMPARE(dialogs->errors.size(), size_t(2));
        QVERIFY(form->modified);
    }

    void saveIntoReadOnlyPlacesKeepsTheOldFile() {
        if (geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        auto form = makeForm();
        QDir(dir->path()).mkdir(QStringLiteral("ro"));
        Text old = "old content\r\n";
        writeBytes(path(QStringLiteral("ro/file.txt")), old);
        writeBytes(path(QStringLiteral("rofile.txt")), old);
        QFile::setPermissions(path(QStringLiteral("rofile.txt")), QFile::ReadOwner);
        QFile::setPermissions(path(QStringLiteral("ro")), QFile::ReadOwner | QFile::ExeOwner);
        form->runInto(1, "new\r\n");

        dialogs->fileNames = {textPath(QStringLiteral("ro/file.txt")),
                              textPath(QStringLiteral("rofile.txt"))};
        form->trigger("FileSaveAs1");
        form->trigger("FileSaveAs1");
        QFile::setPermissions(path(QStringLiteral("ro")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(dialogs->errors.size(), size_t(2));
        QCOMPARE(readBytes(path(QStringLiteral("ro/file.txt"))), old);
        QCOMPARE(readBytes(path(QStringLiteral("rofile.txt"))), old);
        QVERIFY(form->modified);
        QVERIFY(form->historyCaptions().empty());
    }

    void failedSaveInThePromptEndsTheCommand() {
        auto form = makeForm();
        dialogs->fileNames = {textPath(QStringLiteral("gone/doc.txt"))};
        form->trigger("FileSaveAs1"); // fails, but names the document
        QCOMPARE(dialogs->errors.size(), size_t(1));
        form->runInto(2, "output\r\n");
        dialogs->answers = {Dialogs::IdYes};
        form->trigger("FileNew1");
        QCOMPARE(dialogs->errors.size(), size_t(2));
        QCOMPARE(form->viewText[2], Text("output\r\n"));
        QCOMPARE(form->documentName, textPath(QStringLiteral("gone/doc.txt")));
        QVERIFY(form->modified);
    }

    void historyMenuShowsTheNewestFiveAndOpensThem() {
        auto form = makeForm();
        QVERIFY(form->historyCaptions().empty());
        for (int i = 1; i <= 6; ++i) {
            dialogs->fileNames = {textPath(QStringLiteral("f%1.txt").arg(i))};
            form->trigger("FileSaveAs1");
        }
        QCOMPARE(form->historyCaptions(),
                 (std::vector<Text>{"f6.txt", "f5.txt", "f4.txt", "f3.txt", "f2.txt"}));
        QCOMPARE(form->historyActions[2]->statusTip(), path(QStringLiteral("f4.txt")));
        QCOMPARE(form->historyActions[2]->toolTip(), path(QStringLiteral("f4.txt")));

        // Chosen from the menu, an entry opens and moves to the top.
        form->runInto(1, "changed\r\n");
        dialogs->answers = {Dialogs::IdNo};
        form->historyActions[2]->trigger();
        QCOMPARE(form->documentName, textPath(QStringLiteral("f4.txt")));
        QVERIFY(!form->modified);
        QCOMPARE(form->historyCaptions(),
                 (std::vector<Text>{"f4.txt", "f6.txt", "f5.txt", "f3.txt", "f2.txt"}));
        QVERIFY(inRecentDocuments(path(QStringLiteral("f4.txt"))));

        // An entry whose file is gone fails to open and keeps its place.
        QFile::remove(path(QStringLiteral("f5.txt")));
        form->historyActions[2]->trigger();
        QCOMPARE(dialogs->errors.size(), size_t(1));
        QCOMPARE(form->documentName, textPath(QStringLiteral("f4.txt")));
        QCOMPARE(form->historyCaptions(),
                 (std::vector<Text>{"f4.txt", "f6.txt", "f5.txt", "f3.txt", "f2.txt"}));

        // New and Close leave the list alone; a new window shows it from the settings file.
        form->trigger("FileClose1");
        form.reset();
        auto next = makeForm();
        QCOMPARE(next->historyCaptions(),
                 (std::vector<Text>{"f4.txt", "f6.txt", "f5.txt", "f3.txt", "f2.txt"}));
    }

    void historyCaptionIsTheFileNameOfACp932Path() {
        // "表" is 0x95 0x5C in cp932: its trail byte is no separator. The entry is opened from its
        // own bytes.
        Text folder = tg::fromQString(dir->path()) + "/\x95\x5C";
        std::filesystem::create_directories(tg::toNativePath(folder));
        Text file = folder + "/\x8E\xA6\x95\x5C&.txt";
        {
            tg::IniFile ini(tg::toNativePath(textPath(QStringLiteral("tginfo.INI"))));
            ini.writeString("HISTORY", "FILE0", file);
        }
        auto form = makeForm();
        writeBytes(tg::toQString(file), "ping\r\nopened\r\n-----\r\n");
        QCOMPARE(form->historyActions[0]->text(), QStringLiteral("示表&&.txt"));
        QCOMPARE(form->historyActions[0]->statusTip(), tg::toQString(file));
        form->historyActions[0]->trigger();
        QCOMPARE(form->documentName, file);
        QCOMPARE(form->viewText[size_t(form->indexOf("ping"))], Text("opened"));
        QVERIFY(dialogs->errors.empty());
    }
};

QTEST_MAIN(DocumentActionsTest)
#include "DocumentActionsTest.moc"
