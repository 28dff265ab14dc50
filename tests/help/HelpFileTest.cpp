// Builds the help file from its sources as the build does, reads it back with chmLib's extractor
// and checks what F1 relies on: one page per view, reachable from the contents, in the code page
// the file declares, with every option the view's list offers.
#include "commands/ViewCatalogue.h"
#include "resources/StringTable.h"
#include "text/Codec.h"
#include "text/StringList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace tg;

namespace {

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int run(const std::string& command) {
    return std::system(command.c_str());
}

std::string quoted(const fs::path& path) {
    std::string out = path.string();
    out.insert(out.begin(), '\'');
    out.push_back('\'');
    return out;
}

class HelpFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        work_ = fs::temp_directory_path() / ("tginfo-help-test-" + std::to_string(::getpid()));
        fs::remove_all(work_);
        fs::create_directories(work_);
        const fs::path chm = work_ / "tginfo.chm";
        buildStatus_ =
            run(quoted(TG_CMAKE) + " -DSOURCE_DIR=" + quoted(TG_HELP_SOURCES) +
                " -DWORK_DIR=" + quoted(work_ / "build") + " -DOUTPUT=" + quoted(chm) +
                " -DCHMCMD=" + quoted(TG_CHMCMD) + " -DICONV=" + quoted(TG_ICONV) + " -P " +
                quoted(TG_HELP_SCRIPT) + " > " + quoted(work_ / "build.log") + " 2>&1");
        // The extractor reads the compiled file only, so nothing of the sources can leak in.
        extractStatus_ = run(quoted(TG_EXTRACT_CHMLIB) + " " + quoted(chm) + " " +
                             quoted(work_ / "out") + " > /dev/null 2>&1");
    }
    static void TearDownTestSuite() { fs::remove_all(work_); }

    void SetUp() override {
        ASSERT_EQ(buildStatus_, 0) << readBytes(work_ / "build.log");
        ASSERT_EQ(extractStatus_, 0);
    }

    static fs::path extracted(const std::string& name) { return work_ / "out" / name; }

    static std::set<std::string> localsOf(const std::string& sitemap) {
        std::set<std::string> locals;
        std::regex local(R"re(<param name="Local" value="([^"]+)">)re");
        for (std::sregex_iterator it(sitemap.begin(), sitemap.end(), local), end; it != end; ++it)
            locals.insert((*it)[1]);
        return locals;
    }

    static inline fs::path work_;
    static inline int buildStatus_ = -1;
    static inline int extractStatus_ = -1;
};

TEST_F(HelpFile, EveryViewHasAPageInTheContentsWithEveryOptionOfItsList) {
    const std::set<std::string> contents = localsOf(readBytes(extracted("contents.hhc")));
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const std::string label = slotInfo(slot).label;
        SCOPED_TRACE(label);
        const std::string page = label + ".html";
        EXPECT_EQ(contents.count(page), 1u);
        const std::string html = readBytes(extracted(page));
        ASSERT_FALSE(html.empty());
        EXPECT_NE(html.find("<title>" + label), std::string::npos);
        // Each option is the first cell of a row of the page's option table.
        if (slotInfo(slot).optionListId != 0) {
            for (const Text& item : splitDelimited(loadString(slotInfo(slot).optionListId), ','))
                EXPECT_NE(html.find("<td>" + item), std::string::npos) << cp932ToUtf8(item);
        }
    }
}

TEST_F(HelpFile, ContentsAndIndexLeadOnlyToPagesTheFileHolds) {
    for (const char* sitemap : {"contents.hhc", "index.hhk"}) {
        const std::set<std::string> locals = localsOf(readBytes(extracted(sitemap)));
        EXPECT_GT(locals.size(), 10u) << sitemap;
        for (const std::string& local : locals)
            EXPECT_TRUE(fs::is_regular_file(extracted(local))) << sitemap << ": " << local;
    }
}

TEST_F(HelpFile, PagesAreCodePage932AndSaySo) {
    const std::string html = readBytes(extracted("index.html"));
    EXPECT_NE(html.find("charset=Shift_JIS"), std::string::npos);
    EXPECT_EQ(html.find("charset=utf-8"), std::string::npos);
    EXPECT_NE(html.find(utf8ToCp932("<title>TIDEGAUGE-INFO ヘルプ</title>")), std::string::npos);
    // The contents' names are read in the code page of the file's language, too.
    EXPECT_NE(readBytes(extracted("contents.hhc")).find(utf8ToCp932("\"はじめに\"")),
              std::string::npos);
}

} // namespace
