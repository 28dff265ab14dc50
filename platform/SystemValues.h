#pragma once

namespace tg::platform {

// True when the operating system is of the NT family (always on systems other than Windows).
bool isNT();

} // namespace tg::platform
