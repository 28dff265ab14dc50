#include "documents/History.h"
#include "platform/Files.h"
#include "text/Error.h"
#include "text/FileName.h"
#include "text/IniFile.h"
#include "text/StringList.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

// Any bytes as the settings file, then what the program does with it: the history is shown, a
// document's path goes to its head, the window position is read and written back. Nothing the
// program uses may be lost on the way: other sections keep their keys and values, the history
// the older entries it shows, in order, and keeps nothing else; an update that changes nothing
// settles: the file stops changing.

namespace {

using tg::StringList;
using tg::Text;

const Text kPath = "C:\\docs\\\x95\x5C\x8E\xA6.txt"; // a trail byte 0x5C, as in a real name

std::filesystem::path settingsPath() {
    return std::filesystem::temp_directory_path() /
           ("tg_fuzz_history_" + std::to_string(::getpid()) + ".INI");
}

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A section's keys and values in file order, as reads see them: of keys repeated by hand only
// the first counts (a write may gather the others behind it).
StringList entries(const tg::IniFile& ini, const char* section) {
    StringList keys;
    for (const Text& key : ini.readSection(section)) {
        if (!tg::indexOfIgnoreCase(keys, key))
            keys.push_back(key);
    }
    StringList out;
    for (const Text& key : keys)
        out.push_back(key + "=" + ini.readString(section, key, "<none>"));
    return out;
}

struct Position {
    bool exists;
    int top, left, height, width;
    bool operator==(const Position&) const = default;
};

Position readPosition(const tg::IniFile& ini) {
    return {ini.sectionExists("POSITION"), ini.readInteger("POSITION", "TOP", 0),
            ini.readInteger("POSITION", "LEFT", 0), ini.readInteger("POSITION", "HEIGHT", 400),
            ini.readInteger("POSITION", "WIDTH", 600)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path path = settingsPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    tg::IniFile ini(path, tg::platform::replaceFile);

    const Position position = readPosition(ini);
    const StringList positionBefore = entries(ini, "POSITION");
    const StringList otherBefore = entries(ini, "OTHER");
    // The File menu shows the first five keys, repeated ones too.
    if (tg::readHistory(ini).size() !=
        std::min(ini.readSection("HISTORY").size(), size_t(tg::kHistorySize)))
        std::abort();
    StringList expected{kPath};
    for (const Text& key : ini.readSection("HISTORY")) {
        Text value = ini.readString("HISTORY", key, "");
        if (value != kPath)
            expected.push_back(value);
    }
    if (expected.size() > tg::kHistorySize)
        expected.resize(tg::kHistorySize);

    const std::string before = fileBytes(path);
    try {
        tg::addToHistory(ini, tg::toNativePath(kPath));
    } catch (const tg::Error& error) {
        // Refused with a message, and the file is as it was.
        if (error.text().empty() || fileBytes(path) != before)
            std::abort();
        return 0;
    }
    // The section is the five entries the menu shows, under the keys the program writes.
    StringList shown;
    for (size_t i = 0; i < expected.size(); ++i)
        shown.push_back("FILE" + std::to_string(i) + "=" + expected[i]);
    if (entries(ini, "HISTORY") != shown || tg::readHistory(ini).size() != expected.size())
        std::abort();
    if (readPosition(ini) != position || entries(ini, "POSITION") != positionBefore ||
        entries(ini, "OTHER") != otherBefore)
        std::abort();

    // The same update again keeps the same entries, and from then on writes the same bytes: the
    // first write of a file may still tidy its layout (a file comment gets its blank line).
    tg::addToHistory(ini, tg::toNativePath(kPath));
    if (entries(ini, "HISTORY") != shown)
        std::abort();
    const std::string settled = fileBytes(path);
    tg::addToHistory(ini, tg::toNativePath(kPath));
    if (fileBytes(path) != settled)
        std::abort();

    // The window position as the main window writes it when it closes.
    const StringList history = entries(ini, "HISTORY");
    ini.writeInteger("POSITION", "TOP", -12);
    ini.writeInteger("POSITION", "WIDTH", 708);
    const Position written = readPosition(ini);
    if (!written.exists || written.top != -12 || written.width != 708 ||
        written.left != position.left || written.height != position.height ||
        entries(ini, "HISTORY") != history || entries(ini, "OTHER") != otherBefore)
        std::abort();
    return 0;
}
