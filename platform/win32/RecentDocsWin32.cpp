#include "platform/RecentDocs.h"

#include <windows.h>

#include <shlobj.h>

namespace tg::platform {

void addToRecentDocuments(const std::filesystem::path& path) {
    SHAddToRecentDocs(SHARD_PATHW, path.c_str());
}

} // namespace tg::platform
