#include "platform/ProgramFiles.h"

#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace tg {

namespace fs = std::filesystem;

namespace {

// Whether a file can be created in folder, found by creating one: permission bits tell nothing of
// Windows' access lists, of read-only mounts or of what an administrator may do.
bool canCreateFileIn(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return false;
    const fs::path probe =
        folder / (".tginfo-write-test-" + std::to_string(std::random_device{}()) + ".tmp");
    bool created = false;
    {
        std::ofstream out(probe, std::ios::binary | std::ios::app);
        created = out.is_open();
    }
    if (created)
        fs::remove(probe, ec);
    return created;
}

} // namespace

fs::path settingsFileToRead(const fs::path& executable, const fs::path& userFolder) {
    fs::path beside = fs::path(executable).replace_extension(".INI");
    if (userFolder.empty() || canCreateFileIn(beside.parent_path()))
        return beside;
    return userFolder / beside.filename();
}

fs::path settingsFilePath(const fs::path& executable, const fs::path& userFolder) {
    fs::path path = settingsFileToRead(executable, userFolder);
    if (path != fs::path(executable).replace_extension(".INI")) {
        std::error_code ec;
        fs::create_directories(userFolder, ec);
    }
    return path;
}

fs::path helpFilePath(const fs::path& executable) {
    fs::path beside = fs::path(executable).replace_extension(".chm");
    std::error_code ec;
    if (fs::is_regular_file(beside, ec))
        return beside;
    fs::path installed =
        executable.parent_path().parent_path() / "share" / "tginfo" / beside.filename();
    return fs::is_regular_file(installed, ec) ? installed : beside;
}

} // namespace tg
