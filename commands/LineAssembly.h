#pragma once

#include "text/LineIndex.h"
#include "text/Text.h"

#include <string_view>
#include <vector>

namespace tg {

// Cuts a command's output into the lines the pane shows. A line feed completes a line; an empty
// buffer yields no line (so a line feed after a line feed adds nothing); one trailing carriage
// return is dropped from each line. Lines go straight from the bytes read into the batch; only a
// line that a read cut in two is gathered first.
class LineAssembly {
public:
    void feed(std::string_view bytes, LineBatch& lines);
    // The output has ended: a non-empty partial line becomes the last line.
    void finish(LineBatch& lines);
    // An error ends the output: its text takes the place of the partial line.
    void replacePartial(Text text) { buffer_ = std::move(text); }

private:
    static void complete(std::string_view line, LineBatch& lines);

    Text buffer_;
};

// Position of a progress bar (0..250 in steps of 10) after steps; a step past 250 starts over.
int progressAfterSteps(int position, size_t steps);

} // namespace tg
