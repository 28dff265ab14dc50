#include "platform/RecentDocs.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// Each test gets its own XDG_DATA_HOME, so the user's own list is never touched.
class RecentDocs : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("tg_recent_" + std::to_string(std::random_device()()));
        fs::create_directories(dir / "docs");
        setenv("XDG_DATA_HOME", (dir / "share").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("XDG_DATA_HOME");
        fs::remove_all(dir);
    }

    fs::path xbel() const { return dir / "share" / "recently-used.xbel"; }

    std::unique_ptr<GBookmarkFile, void (*)(GBookmarkFile*)> load() const {
        std::unique_ptr<GBookmarkFile, void (*)(GBookmarkFile*)> file(g_bookmark_file_new(),
                                                                      g_bookmark_file_free);
        GError* error = nullptr;
        EXPECT_TRUE(g_bookmark_file_load_from_file(file.get(), xbel().c_str(), &error))
            << (error ? error->message : "");
        g_clear_error(&error);
        return file;
    }

    static std::string uriOf(const fs::path& path) {
        gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
        std::string out = uri ? uri : "";
        g_free(uri);
        return out;
    }

    fs::path dir;
};

// Any name, also one cp932 cannot write or one that is no UTF-8, is the file's own.
TEST_F(RecentDocs, EntryCarriesTheFileUriPlainTextAndThisProgram) {
    for (const char* name : {"表.txt", "한국 📁.txt", "latin1-\xE9.txt"}) {
        const fs::path doc = dir / "docs" / name;
        tg::platform::addToRecentDocuments(doc);
        ASSERT_TRUE(fs::exists(xbel()));

        auto file = load();
        std::string uri = uriOf(doc);
        ASSERT_TRUE(g_bookmark_file_has_item(file.get(), uri.c_str())) << uri;
        gchar* mime = g_bookmark_file_get_mime_type(file.get(), uri.c_str(), nullptr);
        EXPECT_STREQ(mime, "text/plain");
        g_free(mime);
        EXPECT_TRUE(
            g_bookmark_file_has_application(file.get(), uri.c_str(), "TIDEGAUGE-INFO", nullptr));
    }
}

TEST_F(RecentDocs, OtherProgramsEntriesStayAndRepeatsDoNotDuplicate) {
    fs::create_directories(xbel().parent_path());
    {
        std::unique_ptr<GBookmarkFile, void (*)(GBookmarkFile*)> other(g_bookmark_file_new(),
                                                                       g_bookmark_file_free);
        g_bookmark_file_add_application(other.get(), "file:///elsewhere/photo.png", "viewer",
                                        "viewer %u");
        ASSERT_TRUE(g_bookmark_file_to_file(other.get(), xbel().c_str(), nullptr));
    }
    fs::path doc = dir / "docs" / "a.txt";
    tg::platform::addToRecentDocuments(doc);
    tg::platform::addToRecentDocuments(doc);

    auto file = load();
    EXPECT_TRUE(g_bookmark_file_has_item(file.get(), "file:///elsewhere/photo.png"));
    EXPECT_EQ(g_bookmark_file_get_size(file.get()), 2);
    guint count = 0;
    GDateTime* stamp = nullptr;
    gchar* exec = nullptr;
    ASSERT_TRUE(g_bookmark_file_get_application_info(
        file.get(), uriOf(doc).c_str(), "TIDEGAUGE-INFO", &exec, &count, &stamp, nullptr));
    EXPECT_EQ(count, 2u);
    g_free(exec);
}

TEST_F(RecentDocs, UnreadableListIsLeftAsItIs) {
    fs::create_directories(xbel().parent_path());
    std::ofstream(xbel()) << "<xbel version=\"1.0\"><bookmark";
    tg::platform::addToRecentDocuments(dir / "docs" / "a.txt");
    std::stringstream content;
    content << std::ifstream(xbel()).rdbuf();
    EXPECT_EQ(content.str(), "<xbel version=\"1.0\"><bookmark");
}

} // namespace
