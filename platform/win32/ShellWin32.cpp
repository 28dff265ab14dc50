#include "platform/Shell.h"

#include <windows.h>

#include <shellapi.h>

namespace tg::platform {

void shellOpen(std::uintptr_t parentWindow, TextView target) {
    Text file(target);
    ShellExecuteA(reinterpret_cast<HWND>(parentWindow), "open", file.c_str(), nullptr, nullptr,
                  SW_SHOW);
}

void helpOpen(std::uintptr_t parentWindow, TextView helpFile, TextView page) {
    if (page.empty()) {
        shellOpen(parentWindow, helpFile);
        return;
    }
    // The Windows help viewer takes a page as file::/page.
    Text topic = "\"" + Text(helpFile) + "::/" + Text(page) + "\"";
    ShellExecuteA(reinterpret_cast<HWND>(parentWindow), "open", "hh.exe", topic.c_str(), nullptr,
                  SW_SHOW);
}

} // namespace tg::platform
