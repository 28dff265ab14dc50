#pragma once

#include "text/Text.h"

#include <string>

namespace tg::platform {

// Turns the bytes a POSIX program writes into what a Japanese Windows console would have
// written: UTF-8 becomes code page 932 ('?' where it has no character), bytes that are not valid
// UTF-8 pass unchanged, and a line feed not preceded by a carriage return becomes CR LF. A
// character split across two reads is held back until its last byte arrives.
class ConsoleOutput {
public:
    void convert(std::string_view bytes, Text& out);
    // The output has ended: what was held back passes unchanged.
    void finish(Text& out);

private:
    void convertWhole(std::string_view bytes, Text& out);

    std::string held_;
    bool afterCr_ = false;
};

} // namespace tg::platform
