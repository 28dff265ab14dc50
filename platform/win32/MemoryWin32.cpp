#include "platform/Memory.h"

namespace tg::platform {

// Large pages on Windows need a privilege that a user's program does not hold, and the heap
// commits all the room it gives: the defaults stay.
void useLargePagesForLargeBuffers() {}

} // namespace tg::platform
