#include "text/LineIndex.h"

#include "text/LargeBuffers.h"

#include <algorithm>
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

} // namespace tg
