#include "text/FileName.h"

#include "text/Codec.h"

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

std::filesystem::path toNativePath(TextView path) {
#ifdef _WIN32
    return std::filesystem::path(cp932ToUtf16(path));
#else
    return std::filesystem::path(cp932ToUtf8(path));
#endif
}

Text fromNativePath(const std::filesystem::path& path) {
#ifdef _WIN32
    return utf16ToCp932(path.u16string());
#else
    return utf8ToCp932(path.string());
#endif
}

} // namespace tg
