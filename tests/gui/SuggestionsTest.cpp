#include "support/MainWindowDriver.h"
#include "support/ScriptedDialogs.h"

#include "text/Codec.h"
#include "text/FileName.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using tg::Text;
using tg::test::MainWindowDriver;

namespace {

// What a box offers, as its completer's model lists it.
QStringList offered(QLineEdit* edit) {
    QStringList values;
    QAbstractItemModel* model = edit->completer()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        values << model->index(row, 0).data().toString();
    return values;
}

} // namespace

class SuggestionsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;

    QString iniPath() const { return dir->filePath(QStringLiteral("tginfo.INI")); }
    std::unique_ptr<MainWindowDriver> start() {
        MainFormEnvironment environment;
        environment.iniPath = tg::toNativePath(tg::fromQString(iniPath()));
        // Runs started from the keyboard write nothing and end.
        environment.startChild = [](const Text&, bool, const tg::platform::WakeSignal&) {
            return std::make_unique<tg::test::FinishedChild>(Text());
        };
        return std::make_unique<MainWindowDriver>(environment);
    }
    static QLineEdit* target(MainWindowDriver& w) { return w.control<QLineEdit>("Edit_target"); }
    static QLineEdit* option(MainWindowDriver& w) {
        return w.control<QComboBox>("cmbOption")->lineEdit();
    }
    static QLineEdit* option2(MainWindowDriver& w) { return w.control<QLineEdit>("Edit_option2"); }
    static void runTarget(MainWindowDriver& w, const char* view, const QString& host) {
        w.select(view);
        w.type("Edit_target", host);
        w.runAsIs("");
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }

    void valuesComeBackNewestFirstOnceEachAndAfterARestart() {
        const QString japanese = QStringLiteral("表示ソフト.example"); // trail bytes 0x5C
        {
            auto w = start();
            runTarget(*w, "ping", QStringLiteral("a.example"));
            runTarget(*w, "tracert", japanese);
            runTarget(*w, "nslookup", QStringLiteral("c.example"));
            QCOMPARE(offered(target(*w)), (QStringList{"c.example", japanese, "a.example"}));
            runTarget(*w, "nbtstat", QStringLiteral("a.example"));
            QCOMPARE(offered(target(*w)), (QStringList{"a.example", "c.example", japanese}));

            // The combo's typed text enters, its own items do not; the second box enters where
            // the command line takes it.
            w->select("ping");
            w->type("cmbOption", QStringLiteral("-n 5"));
            w->runAsIs("");
            w->runWith("ping", "");
            w->select("netstat");
            w->type("Edit_option2", QStringLiteral("-p tcp"));
            w->runAsIs("");
            w->select("ipconfig");
            w->type("Edit_option2", QStringLiteral("unused"));
            w->runAsIs("");
            QCOMPARE(offered(option(*w)), (QStringList{"-an", "-n 5"}));
            QCOMPARE(offered(option2(*w)), (QStringList{"-p tcp"}));
            // A target the check turns away never enters.
            w->select("ping");
            w->type("Edit_target", QString());
            ScriptedDialogs dialogs;
            w->pressRun();
            QCOMPARE(offered(target(*w)).size(), 3);
        }
        auto w = start();
        QCOMPARE(offered(target(*w)), (QStringList{"a.example", "c.example", japanese}));
        QCOMPARE(offered(option(*w)), (QStringList{"-an", "-n 5"}));
        QCOMPARE(offered(option2(*w)), (QStringList{"-p tcp"}));

        // Twenty at most: the oldest goes.
        for (int i = 1; i <= 20; ++i)
            runTarget(*w, "ping", QStringLiteral("h%1").arg(i));
        QStringList expected;
        for (int i = 20; i >= 1; --i)
            expected << QStringLiteral("h%1").arg(i);
        QCOMPARE(offered(target(*w)), expected);
        w.reset();
        w = start();
        QCOMPARE(offered(target(*w)), expected);

        // The Down key offers them all in an empty box, and those that fit what is typed.
        w->form().show();
        w->select("ping");
        target(*w)->setFocus();
        w->type("Edit_target", QString());
        QTest::keyClick(target(*w), Qt::Key_Down);
        QAbstractItemView* popup = target(*w)->completer()->popup();
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(popup->model()->rowCount(), 20);
        QTest::keyClick(popup, Qt::Key_Escape);
        w->type("Edit_target", QStringLiteral("h1"));
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(popup->model()->index(0, 0).data().toString(), QStringLiteral("h19"));
        QCOMPARE(popup->model()->rowCount(), 11); // h19 … h10, h1

        // Enter in the open list runs the view, with the typed value or with the row chosen.
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
        QVERIFY(!popup->isVisible());
        QCOMPARE(target(*w)->text(), QStringLiteral("h19"));
        QCOMPARE(offered(target(*w)).front(), QStringLiteral("h19"));
        w->type("Edit_target", QStringLiteral("h5"));
        QTRY_VERIFY(popup->isVisible());
        QTest::keyClick(popup, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(offered(target(*w)).mid(0, 2), (QStringList{"h5", "h19"}));
    }

    void handEditedSectionsNeverStopTheProgram() {
        // Repeats, gaps, keys out of order or of other names, a broken section line, a NUL.
        const char bytes[] = "[POSITION]\r\nTOP=10\r\n[TARGETS]\r\nT0=a\r\nT0=b\r\nT5=c\r\nT1=\r\n"
                             "T2=a\r\nX=d\r\nT99=e\r\nt3=\x95\x5C\r\n[OPTIONS\r\nO0=f\r\n"
                             "[OPTIONS2]\r\n\x00\xff=\r\nS0\r\n";
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes, sizeof bytes - 1);
        file.close();
        auto w = start();
        QCOMPARE(offered(target(*w)), (QStringList{"a", QStringLiteral("表"), "c"}));
        QVERIFY(offered(option(*w)).isEmpty());
        QVERIFY(offered(option2(*w)).isEmpty());
        runTarget(*w, "ping", QStringLiteral("g"));
        w.reset();
        w = start();
        QCOMPARE(offered(target(*w)), (QStringList{"g", "a", QStringLiteral("表"), "c"}));
    }
};

QTEST_MAIN(SuggestionsTest)
#include "SuggestionsTest.moc"
