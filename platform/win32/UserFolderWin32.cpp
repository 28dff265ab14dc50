#include "platform/ProgramFiles.h"

#include <windows.h>

#include <shlobj.h>

namespace tg::platform {

std::filesystem::path userSettingsFolder() {
    wchar_t appData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
        return {};
    return std::filesystem::path(appData) / L"TIDEGAUGE-INFO";
}

} // namespace tg::platform
