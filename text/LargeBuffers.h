#pragma once

#include <algorithm>
#include <cstddef>

namespace tg {

// Buffers that grow to tens of megabytes (a pane's bytes and its line index) touch every page of
// their memory once, and each time they grow they copy what they hold into new memory. How the
// system treats such memory is the platform's to say, once at start-up; by default nothing is
// prepared and room doubles.
struct LargeBufferSupport {
    // Prepares new room before anything is written to it: large pages where the system has them.
    void (*prepare)(void* data, std::size_t bytes) = nullptr;
    // Room of some megabytes grows by this factor. Where memory costs nothing until it is
    // touched, a large factor spares copies; where room is committed at once, 2 is kinder.
    std::size_t growth = 2;
    // Gives memory to room not yet written, so that later writes into it do not stop, page by
    // page, for the system to find memory.
    void (*populate)(void* data, std::size_t bytes) = nullptr;
};
void setLargeBufferSupport(const LargeBufferSupport& support);
const LargeBufferSupport& largeBufferSupport();

// Makes room in a string or vector for at least `needed` elements.
template <typename Buffer> void reserveGrowing(Buffer& buffer, std::size_t needed) {
    if (needed <= buffer.capacity())
        return;
    constexpr std::size_t kLarge = std::size_t(4) << 20;
    const LargeBufferSupport& support = largeBufferSupport();
    const std::size_t held = buffer.capacity() * sizeof(*buffer.data());
    const std::size_t capacity =
        std::max(needed, buffer.capacity() * (held >= kLarge ? support.growth : 2));
    const std::size_t bytes = capacity * sizeof(*buffer.data());
    if (!support.prepare || bytes < kLarge) {
        buffer.reserve(capacity);
        return;
    }
    Buffer bigger;
    bigger.reserve(capacity);
    support.prepare(bigger.data(), bytes);
    bigger.insert(bigger.end(), buffer.begin(), buffer.end());
    buffer.swap(bigger);
}

// Makes room for `more` elements past a buffer's end and gives it memory, where the system can do
// so ahead of the writes. Nothing is written: the buffer's contents and size stay as they are.
template <typename Buffer> void prepareRoom(Buffer& buffer, std::size_t more) {
    reserveGrowing(buffer, buffer.size() + more);
    const LargeBufferSupport& support = largeBufferSupport();
    if (support.populate && more > 0)
        support.populate(buffer.data() + buffer.size(), more * sizeof(*buffer.data()));
}

} // namespace tg
