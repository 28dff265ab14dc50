// The comparison of two documents: the window opened from the File menu, stepping through the
// changes, the toggles and the export; and tginfo --compare with its exit statuses.
#include "support/MainWindowDriver.h"
#include "support/ScriptedDialogs.h"

#include "app/Collector.h"
#include "app/TCompareForm.h"
#include "text/Codec.h"

#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using tg::Text;
using tg::test::MainWindowDriver;

namespace {

Text cp932(const char* utf8) {
    return tg::utf8ToCp932(utf8);
}

// A document file with the given sections, each a label and its lines.
Text document(const std::vector<std::pair<Text, std::vector<Text>>>& sections) {
    Text bytes = "TIDEGAUGE-INFO Ver2.0.0\r\n-----\r\n";
    for (const auto& [label, lines] : sections) {
        bytes += label + "\r\n";
        for (const Text& line : lines)
            bytes += line + "\r\n";
        bytes += "-----\r\n";
    }
    return bytes;
}

void writeFile(const QString& path, const Text& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

struct Outcome {
    int status = -1;
    QByteArray out;
    QString err;
};

Outcome runProgram(const QStringList& arguments) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(TG_PROGRAM), arguments);
    if (!program.waitForFinished(60000))
        return {};
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            program.readAllStandardOutput(),
            QString::fromLocal8Bit(program.readAllStandardError())};
}

// The bytes the console shows for cp932 text: the text itself on Windows, UTF-8 elsewhere.
QByteArray consoleBytes(const Text& text) {
#ifdef _WIN32
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
#else
    return QByteArray::fromStdString(tg::cp932ToUtf8(text));
#endif
}

const std::vector<Text> kRoutesOld = {"0.0.0.0 0.0.0.0 203.0.113.1", "127.0.0.0 255.0.0.0 link",
                                      "203.0.113.0 255.255.255.0 link"};
const std::vector<Text> kRoutesNew = {"0.0.0.0 0.0.0.0 203.0.113.1", "127.0.0.0 255.0.0.0 link",
                                      "198.51.100.0 255.255.255.0 203.0.113.254",
                                      "203.0.113.0 255.255.255.0 link"};

} // namespace

class CompareTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(dir.isValid()); }

    // Exit statuses as diff(1) has them, and what goes to standard output.
    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out"); // the start of standard output
        const Text diff = "--- arp\n+++ arp\n@@ -0,0 +1 @@\n+" + cp932("表示") + "\n" +
                          "--- route\n+++ route\n@@ -1,3 +1,4 @@\n " + kRoutesOld[0] + "\n " +
                          kRoutesOld[1] + "\n+" + kRoutesNew[2] + "\n " + kRoutesOld[2] + "\n";
        QTest::newRow("same") << QStringList{"--compare", "old.txt", "old-lf.txt"} << 0
                              << QByteArray();
        QTest::newRow("different")
            << QStringList{"--compare", "old.txt", "new.txt"} << 1 << consoleBytes(diff);
        QTest::newRow("digits ignored")
            << QStringList{"--ignore-numbers", "--compare", "counters-1.txt", "counters-2.txt"} << 0
            << QByteArray();
        QTest::newRow("digits count")
            << QStringList{"--compare", "counters-1.txt", "counters-2.txt"} << 1
            << QByteArray("--- netstat\n");
        QTest::newRow("html") << QStringList{"--compare", "old.txt", "new.txt", "--format", "html"}
                              << 1 << QByteArray("<!DOCTYPE html>");
        QTest::newRow("missing file")
            << QStringList{"--compare", "old.txt", "none.txt"} << 2 << QByteArray();
        QTest::newRow("section without its separator")
            << QStringList{"--compare", "old.txt", "cut.txt"} << 2 << QByteArray();
        QTest::newRow("one document") << QStringList{"--compare", "old.txt"} << 2 << QByteArray();
        QTest::newRow("json") << QStringList{"--compare", "old.txt", "new.txt", "--format", "json"}
                              << 2 << QByteArray();
        QTest::newRow("toggle without --compare")
            << QStringList{"--ignore-space"} << 2 << QByteArray();
        QTest::newRow("with --collect")
            << QStringList{"--compare", "old.txt", "new.txt", "--collect", "x.txt"} << 2
            << QByteArray();
    }
    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        writeFile(dir.filePath("old.txt"), document({{"route", kRoutesOld}}));
        Text lf = document({{"ROUTE", kRoutesOld}});
        lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
        writeFile(dir.filePath("old-lf.txt"), lf);
        writeFile(dir.filePath("new.txt"),
                  document({{"route", kRoutesNew}, {"arp", {cp932("表示")}}}));
        writeFile(dir.filePath("counters-1.txt"), document({{"netstat", {"TCP 192.0.2.1:49712"}}}));
        writeFile(dir.filePath("counters-2.txt"), document({{"netstat", {"TCP 192.0.2.1:50233"}}}));
        writeFile(dir.filePath("cut.txt"), "TIDEGAUGE-INFO Ver2.0.0\r\n-----\r\nroute\r\nx\r\n");
        QStringList paths;
        for (const QString& argument : arguments)
            paths << (argument.endsWith(QLatin1String(".txt")) ? dir.filePath(argument) : argument);
        const Outcome outcome = runProgram(paths);
        QCOMPARE(outcome.status, status);
        if (out.isEmpty() && status != 2)
            QCOMPARE(outcome.out, QByteArray());
        else
            QVERIFY2(outcome.out.startsWith(out), outcome.out.constData());
        if (status == 2)
            QVERIFY(!outcome.err.isEmpty());
    }

    // 比較 in the File menu: the chosen file is the old side, the open document the new one.
    void fileMenuOpensTheWindow() {
        ScriptedDialogs dialogs;
        MainWindowDriver w;
        w.runWith("route", tg::Text(kRoutesNew[0] + "\r\n" + kRoutesNew[2] + "\r\n"));
        writeFile(dir.filePath("old.txt"),
                  document({{"route", {kRoutesNew[0]}}, {"netstat", {"n"}}}));
        dialogs.fileNames.push_back(tg::qStringToPath(dir.filePath("old.txt")));
        QAction* compare = w.action("FileCompare1");
        QCOMPARE(compare->text(), QStringLiteral("比較(&D)..."));
        QCOMPARE(compare->toolTip(), QStringLiteral("比較"));
        QCOMPARE(compare->statusTip(), QStringLiteral("2つのドキュメントを比べる"));
        w.trigger("FileCompare1");
        auto* form = w.form().findChild<tg::TCompareForm*>(QStringLiteral("TCompareForm"));
        QVERIFY(form);
        QVERIFY(form->isVisible());
        QVERIFY(!form->isModal());
        auto* list = form->findChild<QListWidget*>(QStringLiteral("ListBox_views"));
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        QCOMPARE(items, (QStringList{"route\t変更", "netstat\t片方のみ"}));
        QVERIFY(dialogs.errors.empty());
        form->close();
    }

    // F8 and Shift+F8 walk the changes of every view that differs, in order, and stop at the ends.
    void stepsThroughTheChanges() {
        ScriptedDialogs dialogs;
        tg::TCompareForm form;
        std::vector<Text> old, changed;
        for (int i = 0; i < 30; ++i)
            old.push_back("line " + std::to_string(i));
        changed = old;
        changed[3] = "changed";
        changed[20] = "changed too";
        const auto sections = [](const Text& bytes) {
            return tg::readDocumentSections(bytes, tg::compareLabels(), "-----");
        };
        form.setOld(sections(document({{"ipconfig", old}, {"arp", {"a"}}, {"route", old}})), "old");
        form.setNew(sections(document({{"ipconfig", changed}, {"arp", {"a"}}, {"route", {"r"}}})),
                    "new");
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        // Where each press lands: the view's row in the list and the change's row in the grid.
        using Place = std::pair<int, int>;
        const auto place = [&form] { return Place(form.currentViewRow(), form.currentRow()); };
        QCOMPARE(place(), Place(0, 3)); // the first view that differs, at its first change
        QTest::keyClick(&form, Qt::Key_F8);
        QCOMPARE(place(), Place(0, 20));
        QTest::keyClick(&form, Qt::Key_F8); // arp is the same: on to route
        QCOMPARE(place(), Place(2, 0));
        QTest::keyClick(&form, Qt::Key_F8); // the last change: it stays
        QCOMPARE(place(), Place(2, 0));
        QTest::keyClick(&form, Qt::Key_F8, Qt::ShiftModifier);
        QCOMPARE(place(), Place(0, 20));
        QTest::keyClick(&form, Qt::Key_F8, Qt::ShiftModifier);
        QCOMPARE(place(), Place(0, 3));
        QTest::keyClick(&form, Qt::Key_F8, Qt::ShiftModifier);
        QCOMPARE(place(), Place(0, 3));

        // The export holds one unified diff per view that differs, with CR LF line ends.
        dialogs.fileNames.push_back(tg::qStringToPath(dir.filePath("diff.txt")));
        form.exportText();
        const QByteArray text = readFile(dir.filePath("diff.txt"));
        QVERIFY(text.startsWith("--- ipconfig\r\n+++ ipconfig\r\n@@ -1,7 +1,7 @@\r\n"));
        QVERIFY(text.contains("--- route\r\n+++ route\r\n"));
        QVERIFY(!text.contains("--- arp"));
        QCOMPARE(dialogs.saveSpecs.back().defaultExt, Text("*.txt"));
    }

    // The toggles compare again, and the marks follow.
    void togglesCompareAgain() {
        tg::TCompareForm form;
        const auto sections = [](const Text& bytes) {
            return tg::readDocumentSections(bytes, tg::compareLabels(), "-----");
        };
        form.setOld(sections(document({{"netstat", {"TCP  192.0.2.1:49712  ESTABLISHED"}}})),
                    "old");
        form.setNew(sections(document({{"netstat", {"TCP 192.0.2.1:50233 ESTABLISHED "}}})), "new");
        const auto mark = [&form] { return form.comparison()->views().front().mark; };
        QCOMPARE(mark(), tg::ViewMark::Changed);
        form.findChild<QCheckBox*>(QStringLiteral("CheckBox_ignoreNumbers"))->click();
        QCOMPARE(mark(), tg::ViewMark::Changed); // the blanks still differ
        form.findChild<QCheckBox*>(QStringLiteral("CheckBox_ignoreSpace"))->click();
        QCOMPARE(mark(), tg::ViewMark::Same);
        QCOMPARE(form.currentRow(), -1);
        form.findChild<QCheckBox*>(QStringLiteral("CheckBox_ignoreNumbers"))->click();
        QCOMPARE(mark(), tg::ViewMark::Changed);
    }

    // The window's keys are on the help's key page, as the main window's are.
    void keysAreOnTheHelpPage() {
        QFile page(QStringLiteral(TG_KEYS_PAGE));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString keys = QString::fromUtf8(page.readAll());
        tg::TCompareForm form;
        int seen = 0;
        for (QAction* a : form.findChildren<QAction*>()) {
            for (const QKeySequence& sequence : a->shortcuts()) {
                const QString name = sequence.toString(QKeySequence::PortableText);
                QVERIFY2(keys.contains(QStringLiteral("<kbd>%1</kbd>").arg(name)),
                         qPrintable(name));
                ++seen;
            }
        }
        QCOMPARE(seen, 2);
    }

private:
    QTemporaryDir dir;
};

QTEST_MAIN(CompareTest)
#include "CompareTest.moc"
