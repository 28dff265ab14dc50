#pragma once

#include "text/StringList.h"
#include "text/Text.h"

#include <filesystem>

namespace tg {

// The settings file: an INI file read and written in place. Every read sees the file as it is
// now, and every write reaches the file at once, so two copies of the program never work on
// stale settings. Section and key names match without regard to ASCII letter case; values are
// cp932 bytes, kept unchanged.
class IniFile {
public:
    explicit IniFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }

    bool sectionExists(TextView section) const;
    // A value that is missing or not a valid decimal integer reads as the default.
    int readInteger(TextView section, TextView key, int defaultValue) const;
    Text readString(TextView section, TextView key, TextView defaultValue) const;
    // Key names of a section in file order; none when the section is missing.
    StringList readSection(TextView section) const;

    // A new key goes to the end of its section, an existing key is changed where it stands; the
    // file is created by the first write. Throws tg::Error when the file cannot be written.
    void writeInteger(TextView section, TextView key, int value);
    void writeString(TextView section, TextView key, TextView value);

private:
    std::filesystem::path path_;
};

} // namespace tg
