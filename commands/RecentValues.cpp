#include "commands/RecentValues.h"

#include <algorithm>
#include <string>

namespace tg {

namespace {

bool sameName(TextView a, TextView b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

} // namespace

RecentValues::RecentValues(Text section, Text keyPrefix)
    : section_(std::move(section)), keyPrefix_(std::move(keyPrefix)) {}

Text RecentValues::key(size_t index) const {
    return keyPrefix_ + std::to_string(index);
}

void RecentValues::load(const IniFile& ini) {
    values_.clear();
    stored_ = {};
    // The numbers give the order, wherever the keys stand in the section.
    const StringList names = ini.readSection(section_);
    for (size_t i = 0; i < kLimit; ++i) {
        const Text name = key(i);
        if (std::none_of(names.begin(), names.end(),
                         [&](const Text& n) { return sameName(n, name); }))
            continue;
        stored_[i] = ini.readString(section_, name, "");
        const Text& value = stored_[i];
        if (!value.empty() && std::find(values_.begin(), values_.end(), value) == values_.end())
            values_.push_back(value);
    }
}

bool RecentValues::add(const Text& value) {
    if (value.empty() || value.find_first_of(TextView("\r\n\0", 3)) != Text::npos)
        return false;
    if (!values_.empty() && values_.front() == value)
        return false;
    auto found = std::find(values_.begin(), values_.end(), value);
    if (found != values_.end())
        values_.erase(found);
    values_.insert(values_.begin(), value);
    if (values_.size() > kLimit)
        values_.resize(kLimit);
    return true;
}

void RecentValues::save(IniFile& ini) {
    for (size_t i = 0; i < kLimit; ++i) {
        const Text wanted = i < values_.size() ? values_[i] : Text();
        if (stored_[i] == wanted)
            continue;
        ini.writeString(section_, key(i), wanted);
        stored_[i] = wanted;
    }
}

} // namespace tg
