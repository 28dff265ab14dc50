#pragma once

namespace tg::platform {

// COM for the GUI thread: a single-threaded apartment and the process-wide security that the
// system-information queries need, set once before any COM object exists. Results are not
// examined: the program goes on whatever they return. Nothing to do on other systems.
void initializeCom();
void uninitializeCom();

} // namespace tg::platform
