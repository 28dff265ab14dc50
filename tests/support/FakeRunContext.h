#pragma once

#include "commands/RunContext.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace tg::test {

// A run that records what its body does to the window, in order.
class FakeRunContext : public RunContext {
public:
    struct Box {
        bool ownedByDialog;
        Text text;
        Text caption;
        unsigned flags;
    };

    std::atomic<bool> abort{false};
    std::vector<std::string> events; // "deliver", "line", "progress", "reset", "box"
    std::vector<Text> lines;
    std::vector<Box> boxes;
    int position = 0; // of both bars
    // Called after every event is recorded, to abort at a chosen moment.
    std::function<void(FakeRunContext&)> afterEvent;

    bool terminationRequested() const override { return abort; }

    void deliverLines(const LineBatch& delivered) override {
        for (Text& line : delivered.lines()) {
            lines.push_back(std::move(line));
            record("deliver");
        }
    }
    void appendReportLine(const Text& line) override {
        lines.push_back(line);
        record("line");
    }
    void stepProgress() override {
        position = (position + 10) % 260;
        record("progress");
    }
    void resetProgress() override {
        position = 0;
        record("reset");
    }
    int messageBox(bool ownedByDialog, const Text& text, const Text& caption,
                   unsigned flags) override {
        boxes.push_back({ownedByDialog, text, caption, flags});
        record("box");
        return 1;
    }

    int count(const std::string& event) const {
        int n = 0;
        for (const auto& e : events)
            n += e == event;
        return n;
    }

private:
    void record(const char* event) {
        events.emplace_back(event);
        if (afterEvent)
            afterEvent(*this);
    }
};

} // namespace tg::test
