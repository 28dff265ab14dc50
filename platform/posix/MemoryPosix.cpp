#include "platform/Memory.h"

#include "text/LargeBuffers.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

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

void populate([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    // From the start of the page that holds data; pages that have memory already are left alone,
    // and a system without this advice just says no.
    static const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = start & ~(page - 1);
    madvise(reinterpret_cast<void*>(first), start + bytes - first, MADV_POPULATE_WRITE);
#endif
}

} // namespace

void useLargePagesForLargeBuffers() {
    // Room that is never touched costs address space only.
    setLargeBufferSupport({adviseLargePages, 16, populate});
}

} // namespace tg::platform
