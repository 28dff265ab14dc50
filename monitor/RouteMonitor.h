#pragma once

#include "platform/Prober.h"

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace tg::monitor {

using platform::ProbeAnswer;
using platform::ReplyKind;

// The running figures of one hop. Times are microseconds.
struct HopStats {
    std::int64_t sent = 0; // probes whose outcome is known: answered or timed out
    std::int64_t received = 0;
    std::int64_t last = 0;
    std::int64_t best = 0;
    std::int64_t worst = 0;
    double mean = 0;
    double m2 = 0;        // sum of squared deviations from the mean (Welford)
    double jitterSum = 0; // sum of |Δ| between consecutive answers
    std::int64_t jitterCount = 0;

    void addLost() { ++sent; }
    void addAnswer(std::int64_t rttMicros);
    double lossPercent() const;
    double stddev() const;
    double jitter() const;
};

// One probe's outcome as the timeline and the log keep it.
struct Sample {
    std::int64_t wallMillis = 0; // when its round began, milliseconds since 1970 UTC
    std::int32_t rttMicros = -1; // -1: lost
};

// Samples older than the last kFullSamples, a minute each.
struct MinuteBucket {
    std::int64_t minuteMillis = 0; // the minute's start
    std::int32_t minMicros = 0;
    std::int32_t maxMicros = 0;
    std::int64_t sumMicros = 0;
    std::int32_t answered = 0;
    std::int32_t lost = 0;

    double averageMicros() const { return answered ? double(sumMicros) / answered : 0; }
    double lossPercent() const;
};

class HopHistory {
public:
    static constexpr std::size_t kFullSamples = 3600;

    void add(Sample sample);
    const std::deque<Sample>& samples() const { return samples_; }
    const std::vector<MinuteBucket>& buckets() const { return buckets_; }

private:
    std::deque<Sample> samples_;
    std::vector<MinuteBucket> buckets_;
};

struct HopAddress {
    std::string address;
    std::int64_t answers = 0;
};

struct Hop {
    int ttl = 0;
    HopStats stats;
    std::vector<HopAddress> addresses; // in the order they first answered
    std::string current;               // the address that answered last
    ReplyKind state = ReplyKind::None; // the kind of the last answer; None after a loss
    HopHistory history;
};

struct MonitorSettings {
    int maxHops = 30;
    std::int64_t timeoutMicros = 1'000'000;
};

// What raises an alert on the target's hop, and what clears it.
struct AlertRule {
    bool onLoss = true;
    double lossPercent = 20; // raised when the loss over the last rounds reaches this
    bool onLatency = false;
    double latencyMs = 200; // raised when the average of the last rounds' answers exceeds this
    int rounds = 10;        // N: the rounds both figures are taken over
    int clearRounds = 10;   // M: rounds the rule must stay unmet before the alert clears
};

class AlertWatch {
public:
    enum class Change { None, Raised, Cleared };

    explicit AlertWatch(AlertRule rule = {}) : rule_(rule) {}
    // One round's outcome at the target: rttMicros < 0 for a loss.
    Change add(std::int64_t rttMicros);
    bool raised() const { return raised_; }
    // The figures the last add saw, for the event line.
    double loss() const { return loss_; }
    double averageMs() const { return averageMs_; }

private:
    AlertRule rule_;
    std::deque<std::int64_t> recent_;
    bool raised_ = false;
    int unmet_ = 0;
    double loss_ = 0;
    double averageMs_ = 0;
};

struct AlertEvent {
    AlertWatch::Change change = AlertWatch::Change::None;
    std::int64_t wallMillis = 0;
    double loss = 0;      // over the rule's rounds, percent
    double averageMs = 0; // of the answers among them
};

// A probe whose outcome became known: what the log writes.
struct Outcome {
    std::int64_t wallMillis = 0;
    int ttl = 0;
    std::string address; // empty when lost
    std::int64_t rttMicros = -1;
    ReplyKind kind = ReplyKind::None;
};

struct ProbeRequest {
    int ttl = 0;
    std::uint16_t sequence = 0;
};

// The probes of a route and what came of them, without any clock or socket of its own: the
// caller sends what beginRound asks for, hands in the answers, and says what time it is.
class RouteMonitor {
public:
    RouteMonitor(MonitorSettings settings, std::uint16_t identifier);

    // One probe for every hop up to the path's end, the target's hop, or up to the maximum
    // while the target has not answered.
    std::vector<ProbeRequest> beginRound(std::int64_t nowMicros, std::int64_t wallMillis);
    // False when the answer belongs to no probe in flight: another prober's, one already
    // timed out, a repeat, or one beyond the path's end.
    bool answer(const ProbeAnswer& answer, std::int64_t nowMicros);
    // Probes past their timeout count as lost.
    void expire(std::int64_t nowMicros);
    // The earliest moment a probe in flight times out; -1 with none in flight.
    std::int64_t nextTimeout() const;

    const std::vector<Hop>& hops() const { return hops_; }
    // The number of hops shown: up to the target's, or all probed until it answers.
    int pathLength() const { return int(hops_.size()); }
    bool targetReached() const { return targetTtl_ > 0; }
    std::int64_t rounds() const { return rounds_; }
    std::int64_t routeChanges() const { return routeChanges_; }

    void setAlertRule(const AlertRule& rule, bool enabled);
    // The outcomes and the alert changes since the last call.
    std::vector<Outcome> takeOutcomes();
    std::vector<AlertEvent> takeAlertChanges();
    const AlertWatch& alert() const { return alert_; }

private:
    struct InFlight {
        int ttl;
        std::int64_t sentMicros;
        std::int64_t wallMillis;
        std::int64_t round;
    };
    // What a round's probe at the target's hop came to. Answers come as they come and losses
    // only at their timeout: the alert takes the rounds in their order once they are over.
    struct RoundTrack {
        std::int64_t startMicros;
        std::int64_t wallMillis;
        std::int64_t targetRtt;
    };

    Hop& hop(int ttl);
    void finish(int ttl, const InFlight& probe, const ProbeAnswer* answer);
    void shortenPath(int ttl);

    MonitorSettings settings_;
    std::uint16_t identifier_;
    std::uint16_t nextSequence_ = 1;
    std::map<std::uint16_t, InFlight> inFlight_;
    std::vector<Hop> hops_;
    int targetTtl_ = 0; // the hop where the target answered; 0 while it has not
    std::int64_t rounds_ = 0;
    std::int64_t routeChanges_ = 0;
    std::vector<Outcome> outcomes_;
    bool alertEnabled_ = false;
    AlertWatch alert_;
    std::vector<AlertEvent> alertChanges_;
    std::deque<RoundTrack> openRounds_; // from round rounds_ - size + 1 on
};

} // namespace tg::monitor
