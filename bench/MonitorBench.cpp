// The route monitor's costs:
// - a simulated day (86,400 rounds of 30 hops) fed to the core: resident memory before and after,
//   against the bound that the full-resolution samples and the minute buckets set;
// - with --chain (inside tests/unit/chain/route-chain.sh, as root): the real window probing 30
//   hops ten times a second for 60 s, the target silent so that every hop is probed; the
//   process's CPU time against the wall time, and the table's repaints a second;
// - with --table [target] (in the same chain): the window's table after 300 rounds at 0.1 s.

#include "monitor/RouteMonitor.h"
#include "monitor/TRouteMonitor.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <unistd.h>

namespace {

double residentMegabytes() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / 1e6;
}

void simulatedDay() {
    using namespace tg::monitor;
    constexpr int kHops = 30;
    constexpr std::int64_t kRounds = 86'400;
    const double before = residentMegabytes();
    const auto started = std::chrono::steady_clock::now();
    {
        RouteMonitor monitor({kHops, 1'000'000}, 1);
        monitor.setAlertRule(AlertRule{}, true);
        std::int64_t now = 0;
        std::int64_t wall = 1'700'000'000'000;
        char address[32];
        double peak = 0;
        for (std::int64_t round = 0; round < kRounds; ++round, now += 1'000'000, wall += 1000) {
            const std::vector<ProbeRequest> probes = monitor.beginRound(now, wall);
            for (const ProbeRequest& p : probes) {
                if ((round + p.ttl) % 50 == 0)
                    continue; // one in fifty lost
                std::snprintf(address, sizeof address, "198.51.100.%d", p.ttl);
                monitor.answer({1, p.sequence, tg::platform::ReplyKind::TimeExceeded, address,
                                1000 + (round * 7 + p.ttl * 13) % 5000},
                               now + 2000);
            }
            monitor.expire(now + 1'000'000);
            monitor.takeOutcomes();
            monitor.takeAlertChanges();
            if (round == kRounds / 2)
                peak = residentMegabytes();
        }
        const double after = residentMegabytes();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        // What the history may hold by design: the full-resolution samples and a bucket per
        // minute beyond them, for every hop.
        const double bound =
            kHops *
            (HopHistory::kFullSamples * sizeof(Sample) + (kRounds / 60) * sizeof(MinuteBucket)) /
            1e6;
        std::printf("simulated day: %lld rounds x %d hops in %.2f s (%.2f us a round)\n",
                    (long long)kRounds, kHops, seconds, seconds * 1e6 / double(kRounds));
        std::printf("  resident: %.1f MB before, %.1f MB at half, %.1f MB after: growth %.1f MB "
                    "(history's own bound %.1f MB, ratio %.2f)\n",
                    before, peak, after, after - before, bound, (after - before) / bound);
    }
}

int chain(int argc, char** argv) {
    const char* target = std::getenv("TG_CHAIN_TARGET");
    if (!target) {
        std::puts("--chain runs only inside tests/unit/chain/route-chain.sh");
        return 77;
    }
    // The target keeps silent: every one of the 30 hops is probed in every round.
    const std::string mute = std::string("ip netns exec ") + target +
                             " nft 'add table inet mute; add chain inet mute in { type filter "
                             "hook input priority 0; }; add rule inet mute in icmp type "
                             "echo-request drop; add rule inet mute in icmpv6 type "
                             "echo-request drop'";
    if (std::system(mute.c_str()) != 0)
        return 1;
    QApplication app(argc, argv);
    tg::TRouteMonitor window({});
    window.show();
    auto* table = window.findChild<QTableView*>(QStringLiteral("Grid_hops"));
    struct Counter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    } counter;
    table->viewport()->installEventFilter(&counter);
    window.findChild<QDoubleSpinBox*>(QStringLiteral("Spin_interval"))->setValue(0.1);
    window.findChild<QSpinBox*>(QStringLiteral("Spin_maxHops"))->setValue(30);
    window.findChild<QLineEdit*>(QStringLiteral("Edit_monitorTarget"))
        ->setText(QStringLiteral("203.0.113.130"));
    constexpr int kSeconds = 60;
    const std::clock_t cpuStart = std::clock();
    const auto wallStart = std::chrono::steady_clock::now();
    window.findChild<QPushButton*>(QStringLiteral("Button_monitorStart"))->click();
    QTimer::singleShot(kSeconds * 1000, &app, &QApplication::quit);
    app.exec();
    window.refresh();
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf("chain: 30 hops, 10 rounds/s, %.1f s: %lld rounds, CPU %.2f s = %.2f %% of one "
                "core; table repaints %.1f a second\n",
                wall, (long long)window.rounds(), cpu, cpu / wall * 100, counter.paints / wall);
    window.close();
    return 0;
}

// The window's table after 300 rounds at 0.1 s, to set beside mtr -n -r -c 300 on the same chain.
int table(int argc, char** argv) {
    if (!std::getenv("TG_CHAIN_TARGET")) {
        std::puts("--table runs only inside tests/unit/chain/route-chain.sh");
        return 77;
    }
    QApplication app(argc, argv);
    tg::TRouteMonitor window({});
    window.show();
    window.findChild<QDoubleSpinBox*>(QStringLiteral("Spin_interval"))->setValue(0.1);
    window.findChild<QLineEdit*>(QStringLiteral("Edit_monitorTarget"))
        ->setText(QString::fromLatin1(argc > 2 ? argv[2] : "203.0.113.130"));
    auto* button = window.findChild<QPushButton*>(QStringLiteral("Button_monitorStart"));
    button->click();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        window.refresh();
        if (window.rounds() >= 300) {
            // The last round's probes get their answers or their timeouts first.
            poll.stop();
            QTimer::singleShot(1100, &app, &QApplication::quit);
        }
    });
    poll.start(50);
    app.exec();
    button->click();
    std::fputs(window.tableText().toUtf8().constData(), stdout);
    window.close();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--chain") == 0)
        return chain(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--table") == 0)
        return table(argc, argv);
    simulatedDay();
    return 0;
}
