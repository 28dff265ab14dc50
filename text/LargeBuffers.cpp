#include "text/LargeBuffers.h"

namespace tg {

namespace {

// Set at start-up, before any buffer grows; read only after.
LargeBufferSupport installed;

} // namespace

void setLargeBufferSupport(const LargeBufferSupport& support) {
    installed = support;
}

const LargeBufferSupport& largeBufferSupport() {
    return installed;
}

} // namespace tg
