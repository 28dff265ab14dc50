#include "text/IniFile.h"

#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileName.h"
#include "text/FileProblem.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
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

enum class Source { Missing, Loaded, Unreadable, TooLarge };

// What tells one state of the file from another without reading it.
struct Identity {
    fs::file_type type = fs::file_type::none;
    std::uintmax_t size = 0;
    fs::file_time_type time{};
    bool operator==(const Identity&) const = default;
};

Identity identify(const fs::path& path) {
    std::error_code ec;
    Identity identity{fs::status(path, ec).type()};
    if (identity.type == fs::file_type::regular) {
        identity.size = fs::file_size(path, ec);
        identity.time = fs::last_write_time(path, ec);
    }
    return identity;
}

const char kSignature[] = "\xEF\xBB\xBF";

Text describe(const char* what, const fs::path& path, FileFailure failure) {
    return fileErrorMessage(what, fromNativePath(path), failure);
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
    std::vector<TextView> lines = splitLineViews(data);
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
            comments.emplace_back(lines[i]);
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

// Reads the file a second time only to fill the document from its bytes.
Source parse(std::string data, Document& doc) {
    // The parser stops at the first NUL byte: what follows one (a crash can leave a run of them)
    // would be unseen by reads and gone after the next write. Such a byte reads as a blank.
    std::replace(data.begin(), data.end(), '\0', ' ');
    doc.droppedComments = commentsAfterLastEntry(data);
    skipBrokenSectionLines(data);
    if (doc.ini.LoadData(data) < 0)
        return Source::Unreadable;
    return Source::Loaded;
}

Source load(const fs::path& path, const Identity& identity, Document& doc, FileFailure& why) {
    if (identity.type == fs::file_type::not_found)
        return Source::Missing;
    if (identity.type != fs::file_type::regular) {
        why = {identity.type == fs::file_type::directory ? FileProblem::IsFolder
                                                         : FileProblem::NotRegularFile,
               {}};
        return Source::Unreadable;
    }
    if (identity.size > kSettingsFileLimit)
        return Source::TooLarge;
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = failureFromErrno(errno);
        return Source::Unreadable;
    }
    // The file may have grown since it was measured; no more than the limit is read all the same.
    std::string data;
    char block[64 * 1024];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        data.append(block, static_cast<size_t>(in.gcount()));
        if (data.size() > kSettingsFileLimit)
            return Source::TooLarge;
    }
    if (in.bad()) {
        why = failureFromErrno(errno);
        return Source::Unreadable;
    }
    return parse(std::move(data), doc);
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

