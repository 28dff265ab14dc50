#pragma once

#include "text/Text.h"

#include <stdexcept>

namespace tg {

// The one error type of file, INI and list failures. The message is cp932 text and is what the
// application's general error handler shows.
class Error : public std::runtime_error {
public:
    explicit Error(Text message) : std::runtime_error(message), text_(std::move(message)) {}
    const Text& text() const noexcept { return text_; }

private:
    Text text_;
};

} // namespace tg
