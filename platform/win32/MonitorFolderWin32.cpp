#include "platform/Prober.h"

#include <shlobj.h>
#include <windows.h>

namespace tg::platform {

std::filesystem::path monitorLogFolder() {
    wchar_t local[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)))
        return {};
    return std::filesystem::path(local) / L"TIDEGAUGE-INFO" / L"monitor";
}

} // namespace tg::platform
