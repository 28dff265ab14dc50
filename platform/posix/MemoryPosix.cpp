#include "platform/Memory.h"

#include "text/LargeBuffers.h"

#include <cstdint>
#include <sys/mman.h>

namespace tg::platform {

namespace {

void adviseLargePages([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    // Only whole large pages inside the buffer can be backed by one; the advice is a hint, and
    // its result does not matter.
    constexpr std::uintptr_t kLargePage = std::uintptr_t(2) << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t end = (start + bytes) & ~(kLargePage - 1);
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#endif
}

} // namespace

void useLargePagesForLargeBuffers() {
    // Room that is never touched costs address space only.
    setLargeBufferSupport({adviseLargePages, 16});
}

} // namespace tg::platform
