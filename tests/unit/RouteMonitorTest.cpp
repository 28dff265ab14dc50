#include "monitor/RouteMonitor.h"
#include "monitor/MonitorLog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

using namespace tg::monitor;
using tg::platform::ProbeAnswer;
using tg::platform::ReplyKind;

namespace {

constexpr std::uint16_t kId = 0x4242;
constexpr std::int64_t kSecond = 1'000'000;

// Plays recorded rounds into a monitor: per round, what each hop answered.
struct Reply {
    const char* from; // nullptr: lost
    std::int64_t rttMicros;
    ReplyKind kind = ReplyKind::TimeExceeded;
};

class Recorded {
public:
    explicit Recorded(int maxHops = 3) : monitor({maxHops, kSecond}, kId) {}

    // One round at one second after the last; replies go to the probes by hop, in order.
    std::vector<ProbeRequest> round(const std::vector<Reply>& replies) {
        now += kSecond;
        wall += 1000;
        std::vector<ProbeRequest> probes = monitor.beginRound(now, wall);
        for (std::size_t i = 0; i < replies.size() && i < probes.size(); ++i) {
            if (!replies[i].from)
                continue;
            monitor.answer(ProbeAnswer{kId, probes[i].sequence, replies[i].kind, replies[i].from,
                                       replies[i].rttMicros},
                           now + replies[i].rttMicros);
        }
        monitor.expire(now + kSecond);
        return probes;
    }

    RouteMonitor monitor;
    std::int64_t now = 0;
    std::int64_t wall = 1'700'000'000'000;
};

// The C library's zone, as its own TZ variable names it; nullptr: the system's.
void setTimeZone(const char* zone) {
#ifdef _WIN32
    _putenv_s("TZ", zone ? zone : "");
    _tzset();
#else
    if (zone)
        setenv("TZ", zone, 1);
    else
        unsetenv("TZ");
    tzset();
#endif
}

const HopStats& statsOf(const RouteMonitor& monitor, int ttl) {
    return monitor.hops().at(std::size_t(ttl - 1)).stats;
}

} // namespace

