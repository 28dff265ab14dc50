#include "platform/Process.h"
#include "text/Text.h"

#include <cstdint>
#include <cstdlib>
#include <string>

// Any bytes as a command line. Splitting never fails, and the arguments it gives, quoted again
// the way a Windows program quotes its children's arguments, split back into the same ones.

namespace {

using tg::Text;

// A lead byte takes the next byte whatever it is, as the splitter reads it.
bool endsInLoneLeadByte(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (tg::isCp932LeadByte(static_cast<unsigned char>(text[i]))) {
            if (i + 1 == text.size())
                return true;
            ++i;
        }
    }
    return false;
}

// Quotes an argument so that the C runtime's rules give it back: backslashes double only in
// front of a quote, quotes are escaped, and a double-byte character is copied whole.
std::string quoteArgument(const std::string& arg) {
    std::string out = "\"";
    size_t slashes = 0;
    for (size_t i = 0; i < arg.size(); ++i) {
        char c = arg[i];
        if (c == '\\') {
            ++slashes;
            out += c;
            continue;
        }
        if (c == '"') {
            out.append(slashes + 1, '\\');
            out += c;
        } else {
            out += c;
            if (tg::isCp932LeadByte(static_cast<unsigned char>(c)) && i + 1 < arg.size())
                out += arg[++i];
        }
        slashes = 0;
    }
    out.append(slashes, '\\');
    out += '"';
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view line(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args = tg::platform::splitCommandLine(line);
    if (args.empty()) {
        // Only a line of blanks has no program.
        if (line.find_first_not_of(" \t") != std::string_view::npos)
            std::abort();
        return 0;
    }
    // A character cut off at the end of the line cannot be written again unambiguously; the
    // program name cannot hold a quote, so a lead byte before one is not written back either.
    for (const std::string& arg : args) {
        if (endsInLoneLeadByte(arg))
            return 0;
    }
    if (args[0].find('"') != std::string::npos)
        return 0;
    std::string rebuilt = "\"" + args[0] + "\"";
    for (size_t i = 1; i < args.size(); ++i)
        rebuilt += " " + quoteArgument(args[i]);
    if (tg::platform::splitCommandLine(rebuilt) != args)
        std::abort();
    return 0;
}
