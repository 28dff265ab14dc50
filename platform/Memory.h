#pragma once

namespace tg::platform {

// Says how buffers that grow to megabytes are given memory (text/LargeBuffers.h): large pages
// where the system offers them, so that filling such a buffer takes a fault per 2 MB rather than
// per 4 KB, and generous room where untouched memory costs nothing. Called once at start-up.
void useLargePagesForLargeBuffers();

} // namespace tg::platform
