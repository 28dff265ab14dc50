#include "commands/Latency.h"

#include "commands/ViewCatalogue.h"
#include "text/Codec.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace tg {

namespace {

// The parsing works on the decoded line (UTF-8, as this file is written), so that no byte sequence
// is taken for a word across the boundaries of double-byte characters.
using Utf8 = std::string_view;

constexpr Utf8 kIdeographicSpace = "　";

size_t skipBlanks(Utf8 s, size_t p) {
    for (;;) {
        if (p < s.size() && (s[p] == ' ' || s[p] == '\t'))
            ++p;
        else if (s.substr(p, 3) == kIdeographicSpace)
            p += 3;
        else
            return p;
    }
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A decimal number such as 12 or 0.045; p moves past it.
std::optional<double> number(Utf8 s, size_t& p) {
    size_t start = p;
    double value = 0;
    while (p < s.size() && isDigit(s[p]) && p - start < 9)
        value = value * 10 + (s[p++] - '0');
    if (p == start || (p < s.size() && isDigit(s[p])))
        return std::nullopt;
    if (p + 1 < s.size() && s[p] == '.' && isDigit(s[p + 1])) {
        double scale = 0.1;
        for (++p; p < s.size() && isDigit(s[p]); ++p, scale /= 10)
            value += (s[p] - '0') * scale;
    }
    return value;
}

// "[<]N ms" at p, blanks allowed before the unit.
std::optional<RoundTrip> timeAt(Utf8 s, size_t& p, bool lessAllowed) {
    RoundTrip trip;
    if (lessAllowed && p < s.size() && s[p] == '<') {
        trip.under = true;
        p = skipBlanks(s, p + 1);
    }
    auto ms = number(s, p);
    if (!ms)
        return std::nullopt;
    p = skipBlanks(s, p);
    if (s.substr(p, 2) != "ms" || (p + 2 < s.size() && isLetter(s[p + 2])))
        return std::nullopt;
    p += 2;
    trip.ms = *ms;
    return trip;
}

// "時間=12ms", "時間 <1ms", "time=12ms", "time=0.045 ms".
std::optional<RoundTrip> replyTime(Utf8 s) {
    for (Utf8 word : {Utf8("時間"), Utf8("time")}) {
        for (size_t at = s.find(word); at != Utf8::npos; at = s.find(word, at + 1)) {
            if (word == "time" && at > 0 && isLetter(s[at - 1]))
                continue;
            size_t p = skipBlanks(s, at + word.size());
            if (p >= s.size() || (s[p] != '=' && s[p] != '<'))
                continue;
            bool under = s[p] == '<';
            p = skipBlanks(s, p + 1);
            if (auto trip = timeAt(s, p, false)) {
                trip->under = under;
                return trip;
            }
        }
    }
    return std::nullopt;
}

// What ping prints in place of a reply, without the final full stop: a timeout, or an error that
// came back instead (which ping's statistics count as received).
constexpr std::array<Utf8, 2> kTimeouts = {"タイムアウトしました", "timed out"};
constexpr std::array<Utf8, 6> kErrorAnswers = {
    "到達できません", "期限切れになりました", "一般エラーです",
    "unreachable",    "expired in transit",   "General failure",
};

enum class NoReply { None, Timeout, ErrorAnswer };

NoReply noReply(Utf8 s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    constexpr Utf8 kJapaneseStop = "。";
    if (s.ends_with(kJapaneseStop))
        s.remove_suffix(kJapaneseStop.size());
    else if (s.ends_with('.'))
        s.remove_suffix(1);
    auto endsWithOne = [s](const auto& phrases) {
        return std::any_of(phrases.begin(), phrases.end(),
                           [s](Utf8 phrase) { return s.ends_with(phrase); });
    };
    return endsWithOne(kTimeouts)       ? NoReply::Timeout
           : endsWithOne(kErrorAnswers) ? NoReply::ErrorAnswer
                                        : NoReply::None;
}

// Quick looks at the cp932 bytes that pass every line the parsers could take, so that a flood of
// other lines costs no decoding. An ASCII byte in cp932 is the character itself and a phrase's
// bytes are the same wherever it stands; a double-byte character whose second byte matches may
// let a line through, which the parser then turns down.
bool mayBePingLine(TextView line) {
    if (line.find("ms") != TextView::npos)
        return true;
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    static const std::vector<Text> endings = [] {
        std::vector<Text> out;
        for (Utf8 phrase : kTimeouts)
            out.push_back(utf8ToCp932(phrase));
        for (Utf8 phrase : kErrorAnswers)
            out.push_back(utf8ToCp932(phrase));
        return out;
    }();
    static const Text japaneseStop = utf8ToCp932("。");
    if (line.ends_with(japaneseStop))
        line.remove_suffix(japaneseStop.size());
    else if (line.ends_with('.'))
        line.remove_suffix(1);
    // Most lines end in a byte that no phrase ends in.
    static const std::array<bool, 256> lastBytes = [] {
        std::array<bool, 256> out{};
        for (const Text& ending : endings)
            out[static_cast<unsigned char>(ending.back())] = true;
        return out;
    }();
    if (line.empty() || !lastBytes[static_cast<unsigned char>(line.back())])
        return false;
    return std::any_of(endings.begin(), endings.end(),
                       [line](const Text& ending) { return line.ends_with(ending); });
}

// A hop's line starts with its number after blanks, the ideographic space among them.
bool mayBeHopLine(TextView line) {
    constexpr TextView space = "\x81\x40"; // cp932's ideographic space
    size_t p = 0;
    for (;;) {
        if (p < line.size() && (line[p] == ' ' || line[p] == '\t'))
            ++p;
        else if (line.substr(p, 2) == space)
            p += 2;
        else
            return p < line.size() && isDigit(line[p]);
    }
}

} // namespace

LatencyKind latencyKindOf(int slot) {
    const TextView word = slotInfo(slot).command;
    return word == "ping"      ? LatencyKind::Ping
           : word == "tracert" ? LatencyKind::Trace
                               : LatencyKind::None;
}

std::optional<RoundTrip> parsePingLine(TextView line) {
    if (!mayBePingLine(line))
        return std::nullopt;
    const std::string s = cp932ToUtf8(line);
    if (auto trip = replyTime(s))
        return trip;
    if (NoReply no = noReply(s); no != NoReply::None)
        return RoundTrip{true, 0, false, no == NoReply::ErrorAnswer};
    return std::nullopt;
}

std::optional<Hop> parseHopLine(TextView line) {
    if (!mayBeHopLine(line))
        return std::nullopt;
    const std::string s = cp932ToUtf8(line);
    size_t p = skipBlanks(s, 0);
    Hop hop;
    size_t start = p;
    while (p < s.size() && isDigit(s[p]) && p - start < 3)
        hop.number = hop.number * 10 + (s[p++] - '0');
    if (p == start || hop.number == 0 || skipBlanks(s, p) == p)
        return std::nullopt;
    while (hop.probes.size() < 3) {
        size_t q = skipBlanks(s, p);
        if (q < s.size() && s[q] == '*') {
            hop.probes.push_back({true, 0, false});
            p = q + 1;
        } else if (auto trip = timeAt(s, q, true)) {
            hop.probes.push_back(*trip);
            p = q;
        } else {
            break;
        }
        if (p < s.size() && skipBlanks(s, p) == p)
            return std::nullopt; // "*x" or "5msx": not a probe
    }
    if (hop.probes.empty())
        return std::nullopt;
    Utf8 rest = Utf8(s).substr(skipBlanks(s, p));
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t'))
        rest.remove_suffix(1);
    hop.host = utf8ToCp932(rest);
    return hop;
}

void LatencyRecord::reset(LatencyKind kind) {
    kind_ = kind;
    replies_.clear();
    hops_.clear();
}

void LatencyRecord::addLine(TextView line) {
    if (kind_ == LatencyKind::Ping) {
        if (auto trip = parsePingLine(line))
            replies_.push_back(*trip);
    } else if (kind_ == LatencyKind::Trace) {
        if (auto hop = parseHopLine(line))
            hops_.push_back(std::move(*hop));
    }
}

void LatencyRecord::addText(TextView text) {
    if (kind_ == LatencyKind::None)
        return;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == TextView::npos)
            end = text.size();
        if (end > start)
            addLine(text.substr(start, end - start));
        start = end + 1;
    }
}

PingSummary LatencyRecord::summary() const {
    PingSummary sum;
    double total = 0;
    for (const RoundTrip& trip : replies_) {
        ++sum.sent;
        if (trip.answered)
            ++sum.received;
        if (trip.lost)
            continue;
        double v = trip.value();
        sum.minimum = sum.timed == 0 ? v : std::min(sum.minimum, v);
        sum.maximum = sum.timed == 0 ? v : std::max(sum.maximum, v);
        total += v;
        ++sum.received;
        ++sum.timed;
    }
    if (sum.timed > 0)
        sum.average = total / sum.timed;
    return sum;
}

} // namespace tg
