#pragma once

#include "text/Text.h"

#include <cstdint>

namespace tg::platform {

// Asks the desktop to open a document, a web address or a mailto: link, as the shell's "open"
// verb does. parentWindow is the native handle of the window that asks (0 for none). The outcome
// is not examined and nothing is reported.
void shellOpen(std::uintptr_t parentWindow, TextView target);

// Opens a compiled help file at one of its pages ("ping.html"), or at its start page when page is
// empty or the system's help viewer cannot be told a page; like shellOpen, it never reports.
void helpOpen(std::uintptr_t parentWindow, TextView helpFile, TextView page);

} // namespace tg::platform
