#include "commands/LineAssembly.h"

#include "text/LargeBuffers.h"

#include <cstring>

namespace tg {

namespace {

constexpr size_t kKeptRoom = 64 * 1024;

} // namespace

void LineAssembly::feed(std::string_view bytes, LineBatch& lines) {
    while (!bytes.empty()) {
        const void* found = std::memchr(bytes.data(), '\n', bytes.size());
        if (!found) {
            // A line of megabytes grows as the pane's bytes do.
            reserveGrowing(buffer_, buffer_.size() + bytes.size());
            buffer_.append(bytes);
            return;
        }
        size_t end = static_cast<size_t>(static_cast<const char*>(found) - bytes.data());
        if (buffer_.empty()) {
            complete(bytes.substr(0, end), lines);
        } else {
            buffer_.append(bytes.substr(0, end));
            complete(buffer_, lines);
            // The room a line of megabytes took goes with it.
            if (buffer_.capacity() > kKeptRoom)
                Text().swap(buffer_);
            buffer_.clear();
        }
        bytes.remove_prefix(end + 1);
    }
}

void LineAssembly::finish(LineBatch& lines) {
    complete(buffer_, lines);
    Text().swap(buffer_);
}

void LineAssembly::complete(std::string_view line, LineBatch& lines) {
    if (line.empty())
        return;
    if (line.back() == '\r')
        line.remove_suffix(1);
    lines.add(line);
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
