#include "support/MainWindowDriver.h"

#include "text/Codec.h"
#include "ui/FindBar.h"
#include "ui/OutputPane.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QtTest>

using tg::Text;
using tg::test::FinishedChild;
using tg::test::MainWindowDriver;

class FindTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowDriver> w;
    int unscriptedRuns = 0;

    QLineEdit* field() const { return w->control<QLineEdit>("Edit_find"); }
    QString count() const { return w->control<QLabel>("Label_findCount")->text(); }
    tg::OutputPane* pane() const { return w->control<tg::OutputPane>("RichEdit_Output"); }
    QString selected() const { return pane()->selectedText(); }
    // Opens the bar in the window as the user has it, in front again after the runs' dialogs.
    void openFind() {
        QApplication::setActiveWindow(&w->form());
        QVERIFY(QTest::qWaitForWindowActive(&w->form()));
        w->trigger("EditFind1");
    }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(field(), Qt::Key(key), modifiers);
    }

private slots:
    void init() {
        MainFormEnvironment environment;
        // Only scripted runs take place here: any other would be a key that reached the run
        // button.
        environment.startChild = [this](const Text&, bool, const tg::platform::WakeSignal&) {
            ++unscriptedRuns;
            return std::make_unique<FinishedChild>(Text());
        };
        w = std::make_unique<MainWindowDriver>(environment);
        w->form().show();
        unscriptedRuns = 0;
    }
    void cleanup() { w.reset(); }

    void matchesAreCharactersAsShownAndStepRound() {
        // 表 and ソ end in the byte of '\'.
        w->runWith("netstat", tg::utf8ToCp932("  TCP    表示ソフト    C:\\dir\r\n"
                                              "  tcp    \\\\server\\share\r\n"));
        const auto texts = w->form().getViewText();
        QCOMPARE(w.get()->action("EditFind1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
        openFind();
        QVERIFY(field()->isVisible() && field()->hasFocus());

        QTest::keyClicks(field(), QStringLiteral("\\"));
        QTRY_COMPARE(count(), QStringLiteral("1 / 4"));
        QCOMPARE(pane()->highlights().size(), size_t(4));
        for (const char* expected : {"2 / 4", "3 / 4", "4 / 4", "1 / 4"}) {
            press(Qt::Key_F3);
            QCOMPARE(count(), QLatin1String(expected));
        }
        press(Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(count(), QStringLiteral("4 / 4"));
        press(Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(count(), QStringLiteral("3 / 4"));
        press(Qt::Key_Return);
        QCOMPARE(count(), QStringLiteral("4 / 4"));
        QCOMPARE(unscriptedRuns, 0); // Enter went to Find, not to the run button

        // The current match is selected, and Copy takes it from the pane.
        w->type("Edit_find", QStringLiteral("ソ"));
        QTRY_COMPARE(count(), QStringLiteral("1 / 1"));
        QCOMPARE(selected(), QStringLiteral("ソ"));
        w->trigger("EditCopy1");
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("ソ"));

        w->type("Edit_find", QStringLiteral("tcp"));
        QTRY_COMPARE(count(), QStringLiteral("1 / 2"));
        w->control<QCheckBox>("Check_findCase")->setChecked(true);
        QCOMPARE(count(), QStringLiteral("1 / 1"));
        QCOMPARE(selected(), QStringLiteral("tcp"));
        w->type("Edit_find", QStringLiteral("none"));
        QTRY_COMPARE(count(), QStringLiteral("見つかりません"));

        // Esc closes the bar and its marks; the bar keeps its text for the next view.
        press(Qt::Key_Escape);
        QVERIFY(!field()->isVisible());
        QVERIFY(pane()->highlights().empty());
        w->select("arp");
        openFind();
        QCOMPARE(field()->text(), QStringLiteral("none"));
        QCOMPARE(w->form().getViewText(), texts);
        QVERIFY(w->form().isModified());
    }

    // Esc closes the bar wherever the focus is in the window, in tab and in tree view.
    void escapeClosesTheBarFromAnyControl() {
        w->select("ping");
        for (const char* mode : {"TabView", "TreeView"}) {
            w->trigger(mode);
            for (const char* name :
                 {"Edit_find", "RichEdit_Output", "Edit_target", "cmbOption",
                  "RichEdit_Commandhelp", "Button_Update",
                  mode == QLatin1String("TabView") ? "TabControl1" : "TreeView1"}) {
                openFind();
                w->control(name)->setFocus();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
                QVERIFY2(!field()->isVisible(), name);
            }
        }
        QCOMPARE(unscriptedRuns, 0);
    }

    // Half-width and full-width forms are one word, as the report prints ｹﾞｰﾄｳｪｲ; the match is
    // marked on the characters as shown. Letter case still follows the toggle.
    void widthsMatchEachOther() {
        w->runWith("ipconfig", tg::utf8ToCp932("ﾃﾞﾌｫﾙﾄ ｹﾞｰﾄｳｪｲ: 192.0.2.1\r\n"
                                               "デフォルト ゲートウェイ: ＡＢＣ\r\n"
                                               "abc ﾊﾟﾌﾞ\r\n"));
        openFind();
        const struct {
            const char* query;
            bool matchCase;
            const char* count;
            const char* first; // the first match as the pane shows it
        } rows[] = {
            {"ゲートウェイ", false, "1 / 2", "ｹﾞｰﾄｳｪｲ"},
            {"ﾃﾞﾌｫﾙﾄ ｹﾞｰﾄ", false, "1 / 2", "ﾃﾞﾌｫﾙﾄ ｹﾞｰﾄ"},
            {"ｳｪｲ: １９２", false, "1 / 1", "ｳｪｲ: 192"},
            {"abc", false, "1 / 2", "ＡＢＣ"},
            {"abc", true, "1 / 1", "abc"},
            {"ＡＢＣ", true, "1 / 1", "ＡＢＣ"},
            {"パブ", false, "1 / 1", "ﾊﾟﾌﾞ"},
            {"ケ", false, "見つかりません", ""}, // ｹﾞ is ゲ
        };
        for (const auto& row : rows) {
            // From an empty field, so that the search starts at the top.
            w->type("Edit_find", QString());
            QTRY_COMPARE(count(), QString());
            w->control<QCheckBox>("Check_findCase")->setChecked(row.matchCase);
            w->type("Edit_find", QString::fromUtf8(row.query));
            QTRY_COMPARE(count(), QString::fromUtf8(row.count));
            if (*row.first)
                QCOMPARE(selected(), QString::fromUtf8(row.first));
        }
    }

    // The search waits for the typing to pause, and each view's text is converted once for all
    // the keys, not once per key.
    void typingSearchesOnceAtThePause() {
        struct Views : tg::FindViews {
            int findViewCount() const override { return 3; }
            int findCurrentView() const override { return 0; }
            QString findViewText(int view) const override {
                ++asked[view];
                return QStringLiteral("ab ab");
            }
            void findShowView(int) override {}
            mutable int asked[3] = {};
        } views;
        tg::OutputPane pane;
        const Text shown = "ab";
        pane.showText(shown);
        tg::FindBar bar(&pane, &views);
        bar.show();
        bar.open();
        bar.findChild<QCheckBox*>("Check_findAllViews")->setChecked(true);
        QTest::keyClicks(bar.field(), QStringLiteral("abab"));
        QTest::keyClick(bar.field(), Qt::Key_Backspace);
        QTest::keyClick(bar.field(), Qt::Key_Backspace);
        auto* label = bar.findChild<QLabel*>("Label_findCount");
        QCOMPARE(label->text(), QString()); // nothing searched yet
        QTRY_COMPARE(label->text(), QStringLiteral("1 / 5"));
        QCOMPARE(views.asked[1], 1);
        QCOMPARE(views.asked[2], 1);
        // Enter does not wait for the pause; the texts are still the ones converted.
        QTest::keyClicks(bar.field(), QStringLiteral(" a"));
        QTest::keyClick(bar.field(), Qt::Key_Return);
        QCOMPARE(label->text(), QStringLiteral("0 / 2"));
        QCOMPARE(views.asked[1], 1);
    }

    void everyViewGoesOnToTheViewOfTheNextMatch() {
        w->runWith("arp", "x foo\r\n");
        w->runWith("netstat", "foo FOO\r\n");
        w->runWith("nbtstat", "foo\r\n");
        w->select("ipconfig");
        openFind();
        w->control<QCheckBox>("Check_findAllViews")->setChecked(true);
        w->type("Edit_find", QStringLiteral("foo"));
        QTRY_COMPARE(count(), QStringLiteral("0 / 4"));
        const struct {
            const char* view;
            const char* count;
        } steps[] = {{"arp", "1 / 4"},
                     {"netstat", "2 / 4"},
                     {"netstat", "3 / 4"},
                     {"nbtstat", "4 / 4"},
                     {"arp", "1 / 4"}};
        for (const auto& step : steps) {
            press(Qt::Key_F3);
            QCOMPARE(w->form().getCurrentView(), w->viewIndex(step.view));
            QCOMPARE(count(), QLatin1String(step.count));
        }
        press(Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(w->form().getCurrentView(), w->viewIndex("nbtstat"));
        QCOMPARE(count(), QStringLiteral("4 / 4"));
        // Letter case counts in the other views too.
        w->control<QCheckBox>("Check_findCase")->setChecked(true);
        QCOMPARE(count(), QStringLiteral("3 / 3"));
        press(Qt::Key_F3);
        QCOMPARE(w->form().getCurrentView(), w->viewIndex("arp"));
        // Within one view only, the steps go round in it.
        w->control<QCheckBox>("Check_findAllViews")->setChecked(false);
        press(Qt::Key_F3);
        QCOMPARE(w->form().getCurrentView(), w->viewIndex("arp"));
        QCOMPARE(count(), QStringLiteral("1 / 1"));
    }
};

QTEST_MAIN(FindTest)
#include "FindTest.moc"
