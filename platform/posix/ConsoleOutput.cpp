#include "platform/posix/ConsoleOutput.h"

#include "text/Codec.h"

#include <cstdint>
#include <cstring>

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

namespace {

// The end of the run of ASCII bytes from i, at most limit; eight bytes at a time.
std::size_t asciiRunEnd(const char* data, std::size_t i, std::size_t limit) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    for (; i + 8 <= limit; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        if (word & kHighBits)
            break;
    }
    while (i < limit && static_cast<unsigned char>(data[i]) < 0x80)
        ++i;
    return i;
}

} // namespace

void ConsoleOutput::convertWhole(std::string_view bytes, Text& out) {
    out.reserve(out.size() + bytes.size() + bytes.size() / 16);
    const char* data = bytes.data();
    const std::size_t size = bytes.size();
    // The next line feed at or after from, or size.
    const auto lineFeedFrom = [&](std::size_t from) {
        const void* found = std::memchr(data + from, '\n', size - from);
        return found ? static_cast<std::size_t>(static_cast<const char*>(found) - data) : size;
    };
    std::size_t i = 0;
    std::size_t lineFeed = lineFeedFrom(0); // looked for again once per line
    while (i < size) {
        if (lineFeed < i)
            lineFeed = lineFeedFrom(i);
        // Most output is ASCII: it passes up to the line's end at once.
        const std::size_t runEnd = asciiRunEnd(data, i, lineFeed);
        if (runEnd > i) {
            out.append(data + i, runEnd - i);
            afterCr_ = data[runEnd - 1] == '\r';
            i = runEnd;
            continue;
        }
        auto b = static_cast<unsigned char>(data[i]);
        if (b == '\n') {
            if (!afterCr_)
                out += '\r';
            out += '\n';
            afterCr_ = false;
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
