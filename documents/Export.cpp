#include "documents/Export.h"

#include "text/Codec.h"

#include <cstdio>

namespace tg {

namespace {

// A view's text as the document file has it: nothing while it is still the default.
Text outputOf(const Document& document, std::size_t view) {
    return document.isEmpty(view) ? Text() : document.texts()[view];
}

std::string escapeHtml(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\r':
            // CR LF and a lone CR alike end a line in the block.
            if (i + 1 >= utf8.size() || utf8[i + 1] != '\n')
                out += '\n';
            break;
        default:
            // Control characters have no place in HTML text; the rest of the bytes are UTF-8.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t')
                out += "&#xFFFD;";
            else
                out += c;
        }
    }
    return out;
}

std::string endingText(const RunRecord& record) {
    switch (record.ending) {
    case RunEnding::Exited:
        return "終了コード " + (record.exitCode ? std::to_string(*record.exitCode) : "?");
    case RunEnding::Aborted:
        return "ユーザーが中止";
    case RunEnding::CouldNotStart:
        return "実行できず";
    case RunEnding::Completed:
        break;
    }
    return "完了";
}

std::string json(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string jsonText(TextView cp932) {
    return json(cp932ToUtf8(cp932));
}

constexpr const char kStyle[] =
    "body{font-family:sans-serif;margin:1.5em;color:#111}"
    "table.header th{text-align:left;padding-right:1em;font-weight:normal;color:#555}"
    "div.view{margin-top:2em;border-top:1px solid #ccc}"
    "dl.record{display:grid;grid-template-columns:max-content auto;gap:.2em 1em;margin:.5em 0}"
    "dl.record dt{color:#555}dl.record dd{margin:0}"
    "pre{font-family:monospace;background:#f4f4f4;padding:.6em;overflow-x:auto;"
    "white-space:pre}"
    "p.none{color:#777;font-style:italic}";

} // namespace

std::string htmlText(TextView cp932) {
    return escapeHtml(cp932ToUtf8(cp932));
}

std::string exportHtml(const Document& document, const ExportHeader& header) {
    std::string out;
    out += "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n";
    out += "<title>" + htmlText(header.program) + " - " + htmlText(header.computer) + "</title>\n";
    out += "<style>" + std::string(kStyle) + "</style>\n</head>\n<body>\n";
    out += "<h1>" + htmlText(header.program) + "</h1>\n<table class=\"header\">\n";
    const std::pair<const char*, const Text*> rows[] = {{"コンピューター", &header.computer},
                                                        {"ユーザー", &header.user},
                                                        {"OS", &header.os},
                                                        {"プログラム", &header.version},
                                                        {"エクスポート日時", &header.exported}};
    for (const auto& [name, value] : rows) {
        std::string shown =
            value == &header.version ? htmlText(header.program + " " + *value) : htmlText(*value);
        out += "<tr><th>" + std::string(name) + "</th><td>" + shown + "</td></tr>\n";
    }
    out += "</table>\n<h2>ビュー</h2>\n<ol class=\"views\">\n";
    for (std::size_t i = 0; i < document.viewCount(); ++i) {
        out += "<li><a href=\"#view" + std::to_string(i) + "\">" + htmlText(document.labels()[i]) +
               "</a>";
        if (const auto& record = document.record(i))
            out += " &mdash; <code>" + htmlText(record->command) + "</code>";
        else if (document.isEmpty(i))
            out += " &mdash; 出力なし";
        out += "</li>\n";
    }
    out += "</ol>\n";
    for (std::size_t i = 0; i < document.viewCount(); ++i) {
        out += "<div class=\"view\" id=\"view" + std::to_string(i) + "\">\n<h2>" +
               htmlText(document.labels()[i]) + "</h2>\n";
        if (const auto& record = document.record(i)) {
            out += "<dl class=\"record\">\n";
            out += "<dt>コマンド</dt><dd><code>" + htmlText(record->command) + "</code></dd>\n";
            out += "<dt>開始</dt><dd>" + htmlText(record->started) + "</dd>\n";
            out += "<dt>終了</dt><dd>" + htmlText(record->ended) + "</dd>\n";
            out += "<dt>結果</dt><dd>" + escapeHtml(endingText(*record)) + "</dd>\n</dl>\n";
        }
        const Text text = outputOf(document, i);
        if (text.empty()) {
            out += "<p class=\"none\">出力なし</p>\n";
        } else {
            // A browser drops a line break right after <pre>: a text that begins with one gets
            // another in front, for it to drop.
            out += text[0] == '\r' || text[0] == '\n' ? "<pre>\n" : "<pre>";
            out += htmlText(text) + "</pre>\n";
        }
        out += "</div>\n";
    }
    out += "</body>\n</html>\n";
    return out;
}

std::string exportJson(const Document& document, const ExportHeader& header) {
    std::string out = "{\n";
    out += "  \"program\": " + jsonText(header.program) + ",\n";
    out += "  \"version\": " + jsonText(header.version) + ",\n";
    out += "  \"computer\": " + jsonText(header.computer) + ",\n";
    out += "  \"user\": " + jsonText(header.user) + ",\n";
    out += "  \"os\": " + jsonText(header.os) + ",\n";
    out += "  \"exported\": " + jsonText(header.exported) + ",\n";
    out += "  \"views\": [";
    for (std::size_t i = 0; i < document.viewCount(); ++i) {
        const auto& record = document.record(i);
        out += i == 0 ? "\n" : ",\n";
        out += "    {\"label\": " + jsonText(document.labels()[i]);
        if (record) {
            out += ", \"command\": " + jsonText(record->command);
            out += ", \"started\": " + jsonText(record->started);
            out += ", \"ended\": " + jsonText(record->ended);
            out += ", \"ending\": " + json(endingName(record->ending));
            out += ", \"exitCode\": " +
                   (record->exitCode ? std::to_string(*record->exitCode) : std::string("null"));
        } else {
            out += ", \"command\": null, \"started\": null, \"ended\": null, \"ending\": null, "
                   "\"exitCode\": null";
        }
        out += ",\n     \"text\": " + jsonText(outputOf(document, i)) + "}";
    }
    out += "\n  ]\n}\n";
    return out;
}

std::string exportDocument(ExportFormat format, const Document& document,
                           const ExportHeader& header) {
    return format == ExportFormat::Json ? exportJson(document, header)
                                        : exportHtml(document, header);
}

} // namespace tg
