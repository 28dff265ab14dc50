#include "commands/LineAssembly.h"
#include "platform/posix/ConsoleOutput.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

// Any byte stream a command writes, cut into reads anywhere: the Linux output conversion and the
// line assembly give the same lines as from one read, and those are the stream's lines as the
// pane shows them (cut at LF, no LF inside, one trailing CR dropped, no line for an empty one).

namespace {

using tg::Text;

// The batch's index, made line by line, is the index of its bytes made afresh.
void checkIndex(const tg::LineBatch& batch) {
    tg::LineIndex fresh;
    fresh.reset(batch.bytes());
    const tg::LineIndex& made = batch.index();
    if (made.lineCount() != fresh.lineCount() || made.widestColumns() != fresh.widestColumns())
        std::abort();
    for (size_t line = 0; line < fresh.lineCount(); ++line) {
        if (made.lineStart(line) != fresh.lineStart(line) ||
            made.lineEnd(batch.bytes(), line) != fresh.lineEnd(batch.bytes(), line))
            std::abort();
    }
}

std::vector<Text> assemble(const std::vector<std::string_view>& reads) {
    tg::platform::ConsoleOutput console;
    tg::LineAssembly assembly;
    tg::LineBatch lines;
    Text chunk;
    for (std::string_view read : reads) {
        chunk.clear();
        console.convert(read, chunk);
        assembly.feed(chunk, lines);
    }
    chunk.clear();
    console.finish(chunk);
    assembly.feed(chunk, lines);
    assembly.finish(lines);
    checkIndex(lines);
    return lines.lines();
}

// The lines of already converted text, worked out the plain way.
std::vector<Text> linesOf(const Text& text) {
    std::vector<Text> lines;
    Text line;
    auto complete = [&] {
        if (line.empty())
            return;
        if (line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        line.clear();
    };
    for (char c : text) {
        if (c == '\n')
            complete();
        else
            line += c;
    }
    complete();
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    std::vector<size_t> cuts;
    size_t cutCount = provider.ConsumeIntegralInRange<size_t>(0, 16);
    for (size_t i = 0; i < cutCount; ++i)
        cuts.push_back(provider.ConsumeIntegralInRange<size_t>(0, 64));
    const std::string stream = provider.ConsumeRemainingBytesAsString();

    std::vector<std::string_view> reads;
    std::string_view rest = stream;
    for (size_t cut : cuts) {
        cut = std::min(cut, rest.size());
        reads.push_back(rest.substr(0, cut));
        rest.remove_prefix(cut);
    }
    reads.push_back(rest);

    std::vector<Text> whole = assemble({stream});
    if (assemble(reads) != whole)
        std::abort();
    // One byte per read, the worst split a pipe can give.
    std::vector<std::string_view> bytes;
    for (size_t i = 0; i < stream.size(); ++i)
        bytes.push_back(std::string_view(stream).substr(i, 1));
    if (assemble(bytes) != whole)
        std::abort();

    tg::platform::ConsoleOutput console;
    Text converted;
    console.convert(stream, converted);
    console.finish(converted);
    if (linesOf(converted) != whole)
        std::abort();
    size_t total = 0;
    for (const Text& line : whole) {
        if (line.find('\n') != Text::npos)
            std::abort();
        total += line.size();
    }
    // Conversion never grows the text beyond a CR per LF (cp932 is never longer than UTF-8).
    if (total > stream.size() * 2)
        std::abort();
    return 0;
}
