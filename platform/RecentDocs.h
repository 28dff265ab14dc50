#pragma once

#include <filesystem>

namespace tg::platform {

// Tells the desktop that the document at path was just saved or opened, so that it shows
// up among the user's recent files. What the desktop makes of it is its own affair; failures are
// not reported.
void addToRecentDocuments(const std::filesystem::path& path);

} // namespace tg::platform
