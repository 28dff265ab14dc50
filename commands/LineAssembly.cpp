#include "commands/LineAssembly.h"

#include "text/LargeBuffers.h"

#include <cstring>

namespace tg {

void LineAssembly::feed(std::string_view bytes, std::vector<Text>& lines) {
    while (!bytes.empty()) {
        const void* found = std::memchr(bytes.data(), '\n', bytes.size());
        if (!found) {
            // A line of megabytes grows as the pane's bytes do.
            reserveGrowing(buffer_, buffer_.size() + bytes.size());
            buffer_.append(bytes);
            return;
        }
        size_t end = static_cast<size_t>(static_cast<const char*>(found) - bytes.data());
        buffer_.append(bytes.substr(0, end));
        complete(lines);
        bytes.remove_prefix(end + 1);
    }
}

void LineAssembly::finish(std::vector<Text>& lines) {
    complete(lines);
}

void LineAssembly::complete(std::vector<Text>& lines) {
    if (buffer_.empty())
        return;
    if (buffer_.back() == '\r')
        buffer_.pop_back();
    lines.push_back(std::move(buffer_));
    buffer_.clear();
}

int progressAfterSteps(int position, size_t steps) {
    constexpr int kMax = 250;
    constexpr int kStep = 10;
    // From a position on the step grid, a round of 26 steps (0, 10, ..., 250, 0) comes back.
    if (position % kStep == 0)
        steps %= kMax / kStep + 1;
    for (size_t i = 0; i < steps; ++i)
        position = position + kStep > kMax ? 0 : position + kStep;
    return position;
}

} // namespace tg
