// The prober and the run, end to end, in the chain route-chain.sh makes: host, router, router,
// target, the second router losing TG_CHAIN_LOSS % of what it forwards towards the target.
#include "monitor/MonitorRun.h"
#include "platform/Prober.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

using namespace tg::monitor;
using namespace tg::platform;

namespace {

struct Family {
    const char* name;
    const char* target;
    const char* router2;
    const char* router2Swapped;
    const char* router2Prefix; // the length the swapped address takes
};

const Family kFamilies[] = {
    {"IPv4", "203.0.113.130", "203.0.113.2", "203.0.113.3", "25"},
    {"IPv6", "2001:db8:c::2", "2001:db8:b::2", "2001:db8:b::3", "64"},
};

std::string chain(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

void run(const std::string& command) {
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Moves the second router's address on the link towards the first, and the first's route.
void swapRouter2(const Family& f, const char* from, const char* to) {
    const std::string r1 = chain("TG_CHAIN_ROUTER1");
    const std::string r2 = chain("TG_CHAIN_ROUTER2");
    const bool v6 = std::string(f.name) == "IPv6";
    const std::string net = v6 ? " -6 " : " ";
    run("ip -n " + r2 + " addr add " + to + "/" + f.router2Prefix + " dev r2b" +
        (v6 ? " nodad" : ""));
    run("ip -n " + r1 + net + "route replace " + (v6 ? "2001:db8:c::/64" : "203.0.113.128/25") +
        " via " + to);
    run("ip -n " + r2 + " addr del " + from + "/" + f.router2Prefix + " dev r2b");
}

class RouteChain : public ::testing::TestWithParam<std::tuple<int, bool>> {
protected:
    void SetUp() override {
        if (chain("TG_CHAIN_HOST").empty())
            GTEST_SKIP() << "runs only inside the chain of network namespaces that "
                            "tests/unit/chain/route-chain.sh makes (as root)";
    }
};

} // namespace

TEST_P(RouteChain, FindsThreeHopsTheirLossAndARouteChange) {
    const Family& f = kFamilies[std::get<0>(GetParam())];
    const bool datagram = std::get<1>(GetParam());
    // The host's namespace lets every group open ICMP datagram sockets, or none.
    {
        std::ofstream range("/proc/sys/net/ipv4/ping_group_range");
        range << (datagram ? "0 2147483647" : "1 0");
    }
    std::string problem;
    const std::vector<HostAddress> target = resolveHost(f.target, problem);
    ASSERT_EQ(target.size(), 1u) << problem;
    OpenedProber opened = openProber(target[0], 32, std::chrono::milliseconds(500));
    ASSERT_TRUE(opened.prober) << opened.problem;
    EXPECT_EQ(opened.method, datagram ? "datagram" : "raw");

    constexpr int kRounds = 400;
    RunOptions options;
    options.settings = {8, 500'000};
    options.intervalMicros = 10'000;
    MonitorRun monitorRun(std::move(opened.prober), options);
    auto roundsDone = [&] {
        std::int64_t rounds = 0;
        monitorRun.read([&](RouteMonitor& m) { rounds = m.rounds(); });
        return rounds;
    };
    auto waitFor = [&](std::int64_t rounds) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (roundsDone() < rounds && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
    waitFor(kRounds / 2);
    swapRouter2(f, f.router2, f.router2Swapped);
    waitFor(kRounds);
    // The probes in flight get their answers or their timeouts.
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    monitorRun.stop();
    swapRouter2(f, f.router2Swapped, f.router2);

    const double dropped = std::atof(chain("TG_CHAIN_LOSS").c_str());
    monitorRun.read([&](RouteMonitor& m) {
        ASSERT_EQ(m.pathLength(), 3) << f.name;
        ASSERT_TRUE(m.targetReached());
        const std::vector<Hop>& hops = m.hops();
        EXPECT_EQ(hops[0].stats.received, hops[0].stats.sent) << "hop 1 loses nothing";
        EXPECT_EQ(hops[1].stats.received, hops[1].stats.sent) << "hop 2 answers itself";
        EXPECT_EQ(hops[2].current, f.target);
        // Four and a half standard deviations of the binomial count either side.
        const double n = double(hops[2].stats.sent);
        ASSERT_GT(n, kRounds * 0.9);
        const double p = dropped / 100;
        const double spread = 4.5 * std::sqrt(n * p * (1 - p)) / n * 100;
        EXPECT_NEAR(hops[2].stats.lossPercent(), dropped, spread) << "over " << n << " probes";
        ASSERT_EQ(hops[1].addresses.size(), 2u);
        EXPECT_EQ(hops[1].addresses[0].address, f.router2);
        EXPECT_EQ(hops[1].addresses[1].address, f.router2Swapped);
        EXPECT_EQ(m.routeChanges(), 1);
        EXPECT_GT(hops[2].stats.best, 0);
        EXPECT_LE(hops[2].stats.worst, 500'000);
    });
}

INSTANTIATE_TEST_SUITE_P(, RouteChain,
                         ::testing::Combine(::testing::Values(0, 1), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(kFamilies[std::get<0>(info.param)].name) +
                                    (std::get<1>(info.param) ? "Datagram" : "Raw");
                         });
