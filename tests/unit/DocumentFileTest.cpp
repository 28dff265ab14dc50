#include "documents/DocumentFile.h"
#include "commands/ViewCatalogue.h"
#include "documents/Document.h"
#include "documents/PrintList.h"
#include "text/Error.h"
#include "text/StringList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>

namespace {

using tg::StringList;
using tg::Text;

constexpr tg::TextView kSeparator = "-----";

struct Views {
    std::vector<Text> labels, texts, defaults;

    explicit Views(bool isNT = true) {
        for (int i = 0; i < tg::viewCount(isNT); ++i) {
            int slot = tg::slotOfView(i, isNT);
            labels.emplace_back(tg::slotInfo(slot).label);
            defaults.push_back(tg::initialText(slot));
        }
        texts = defaults;
    }
    size_t index(const Text& label) const {
        return static_cast<size_t>(std::find(labels.begin(), labels.end(), label) - labels.begin());
    }
    Text& text(const Text& label) { return texts[index(label)]; }

    Text save() const { return tg::documentBytes(labels, texts, defaults, kSeparator); }
    // The texts as a file with these bytes would leave them.
    std::vector<Text> open(const Text& bytes) const {
        std::vector<Text> opened = texts;
        tg::applyDocumentSections(tg::readDocumentSections(bytes, labels, kSeparator), opened,
                                  defaults);
        return opened;
    }
};

// The bytes of a saved document, and how its texts read back and save again, are checked through
// the window's document commands.
TEST(DocumentFile, UnrunDocumentReadsBackAsTheDefaults) {
    Views views;
    Text bytes = views.save();
    EXPECT_EQ(tg::splitLines(bytes).size(), 32u);
    // The file holds the lines that are printed.
    views.text("arp") = "run\r\n";
    EXPECT_EQ(views.save(), tg::joinLinesCrLf(tg::buildPrintList(views.labels, views.texts,
                                                                 views.defaults, "-----", 10)));
    views.texts = views.defaults;
    Views other;
    other.text("ping") = "left over";
    EXPECT_EQ(other.open(bytes), views.defaults);
}

TEST(DocumentFile, LineEndsOfAnyKindReadTheSame) {
    Views views;
    views.text("route") = "a\r\nb\r\n\r\nc";
    Text crlf = views.save();
    Text lf, cr;
    for (size_t i = 0; i < crlf.size(); ++i) {
        if (crlf[i] == '\r' && i + 1 < crlf.size() && crlf[i + 1] == '\n')
            continue;
        lf += crlf[i] == '\r' ? '\n' : crlf[i];
        cr += crlf[i] == '\n' ? '\r' : crlf[i];
    }
    std::vector<Text> expected = views.open(crlf);
    EXPECT_EQ(expected[views.index("route")], "a\nb\n\nc");
    EXPECT_EQ(views.open(lf), expected);
    EXPECT_EQ(views.open(cr), expected);
    // A last line without a line end still counts.
    EXPECT_EQ(views.open(crlf.substr(0, crlf.size() - 2)), expected);
}

TEST(DocumentFile, HeadingsMatchWithoutCaseAndAreFoundFromTheTop) {
    Views views;
    std::vector<Text> texts = views.open("title\r\n-----\r\nIPCONFIG\r\nA\r\n-----\r\n"
                                         "PiNg\r\nB\r\n-----\r\n");
    EXPECT_EQ(texts[views.index("ipconfig")], "A");
    EXPECT_EQ(texts[views.index("ping")], "B");

    // A label line inside an earlier view's output heads that view's section, and the title line
    // is an ordinary line too.
    texts = views.open("arp\r\n-----\r\nwinconf\r\nroute\r\nx\r\n-----\r\nroute\r\ny\r\n-----\r\n");
    EXPECT_EQ(texts[views.index("arp")], views.defaults[views.index("arp")]);
    EXPECT_EQ(texts[views.index("winconf")], "route\nx");
    EXPECT_EQ(texts[views.index("route")], "x");
}

TEST(DocumentFile, OutputHoldingTheSeparatorIsCutThere) {
    Views views;
    views.text("netstat") = "before\r\n-----\r\nafter\r\n";
    std::vector<Text> texts = views.open(views.save());
    EXPECT_EQ(texts[views.index("netstat")], "before");
    // A separator with anything more is not a separator.
    texts = views.open("net\r\n----- \r\n------\r\n-----\r\n");
    EXPECT_EQ(texts[views.index("net")], "----- \n------");
}

TEST(DocumentFile, EmptySectionsTakeTheDefaultMissingLabelsKeepTheirText) {
    Views views;
    views.text("ping") = "unsaved run\r\n";
    views.text("arp") = "unsaved too\r\n";
    std::vector<Text> texts =
        views.open("arp\r\n\r\n-----\r\nroute\r\n-----\r\nnet\r\n\r\n\r\n-----\r\n");
    EXPECT_EQ(texts[views.index("arp")], views.defaults[views.index("arp")]);
    EXPECT_EQ(texts[views.index("route")], views.defaults[views.index("route")]);
    EXPECT_EQ(texts[views.index("net")], "\n"); // two empty lines are a text
    EXPECT_EQ(texts[views.index("ping")], "unsaved run\r\n");

    // Any text file opens; without labels nothing changes.
    EXPECT_EQ(views.open("just some text\r\n"), views.texts);
    EXPECT_EQ(views.open(""), views.texts);
}

TEST(DocumentFile, NineAndTenViewDocumentsOpenOnEitherSystem) {
    Views nine(false), ten(true);
    ASSERT_EQ(nine.labels.size(), 9u);
    nine.text("nbtstat") = "nine\r\n";
    ten.text("nslookup") = "ten's own\r\n";
    ten.text("nbtstat") = "ten\r\n";

    std::vector<Text> texts = ten.open(nine.save());
    EXPECT_EQ(texts[ten.index("nslookup")], "ten's own\r\n");
    EXPECT_EQ(texts[ten.index("nbtstat")], "nine\n");

    texts = nine.open(ten.save());
    EXPECT_EQ(texts.size(), 9u);
    EXPECT_EQ(texts[nine.index("nbtstat")], "ten\n");
}

TEST(DocumentFile, UnclosedSectionIsAnErrorNamingTheView) {
    Views views;
    for (Text bytes : {Text("ipconfig\r\na\r\n-----\r\nping\r\nhalf\r\nway\r\n"),
                       Text("ipconfig\r\na\r\n-----\r\nping")}) {
        try {
            views.open(bytes);
            ADD_FAILURE() << "no error for an unclosed section";
        } catch (const tg::Error& e) {
            EXPECT_NE(e.text().find("ping"), Text::npos) << e.text();
        }
    }
}

} // namespace

