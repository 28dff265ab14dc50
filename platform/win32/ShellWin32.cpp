#include "platform/Shell.h"

#include <windows.h>

#include <shellapi.h>

namespace tg::platform {

void shellOpen(std::uintptr_t parentWindow, TextView target) {
    Text file(target);
    ShellExecuteA(reinterpret_cast<HWND>(parentWindow), "open", file.c_str(), nullptr, nullptr,
                  SW_SHOW);
}

} // namespace tg::platform
