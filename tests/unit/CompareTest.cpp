// Two documents compared view by view: marks, unified diffs and the characters marked in a line.
#include "documents/Compare.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

using tg::Text;

Text cp932(const char* utf8) {
    return tg::utf8ToCp932(utf8);
}

const std::vector<Text> kLabels = {"ipconfig", "route", "netstat"};

// A document file: the title, then each given section (label, lines) closed by the separator.
Text document(const std::vector<std::pair<Text, std::vector<Text>>>& sections,
              const char* lineEnd = "\r\n") {
    Text bytes = Text("TIDEGAUGE-INFO Ver2.0.0") + lineEnd + "-----" + lineEnd;
    for (const auto& [label, lines] : sections) {
        bytes += label + lineEnd;
        for (const Text& line : lines)
            bytes += line + lineEnd;
        bytes += Text("-----") + lineEnd;
    }
    return bytes;
}

tg::Comparison compared(const Text& oldBytes, const Text& newBytes,
                        tg::CompareOptions options = {}) {
    tg::Comparison comparison(kLabels, tg::readDocumentSections(oldBytes, kLabels, "-----"),
                              tg::readDocumentSections(newBytes, kLabels, "-----"));
    comparison.compare(options);
    return comparison;
}

std::map<Text, tg::ViewMark> marks(const tg::Comparison& comparison) {
    std::map<Text, tg::ViewMark> result;
    for (const tg::ViewComparison& view : comparison.views())
        result[view.label] = view.mark;
    return result;
}

const std::vector<Text> kRoutes = {
    "Network Destination        Netmask          Gateway       Interface  Metric",
    "          0.0.0.0          0.0.0.0     192.0.2.1     192.0.2.10     25",
    "        127.0.0.0        255.0.0.0         On-link     127.0.0.1    331",
    "     198.51.100.0    255.255.255.0     192.0.2.254   192.0.2.10     26",
    "      192.0.2.0    255.255.255.0         On-link     192.0.2.10    281",
    "=========================================================================="};

const Text kAddedRoute = "     203.0.113.0    255.255.255.0     192.0.2.254   192.0.2.10     26";

struct PairCase {
    const char* name;
    Text oldBytes;
    Text newBytes;
    tg::CompareOptions options;
    std::map<Text, tg::ViewMark> marks;
    Text diff;
};

using M = tg::ViewMark;

