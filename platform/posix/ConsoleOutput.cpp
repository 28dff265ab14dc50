#include "platform/posix/ConsoleOutput.h"

#include "text/Codec.h"

namespace tg::platform {

void ConsoleOutput::convert(std::string_view bytes, Text& out) {
    if (held_.empty()) {
        convertWhole(bytes, out);
        return;
    }
    std::string joined = std::move(held_);
    held_.clear();
    joined.append(bytes);
    convertWhole(joined, out);
}

void ConsoleOutput::finish(Text& out) {
    out += held_;
    if (!held_.empty())
        afterCr_ = false;
    held_.clear();
}

void ConsoleOutput::convertWhole(std::string_view bytes, Text& out) {
    out.reserve(out.size() + bytes.size() + bytes.size() / 16);
    size_t i = 0;
    while (i < bytes.size()) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            if (b == '\n' && !afterCr_)
                out += '\r';
            out += static_cast<char>(b);
            afterCr_ = b == '\r';
            ++i;
            continue;
        }
        afterCr_ = false;
        char32_t codePoint = 0;
        int length = decodeUtf8(bytes.substr(i), codePoint);
        if (length < 0) {
            held_.assign(bytes.substr(i));
            return;
        }
        if (length == 0) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        appendCp932(out, codePoint);
        i += static_cast<size_t>(length);
    }
}

} // namespace tg::platform
