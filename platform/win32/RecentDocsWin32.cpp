#include "platform/RecentDocs.h"

#include <windows.h>

#include <shlobj.h>

namespace tg::platform {

void addToRecentDocuments(const Text& path) {
    SHAddToRecentDocs(SHARD_PATHA, path.c_str());
}

} // namespace tg::platform
