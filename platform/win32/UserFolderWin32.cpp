#include "platform/ProgramFiles.h"

#include <windows.h>

#include <shlobj.h>

#include <string>

namespace tg::platform {

std::filesystem::path userSettingsFolder() {
    wchar_t appData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
        return {};
    return std::filesystem::path(appData) / L"TIDEGAUGE-INFO";
}

std::filesystem::path runningProgramPath() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return {};
        if (length < name.size()) {
            name.resize(length);
            return name;
        }
        name.resize(name.size() * 2); // cut short: try again with more room
    }
}

} // namespace tg::platform
