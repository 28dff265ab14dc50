#include "monitor/TRouteMonitor.h"
#include "support/MainWindowDriver.h"
#include "support/ScriptedDialogs.h"

#include "text/Codec.h"
#include "text/FileName.h"
#include "ui/QtText.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

using tg::Text;
using tg::TRouteMonitor;
using tg::platform::HostAddress;
using tg::platform::ProbeAnswer;
using tg::platform::ReplyKind;

namespace {

// What the fake route answers, and what the test sees of the probers it made.
struct FakeRoute {
    std::atomic<bool> targetLost{false};
    std::atomic<int> probersAlive{0};
    std::atomic<int> probersMade{0};
    std::mutex lock;
    std::string lastTarget;
};

// Three hops: two routers, then the target, answering at once unless told to lose the target.
class FakeProber : public tg::platform::Prober {
public:
    FakeProber(FakeRoute& route, std::string target) : route_(route), target_(std::move(target)) {
        ++route_.probersAlive;
    }
    ~FakeProber() override { --route_.probersAlive; }
    std::uint16_t identifier() const override { return 7; }
    void send(int hopLimit, std::uint16_t sequence) override {
        static const char* const routers[] = {"198.51.100.1", "203.0.113.1"};
        if (hopLimit <= 2)
            queued_.push_back(
                {7, sequence, ReplyKind::TimeExceeded, routers[hopLimit - 1], hopLimit * 1000});
        else if (!route_.targetLost)
            queued_.push_back({7, sequence, ReplyKind::EchoReply, target_, 3000});
    }
    std::vector<ProbeAnswer> receive(std::chrono::microseconds wait) override {
        if (queued_.empty())
            std::this_thread::sleep_for(wait);
        return std::exchange(queued_, {});
    }

private:
    FakeRoute& route_;
    std::string target_;
    std::vector<ProbeAnswer> queued_;
};

tg::RouteMonitorEnvironment fakeEnvironment(FakeRoute& route) {
    tg::RouteMonitorEnvironment environment;
    environment.resolve = [](const std::string& host, std::string& problem) {
        std::vector<HostAddress> found;
        if (host == "several.example") {
            found.push_back({false, {}, "203.0.113.7"});
            found.push_back({false, {}, "203.0.113.8"});
        } else if (host.rfind("203.0.113.", 0) == 0) {
            found.push_back({false, {}, host});
        } else {
            problem = "ホスト " + host + " が見つかりません。";
        }
        return found;
    };
    environment.openProber = [&route](const HostAddress& target, std::size_t,
                                      std::chrono::milliseconds) {
        ++route.probersMade;
        {
            std::lock_guard<std::mutex> hold(route.lock);
            route.lastTarget = target.text;
        }
        tg::platform::OpenedProber opened;
        opened.prober = std::make_unique<FakeProber>(route, target.text);
        return opened;
    };
    environment.nameOf = [](const std::string&) { return std::string(); };
    environment.notify = [](const QString&, const QString&) {};
    return environment;
}

template <typename T> T* part(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("The route monitor has no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

void start(TRouteMonitor& w, const QString& target) {
    part<QDoubleSpinBox>(&w, "Spin_interval")->setValue(0.1);
    part<QLineEdit>(&w, "Edit_monitorTarget")->setText(target);
    part<QPushButton>(&w, "Button_monitorStart")->click();
}

QStringList events(TRouteMonitor& w) {
    QStringList lines;
    auto* list = part<QListWidget>(&w, "List_events");
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

QString cell(TRouteMonitor& w, int row, int column) {
    QAbstractItemModel* model = part<QTableView>(&w, "Grid_hops")->model();
    return model->index(row, column).data().toString();
}

} // namespace

class RouteMonitorTest : public QObject {
    Q_OBJECT

private slots:
    void startsStopsAndRunsBesideASecondWindow() {
        FakeRoute route;
        QTemporaryDir logs;
        tg::RouteMonitorEnvironment environment = fakeEnvironment(route);
        environment.logFolder = tg::toNativePath(tg::fromQString(logs.path()));
        TRouteMonitor first(environment);
        TRouteMonitor second(environment);
        first.show();
        second.show();
        QAbstractItemModel* model = part<QTableView>(&first, "Grid_hops")->model();
        QStringList headers;
        for (int c = 0; c < model->columnCount(); ++c)
            headers << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"No.", "ホスト", "損失率(%)", "送信", "受信", "最新", "平均",
                                       "最良", "最悪", "標準偏差"}));

        auto* button = part<QPushButton>(&first, "Button_monitorStart");
        QCOMPARE(button->text(), QStringLiteral("開始(&S)"));
        start(first, QStringLiteral("203.0.113.9"));
        start(second, QStringLiteral("203.0.113.10"));
        QVERIFY(first.isRunning());
        QCOMPARE(button->text(), QStringLiteral("停止(&S)"));
        QTRY_VERIFY(first.rounds() >= 3 && second.rounds() >= 3);
        first.refresh();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(cell(first, 0, 1), QStringLiteral("198.51.100.1"));
        QCOMPARE(cell(first, 2, 1), QStringLiteral("203.0.113.9"));
        QCOMPARE(cell(first, 2, 2), QStringLiteral("0.0"));
        QCOMPARE(cell(first, 1, 6), QStringLiteral("2.0"));
        QVERIFY(first.windowTitle().endsWith(QStringLiteral("203.0.113.9")));

        // Closing ends the window's probes there and then; the other window goes on.
        first.close();
        QVERIFY(!first.isRunning());
        QCOMPARE(route.probersAlive.load(), 1);
        const std::int64_t rounds = second.rounds();
        QTRY_VERIFY(second.rounds() > rounds + 2);
        part<QPushButton>(&second, "Button_monitorStart")->click();
        QVERIFY(!second.isRunning());
        QCOMPARE(route.probersAlive.load(), 0);

        // Every finished probe is a line of the log, written as it came.
        QFile log(QString::fromStdU16String(second.logPath().u16string()));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(log.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 9);
        static const QRegularExpression shape(QStringLiteral(
            R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,[123],[0-9.]+,\d+\.\d{3}$)"));
        for (const QString& line : lines)
            QVERIFY2(shape.match(line).hasMatch(), qPrintable(line));
        QCOMPARE(lines.filter(QRegularExpression(QStringLiteral(",3,203\\.0\\.113\\.10,3\\.000$")))
                     .size(),
                 lines.size() / 3);
    }

    void alertsRiseAndClearOnceEach() {
        FakeRoute route;
        tg::RouteMonitorEnvironment environment = fakeEnvironment(route);
        QStringList notified;
        environment.notify = [&](const QString&, const QString& text) { notified << text; };
        TRouteMonitor w(environment);
        part<QCheckBox>(&w, "Check_alert")->setChecked(true);
        part<QSpinBox>(&w, "Spin_alertLoss")->setValue(50);
        part<QSpinBox>(&w, "Spin_alertRounds")->setValue(3);
        part<QSpinBox>(&w, "Spin_alertClear")->setValue(3);
        // Losses are known at their timeout: a short one keeps the test short.
        part<QSpinBox>(&w, "Spin_timeout")->setValue(200);
        start(w, QStringLiteral("203.0.113.9"));
        QTRY_VERIFY(w.rounds() >= 4);
        QVERIFY(!w.alertRaised());
        route.targetLost = true;
        QTRY_VERIFY_WITH_TIMEOUT(w.alertRaised(), 15000);
        QVERIFY(w.windowTitle().startsWith(QStringLiteral("[警告] ")));
        route.targetLost = false;
        QTRY_VERIFY_WITH_TIMEOUT(!w.alertRaised(), 15000);
        QVERIFY(!w.windowTitle().startsWith(QStringLiteral("[警告] ")));
        QCOMPARE(notified.size(), 2);
        QVERIFY(notified[0].startsWith(QStringLiteral("警告: 203.0.113.9 の損失率")));
        QCOMPARE(notified[1], QStringLiteral("警告解除: 203.0.113.9"));
        QCOMPARE(events(w).filter(QStringLiteral("警告")).size(), 2);
    }

    void namesOfTheHopsShowOnceFound() {
        FakeRoute route;
        tg::RouteMonitorEnvironment environment = fakeEnvironment(route);
        environment.nameOf = [](const std::string& address) {
            return address == "198.51.100.1" ? std::string("gw.example") : std::string();
        };
        TRouteMonitor w(environment);
        part<QCheckBox>(&w, "Check_resolve")->setChecked(true);
        start(w, QStringLiteral("203.0.113.9"));
        QTRY_COMPARE(cell(w, 0, 1), QStringLiteral("gw.example (198.51.100.1)"));
        QCOMPARE(cell(w, 1, 1), QStringLiteral("203.0.113.1"));
    }

    void badTargetsProbeNothing() {
        FakeRoute route;
        TRouteMonitor w(fakeEnvironment(route));
        start(w, QStringLiteral("nowhere.invalid"));
        QVERIFY(!w.isRunning());
        QCOMPARE(route.probersMade.load(), 0);
        QVERIFY(
            events(w).last().endsWith(QStringLiteral("ホスト nowhere.invalid が見つかりません。")));
        start(w, QStringLiteral("several.example"));
        QVERIFY(w.isRunning());
        QVERIFY(events(w).filter(QStringLiteral("最初の 203.0.113.7 を使います")).size() == 1);
        std::lock_guard<std::mutex> hold(route.lock);
        QCOMPARE(route.lastTarget, std::string("203.0.113.7"));
    }

    // What leaves the window: the clipboard's table, the table as CSV, the timeline as PNG, and
    // the log handed to the desktop.
    void sharesItsTableTimelineAndLog() {
        FakeRoute route;
        QTemporaryDir dir;
        tg::RouteMonitorEnvironment environment = fakeEnvironment(route);
        environment.logFolder = tg::toNativePath(tg::fromQString(dir.path()));
        std::vector<std::filesystem::path> opened;
        environment.openFile = [&](const std::filesystem::path& path) { opened.push_back(path); };
        TRouteMonitor w(environment);
        w.show();
        start(w, QStringLiteral("203.0.113.9"));
        QTRY_VERIFY(w.rounds() >= 2);
        part<QPushButton>(&w, "Button_monitorStart")->click();

        part<QPushButton>(&w, "Button_copy")->click();
        const QStringList copied =
            QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"));
        QVERIFY(
            copied[0].startsWith(QStringLiteral("経路モニター: 203.0.113.9 (203.0.113.9)  開始 ")));
        QVERIFY(copied[0].endsWith(QStringLiteral("ラウンド %1").arg(w.rounds())));
        QVERIFY(copied[1].startsWith(QStringLiteral("No.  ホスト")));
        QVERIFY(copied[2].startsWith(QStringLiteral("  1  198.51.100.1")));

        ScriptedDialogs dialogs;
        const QString csv = dir.filePath(QStringLiteral("hops.csv"));
        const QString png = dir.filePath(QStringLiteral("timeline.png"));
        dialogs.fileNames = {tg::fromQString(csv), tg::fromQString(png)};
        part<QPushButton>(&w, "Button_saveTable")->click();
        part<QPushButton>(&w, "Button_savePicture")->click();
        QFile table(csv);
        QVERIFY(table.open(QIODevice::ReadOnly));
        const QStringList rows = tg::toQString(tg::TextView(table.readAll().toStdString()))
                                     .split(QStringLiteral("\r\n"));
        QCOMPARE(
            rows[0],
            QStringLiteral("No.,ホスト,損失率(%),送信,受信,最新,平均,最良,最悪,標準偏差,ジッター"));
        QVERIFY(rows[3].startsWith(QStringLiteral("3,203.0.113.9,0.0,")));
        QVERIFY(!QImage(png).isNull());

        part<QPushButton>(&w, "Button_openLog")->click();
        QCOMPARE(opened.size(), size_t(1));
        QCOMPARE(opened[0], w.logPath());
        QVERIFY(std::filesystem::file_size(opened[0]) > 0);
    }

    // From the main window: the last entry of the Tools menu, each press a window of its own,
    // and the table joining the tracert view's text.
    void mainWindowOpensMonitorsAndTakesTheirTables() {
        QTemporaryDir dir;
        MainFormEnvironment environment;
        environment.iniPath = tg::toNativePath(tg::fromQString(dir.filePath("tginfo.INI")));
        tg::test::MainWindowDriver w(environment);
        // Its place in the Tools menu is in the menu test.
        QCOMPARE(w.action("ToolRouteMonitor1")->statusTip(),
                 QStringLiteral("経路上の各ホップの損失と応答時間を監視する"));

        w.trigger("ToolRouteMonitor1");
        w.trigger("ToolRouteMonitor1");
        const QList<TRouteMonitor*> windows = w->findChildren<TRouteMonitor*>();
        QCOMPARE(windows.size(), 2);
        QVERIFY(windows[0]->isWindow() && windows[0]->isVisible() && !windows[0]->isModal());
        QCOMPARE(windows[0]->objectName(), QStringLiteral("TRouteMonitor"));

        w.select("tracert");
        const Text before = w->getViewText()[static_cast<size_t>(w->getCurrentView())];
        QVERIFY(!w->isModified());
        part<QPushButton>(windows[0], "Button_addToDocument")->click();
        QVERIFY(w->isModified());
        const Text after = w->getViewText()[static_cast<size_t>(w->getCurrentView())];
        const Text added = tg::fromQString(windows[0]->tableText());
        QCOMPARE(after, before + added);
        QVERIFY(added.find(tg::utf8ToCp932("損失率(%)")) != Text::npos);
        QVERIFY(w.paneText().size() >= added.size());
        windows[1]->close();
        QTRY_COMPARE(w->findChildren<TRouteMonitor*>().size(), 1);
    }
};

QTEST_MAIN(RouteMonitorTest)
#include "RouteMonitorTest.moc"
