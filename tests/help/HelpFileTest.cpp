// Builds the help file from its sources as the build does, reads it back with chmLib's extractor
// and checks what F1 relies on: one page per view, reachable from the contents, in the code page
// the file declares, with every option the view's list offers.
#include "commands/ViewCatalogue.h"
#include "resources/StringTable.h"
#include "text/Codec.h"
#include "text/StringList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

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

// xCHM breaks lines only at spaces: the build puts a zero-width break between Japanese
// characters and drops the source's line breaks inside Japanese text, and changes no word.
TEST_F(HelpFile, JapaneseParagraphsWrapWithTheirWordsUnchanged) {
    const std::string brk = R"(<img src="wrap.gif" width="0" height="1" alt="">)";
    const auto withoutBlanks = [](std::string text) {
        std::erase_if(text, [](char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; });
        return text;
    };
    const auto between = [](const std::string& html, const std::string& open,
                            const std::string& close) {
        std::vector<std::string> parts;
        for (size_t at = html.find(open); at != std::string::npos; at = html.find(open, at)) {
            at += open.size();
            parts.push_back(html.substr(at, html.find(close, at) - at));
        }
        return parts;
    };
    const auto high = [](char c) { return static_cast<unsigned char>(c) >= 0x80; };
    // The longest run of Japanese characters (three bytes each in UTF-8) with no break between.
    const auto longestRun = [](const std::string& text) {
        size_t longest = 0, run = 0;
        for (size_t i = 0; i < text.size();) {
            if ((static_cast<unsigned char>(text[i]) & 0xf0) == 0xe0) {
                longest = std::max(longest, ++run);
                i += 3;
            } else {
                run = 0;
                ++i;
            }
        }
        return longest;
    };
    int pages = 0;
    for (const auto& entry : fs::directory_iterator(TG_HELP_SOURCES)) {
        if (entry.path().extension() != ".html")
            continue;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        ++pages;
        const std::string source = readBytes(entry.path());
        std::string page = cp932ToUtf8(readBytes(extracted(name)));
        EXPECT_EQ(between(page, "<pre>", "</pre>"), between(source, "<pre>", "</pre>"));
        for (const std::string& text : between(page, "<p>", "</p>")) {
            // Runs that must stay whole (ゲー, ジ・, ッ) are short; a long one cannot wrap.
            EXPECT_LE(longestRun(text), 6u) << text;
            for (const char* closer : {"、", "。", "）", "ー", "ッ"})
                EXPECT_EQ(text.find(brk + closer), std::string::npos) << closer << " in " << text;
            EXPECT_EQ(text.find("（" + brk), std::string::npos) << text;
            for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
                EXPECT_FALSE(at > 0 && at + 1 < text.size() && high(text[at - 1]) &&
                             high(text[at + 1]))
                    << text;
        }
        for (size_t at; (at = page.find(brk)) != std::string::npos;)
            page.erase(at, brk.size());
        page.replace(page.find("charset=Shift_JIS"), 17, "charset=utf-8");
        EXPECT_EQ(withoutBlanks(page), withoutBlanks(source));
    }
    EXPECT_GT(pages, 10);
    EXPECT_EQ(readBytes(extracted("wrap.gif")).substr(0, 6), "GIF89a");
}

} // namespace
