#pragma once

#include "text/StringList.h"
#include "text/Text.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

namespace tg {

// A settings file larger than this is no settings file the program wrote: it is read as an
// unreadable one is (every read gives its default) and replaced by the first write.
inline constexpr std::uint64_t kSettingsFileLimit = std::uint64_t(1) << 20;

// Writes bytes to path as a whole, creating the file or replacing it; throws tg::Error naming the
// file and the reason. The program passes platform::replaceFile, which never leaves half a file.
using FileWriter = void (*)(const std::filesystem::path& path, TextView bytes);

// The settings file: an INI file read in place and written whole. Every read sees the file as it
// is now, and every write reaches the file at once, so two copies of the program never work on
// stale settings; the file is parsed again only when it has changed since it was last read or
// written. Section and key names match without regard to ASCII letter case; values are cp932
// bytes, kept unchanged.
class IniFile {
public:
    IniFile(std::filesystem::path path, FileWriter write);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const std::filesystem::path& path() const { return path_; }

    bool sectionExists(TextView section) const;
    // A value that is missing or not a valid decimal integer reads as the default.
    int readInteger(TextView section, TextView key, int defaultValue) const;
    Text readString(TextView section, TextView key, TextView defaultValue) const;
    // Key names of a section in file order; none when the section is missing.
    StringList readSection(TextView section) const;
    // The first count of those keys, each with the value readString gives for it.
    std::vector<std::pair<Text, Text>> readSectionValues(TextView section,
                                                         size_t count = SIZE_MAX) const;

    // A new key goes to the end of its section, an existing key is changed where it stands; the
    // file is created by the first write. Throws tg::Error when the file cannot be written.
    void writeInteger(TextView section, TextView key, int value);
    void writeString(TextView section, TextView key, TextView value);
    // Writes these keys as writeString does, in this order, in one write.
    void writeStrings(TextView section, const std::vector<std::pair<Text, Text>>& entries);
    // Replaces all keys of a section with these, in this order, in one write; the section keeps
    // its place in the file.
    void writeSection(TextView section, const std::vector<std::pair<Text, Text>>& entries);

private:
    struct State;
    State& current() const; // the file as it is now
    void writeSection(TextView section, const std::vector<std::pair<Text, Text>>& entries,
                      bool replaceAll);

    std::filesystem::path path_;
    FileWriter write_;
    std::unique_ptr<State> state_;
};

} // namespace tg