// The pairs of documents an engineer compares, each with the views' marks and the whole text.
TEST(Compare, DocumentPairs) {
    const std::vector<Text> netstatOld = {
        "  TCP    192.0.2.10:49712   198.51.100.7:443   ESTABLISHED",
        "  UDP    0.0.0.0:5353       *:*"};
    const std::vector<Text> netstatNew = {
        "  TCP    192.0.2.10:50233   198.51.100.7:443   ESTABLISHED",
        "  UDP    0.0.0.0:5353       *:*"};
    const std::vector<Text> spacedNew = {
        "  TCP  192.0.2.10:49712 198.51.100.7:443    ESTABLISHED  ", "UDP 0.0.0.0:5353 *:*"};
    const std::vector<Text> ipOld = {
        cp932("Windows IP 構成"), "", cp932("   IPv4 アドレス . . . . . . . . . . . .: 192.0.2.10"),
        cp932("   サブネット マスク . . . . . . . . . .: 255.255.255.0"),
        cp932("   デフォルト ゲートウェイ . . . . . . .: 192.0.2.1")};
    std::vector<Text> ipNew = ipOld;
    ipNew[2] = cp932("   IPv4 アドレス . . . . . . . . . . . .: 192.0.2.77");
    // 0x5C as the second byte of ソ and 表: a byte-wise reader would take them for backslashes.
    const std::vector<Text> trailOld = {cp932("ソフト表示\\"), cp932("表")};
    const std::vector<Text> trailNew = {cp932("ソフト表示"), cp932("表")};

    const PairCase cases[] = {
        {"route added and removed",
         document({{"route", kRoutes}}),
         document({{"route",
                    {kRoutes[0], kRoutes[1], kRoutes[2], kAddedRoute, kRoutes[4], kRoutes[5]}}}),
         {},
         {{"route", M::Changed}},
         "--- route\n+++ route\n@@ -1,6 +1,6 @@\n " + kRoutes[0] + "\n " + kRoutes[1] + "\n " +
             kRoutes[2] + "\n-" + kRoutes[3] + "\n+" + kAddedRoute + "\n " + kRoutes[4] + "\n " +
             kRoutes[5] + "\n"},
        {"an address changed in ipconfig /all",
         document({{"ipconfig", ipOld}, {"route", kRoutes}}),
         document({{"ipconfig", ipNew}, {"route", kRoutes}}),
         {},
         {{"ipconfig", M::Changed}, {"route", M::Same}},
         "--- ipconfig\n+++ ipconfig\n@@ -1,5 +1,5 @@\n " + ipOld[0] + "\n \n-" + ipOld[2] + "\n+" +
             ipNew[2] + "\n " + ipOld[3] + "\n " + ipOld[4] + "\n"},
        {"a view in one document only: no heading, or an empty section",
         document({{"route", {"r"}}, {"netstat", {}}}),
         document({{"ipconfig", {"a", "b"}}, {"route", {"r"}}, {"netstat", {"n"}}}),
         {},
         {{"ipconfig", M::OneSideOnly}, {"route", M::Same}, {"netstat", M::OneSideOnly}},
         "--- ipconfig\n+++ ipconfig\n@@ -0,0 +1,2 @@\n+a\n+b\n"
         "--- netstat\n+++ netstat\n@@ -0,0 +1 @@\n+n\n"},
        {"LF against CR LF",
         document({{"route", kRoutes}}, "\n"),
         document({{"route", kRoutes}}),
         {},
         {{"route", M::Same}},
         ""},
        {"0x5C trail bytes",
         document({{"netstat", trailOld}}),
         document({{"netstat", trailNew}}),
         {},
         {{"netstat", M::Changed}},
         "--- netstat\n+++ netstat\n@@ -1,2 +1,2 @@\n-" + trailOld[0] + "\n+" + trailNew[0] +
             "\n " + trailOld[1] + "\n"},
        {"digits differ",
         document({{"netstat", netstatOld}}),
         document({{"netstat", netstatNew}}),
         {},
         {{"netstat", M::Changed}},
         "--- netstat\n+++ netstat\n@@ -1,2 +1,2 @@\n-" + netstatOld[0] + "\n+" + netstatNew[0] +
             "\n " + netstatOld[1] + "\n"},
        {"digits ignored",
         document({{"netstat", netstatOld}}),
         document({{"netstat", netstatNew}}),
         {true, false},
         {{"netstat", M::Same}},
         ""},
        {"blanks ignored",
         document({{"netstat", netstatOld}}),
         document({{"netstat", spacedNew}}),
         {false, true},
         {{"netstat", M::Same}},
         ""},
        {"blanks not ignored: a run of blanks is no blank at all",
         document({{"netstat", {"a b"}}}),
         document({{"netstat", {"ab"}}}),
         {false, true},
         {{"netstat", M::Changed}},
         "--- netstat\n+++ netstat\n@@ -1 +1 @@\n-a b\n+ab\n"},
        {"identical documents",
         document({{"ipconfig", ipOld}, {"route", kRoutes}}),
         document({{"ipconfig", ipOld}, {"route", kRoutes}}),
         {},
         {{"ipconfig", M::Same}, {"route", M::Same}},
         ""},
    };
    for (const PairCase& c : cases) {
        SCOPED_TRACE(c.name);
        const tg::Comparison comparison = compared(c.oldBytes, c.newBytes, c.options);
        EXPECT_EQ(marks(comparison), c.marks);
        EXPECT_EQ(tg::unifiedDiff(comparison), c.diff);
        EXPECT_EQ(comparison.same(), c.diff.empty());
    }
}

