#pragma once

#include "text/Text.h"

#include <cstddef>
#include <vector>

namespace tg {

// Half-width columns: a tab reaches the next multiple of this.
inline constexpr std::size_t kTabColumns = 8;

// The columns the bytes of one line take on screen: a byte is a half-width column (so a
// double-byte character takes two) and a tab reaches the next stop.
std::size_t columnsOf(TextView line);

// Where the lines of a text start, as a pane shows them: CR CR LF, CR LF, a lone CR and a lone LF
// each end a line, and a line end at the very end of the text opens no further line. It holds
// offsets only; the bytes stay the caller's.
class LineIndex {
public:
    // Indexes text afresh.
    void reset(TextView text);
    // Indexes what text holds beyond the part indexed before, which it must start with unchanged.
    void extend(TextView text);

    // At least 1: an empty text shows one empty line.
    std::size_t lineCount() const;
    std::size_t lineStart(std::size_t line) const { return starts_[line]; }
    // The end of the line's own bytes, before its line end.
    std::size_t lineEnd(TextView text, std::size_t line) const;
    TextView lineBytes(TextView text, std::size_t line) const {
        return text.substr(starts_[line], lineEnd(text, line) - starts_[line]);
    }
    // Columns of the widest line.
    std::size_t widestColumns() const { return widest_; }

private:
    void scan(TextView text, std::size_t from);

    // The start of every line, and the place after the last line end.
    std::vector<std::size_t> starts_{0};
    std::size_t indexed_ = 0;
    std::size_t widest_ = 0;
};

} // namespace tg
