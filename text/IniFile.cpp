#include "text/IniFile.h"

#include "text/Codec.h"
#include "text/Error.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

// Debian's SimpleIni is header-only once the implementation is asked for; the values are bytes,
// so no character conversion is wanted.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace tg {

namespace {

namespace fs = std::filesystem;

// Names compare as Windows compares them: ASCII letters without regard to case, but never the
// second byte of a double-byte character, many of which are ASCII letters.
struct Cp932NoCase {
    bool operator()(const char* left, const char* right) const {
        bool leftTrail = false;
        bool rightTrail = false;
        for (;; ++left, ++right) {
            unsigned char l = fold(*left, leftTrail);
            unsigned char r = fold(*right, rightTrail);
            if (l != r || l == 0)
                return l < r;
        }
    }

    static unsigned char fold(char c, bool& trail) {
        auto b = static_cast<unsigned char>(c);
        if (trail) {
            trail = false;
            return b;
        }
        trail = isCp932LeadByte(b);
        return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b - 'A' + 'a') : b;
    }
};

using Ini = CSimpleIniTempl<char, Cp932NoCase, SI_ConvertA<char>>;

// Duplicate keys stay as the file has them (the first one counts, as on Windows); values are
// single lines.
struct Document {
    Document() { ini.SetSpaces(false); }
    Ini ini{false, true, false};
    StringList droppedComments;
};

enum class Source { Missing, Loaded, Unreadable };

const char kSignature[] = "\xEF\xBB\xBF";

std::string utf8Path(const fs::path& path) {
    auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

Text describe(const char* what, const fs::path& path, int error = 0) {
    std::string text = std::string(what) + ": " + utf8Path(path);
    if (error != 0)
        text += std::string(" (") + std::strerror(error) + ")";
    return utf8ToCp932(text);
}

TextView trimLeft(TextView line) {
    size_t start = line.find_first_not_of(" \t");
    return start == TextView::npos ? TextView{} : line.substr(start);
}

bool isCommentLine(TextView line) {
    TextView rest = trimLeft(line);
    return !rest.empty() && (rest[0] == ';' || rest[0] == '#');
}

// A line the parser turns into a section or a key; anything else it skips.
bool isEntryLine(TextView line) {
    TextView rest = trimLeft(line);
    if (rest.empty() || rest[0] == ';' || rest[0] == '#')
        return false;
    if (rest[0] == '[')
        return rest.find(']') != TextView::npos;
    size_t equals = rest.find('=');
    return equals != TextView::npos && equals > 0;
}

// The parser keeps a comment only at the very start of the file or in front of an entry, so the
// comment lines after the last entry would be lost on the next write.
StringList commentsAfterLastEntry(TextView data) {
    if (data.substr(0, 3) == kSignature)
        data.remove_prefix(3);
    StringList lines = splitLines(data);
    size_t start = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (isEntryLine(lines[i]))
            start = i + 1;
    }
    if (start == 0) {
        // The file comment: comment lines from the first byte on.
        while (start < lines.size() && !lines[start].empty() &&
               (lines[start][0] == ';' || lines[start][0] == '#'))
            ++start;
    }
    StringList comments;
    for (size_t i = start; i < lines.size(); ++i) {
        if (isCommentLine(lines[i]))
            comments.push_back(lines[i]);
    }
    return comments;
}

// A line that opens a section but never closes it is no section, and the lines after it stay
// in the section before. The parser would instead name that section after everything up to the
// next key's '=', a name that grows each time the file is written; so the line goes.
void skipBrokenSectionLines(std::string& data) {
    size_t start = data.compare(0, 3, kSignature) == 0 ? 3 : 0;
    while (start < data.size()) {
        size_t end = data.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = data.size();
        TextView line = trimLeft(TextView(data).substr(start, end - start));
        if (!line.empty() && line[0] == '[' && line.find(']') == TextView::npos)
            std::fill(data.begin() + static_cast<std::ptrdiff_t>(start),
                      data.begin() + static_cast<std::ptrdiff_t>(end), ' ');
        start = end + 1;
    }
}

Source load(const fs::path& path, Document& doc) {
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found)
        return Source::Missing;
    if (ec || status.type() != fs::file_type::regular)
        return Source::Unreadable;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Source::Unreadable;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return Source::Unreadable;
    // The parser stops at the first NUL byte: what follows one (a crash can leave a run of them)
    // would be unseen by reads and gone after the next write. Such a byte reads as a blank.
    std::replace(data.begin(), data.end(), '\0', ' ');
    doc.droppedComments = commentsAfterLastEntry(data);
    skipBrokenSectionLines(data);
    if (doc.ini.LoadData(data) < 0)
        return Source::Unreadable;
    return Source::Loaded;
}