// Hunks: far-apart changes make separate hunks with three lines of context, near ones one hunk.
TEST(Compare, HunksAndLineNumbers) {
    std::vector<Text> oldLines, newLines;
    for (int i = 1; i <= 20; ++i)
        oldLines.push_back("line " + std::to_string(i));
    newLines = oldLines;
    newLines[1] = "changed 2";             // line 2
    newLines.erase(newLines.begin() + 14); // line 15 gone
    newLines.push_back("added 21");
    const tg::Comparison comparison =
        compared(document({{"route", oldLines}}), document({{"route", newLines}}));
    EXPECT_EQ(tg::unifiedDiff(comparison, "\r\n"),
              "--- route\r\n+++ route\r\n"
              "@@ -1,5 +1,5 @@\r\n line 1\r\n-line 2\r\n+changed 2\r\n line 3\r\n line 4\r\n"
              " line 5\r\n"
              "@@ -12,9 +12,9 @@\r\n line 12\r\n line 13\r\n line 14\r\n-line 15\r\n line 16\r\n"
              " line 17\r\n line 18\r\n line 19\r\n line 20\r\n+added 21\r\n");
    const tg::ViewComparison& view = comparison.views().front();
    EXPECT_EQ(view.changeStarts(), (std::vector<std::size_t>{1, 15, 21}));
}

struct MarkCase {
    const char* name;
    Text oldLine, newLine;
    tg::CompareOptions options;
    std::vector<std::pair<std::size_t, std::size_t>> oldSpans, newSpans;
};

std::vector<std::pair<std::size_t, std::size_t>> pairs(const std::vector<tg::ByteSpan>& spans) {
    std::vector<std::pair<std::size_t, std::size_t>> result;
    for (const tg::ByteSpan& span : spans)
        result.emplace_back(span.start, span.length);
    return result;
}

// The characters marked inside a changed line: whole characters, never half of one.
TEST(Compare, ChangedCharacters) {
    const MarkCase cases[] = {
        {"address", "IPv4: 192.0.2.10", "IPv4: 192.0.2.77", {}, {{14, 2}}, {{14, 2}}},
        // ソ is 0x83 0x5C: the lone backslash after it is the change, not its trail byte.
        {"0x5C trail byte", cp932("ソ\\"), cp932("ソ"), {}, {{2, 1}}, {}},
        // 表 (0x95 0x5C) against 予 (0x97 0x5C): the whole character, both bytes.
        {"same trail byte", cp932("a表b"), cp932("a予b"), {}, {{1, 2}}, {{1, 2}}},
        {"a digit run is one unit", "port 80 a", "port 8080 b", {true, false}, {{8, 1}}, {{10, 1}}},
        {"blank runs", "a  b c", "a b  d", {false, true}, {{5, 1}}, {{5, 1}}},
        {"ideographic space is a blank",
         cp932("a\xe3\x80\x80"
               "b"),
         "a b",
         {false, true},
         {},
         {}},
    };
    for (const MarkCase& c : cases) {
        SCOPED_TRACE(c.name);
        const tg::CharacterMarks marks = tg::changedCharacters(c.oldLine, c.newLine, c.options);
        EXPECT_EQ(pairs(marks.oldSpans), c.oldSpans);
        EXPECT_EQ(pairs(marks.newSpans), c.newSpans);
    }
}

// A changed line sits beside the line that replaced it; unmatched lines beside nothing.
TEST(Compare, SideBySideRows) {
    const tg::Comparison comparison = compared(document({{"route", {"a", "b", "c", "d"}}}),
                                               document({{"route", {"a", "B", "x", "y", "d"}}}));
    const std::vector<tg::SideRow> rows = tg::sideBySideRows(comparison.views().front());
    constexpr std::size_t no = tg::LineEdit::kNoLine;
    std::vector<std::tuple<std::size_t, std::size_t, bool>> seen;
    for (const tg::SideRow& row : rows)
        seen.emplace_back(row.oldLine, row.newLine, row.changed);
    EXPECT_EQ(seen, (std::vector<std::tuple<std::size_t, std::size_t, bool>>{
                        {0, 0, false}, {1, 1, true}, {2, 2, true}, {no, 3, true}, {3, 4, false}}));
}

