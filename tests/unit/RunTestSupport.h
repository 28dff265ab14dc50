#pragma once

#include "commands/CommandRunner.h"
#include "commands/RunContext.h"
#include "platform/Process.h"
#include "text/Error.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tg::test {

// What a run body hands to the window, recorded; safe to look at from another thread.
class RecordingContext : public RunContext {
public:
    platform::WakeSignal wake;
    int failDeliveries = 0; // how many deliveries raise an error first

    bool terminationRequested() const override { return wake.isSet(); }
    void deliverLines(const LineBatch& batch) override {
        std::lock_guard lock(mutex_);
        if (failDeliveries > 0) {
            --failDeliveries;
            throw Error("delivery failed");
        }
        for (Text& line : batch.lines())
            lines_.push_back(std::move(line));
        batchBytes_.push_back(batch.bytes().size());
        changed_.notify_all();
    }
    void appendReportLine(const Text&) override {}
    void stepProgress() override {}
    void resetProgress() override {
        std::lock_guard lock(mutex_);
        ++resets_;
    }
    int messageBox(bool, const Text&, const Text&, unsigned) override { return 1; }

    std::vector<Text> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    // The size of each batch handed over, in order.
    std::vector<size_t> batchBytes() const {
        std::lock_guard lock(mutex_);
        return batchBytes_;
    }
    int resets() const {
        std::lock_guard lock(mutex_);
        return resets_;
    }
    // Waits until count lines have arrived (or a generous bound has passed).
    bool waitForLines(size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20),
                                 [&] { return lines_.size() >= count; });
    }

private:
    mutable std::mutex mutex_;
    std::vector<size_t> batchBytes_;
    std::condition_variable changed_;
    std::vector<Text> lines_;
    int resets_ = 0;
};

// Wraps the real child process to see how the runner leaves it.
class WatchedChild : public platform::ChildProcess {
public:
    WatchedChild(std::unique_ptr<ChildProcess> inner, std::atomic<int>& endState)
        : inner_(std::move(inner)), endState_(endState) {}
    ~WatchedChild() override { endState_ = inner_->hasEnded() ? 1 : 2; }
    Event wait(int timeoutMs) override { return inner_->wait(timeoutMs); }
    bool read(Text& out) override { return inner_->read(out); }
    void drain(Text& out) override { inner_->drain(out); }
    bool hasEnded() override { return inner_->hasEnded(); }
    std::optional<int> exitCode() override { return inner_->exitCode(); }
    bool interrupt() override {
        interrupted = true;
        return inner_->interrupt();
    }
    void terminate() override {
        terminated = true;
        inner_->terminate();
    }
    std::atomic<bool> interrupted{false};
    std::atomic<bool> terminated{false};

private:
    std::unique_ptr<ChildProcess> inner_;
    std::atomic<int>& endState_;
};

} // namespace tg::test
