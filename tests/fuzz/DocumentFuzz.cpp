#include "commands/ViewCatalogue.h"
#include "documents/DocumentFile.h"
#include "platform/Files.h"
#include "text/Error.h"
#include "text/StringList.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

// Any bytes as a document file to open, read as the window reads it. Opening either fails with
// tg::Error or gives every view
// a text that is its current one, its default one, or lines of the file joined with LF and cut
// before a separator. What was read, saved and read again reads the same, unless a text holds a
// line that is also a view's label (that line heads the view's section on the next read).

namespace {

constexpr tg::TextView kSeparator = "-----";

struct Views {
    std::vector<tg::Text> labels, current, defaults;
    std::filesystem::path file;

    Views() {
        for (int i = 0; i < tg::viewCount(true); ++i) {
            labels.emplace_back(tg::slotInfo(i).label);
            defaults.push_back(tg::initialText(i));
            current.push_back("current text " + std::to_string(i));
        }
        file = std::filesystem::temp_directory_path() /
               ("tg_fuzz_document_" + std::to_string(::getpid()) + ".txt");
    }
};

bool holdsLabelLine(const tg::Text& text, const std::vector<tg::Text>& labels) {
    for (const tg::Text& line : tg::splitLines(text)) {
        if (tg::indexOfIgnoreCase(labels, line))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Views views;
    {
        std::ofstream out(views.file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::vector<tg::Text> texts = views.current;
    try {
        tg::Text bytes = tg::platform::readRegularFile(views.file, tg::kDocumentFileLimit);
        if (bytes.size() != size ||
            (size > 0 && bytes.compare(0, size, reinterpret_cast<const char*>(data), size) != 0))
            std::abort();
        tg::applyDocumentSections(tg::readDocumentSections(bytes, views.labels, kSeparator), texts,
                                  views.defaults);
    } catch (const tg::Error& error) {
        if (error.text().empty())
            std::abort();
        return 0;
    }
    if (texts.size() != views.labels.size())
        std::abort();
    bool labelInside = false;
    for (size_t k = 0; k < texts.size(); ++k) {
        const tg::Text& text = texts[k];
        if (text == views.current[k] || text == views.defaults[k])
            continue;
        if (text.find('\r') != tg::Text::npos)
            std::abort();
        for (const tg::Text& line : tg::splitLines(text)) {
            if (line == kSeparator)
                std::abort();
        }
        labelInside = labelInside || holdsLabelLine(text, views.labels);
    }
    if (labelInside)
        return 0;
    tg::Text saved = tg::documentBytes(views.labels, texts, views.defaults, kSeparator);
    std::vector<tg::Text> again = views.current;
    tg::applyDocumentSections(tg::readDocumentSections(saved, views.labels, kSeparator), again,
                              views.defaults);
    if (again != texts)
        std::abort();
    return 0;
}
