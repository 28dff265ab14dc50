#include "platform/Process.h"

namespace tg::platform {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();

    // The program name: quotes group and vanish, backslashes are plain path characters.
    while (i < n && isBlank(line[i]))
        ++i;
    if (i == n)
        return args;
    std::string program;
    bool quoted = false;
    while (i < n && (quoted || !isBlank(line[i]))) {
        char c = line[i];
        if (c == '"') {
            quoted = !quoted;
        } else {
            program += c;
            // The second byte of a double-byte character is never a quote or a blank.
            if (isCp932LeadByte(static_cast<unsigned char>(c)) && i + 1 < n)
                program += line[++i];
        }
        ++i;
    }
    args.push_back(std::move(program));

    while (true) {
        while (i < n && isBlank(line[i]))
            ++i;
        if (i == n)
            break;
        std::string arg;
        quoted = false;
        while (i < n && (quoted || !isBlank(line[i]))) {
            char c = line[i];
            if (c == '\\') {
                size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                    // With an even count the quote is handled as a quote below.
                } else {
                    arg.append(slashes, '\\');
                }
                continue;
            }
            if (c == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg += '"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
                continue;
            }
            arg += c;
            if (isCp932LeadByte(static_cast<unsigned char>(c)) && i + 1 < n)
                arg += line[++i];
            ++i;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

} // namespace tg::platform