// The settings file ends its lines with CR LF as every file of the program does.
std::string render(const Document& doc) {
    std::string saved;
    doc.ini.Save(saved, false);
    std::string out;
    out.reserve(saved.size() + saved.size() / 8);
    for (size_t i = 0; i < saved.size(); ++i) {
        if (saved[i] == '\n' && (i == 0 || saved[i - 1] != '\r'))
            out += '\r';
        out += saved[i];
    }
    if (!out.empty() && !doc.droppedComments.empty())
        out += "\r\n";
    out += joinLinesCrLf(doc.droppedComments);
    // A section without a name has no header line, only the blank lines that would follow one.
    out.erase(0, std::min(out.find_first_not_of("\r\n"), out.size()));
    // The parser takes those three bytes at the very start for a signature; a key whose name
    // begins with them keeps its name behind one.
    if (out.compare(0, 3, kSignature) == 0)
        out.insert(0, kSignature);
    return out;
}

void store(const fs::path& path, const std::string& bytes) {
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw Error(describe("設定ファイルを作成できません", path, errno));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw Error(describe("設定ファイルに書き込めません", path, errno));
}

// What would break the line structure of the file cannot be written.
void checkWritable(TextView section, TextView key, TextView value, const fs::path& path) {
    auto breaksLine = [](TextView text) {
        return text.find_first_of(TextView("\r\n\0", 3)) != TextView::npos;
    };
    TextView keyStart = trimLeft(key);
    bool bad = breaksLine(section) || breaksLine(key) || breaksLine(value) ||
               section.find(']') != TextView::npos || key.find('=') != TextView::npos ||
               keyStart.empty() || keyStart[0] == ';' || keyStart[0] == '#' || keyStart[0] == '[';
    if (bad)
        throw Error(utf8ToCp932("設定ファイルに書けない名前か値です: " + utf8Path(path)));
}

std::optional<int> parseInteger(TextView text) {
    if (!text.empty() && text[0] == '+' && text.size() > 1 && text[1] != '-')
        text.remove_prefix(1);
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

} // namespace

IniFile::IniFile(std::filesystem::path path) : path_(std::move(path)) {}

bool IniFile::sectionExists(TextView section) const {
    Document doc;
    if (load(path_, doc) != Source::Loaded)
        return false;
    return doc.ini.GetSection(Text(section).c_str()) != nullptr;
}

int IniFile::readInteger(TextView section, TextView key, int defaultValue) const {
    Document doc;
    if (load(path_, doc) != Source::Loaded)
        return defaultValue;
    const char* value = doc.ini.GetValue(Text(section).c_str(), Text(key).c_str(), nullptr);
    if (!value)
        return defaultValue;
    return parseInteger(value).value_or(defaultValue);
}

Text IniFile::readString(TextView section, TextView key, TextView defaultValue) const {
    Document doc;
    if (load(path_, doc) != Source::Loaded)
        return Text(defaultValue);
    const char* value = doc.ini.GetValue(Text(section).c_str(), Text(key).c_str(), nullptr);
    return value ? Text(value) : Text(defaultValue);
}

StringList IniFile::readSection(TextView section) const {
    Document doc;
    if (load(path_, doc) != Source::Loaded)
        return {};
    const Ini::TKeyVal* keys = doc.ini.GetSection(Text(section).c_str());
    if (!keys)
        return {};
    std::vector<Ini::Entry> entries;
    for (const auto& [entry, value] : *keys)
        entries.push_back(entry);
    std::stable_sort(entries.begin(), entries.end(), Ini::Entry::LoadOrder());
    StringList names;
    for (const auto& entry : entries)
        names.emplace_back(entry.pItem);
    return names;
}

void IniFile::writeInteger(TextView section, TextView key, int value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeString(TextView section, TextView key, TextView value) {
    checkWritable(section, key, value, path_);
    Document doc;
    // A file that is there but cannot be read is not replaced by one holding only this key.
    if (load(path_, doc) == Source::Unreadable)
        throw Error(describe("設定ファイルを読み込めません", path_));

    Text sectionName(section);
    // An existing key keeps its spelling and its place; its duplicates, if any, go.
    Text keyName(key);
    if (const Ini::TKeyVal* keys = doc.ini.GetSection(sectionName.c_str())) {
        auto found = keys->find(Ini::Entry(keyName.c_str()));
        if (found != keys->end())
            keyName = found->first.pItem;
    }
    Text valueText(value);
    if (doc.ini.SetValue(sectionName.c_str(), keyName.c_str(), valueText.c_str(), nullptr, true) <
        0)
        throw Error(describe("設定ファイルに書き込めません", path_, ENOMEM));
    store(path_, render(doc));
}

} // namespace tg
