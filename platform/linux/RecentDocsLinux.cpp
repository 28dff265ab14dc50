#include "platform/RecentDocs.h"

#include <glib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace tg::platform {

namespace {

namespace fs = std::filesystem;

constexpr const char* kApplicationName = "TIDEGAUGE-INFO";

struct GFreeDeleter {
    void operator()(gchar* p) const { g_free(p); }
};
struct BookmarkFileDeleter {
    void operator()(GBookmarkFile* p) const { g_bookmark_file_free(p); }
};
using GChars = std::unique_ptr<gchar, GFreeDeleter>;

// The freedesktop recent-files list. The environment is read on every call because GLib's own
// lookup keeps the first value it saw.
fs::path recentFilesPath() {
    fs::path dataHome;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && fs::path(xdg).is_absolute()) {
        dataHome = xdg;
    } else {
        const char* home = std::getenv("HOME");
        dataHome = fs::path(home && *home ? home : g_get_home_dir()) / ".local" / "share";
    }
    return dataHome / "recently-used.xbel";
}

// How a desktop would start this program on the file; the program is quoted only when it must be.
std::string execLine() {
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    std::string name = error ? "tginfo" : program.string();
    bool plain = std::all_of(name.begin(), name.end(), [](char c) {
        return g_ascii_isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-' || c == '+';
    });
    if (!plain) {
        GChars quoted(g_shell_quote(name.c_str()));
        name = quoted.get();
    }
    return name + " %u";
}

} // namespace

void addToRecentDocuments(const fs::path& path) {
    std::error_code error;
    fs::path file = fs::absolute(path, error);
    if (error)
        return;
    GError* gerror = nullptr;
    GChars uri(g_filename_to_uri(file.c_str(), nullptr, &gerror));
    if (!uri) {
        g_clear_error(&gerror);
        return;
    }

    fs::path list = recentFilesPath();
    fs::create_directories(list.parent_path(), error);
    std::unique_ptr<GBookmarkFile, BookmarkFileDeleter> bookmarks(g_bookmark_file_new());
    bool present = fs::exists(list, error) && fs::file_size(list, error) > 0;
    if (present && !g_bookmark_file_load_from_file(bookmarks.get(), list.c_str(), &gerror)) {
        // A list we cannot read holds other programs' entries: leave it as it is.
        g_clear_error(&gerror);
        return;
    }
    g_bookmark_file_set_mime_type(bookmarks.get(), uri.get(), "text/plain");
    g_bookmark_file_add_application(bookmarks.get(), uri.get(), kApplicationName,
                                    execLine().c_str());
    g_bookmark_file_to_file(bookmarks.get(), list.c_str(), &gerror);
    g_clear_error(&gerror);
}

} // namespace tg::platform
