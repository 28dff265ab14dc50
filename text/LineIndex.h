#pragma once

#include "text/Text.h"

#include <cstddef>
#include <initializer_list>
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
    // As extend, where text gained one line followed by CR LF: a line without CR or LF after a
    // complete line end is indexed in one pass over its bytes.
    void extendByLine(TextView text);
    // As extend, where text gained the bytes that tail indexes.
    void extendBy(TextView text, const LineIndex& tail);
    // Back to an empty text, keeping the room.
    void clear();
    // Makes room for that many more lines and gives it memory (see tg::prepareRoom).
    void prepareRoom(std::size_t lines);

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
    // The last line end is complete: nothing appended can change where the lines so far end.
    bool atLineStart(TextView text) const;

    // The start of every line, and the place after the last line end.
    std::vector<std::size_t> starts_{0};
    std::size_t indexed_ = 0;
    std::size_t widest_ = 0;
};

// Lines on their way from a command to a pane, held as the pane holds them: each line's bytes
// followed by CR LF, with the pane's index of them made in the same pass. A batch is cleared and
// filled again, so that its room serves every handover of a run.
class LineBatch {
public:
    LineBatch() = default;
    explicit LineBatch(std::initializer_list<TextView> lines);

    // A line's bytes, without a line feed.
    void add(TextView line);
    void clear();

    bool empty() const { return lines_ == 0; }
    // The lines added.
    std::size_t lineCount() const { return lines_; }
    const Text& bytes() const { return bytes_; }
    const LineIndex& index() const { return index_; }

    // Calls f with each line as it was added.
    template <typename F> void forEachLine(F f) const {
        const TextView all = bytes_;
        // Where no line holds a CR of its own, the index has a line for each one added, each
        // followed by the CR LF that add put there.
        if (index_.lineCount() == lines_) {
            for (std::size_t n = 0; n < lines_; ++n) {
                const std::size_t from = index_.lineStart(n);
                const std::size_t next = n + 1 < lines_ ? index_.lineStart(n + 1) : all.size();
                f(all.substr(from, next - 2 - from));
            }
            return;
        }
        std::size_t start = 0;
        for (std::size_t n = 0; n < lines_; ++n) {
            const std::size_t end = all.find('\n', start); // after the CR that add put there
            f(all.substr(start, end - 1 - start));
            start = end + 1;
        }
    }
    std::vector<Text> lines() const;

private:
    Text bytes_;
    LineIndex index_;
    std::size_t lines_ = 0;
};

} // namespace tg
