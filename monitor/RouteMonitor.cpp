#include "monitor/RouteMonitor.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tg::monitor {

void HopStats::addAnswer(std::int64_t rttMicros) {
    if (received == 0) {
        best = worst = rttMicros;
    } else {
        best = std::min(best, rttMicros);
        worst = std::max(worst, rttMicros);
        jitterSum += double(std::llabs(rttMicros - last));
        ++jitterCount;
    }
    last = rttMicros;
    ++received;
    ++sent;
    const double delta = double(rttMicros) - mean;
    mean += delta / double(received);
    m2 += delta * (double(rttMicros) - mean);
}

double HopStats::lossPercent() const {
    return sent ? double(sent - received) * 100.0 / double(sent) : 0.0;
}

double HopStats::stddev() const {
    return received > 1 ? std::sqrt(m2 / double(received - 1)) : 0.0;
}

double HopStats::jitter() const {
    return jitterCount ? jitterSum / double(jitterCount) : 0.0;
}

double MinuteBucket::lossPercent() const {
    const int total = answered + lost;
    return total ? lost * 100.0 / total : 0.0;
}

void HopHistory::add(Sample sample) {
    samples_.push_back(sample);
    while (samples_.size() > kFullSamples) {
        const Sample old = samples_.front();
        samples_.pop_front();
        const std::int64_t minute = old.wallMillis - ((old.wallMillis % 60000) + 60000) % 60000;
        if (buckets_.empty() || buckets_.back().minuteMillis != minute)
            buckets_.push_back(MinuteBucket{minute, 0, 0, 0, 0, 0});
        MinuteBucket& bucket = buckets_.back();
        if (old.rttMicros < 0) {
            ++bucket.lost;
            continue;
        }
        if (bucket.answered == 0) {
            bucket.minMicros = bucket.maxMicros = old.rttMicros;
        } else {
            bucket.minMicros = std::min(bucket.minMicros, old.rttMicros);
            bucket.maxMicros = std::max(bucket.maxMicros, old.rttMicros);
        }
        bucket.sumMicros += old.rttMicros;
        ++bucket.answered;
    }
}

AlertWatch::Change AlertWatch::add(std::int64_t rttMicros) {
    recent_.push_back(rttMicros);
    const std::size_t window = std::size_t(std::max(rule_.rounds, 1));
    while (recent_.size() > window)
        recent_.pop_front();
    int lost = 0;
    std::int64_t sum = 0;
    for (std::int64_t rtt : recent_) {
        if (rtt < 0)
            ++lost;
        else
            sum += rtt;
    }
    const int answered = int(recent_.size()) - lost;
    loss_ = lost * 100.0 / double(recent_.size());
    averageMs_ = answered ? double(sum) / answered / 1000.0 : 0.0;
    const bool met = (rule_.onLoss && loss_ >= rule_.lossPercent) ||
                     (rule_.onLatency && answered > 0 && averageMs_ > rule_.latencyMs);
    if (!raised_) {
        // A judgement needs a full window: the first lost probe is not yet 100 % loss.
        if (met && recent_.size() == window) {
            raised_ = true;
            unmet_ = 0;
            return Change::Raised;
        }
        return Change::None;
    }
    if (met) {
        unmet_ = 0;
        return Change::None;
    }
    if (++unmet_ >= std::max(rule_.clearRounds, 1)) {
        raised_ = false;
        unmet_ = 0;
        return Change::Cleared;
    }
    return Change::None;
}

RouteMonitor::RouteMonitor(MonitorSettings settings, std::uint16_t identifier)
    : settings_(settings), identifier_(identifier) {
    settings_.maxHops = std::clamp(settings_.maxHops, 1, 255);
}

Hop& RouteMonitor::hop(int ttl) {
    while (int(hops_.size()) < ttl) {
        hops_.emplace_back();
        hops_.back().ttl = int(hops_.size());
    }
    return hops_[std::size_t(ttl - 1)];
}

std::vector<ProbeRequest> RouteMonitor::beginRound(std::int64_t nowMicros,
                                                   std::int64_t wallMillis) {
    ++rounds_;
    openRounds_.push_back(RoundTrack{nowMicros, wallMillis, -1});
    const int last = targetTtl_ ? targetTtl_ : settings_.maxHops;
    std::vector<ProbeRequest> probes;
    probes.reserve(std::size_t(last));
    for (int ttl = 1; ttl <= last; ++ttl) {
        hop(ttl);
        // A sequence still in flight after the counter wrapped is skipped, so that no answer
        // can be taken for the wrong probe.
        while (inFlight_.count(nextSequence_))
            ++nextSequence_;
        const std::uint16_t sequence = nextSequence_++;
        inFlight_.emplace(sequence, InFlight{ttl, nowMicros, wallMillis, rounds_});
        probes.push_back(ProbeRequest{ttl, sequence});
    }
    return probes;
}