// The writer's words are those of any file; the settings file names itself as such, as it
// always has.
void store(FileWriter write, const fs::path& path, const std::string& bytes) {
    try {
        write(path, bytes);
    } catch (const Error& e) {
        const Text file = utf8ToCp932("ファイル");
        if (e.text().compare(0, file.size(), file) == 0)
            throw Error(utf8ToCp932("設定") + e.text());
        throw;
    }
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
        throw Error(describe("設定ファイルに書き込めません", path,
                             {FileProblem::Other, utf8ToCp932("行を壊す名前か値です")}));
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

struct IniFile::State {
    std::unique_ptr<Document> doc = std::make_unique<Document>();
    Source source = Source::Missing;
    FileFailure why;              // when the file is unreadable
    std::optional<Identity> seen; // the file the document was last read from or written to
};

IniFile::IniFile(std::filesystem::path path, FileWriter write)
    : path_(std::move(path)), write_(write), state_(std::make_unique<State>()) {}

IniFile::~IniFile() = default;

IniFile::State& IniFile::current() const {
    Identity now = identify(path_);
    if (!state_->seen || *state_->seen != now) {
        state_->doc = std::make_unique<Document>();
        state_->source = load(path_, now, *state_->doc, state_->why);
        state_->seen = now;
    }
    return *state_;
}

bool IniFile::sectionExists(TextView section) const {
    State& state = current();
    if (state.source != Source::Loaded)
        return false;
    return state.doc->ini.GetSection(Text(section).c_str()) != nullptr;
}

int IniFile::readInteger(TextView section, TextView key, int defaultValue) const {
    State& state = current();
    if (state.source != Source::Loaded)
        return defaultValue;
    const char* value = state.doc->ini.GetValue(Text(section).c_str(), Text(key).c_str(), nullptr);
    if (!value)
        return defaultValue;
    return parseInteger(value).value_or(defaultValue);
}

Text IniFile::readString(TextView section, TextView key, TextView defaultValue) const {
    State& state = current();
    if (state.source != Source::Loaded)
        return Text(defaultValue);
    const char* value = state.doc->ini.GetValue(Text(section).c_str(), Text(key).c_str(), nullptr);
    return value ? Text(value) : Text(defaultValue);
}

StringList IniFile::readSection(TextView section) const {
    StringList names;
    for (auto& [key, value] : readSectionValues(section))
        names.push_back(std::move(key));
    return names;
}

std::vector<std::pair<Text, Text>> IniFile::readSectionValues(TextView section,
                                                              size_t count) const {
    State& state = current();
    if (state.source != Source::Loaded)
        return {};
    Text sectionName(section);
    const Ini::TKeyVal* keys = state.doc->ini.GetSection(sectionName.c_str());
    if (!keys)
        return {};
    // The first keys in file order, found without sorting them all.
    std::vector<Ini::Entry> entries;
    for (const auto& [entry, value] : *keys)
        entries.push_back(entry);
    count = std::min(count, entries.size());
    std::partial_sort(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(count),
                      entries.end(), Ini::Entry::LoadOrder());
    std::vector<std::pair<Text, Text>> values;
    values.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        // A key repeated by hand reads as its first value, wherever it stands.
        const char* value = state.doc->ini.GetValue(sectionName.c_str(), entries[i].pItem, "");
        values.emplace_back(entries[i].pItem, value);
    }
    return values;
}

void IniFile::writeInteger(TextView section, TextView key, int value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeString(TextView section, TextView key, TextView value) {
    writeSection(section, {{Text(key), Text(value)}}, false);
}

void IniFile::writeStrings(TextView section, const std::vector<std::pair<Text, Text>>& entries) {
    writeSection(section, entries, false);
}

void IniFile::writeSection(TextView section, const std::vector<std::pair<Text, Text>>& entries) {
    writeSection(section, entries, true);
}

void IniFile::writeSection(TextView section, const std::vector<std::pair<Text, Text>>& entries,
                           bool replaceAll) {
    for (const auto& [key, value] : entries)
        checkWritable(section, key, value, path_);
    State& state = current();
    // A file that is there but cannot be read is not replaced by one holding only these keys; one
    // too large to be a settings file is.
    if (state.source == Source::Unreadable)
        throw Error(describe("設定ファイルを読み込めません", path_, state.why));
    if (state.source == Source::TooLarge)
        state.doc = std::make_unique<Document>();
    Ini& ini = state.doc->ini;

    Text sectionName(section);
    if (replaceAll) {
        if (const Ini::TKeyVal* keys = ini.GetSection(sectionName.c_str())) {
            StringList names;
            for (const auto& [entry, value] : *keys)
                names.emplace_back(entry.pItem);
            for (const Text& name : names)
                ini.Delete(sectionName.c_str(), name.c_str(), false);
        } else {
            ini.SetValue(sectionName.c_str(), nullptr, nullptr);
        }
    }
    for (const auto& [key, value] : entries) {
        // An existing key keeps its spelling and its place; its duplicates, if any, go.
        Text keyName(key);
        if (const Ini::TKeyVal* keys = ini.GetSection(sectionName.c_str())) {
            auto found = keys->find(Ini::Entry(keyName.c_str()));
            if (found != keys->end())
                keyName = found->first.pItem;
        }
        if (ini.SetValue(sectionName.c_str(), keyName.c_str(), value.c_str(), nullptr, true) < 0)
            throw Error(
                describe("設定ファイルに書き込めません", path_, {FileProblem::OutOfMemory, {}}));
    }
    std::string bytes = render(*state.doc);
    // The document is read again from what was written, so that what reads see from now on is
    // what the next start will see.
    state.seen.reset();
    store(write_, path_, bytes);
    auto written = std::make_unique<Document>();
    state.source = parse(bytes, *written);
    state.doc = std::move(written);
    state.seen = identify(path_);
}

} // namespace tg
