#pragma once

#include "text/IniFile.h"
#include "text/Text.h"

#include <array>
#include <vector>

namespace tg {

// The values an input box held when earlier runs started, newest first, each once (compared byte
// by byte), kept in a section of their own in the settings file as <prefix>0 to <prefix>19.
class RecentValues {
public:
    static constexpr size_t kLimit = 20;

    RecentValues(Text section, Text keyPrefix);

    // Takes the list from the settings file. A hand-edited section loses only what cannot be a
    // suggestion: keys of other names, empty values, repeats.
    void load(const IniFile& ini);

    // Puts the value first and drops the oldest beyond the limit. False when nothing changed:
    // the value was empty, could not be kept in the file (a line break), or was first already.
    bool add(const Text& value);

    // Writes the keys whose values differ from what the file holds. Throws tg::Error when the
    // file cannot be written.
    void save(IniFile& ini);

    const std::vector<Text>& values() const { return values_; }

private:
    Text key(size_t index) const;

    Text section_;
    Text keyPrefix_;
    std::vector<Text> values_;
    std::array<Text, kLimit> stored_; // what the file holds under each key
};

} // namespace tg