// The offset comes from the system's own zone rules, east and west of UTC, halves included, and
// follows daylight saving time.
TEST(RunRecord, LocalTimeCarriesItsOffsetFromUtc) {
#ifdef _WIN32
    GTEST_SKIP() << "the zones are set through POSIX TZ rules, which Windows does not read";
#else
    const char* saved = std::getenv("TZ");
    const std::string before = saved ? saved : "";
    const auto moment =
        std::chrono::system_clock::from_time_t(1780000000); // 2026-05-28 20:26:40 UTC
    const struct {
        const char* zone;
        const char* expected;
    } rows[] = {
        {"UTC0", "2026-05-28T20:26:40+00:00"},
        {"JST-9", "2026-05-29T05:26:40+09:00"},
        {"<-0330>3:30", "2026-05-28T16:56:40-03:30"},
        {"EST5EDT,M3.2.0,M11.1.0", "2026-05-28T16:26:40-04:00"},
    };
    for (const auto& row : rows) {
        ::setenv("TZ", row.zone, 1);
        ::tzset();
        EXPECT_EQ(tg::localTimeText(moment), row.expected) << row.zone;
    }
    if (saved)
        ::setenv("TZ", before.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
#endif
}

// New forgets the records; an open forgets those of the views the file gives a text.
TEST(Document, RecordsGoWithTheirTexts) {
    tg::Document document;
    document.addView("a", "A");
    document.addView("b", "B");
    document.text(0) = "out a";
    document.runEnded(0, {"a x", "t0", "t1", tg::RunEnding::Exited, 3});
    document.runEnded(1, {"b", "t0", "t1", tg::RunEnding::Aborted, std::nullopt});
    EXPECT_TRUE(document.modified());
    document.applySections({std::nullopt, tg::Text("read")});
    EXPECT_TRUE(document.record(0));
    EXPECT_FALSE(document.record(1));
    document.reset();
    EXPECT_FALSE(document.record(0));
    EXPECT_EQ(document.texts(), (std::vector<tg::Text>{"A", "B"}));
    EXPECT_EQ(document.name(), "untitled.txt");
    EXPECT_FALSE(document.modified());
}
