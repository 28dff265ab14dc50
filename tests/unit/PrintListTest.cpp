#include "documents/PrintList.h"
#include "commands/ViewCatalogue.h"
#include "text/Codec.h"
#include "text/Error.h"

#include <gtest/gtest.h>

using tg::StringList;
using tg::Text;

namespace {

// The three per-view arrays as start-up makes them, before any run.
struct Views {
    std::vector<Text> labels, text, defaultText;
    explicit Views(bool isNT) {
        for (int i = 0; i < tg::viewCount(isNT); ++i) {
            int slot = tg::slotOfView(i, isNT);
            labels.emplace_back(tg::slotInfo(slot).label);
            text.push_back(tg::initialText(slot));
            defaultText.push_back(text.back());
        }
    }
    StringList print(size_t count) const {
        return tg::buildPrintList(labels, text, defaultText, "-----", count);
    }
};

// What the list must hold: title, separator, then label, body, separator per view.
StringList expected(const std::vector<Text>& labels, const std::vector<Text>& bodies) {
    StringList out{"TIDEGAUGE-INFO Ver2.0.0", "-----"};
    for (size_t i = 0; i < labels.size(); ++i) {
        out.push_back(labels[i]);
        out.push_back(bodies[i]);
        out.push_back("-----");
    }
    return out;
}

TEST(PrintList, NothingRunGivesEveryLabelWithAnEmptyBody) {
    Views views(true);
    ASSERT_EQ(views.labels.size(), 10u);
    // The help texts the panes show are not output: none of them is printed.
    EXPECT_EQ(views.print(10), expected(views.labels, std::vector<Text>(10)));
    EXPECT_EQ(views.labels.front(), "winconf");
}

TEST(PrintList, RunOutputIsPrintedAndDefaultTextIsNot) {
    Views views(true);
    views.text[3] = "line one\r\nline two\r\n";
    views.text[5] = "";                            // emptied: differs from its default
    views.text[8] = views.defaultText[8] + "\r\n"; // one byte more is a difference
    views.text[9] = Text(views.defaultText[9]);    // reset: an equal copy of its default

    std::vector<Text> bodies(10);
    bodies[3] = "line one\r\nline two\r\n";
    bodies[8] = views.text[8];
    EXPECT_EQ(views.print(10), expected(views.labels, bodies));
    // A view's several lines stay one item, joined with the rest as the document file joins them.
    EXPECT_NE(
        tg::joinLinesCrLf(views.print(10)).find("route\r\nline one\r\nline two\r\n\r\n-----\r\n"),
        Text::npos);
}

TEST(PrintList, NineViewsWithoutNslookup) {
    Views views(false);
    ASSERT_EQ(views.labels.size(), 9u);
    views.text[7] = "net output\r\n";
    std::vector<Text> bodies(9);
    bodies[7] = "net output\r\n";
    EXPECT_EQ(views.print(9), expected(views.labels, bodies));
}

TEST(PrintList, FollowsTheNodeCountAndRefusesMoreNodesThanViews) {
    Views views(true);
    EXPECT_EQ(views.print(0), (StringList{"TIDEGAUGE-INFO Ver2.0.0", "-----"}));
    EXPECT_EQ(views.print(2).size(), 2u + 6u);
    EXPECT_THROW(views.print(11), tg::Error);
}

// Tabs stop every eighth column as the pane stops them: a double-byte character is two columns,
// a half-width kana one, and each line starts at column 0.
TEST(PrintList, TabsBecomeBlanksToTheNextStop) {
    const Text report = tg::utf8ToCp932("OS名:\t\t12 (bookworm)");
    const struct {
        Text in, out;
    } rows[] = {
        {"a\tb", "a       b"},
        {"\tx", "        x"},
        {"12345678\tx", "12345678        x"},
        {report, tg::utf8ToCp932("OS名:           12 (bookworm)")},
        {tg::utf8ToCp932("ｱｲ\tx"), tg::utf8ToCp932("ｱｲ      x")},
        {"ab\r\ncd\te\r\n\tf", "ab\r\ncd      e\r\n        f"},
        {"\x95\x5C\tx", "\x95\x5C      x"}, // 表: its trail byte is no tab or line end
    };
    for (const auto& row : rows)
        EXPECT_EQ(tg::expandTabs(row.in), row.out) << tg::cp932ToUtf8(row.in);
}

} // namespace
