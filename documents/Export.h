#pragma once

#include "documents/Document.h"
#include "text/Text.h"

#include <string>

namespace tg {

// Where and when an export was made; the texts in cp932, as the platform gives them.
struct ExportHeader {
    Text program = "TIDEGAUGE-INFO";
    Text version;
    Text computer;
    Text user;
    Text os;
    Text exported; // localTimeText of the export's moment
};

enum class ExportFormat { Html, Json };

// One self-contained UTF-8 HTML page: the header, a list of the views, then each view's label,
// record and text in a monospace block. No script and nothing loaded from elsewhere.
std::string exportHtml(const Document& document, const ExportHeader& header);

// UTF-8 JSON as docs/export.schema.json describes it.
std::string exportJson(const Document& document, const ExportHeader& header);

std::string exportDocument(ExportFormat format, const Document& document,
                           const ExportHeader& header);

// cp932 text as HTML text in UTF-8: the markup characters escaped, a line end (CR LF, CR or LF)
// kept as a line feed, other control characters shown as U+FFFD.
std::string htmlText(TextView cp932);

} // namespace tg
