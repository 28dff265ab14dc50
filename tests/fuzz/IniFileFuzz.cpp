#include "platform/Files.h"
#include "text/IniFile.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

// Any bytes as a settings file: reads never fail, a write lands and reads back, the key written
// stands once, and writing the same value over and over settles (nothing grows).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const struct Scratch {
        std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("tg_fuzz_" + std::to_string(getpid()) + ".INI");
        ~Scratch() { std::filesystem::remove(path); }
    } scratch;
    const std::filesystem::path& path = scratch.path;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    tg::IniFile ini(path, tg::platform::replaceFile);
    (void)ini.sectionExists("POSITION");
    (void)ini.readInteger("POSITION", "TOP", 0);
    (void)ini.readString("HISTORY", "FILE0", "");
    tg::StringList before = ini.readSection("HISTORY");

    ini.writeString("HISTORY", "FILE0", "C:\\\x95\x5C.txt");
    if (ini.readString("HISTORY", "FILE0", "") != "C:\\\x95\x5C.txt")
        std::abort();
    int count = 0;
    for (const auto& key : ini.readSection("history"))
        count += (key == "FILE0" || key == "file0" || key == "File0") ? 1 : 0;
    if (count > 1 || ini.readSection("HISTORY").size() > before.size() + 1)
        std::abort();

    // The first write may still tidy the layout; from the second on nothing changes.
    ini.writeString("HISTORY", "FILE0", "C:\\\x95\x5C.txt");
    std::string settled = readAll(path);
    ini.writeString("HISTORY", "FILE0", "C:\\\x95\x5C.txt");
    if (readAll(path) != settled)
        std::abort();
    return 0;
}
