#include "text/LineIndex.h"

#include "text/LargeBuffers.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tg {

namespace {

// memchr from at to end, npos-free: end when the byte is not there.
std::size_t find(TextView text, char byte, std::size_t at, std::size_t end) {
    if (at >= end)
        return end;
    const void* found = std::memchr(text.data() + at, byte, end - at);
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) : end;
}

// The columns of a line without CR or LF, from eight bytes at a time where none is a control
// byte; nothing when it has a CR or LF.
bool plainColumns(TextView line, std::size_t& columns) {
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    const std::size_t size = line.size();
    std::size_t at = 0;
    std::size_t column = 0;
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    while (at < size) {
        if (size - at >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p + at, 8);
            // Is any byte below 0x0E (tab, LF, CR and others)?
            if (((word - kOnes * 0x0E) & ~word & kHighs) == 0) {
                at += 8;
                column += 8;
                continue;
            }
        }
        const unsigned char c = p[at++];
        if (c == '\r' || c == '\n')
            return false;
        column = c == '\t' ? (column / kTabColumns + 1) * kTabColumns : column + 1;
    }
    columns = column;
    return true;
}

} // namespace

std::size_t columnsOf(TextView line) {
    std::size_t column = 0;
    std::size_t at = 0;
    for (;;) {
        const std::size_t tab = find(line, '\t', at, line.size());
        column += tab - at;
        if (tab == line.size())
            return column;
        column = (column / kTabColumns + 1) * kTabColumns;
        at = tab + 1;
    }
}

void LineIndex::reset(TextView text) {
    starts_ = std::vector<std::size_t>(1, 0); // and the room of a longer text goes
    indexed_ = 0;
    widest_ = 0;
    scan(text, 0);
}

void LineIndex::extend(TextView text) {
    // A lone CR at the old end may be the start of a CR LF or CR CR LF: those lines are read
    // again.
    std::size_t from = indexed_;
    while (starts_.size() > 1 && starts_.back() == from && text[from - 1] == '\r') {
        starts_.pop_back();
        --from;
    }
    scan(text, from);
}

void LineIndex::clear() {
    starts_.resize(1);
    indexed_ = 0;
    widest_ = 0;
}

bool LineIndex::atLineStart(TextView text) const {
    return indexed_ == 0 || (starts_.back() == indexed_ && text[indexed_ - 1] == '\n');
}

void LineIndex::extendByLine(TextView text) {
    std::size_t columns = 0;
    if (text.size() < indexed_ + 2 || !atLineStart(text) ||
        !plainColumns(text.substr(indexed_, text.size() - 2 - indexed_), columns)) {
        extend(text);
        return;
    }
    widest_ = std::max(widest_, columns);
    reserveGrowing(starts_, starts_.size() + 1);
    starts_.push_back(text.size());
    indexed_ = text.size();
}

void LineIndex::prepareRoom(std::size_t lines) {
    tg::prepareRoom(starts_, lines);
}

void LineIndex::extendBy(TextView text, const LineIndex& tail) {
    const std::size_t base = indexed_;
    if (!atLineStart(text) || text.size() != base + tail.indexed_) {
        extend(text);
        return;
    }
    reserveGrowing(starts_, starts_.size() + tail.starts_.size() - 1);
    for (auto start = tail.starts_.begin() + 1; start != tail.starts_.end(); ++start)
        starts_.push_back(base + *start);
    widest_ = std::max(widest_, tail.widest_);
    indexed_ = text.size();
}

void LineIndex::scan(TextView text, std::size_t from) {
    const std::size_t size = text.size();
    std::size_t at = from;
    std::size_t lf = 0; // the next LF at or after at, or size
    bool lfKnown = false;
    for (;;) {
        if (!lfKnown || lf < at) {
            lf = find(text, '\n', at, size);
            lfKnown = true;
        }
        const std::size_t cr = find(text, '\r', at, lf);
        std::size_t end = cr;
        std::size_t next;
        if (cr < lf) {
            if (cr + 1 < size && text[cr + 1] == '\n')
                next = cr + 2;
            else if (cr + 2 < size && text[cr + 1] == '\r' && text[cr + 2] == '\n')
                next = cr + 3;
            else
                next = cr + 1;
        } else if (lf < size) {
            end = lf;
            next = lf + 1;
        } else {
            break;
        }
        widest_ = std::max(widest_, columnsOf(text.substr(starts_.back(), end - starts_.back())));
        reserveGrowing(starts_, starts_.size() + 1);
        starts_.push_back(next);
        at = next;
    }
    widest_ = std::max(widest_, columnsOf(text.substr(starts_.back())));
    indexed_ = size;
}

std::size_t LineIndex::lineCount() const {
    std::size_t count = starts_.size();
    return count > 1 && starts_.back() == indexed_ ? count - 1 : count;
}

std::size_t LineIndex::lineEnd(TextView text, std::size_t line) const {
    if (line + 1 >= starts_.size())
        return indexed_;
    const std::size_t start = starts_[line];
    std::size_t end = starts_[line + 1] - 1; // the LF, or a lone CR
    if (text[end] == '\n') {
        for (int i = 0; i < 2 && end > start && text[end - 1] == '\r'; ++i)
            --end;
    }
    return end;
}

LineBatch::LineBatch(std::initializer_list<TextView> lines) {
    for (TextView line : lines)
        add(line);
}

void LineBatch::add(TextView line) {
    bytes_.append(line);
    bytes_.append("\r\n", 2);
    index_.extendByLine(bytes_);
    ++lines_;
}

void LineBatch::clear() {
    bytes_.clear();
    index_.clear();
    lines_ = 0;
}

std::vector<Text> LineBatch::lines() const {
    std::vector<Text> out;
    out.reserve(lines_);
    forEachLine([&](TextView line) { out.emplace_back(line); });
    return out;
}

} // namespace tg
