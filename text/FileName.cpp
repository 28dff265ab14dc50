#include "text/FileName.h"

#include "text/Codec.h"

#include <optional>

namespace tg {

namespace {

bool isSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == ':';
#else
    return c == '\\' || c == ':' || c == '/';
#endif
}

// Position just after the last separator, stepping over double-byte characters whole.
size_t fileNameStart(TextView path) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (isCp932LeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (isSeparator(path[i]))
            start = i + 1;
    }
    return start;
}

} // namespace

Text extractFilePath(TextView path) {
    return Text(path.substr(0, fileNameStart(path)));
}

Text extractFileName(TextView path) {
    return Text(path.substr(fileNameStart(path)));
}

Text changeFileExt(TextView path, TextView ext) {
    size_t start = fileNameStart(path);
    size_t dot = TextView::npos;
    for (size_t i = start; i < path.size(); ++i) {
        if (isCp932LeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (path[i] == '.')
            dot = i;
    }
    Text out(path.substr(0, dot == TextView::npos ? path.size() : dot));
    out += ext;
    return out;
}

namespace {

constexpr TextView kUriStart = "file://";

bool keptInUri(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/' || c == ':';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

#ifdef _WIN32
// UTF-16 as UTF-8, a lone surrogate included (Windows allows one in a name), and back.
std::string wideToBytes(std::wstring_view wide) {
    std::string out;
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t c = static_cast<char16_t>(wide[i]);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < wide.size() &&
            static_cast<char16_t>(wide[i + 1]) >= 0xDC00 &&
            static_cast<char16_t>(wide[i + 1]) < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(wide[++i]) - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring bytesToWide(std::string_view bytes) {
    std::wstring out;
    for (size_t i = 0; i < bytes.size();) {
        auto b = static_cast<unsigned char>(bytes[i]);
        int length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        char32_t c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
        bool whole = length > 0 && i + length <= bytes.size();
        for (int k = 1; whole && k < length; ++k) {
            auto next = static_cast<unsigned char>(bytes[i + k]);
            whole = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!whole) {
            // Not ours: a hand-edited value. The byte stands for itself.
            out += static_cast<wchar_t>(b);
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c);
        }
        i += static_cast<size_t>(length);
    }
    return out;
}
#endif

Text toUri(const std::filesystem::path& path) {
#ifdef _WIN32
    std::wstring wide = path.native();
    for (wchar_t& c : wide) {
        if (c == L'\\')
            c = L'/';
    }
    std::string bytes = wideToBytes(wide);
    // A drive's path starts its URI path with a slash, as "file:///C:/...".
    if (bytes.size() >= 2 && bytes[1] == ':')
        bytes.insert(0, 1, '/');
#else
    const std::string& bytes = path.native();
#endif
    static constexpr char kHex[] = "0123456789ABCDEF";
    Text out(kUriStart);
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (keptInUri(b)) {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

std::filesystem::path fromUri(TextView uri) {
    std::string bytes;
    for (size_t i = kUriStart.size(); i < uri.size(); ++i) {
        int high = 0, low = 0;
        if (uri[i] == '%' && i + 2 < uri.size() && (high = hexValue(uri[i + 1])) >= 0 &&
            (low = hexValue(uri[i + 2])) >= 0) {
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            bytes += uri[i];
        }
    }
#ifdef _WIN32
    if (bytes.size() >= 3 && bytes[0] == '/' && bytes[2] == ':')
        bytes.erase(0, 1);
    std::wstring wide = bytesToWide(bytes);
    for (wchar_t& c : wide) {
        if (c == L'/')
            c = L'\\';
    }
    return std::filesystem::path(wide);
#else
    return std::filesystem::path(bytes);
#endif
}

// The cp932 text of a name when the code page writes it exactly; nothing otherwise.
std::optional<Text> exactCp932Path(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::wstring& wide = path.native();
    std::u16string_view units(reinterpret_cast<const char16_t*>(wide.data()), wide.size());
    Text text = utf16ToCp932(units);
    if (cp932ToUtf16(text) != units)
        return std::nullopt;
#else
    Text text = utf8ToCp932(path.native());
    if (cp932ToUtf8(text) != path.native())
        return std::nullopt;
#endif
    return text;
}

} // namespace

Text fromNativePath(const std::filesystem::path& path) {
    std::optional<Text> text = exactCp932Path(path);
    // A name that would read as a URI is written as one too.
    if (text && text->compare(0, kUriStart.size(), kUriStart) != 0)
        return *text;
    return toUri(path);
}

std::filesystem::path toNativePath(TextView path) {
    if (path.substr(0, kUriStart.size()) == kUriStart)
        return fromUri(path);
#ifdef _WIN32
    return std::filesystem::path(cp932ToUtf16(path));
#else
    return std::filesystem::path(cp932ToUtf8(path));
#endif
}

} // namespace tg
