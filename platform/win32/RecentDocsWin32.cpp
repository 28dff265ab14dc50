#include "platform/RecentDocs.h"

#include <windows.h>

#include <shlobj.h>

namespace tg::platform {

void addToRecentDocuments(const std::filesystem::path& path) {
    // A name the ANSI code page holds goes as ANSI text, as it always did: Wine's shell makes no
    // shortcut for the wide form. Only a name outside the code page needs the wide form.
    const std::wstring& wide = path.native();
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0,
                                         nullptr, &lossy);
    if (size > 0 && !lossy) {
        std::string ansi(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, ansi.data(), size,
                            nullptr, nullptr);
        SHAddToRecentDocs(SHARD_PATHA, ansi.c_str());
    } else {
        SHAddToRecentDocs(SHARD_PATHW, wide.c_str());
    }
}

} // namespace tg::platform