bool RouteMonitor::answer(const ProbeAnswer& answer, std::int64_t nowMicros) {
    if (answer.identifier != identifier_)
        return false;
    auto found = inFlight_.find(answer.sequence);
    if (found == inFlight_.end())
        return false;
    const InFlight probe = found->second;
    inFlight_.erase(found);
    if (targetTtl_ && probe.ttl > targetTtl_)
        return false;
    ProbeAnswer taken = answer;
    if (taken.rttMicros < 0)
        taken.rttMicros = nowMicros - probe.sentMicros;
    // The system may see an answer a little after its timeout passed on our clock; past it,
    // it is lost, as it would be had expire run first.
    if (taken.kind != ReplyKind::NoRoute && taken.rttMicros > settings_.timeoutMicros) {
        finish(probe.ttl, probe, nullptr);
        return true;
    }
    finish(probe.ttl, probe, &taken);
    if (taken.kind == ReplyKind::EchoReply && (!targetTtl_ || probe.ttl < targetTtl_))
        shortenPath(probe.ttl);
    else if (taken.kind == ReplyKind::TimeExceeded && probe.ttl == targetTtl_)
        targetTtl_ = 0; // the path grew: look further again
    return true;
}

void RouteMonitor::expire(std::int64_t nowMicros) {
    for (auto it = inFlight_.begin(); it != inFlight_.end();) {
        if (nowMicros - it->second.sentMicros < settings_.timeoutMicros) {
            ++it;
            continue;
        }
        const InFlight probe = it->second;
        it = inFlight_.erase(it);
        if (!targetTtl_ || probe.ttl <= targetTtl_)
            finish(probe.ttl, probe, nullptr);
    }
    // Every probe of these rounds is over now.
    while (!openRounds_.empty() &&
           nowMicros - openRounds_.front().startMicros >= settings_.timeoutMicros) {
        const RoundTrack round = openRounds_.front();
        openRounds_.pop_front();
        if (!alertEnabled_)
            continue;
        const AlertWatch::Change change = alert_.add(round.targetRtt);
        if (change != AlertWatch::Change::None)
            alertChanges_.push_back(
                AlertEvent{change, round.wallMillis, alert_.loss(), alert_.averageMs()});
    }
}

std::int64_t RouteMonitor::nextTimeout() const {
    std::int64_t earliest = -1;
    for (const auto& [sequence, probe] : inFlight_) {
        const std::int64_t at = probe.sentMicros + settings_.timeoutMicros;
        if (earliest < 0 || at < earliest)
            earliest = at;
    }
    return earliest;
}

void RouteMonitor::finish(int ttl, const InFlight& probe, const ProbeAnswer* answer) {
    Hop& h = hop(ttl);
    Outcome outcome{probe.wallMillis, ttl, {}, -1, ReplyKind::None};
    const bool timed =
        answer && (answer->kind == ReplyKind::EchoReply || answer->kind == ReplyKind::TimeExceeded);
    if (answer && !answer->from.empty()) {
        if (!h.current.empty() && h.current != answer->from)
            ++routeChanges_;
        h.current = answer->from;
        auto known = std::find_if(h.addresses.begin(), h.addresses.end(),
                                  [&](const HopAddress& a) { return a.address == answer->from; });
        if (known == h.addresses.end())
            h.addresses.push_back(HopAddress{answer->from, 1});
        else
            ++known->answers;
        outcome.address = answer->from;
    }
    h.state = answer ? answer->kind : ReplyKind::None;
    outcome.kind = h.state;
    if (timed) {
        h.stats.addAnswer(answer->rttMicros);
        outcome.rttMicros = answer->rttMicros;
    } else {
        h.stats.addLost();
    }
    h.history.add(Sample{probe.wallMillis,
                         std::int32_t(std::min<std::int64_t>(outcome.rttMicros, INT32_MAX))});
    outcomes_.push_back(std::move(outcome));
    const int targetHop = targetTtl_ ? targetTtl_ : settings_.maxHops;
    const std::int64_t openIndex = probe.round - (rounds_ - std::int64_t(openRounds_.size()) + 1);
    if (timed && ttl == targetHop && openIndex >= 0 && openIndex < std::int64_t(openRounds_.size()))
        openRounds_[std::size_t(openIndex)].targetRtt = answer->rttMicros;
}

void RouteMonitor::shortenPath(int ttl) {
    targetTtl_ = ttl;
    if (int(hops_.size()) > ttl)
        hops_.resize(std::size_t(ttl));
}

void RouteMonitor::setAlertRule(const AlertRule& rule, bool enabled) {
    const bool wasRaised = alert_.raised();
    alert_ = AlertWatch(rule);
    alertEnabled_ = enabled;
    if (wasRaised)
        alertChanges_.push_back(AlertEvent{AlertWatch::Change::Cleared, 0, 0, 0});
}

std::vector<Outcome> RouteMonitor::takeOutcomes() {
    return std::exchange(outcomes_, {});
}

std::vector<AlertEvent> RouteMonitor::takeAlertChanges() {
    return std::exchange(alertChanges_, {});
}

} // namespace tg::monitor