TEST(RouteMonitor, FiguresOfARecordedHop) {
    // 10, 14, lost, 11, 15 ms: the answers' mean 12.5, sample variance 5.666…, the |Δ| 4, 3, 4.
    Recorded run(1);
    const std::int64_t times[] = {10'000, 14'000, -1, 11'000, 15'000};
    for (std::int64_t t : times)
        run.round({t < 0 ? Reply{nullptr, 0} : Reply{"198.51.100.1", t, ReplyKind::EchoReply}});
    const HopStats& s = statsOf(run.monitor, 1);
    EXPECT_EQ(s.sent, 5);
    EXPECT_EQ(s.received, 4);
    EXPECT_DOUBLE_EQ(s.lossPercent(), 20.0);
    EXPECT_EQ(s.last, 15'000);
    EXPECT_EQ(s.best, 10'000);
    EXPECT_EQ(s.worst, 15'000);
    EXPECT_DOUBLE_EQ(s.mean, 12'500.0);
    EXPECT_NEAR(s.stddev(), std::sqrt(17'000'000.0 / 3), 1e-6);
    EXPECT_NEAR(s.jitter(), 11'000.0 / 3, 1e-9);
    EXPECT_EQ(run.monitor.rounds(), 5);
}

TEST(RouteMonitor, PathEndsWhereTheTargetAnswersAndGrowsWhenItMoves) {
    Recorded run(30);
    std::vector<ProbeRequest> probes = run.round({{"198.51.100.1", 1000},
                                                  {"203.0.113.2", 2000},
                                                  {"203.0.113.130", 3000, ReplyKind::EchoReply},
                                                  {"203.0.113.130", 3000, ReplyKind::EchoReply}});
    EXPECT_EQ(probes.size(), 30u);
    EXPECT_EQ(run.monitor.pathLength(), 3);
    EXPECT_TRUE(run.monitor.targetReached());
    probes = run.round({{"198.51.100.1", 1000}, {"203.0.113.2", 2000}, {"203.0.113.9", 2500}});
    EXPECT_EQ(probes.size(), 3u);
    // The target's hop answered as a router: the path is longer now, and is looked for again.
    EXPECT_FALSE(run.monitor.targetReached());
    EXPECT_EQ(run.round({}).size(), 30u);
}

TEST(RouteMonitor, LateAnswersAreNeverTakenForAnotherProbe) {
    RouteMonitor monitor({1, kSecond}, kId);
    const std::vector<ProbeRequest> first = monitor.beginRound(0, 0);
    monitor.expire(kSecond); // the first probe times out
    const std::vector<ProbeRequest> second = monitor.beginRound(kSecond, 1000);
    ASSERT_NE(first[0].sequence, second[0].sequence);
    // The first probe's answer comes after its timeout, while the second is in flight.
    EXPECT_FALSE(monitor.answer(
        {kId, first[0].sequence, ReplyKind::EchoReply, "198.51.100.1", 1'200'000}, 1'200'000));
    // Another program's answer with the second probe's sequence, and a repeat.
    EXPECT_FALSE(monitor.answer(
        {kId + 1, second[0].sequence, ReplyKind::EchoReply, "198.51.100.1", 1000}, 1'001'000));
    EXPECT_TRUE(monitor.answer(
        {kId, second[0].sequence, ReplyKind::EchoReply, "198.51.100.1", 5000}, 1'005'000));
    EXPECT_FALSE(monitor.answer(
        {kId, second[0].sequence, ReplyKind::EchoReply, "198.51.100.1", 6000}, 1'006'000));
    // An answer that the system saw only after the timeout, before expire ran: lost too.
    const std::vector<ProbeRequest> third = monitor.beginRound(2 * kSecond, 2000);
    EXPECT_TRUE(monitor.answer(
        {kId, third[0].sequence, ReplyKind::EchoReply, "198.51.100.1", 1'100'000}, 3'100'000));
    const HopStats& s = monitor.hops()[0].stats;
    EXPECT_EQ(s.sent, 3);
    EXPECT_EQ(s.received, 1);
    EXPECT_EQ(s.last, 5000);
}

TEST(RouteMonitor, HopAnsweredByTwoAddressesCountsRouteChanges) {
    Recorded run(2);
    const char* second[] = {"203.0.113.2", "203.0.113.2", "203.0.113.3",
                            nullptr,       "203.0.113.3", "203.0.113.2"};
    for (const char* from : second)
        run.round({{"198.51.100.1", 1000}, {from, 2000}});
    const Hop& hop = run.monitor.hops()[1];
    ASSERT_EQ(hop.addresses.size(), 2u);
    EXPECT_EQ(hop.addresses[0].address, "203.0.113.2");
    EXPECT_EQ(hop.addresses[0].answers, 3);
    EXPECT_EQ(hop.addresses[1].address, "203.0.113.3");
    EXPECT_EQ(hop.addresses[1].answers, 2);
    EXPECT_EQ(hop.current, "203.0.113.2");
    // .2 → .3, and back; the loss between changes nothing.
    EXPECT_EQ(run.monitor.routeChanges(), 2);
    EXPECT_EQ(hop.stats.sent, 6);
    EXPECT_EQ(hop.stats.received, 5);
}

TEST(RouteMonitor, UnreachableAndNoRouteKeepProbing) {
    Recorded run(2);
    run.round({{"198.51.100.1", 1000}, {"198.51.100.1", 1500, ReplyKind::Unreachable}});
    EXPECT_EQ(run.monitor.hops()[1].state, ReplyKind::Unreachable);
    run.round({{"", 0, ReplyKind::NoRoute}, {"", 0, ReplyKind::NoRoute}});
    EXPECT_EQ(run.monitor.hops()[0].state, ReplyKind::NoRoute);
    EXPECT_EQ(run.round({{"198.51.100.1", 1000}}).size(), 2u);
    EXPECT_EQ(run.monitor.hops()[0].state, ReplyKind::TimeExceeded);
    EXPECT_EQ(statsOf(run.monitor, 1).sent, 3);
    EXPECT_EQ(statsOf(run.monitor, 1).received, 2);
    EXPECT_EQ(statsOf(run.monitor, 2).received, 0);
}

TEST(RouteMonitor, OldSamplesFoldIntoMinutes) {
    HopHistory history;
    // Two whole minutes of one sample a second: the first minute answers 1..60 ms, the second
    // loses every third. Then the 3,600 that stay at full resolution.
    const std::int64_t start = 1'700'000'040'000; // a minute's start
    std::int64_t t = start;
    for (int i = 0; i < 60; ++i, t += 1000)
        history.add({t, (i + 1) * 1000});
    for (int i = 0; i < 60; ++i, t += 1000)
        history.add({t, i % 3 == 0 ? -1 : 5000});
    for (std::size_t i = 0; i < HopHistory::kFullSamples; ++i, t += 1000)
        history.add({t, 7000});
    ASSERT_EQ(history.samples().size(), HopHistory::kFullSamples);
    EXPECT_EQ(history.samples().front().wallMillis, start + 120'000);
    ASSERT_EQ(history.buckets().size(), 2u);
    const MinuteBucket& first = history.buckets()[0];
    EXPECT_EQ(first.minuteMillis, start);
    EXPECT_EQ(first.minMicros, 1000);
    EXPECT_EQ(first.maxMicros, 60'000);
    EXPECT_DOUBLE_EQ(first.averageMicros(), 30'500.0);
    EXPECT_DOUBLE_EQ(first.lossPercent(), 0.0);
    const MinuteBucket& second = history.buckets()[1];
    EXPECT_EQ(second.minuteMillis, start + 60'000);
    EXPECT_EQ(second.answered, 40);
    EXPECT_EQ(second.lost, 20);
    EXPECT_DOUBLE_EQ(second.averageMicros(), 5000.0);
}

TEST(RouteMonitor, AlertsRiseAndClearWithHysteresis) {
    AlertRule rule;
    rule.onLoss = true;
    rule.lossPercent = 50;
    rule.onLatency = true;
    rule.latencyMs = 100;
    rule.rounds = 4;
    rule.clearRounds = 3;
    AlertWatch watch(rule);
    using C = AlertWatch::Change;
    struct Step {
        std::int64_t rtt;
        C expected;
    };
    const Step steps[] = {
        {-1, C::None},       {-1, C::None},      {10'000, C::None}, // no full window yet
        {10'000, C::Raised},                                        // 2 of 4 lost
        {-1, C::None},                                              // still 50 %
        {10'000, C::None},   {10'000, C::None},                     // 25 %: unmet twice
        {-1, C::None},                                              // 50 % again: met
        {10'000, C::None},   {10'000, C::None},  {10'000, C::Cleared},
        {150'000, C::None},  {150'000, C::None}, {150'000, C::Raised}, // average 115 ms
    };
    int index = 0;
    for (const Step& step : steps)
        EXPECT_EQ(watch.add(step.rtt), step.expected) << "round " << ++index;
}

TEST(RouteMonitor, AlertsWatchTheTargetsHop) {
    Recorded run(2);
    AlertRule rule;
    rule.rounds = 2;
    rule.clearRounds = 2;
    rule.lossPercent = 100;
    run.monitor.setAlertRule(rule, true);
    run.round({{"198.51.100.1", 1000}, {"203.0.113.2", 1000, ReplyKind::EchoReply}});
    run.round({{"198.51.100.1", 1000}});
    run.round({{"198.51.100.1", 1000}});
    std::vector<AlertEvent> events = run.monitor.takeAlertChanges();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].change, AlertWatch::Change::Raised);
    EXPECT_DOUBLE_EQ(events[0].loss, 100.0);
    run.round({{"198.51.100.1", 1000}, {"203.0.113.2", 1000, ReplyKind::EchoReply}});
    run.round({{"198.51.100.1", 1000}, {"203.0.113.2", 1000, ReplyKind::EchoReply}});
    events = run.monitor.takeAlertChanges();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].change, AlertWatch::Change::Cleared);
}

TEST(RouteMonitor, AlertsTakeRoundsInTheirOrderThoughLossesShowLate) {
    // Ten rounds a second with a second's timeout: a round's answer is known at once, its loss
    // only ten rounds later. Three lost rounds among answered ones raise once and clear once, at
    // the rounds that decide it.
    RouteMonitor monitor({1, kSecond}, kId);
    AlertRule rule;
    rule.lossPercent = 60;
    rule.rounds = 3;
    rule.clearRounds = 3;
    monitor.setAlertRule(rule, true);
    std::vector<AlertEvent> events;
    for (int round = 0; round < 40; ++round) {
        const std::int64_t now = round * 100'000;
        const std::vector<ProbeRequest> probes = monitor.beginRound(now, round * 100);
        if (round < 10 || round > 12)
            monitor.answer({kId, probes[0].sequence, ReplyKind::EchoReply, "198.51.100.1", 500},
                           now + 500);
        monitor.expire(now + 50'000);
        for (const AlertEvent& e : monitor.takeAlertChanges())
            events.push_back(e);
    }
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].change, AlertWatch::Change::Raised);
    EXPECT_EQ(events[0].wallMillis, 1100); // rounds 9 to 11: two of three lost
    EXPECT_EQ(events[1].change, AlertWatch::Change::Cleared);
    EXPECT_EQ(events[1].wallMillis, 1600); // rounds 14 to 16 under the threshold
}

TEST(MonitorLog, LinesCarryTheLocalTimeWithItsOffset) {
    setTimeZone("JST-9");
    EXPECT_EQ(csvLine({1'700'000'000'123, 3, "203.0.113.130", 12'345, ReplyKind::EchoReply}),
              "2023-11-15T07:13:20.123+09:00,3,203.0.113.130,12.345");
    EXPECT_EQ(csvLine({1'700'000'000'004, 2, "", -1, ReplyKind::None}),
              "2023-11-15T07:13:20.004+09:00,2,,lost");
    setTimeZone("EST5");
    EXPECT_EQ(csvLine({1'700'000'000'123, 1, "198.51.100.1", 500, ReplyKind::TimeExceeded}),
              "2023-11-14T17:13:20.123-05:00,1,198.51.100.1,0.500");
    setTimeZone(nullptr);
}