// The HTML page: UTF-8, escaped, the marks in the list and the changed characters in <mark>.
TEST(Compare, HtmlPage) {
    const tg::Comparison comparison =
        compared(document({{"route", {"<a> 1", cp932("表")}}}),
                 document({{"route", {"<a> 2", cp932("表")}}, {"netstat", {"n"}}}));
    const std::string page = tg::comparisonHtml(comparison, "old.txt", "new.txt");
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(page.find("route <span class=\"changed\">変更</span>"), std::string::npos);
    EXPECT_NE(page.find("netstat <span class=\"oneside\">片方のみ</span>"), std::string::npos);
    EXPECT_NE(page.find("&lt;a&gt; <mark>1</mark>"), std::string::npos);
    EXPECT_NE(page.find("&lt;a&gt; <mark>2</mark>"), std::string::npos);
    EXPECT_NE(page.find("<td>表</td>"), std::string::npos);
    EXPECT_EQ(page.find("<a>"), std::string::npos);
}

// Lines only one side has are left out of the diff before dtl sees it: the script must still turn
// the one side into the other, and match as many lines as the longest common subsequence.
TEST(Compare, EditScriptsAreCompleteAndLongest) {
    std::mt19937 random(29);
    for (int round = 0; round < 300; ++round) {
        const auto side = [&](std::size_t size) {
            std::vector<Text> lines;
            for (std::size_t i = 0; i < size; ++i) {
                // A few repeated lines, and lines of their own.
                const unsigned pick = random() % 8;
                lines.push_back(pick < 5 ? "line " + std::to_string(pick)
                                         : "own " + std::to_string(random()));
            }
            return lines;
        };
        const std::vector<Text> a = side(random() % 30), b = side(random() % 30);
        const std::vector<tg::TextView> viewsA(a.begin(), a.end()), viewsB(b.begin(), b.end());
        const std::vector<tg::LineEdit> edits = tg::diffLines(viewsA, viewsB, {});
        std::vector<Text> madeA, madeB;
        std::size_t common = 0;
        for (const tg::LineEdit& edit : edits) {
            if (edit.kind != tg::LineEdit::Added)
                madeA.push_back(a.at(edit.oldLine));
            if (edit.kind != tg::LineEdit::Removed)
                madeB.push_back(b.at(edit.newLine));
            if (edit.kind == tg::LineEdit::Common) {
                ASSERT_EQ(a[edit.oldLine], b[edit.newLine]);
                ++common;
            }
        }
        ASSERT_EQ(madeA, a);
        ASSERT_EQ(madeB, b);
        std::vector<std::vector<std::size_t>> longest(a.size() + 1,
                                                      std::vector<std::size_t>(b.size() + 1));
        for (std::size_t i = a.size(); i-- > 0;) {
            for (std::size_t j = b.size(); j-- > 0;) {
                longest[i][j] = a[i] == b[j] ? longest[i + 1][j + 1] + 1
                                             : std::max(longest[i + 1][j], longest[i][j + 1]);
            }
        }
        ASSERT_EQ(common, longest[0][0]) << "round " << round;
    }
}

// Views as the window holds them (CR LF after every line) and as a file gives them back (LF,
// no end) have the same lines.
TEST(Compare, LinesOfPaneAndFileAgree) {
    EXPECT_EQ(tg::viewLines("a\r\nb\r\n"), tg::viewLines("a\nb"));
    EXPECT_EQ(tg::viewLines("a\r\rb\n"), (std::vector<tg::TextView>{"a", "", "b"}));
    EXPECT_TRUE(tg::viewLines("").empty());
}

} // namespace
