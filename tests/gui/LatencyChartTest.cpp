#include "support/FakeCommands.h"
#include "support/MainWindowDriver.h"
#include "support/ScriptedDialogs.h"

#include "commands/AbortDlg.h"
#include "commands/LatencyChart.h"
#include "text/Codec.h"
#include "text/FileName.h"
#include "ui/QtText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using tg::Text;
using tg::test::MainWindowDriver;

namespace {

// A step of the fake commands that prints the line as the system's commands do: in UTF-8 on
// Linux, in cp932 on Windows (the run hands it over in cp932 either way). Every byte but letters
// and digits is escaped, so that the fake's echo of its arguments reads as no reply.
QString printing(const char* utf8) {
    QString step = QStringLiteral("out:");
#ifdef Q_OS_WIN
    const std::string bytes = tg::utf8ToCp932(utf8) + "\r\n";
#else
    const std::string bytes = std::string(utf8) + "\n";
#endif
    for (unsigned char c : bytes) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            step += QChar(c);
        else
            step += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    }
    return step;
}

} // namespace

class LatencyChartTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;

    std::unique_ptr<MainWindowDriver> start() {
        MainFormEnvironment environment;
        environment.startChild = [](const Text& line, bool isNT,
                                    const tg::platform::WakeSignal& wake) {
            return tg::test::startFromFolder(TG_FAKE_BIN_DIR, line, isNT, wake);
        };
        environment.iniPath =
            tg::toNativePath(tg::fromQString(dir->filePath(QStringLiteral("tginfo.INI"))));
        auto w = std::make_unique<MainWindowDriver>(environment);
        w->form().show();
        return w;
    }
    static tg::LatencyChart* chart(MainWindowDriver& w) {
        return w.control<tg::LatencyChart>("Chart_latency");
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }

    void pingRepliesBecomePointsAsTheyArrive() {
        auto w = start();
        QVERIFY(!chart(*w)->isVisible() && !w->action("ViewLatency1")->isChecked());
        const int paneHeight = w->control("RichEdit_Output")->height();
        w->trigger("ViewLatency1");
        QVERIFY(chart(*w)->isVisible() && w->action("ViewLatency1")->isChecked());
        QTRY_VERIFY(w->control("RichEdit_Output")->height() < paneHeight);

        w->select("ping");
        w->type("cmbOption", printing("127.0.0.1 からの応答: バイト数 =32 時間 =12ms TTL=64") +
                                 ' ' + printing("要求がタイムアウトしました。") + ' ' +
                                 printing("127.0.0.1 からの応答: バイト数 =32 時間 <1ms TTL=64") +
                                 QStringLiteral(" sleep:30000"));
        w->type("Edit_target", QStringLiteral("127.0.0.1"));
        size_t during = 0;
        QTimer::singleShot(0, &w->form(), [&] {
            if (QTest::qWaitFor([&] { return chart(*w)->record().replies().size() == 3; }, 10000))
                during = chart(*w)->record().replies().size();
            if (auto* dialog = w->form().findChild<TAbortDlg*>())
                dialog->OKBtn->click();
        });
        w->pressRun();
        QCOMPARE(during, size_t(3)); // while the command still ran

        const auto& replies = chart(*w)->record().replies();
        QCOMPARE(replies.size(), size_t(3));
        QVERIFY(!replies[0].lost && replies[0].ms == 12);
        QVERIFY(replies[1].lost);
        QVERIFY(replies[2].under && replies[2].value() == 0);
        QCOMPARE(chart(*w)->title(),
                 QStringLiteral("ping  最小 = 0ms、最大 = 12ms、平均 = 6ms、損失 = 1/3 (33%)"));
        QCOMPARE(w->paneText(), w->form().getViewText()[size_t(w->form().getCurrentView())]);

        // Other views have no times; back on ping, the view's text gives the same points.
        w->select("netstat");
        QCOMPARE(chart(*w)->record().kind(), tg::LatencyKind::None);
        w->select("ping");
        QCOMPARE(chart(*w)->record().replies().size(), size_t(3));

        // Copied as a picture of what it shows.
        chart(*w)->copyPicture();
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), chart(*w)->size() * chart(*w)->devicePixelRatio());

        // Kept across a restart, on and off.
        w.reset();
        w = start();
        QVERIFY(chart(*w)->isVisible() && w->action("ViewLatency1")->isChecked());
        w->trigger("ViewLatency1");
        w.reset();
        w = start();
        QVERIFY(!chart(*w)->isVisible());

        // Hidden, it reads nothing while a command runs; shown, it reads the view's text.
        w->runWith("ping",
                   tg::utf8ToCp932("127.0.0.1 からの応答: バイト数 =32 時間 =7ms TTL=64\r\n"));
        QVERIFY(chart(*w)->record().replies().empty());
        w->trigger("ViewLatency1");
        QCOMPARE(chart(*w)->record().replies().size(), size_t(1));
    }

    void traceHopsBecomeBarsAndSaveAsPng() {
        auto w = start();
        w->trigger("ViewLatency1");
        w->runWith("tracert", tg::utf8ToCp932(
                                  "\r\n"
                                  "  1    <1 ms    <1 ms    <1 ms  192.168.0.1\r\n"
                                  "  2     *        *        *     要求がタイムアウトしました。\r\n"
                                  "  3    12 ms    11 ms    13 ms  host.example [192.0.2.1]\r\n"
                                  "\r\nトレースを完了しました。\r\n"));
        const auto& hops = chart(*w)->record().hops();
        QCOMPARE(hops.size(), size_t(3));
        QCOMPARE(hops[2].host, Text("host.example [192.0.2.1]"));
        QCOMPARE(chart(*w)->title(), QStringLiteral("tracert  ホップ数 = 3、タイムアウト = 3/9"));

        ScriptedDialogs dialogs;
        const QString png = dir->filePath(QStringLiteral("trace.png"));
        dialogs.fileNames = {tg::qStringToPath(png)};
        chart(*w)->savePicture();
        QCOMPARE(dialogs.saveSpecs.at(0).defaultExt, Text("*.png"));
        QImage saved(png);
        QCOMPARE(saved.size(), chart(*w)->size() * chart(*w)->devicePixelRatio());
        // Into a folder that is not there: the box names the file, and nothing else changes.
        const auto missing = tg::qStringToPath(dir->filePath(QStringLiteral("none/trace.png")));
        dialogs.fileNames = {missing};
        chart(*w)->savePicture();
        QCOMPARE(dialogs.errors,
                 std::vector<Text>{tg::utf8ToCp932("ファイルを作成できません: ") +
                                   tg::fromNativePath(missing) + "\n" +
                                   tg::utf8ToCp932("ファイルまたはフォルダーが見つかりません。")});
    }
};

QTEST_MAIN(LatencyChartTest)
#include "LatencyChartTest.moc"
