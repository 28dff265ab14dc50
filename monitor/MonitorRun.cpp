#include "monitor/MonitorRun.h"

#include <algorithm>
#include <chrono>

namespace tg::monitor {

namespace {

// The longest the thread waits for answers before it looks at its stop flag again: how long a
// closed window's probes can outlive it.
constexpr std::int64_t kWaitSliceMicros = 50'000;

std::int64_t steadyMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::int64_t wallMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

MonitorRun::MonitorRun(std::unique_ptr<platform::Prober> prober, RunOptions options)
    : prober_(std::move(prober)), options_(std::move(options)),
      monitor_(options_.settings, prober_->identifier()) {
    monitor_.setAlertRule(options_.alertRule, options_.alerts);
    if (!options_.logPath.empty()) {
        logOpen_ = log_.open(options_.logPath);
        logPath_ = options_.logPath;
    }
    thread_ = std::thread([this] { loop(); });
}

MonitorRun::~MonitorRun() {
    stop();
}

void MonitorRun::stop() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void MonitorRun::setAlertRule(const AlertRule& rule, bool enabled) {
    std::lock_guard<std::mutex> lock(mutex_);
    monitor_.setAlertRule(rule, enabled);
    ++version_;
}

void MonitorRun::loop() {
    const std::int64_t interval = std::max<std::int64_t>(options_.intervalMicros, 1000);
    std::int64_t nextRound = steadyMicros();
    std::vector<ProbeRequest> probes;
    while (!stop_) {
        std::int64_t now = steadyMicros();
        std::int64_t nextTimeout = -1;
        if (now >= nextRound) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                probes = monitor_.beginRound(now, wallMillis());
            }
            for (const ProbeRequest& probe : probes)
                prober_->send(probe.ttl, probe.sequence);
            nextRound += interval;
            // A round that could not start on time is not made up for with a burst.
            if (nextRound <= now)
                nextRound = now + interval;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            nextTimeout = monitor_.nextTimeout();
        }
        std::int64_t wait = std::min(nextRound - now, kWaitSliceMicros);
        if (nextTimeout >= 0)
            wait = std::min(wait, std::max<std::int64_t>(nextTimeout - now, 0));
        std::vector<ProbeAnswer> answers =
            prober_->receive(std::chrono::microseconds(std::max<std::int64_t>(wait, 0)));
        now = steadyMicros();
        std::vector<Outcome> outcomes;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (const ProbeAnswer& answer : answers)
                monitor_.answer(answer, now);
            monitor_.expire(now);
            outcomes = monitor_.takeOutcomes();
        }
        if (!outcomes.empty()) {
            ++version_;
            log_.write(outcomes);
        }
    }
}

} // namespace tg::monitor
