#pragma once

#include "monitor/MonitorLog.h"
#include "monitor/RouteMonitor.h"
#include "platform/Prober.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tg::monitor {

struct RunOptions {
    MonitorSettings settings;
    std::int64_t intervalMicros = 1'000'000;
    AlertRule alertRule;
    bool alerts = false;
    std::filesystem::path logPath; // none: no log
};

// Probes a route on a thread of its own, round after round, until stopped or destroyed. The
// window reads the figures under the run's lock whenever it repaints.
class MonitorRun {
public:
    MonitorRun(std::unique_ptr<platform::Prober> prober, RunOptions options);
    ~MonitorRun(); // stops the probes and waits for the thread, which takes at most a wait slice
    MonitorRun(const MonitorRun&) = delete;
    MonitorRun& operator=(const MonitorRun&) = delete;

    void stop();

    // Calls read with the monitor under the lock; keep it short, the prober waits meanwhile.
    template <typename Read> void read(Read&& read) {
        std::lock_guard<std::mutex> lock(mutex_);
        read(monitor_);
    }
    void setAlertRule(const AlertRule& rule, bool enabled);
    // Grows with every change of the figures: the window repaints only when it moved.
    std::uint64_t version() const { return version_.load(); }
    bool logOpen() const { return logOpen_; }
    const std::filesystem::path& logPath() const { return logPath_; }

private:
    void loop();

    std::unique_ptr<platform::Prober> prober_;
    RunOptions options_;
    std::mutex mutex_;
    RouteMonitor monitor_;
    MonitorLog log_;
    bool logOpen_ = false;
    std::filesystem::path logPath_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> version_{0};
    std::thread thread_;
};

} // namespace tg::monitor
