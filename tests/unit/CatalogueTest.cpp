#include "commands/ViewCatalogue.h"
#include "resources/StringTable.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

using namespace tg;

namespace {

const Text kBreak = "\r\r\n";
const Text kIdeographicSpace = "\x81\x40";

} // namespace

TEST(StringTable, RouteHelpHasItsIdeographicSpaces) {
    const Text& route = loadString(3);
    EXPECT_NE(route.find("  add" + kIdeographicSpace + kIdeographicSpace + kIdeographicSpace +
                         kIdeographicSpace + "\x81\x46"),
              Text::npos);
    EXPECT_NE(route.find("  delete " + kIdeographicSpace + kIdeographicSpace + "\x81\x46"),
              Text::npos);
    EXPECT_NE(route.find("  change " + kIdeographicSpace + kIdeographicSpace + "\x81\x46"),
              Text::npos);
    EXPECT_EQ(route.substr(route.size() - 28), "  >route delete 192.168.1.10");
}

TEST(StringTable, NetstatAndNetTextsAreExact) {
    const Text& netstat = loadString(6);
    EXPECT_NE(netstat.find(kBreak + kIdeographicSpace + "-s        "), Text::npos);
    EXPECT_EQ(netstat.substr(netstat.size() - 18), "  >netstat -sp TCP");

    const Text& net = loadString(8);
    EXPECT_EQ(net.substr(0, 16 + 3), utf8ToCp932("<主なオプション>") + kBreak);
    EXPECT_NE(net.find("  <" + utf8ToCp932("例") + "> view " + kBreak), Text::npos);
    EXPECT_EQ(net.substr(net.size() - 3), kBreak);
    EXPECT_NE(net.find(utf8ToCp932("ユーザーアカウントの表示、追加と修正 ") + kBreak), Text::npos);
}

TEST(StringTable, OverviewsEndAsStored) {
    EXPECT_EQ(loadString(10), utf8ToCp932("<概要>\r\r\nコンピュータシステム基本情報を表示します。"
                                          "\r\r\nOS名、OSバージョン（詳細）、"
                                          "ネットワークアダプタなどの情報"));
    EXPECT_EQ(loadString(17),
              utf8ToCp932("<概要>\r\r\nDNSクライアントの名前解決をコマンドレベルで行"
                          "います。\r\r\nIPアドレス→ホスト名、ホスト名→IPアドレスなど"));
    EXPECT_EQ(loadString(11).substr(loadString(11).size() - 6), kBreak + kBreak);
}

TEST(StringTable, EveryEntryIsCleanCp932AndMissingIdsAreEmpty) {
    for (int id : {1,  2,  3,  4,  5,  6,   8,   9,   10,  11,  12,  13,  14,
                   15, 16, 17, 18, 19, 101, 102, 103, 104, 105, 106, 108, 109}) {
        const Text& text = loadString(id);
        ASSERT_FALSE(text.empty()) << id;
        // No character fell out of the code page on the way from the UTF-8 source.
        EXPECT_EQ(text.find('?'), Text::npos) << id;
        EXPECT_EQ(utf8ToCp932(cp932ToUtf8(text)), text) << id;
    }
    for (int id : {0, 7, 20, 100, 107, 110, -1})
        EXPECT_TRUE(loadString(id).empty()) << id;
}

TEST(Catalogue, SlotsFollowViewsWithAndWithoutNslookup) {
    EXPECT_EQ(viewCount(true), 10);
    EXPECT_EQ(viewCount(false), 9);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(slotOfView(i, true), i);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(slotOfView(i, false), i);
    EXPECT_EQ(slotOfView(7, false), 8);
    EXPECT_EQ(std::string(slotInfo(slotOfView(7, false)).label), "net");
    EXPECT_EQ(std::string(slotInfo(slotOfView(8, false)).label), "nbtstat");
}

TEST(Catalogue, TextsOfAView) {
    // winconf and nslookup have no options help: overview alone, empty command help.
    EXPECT_EQ(initialText(0), loadString(10));
    EXPECT_TRUE(commandHelpText(0).empty());
    EXPECT_EQ(initialText(7), loadString(17));
    EXPECT_TRUE(commandHelpText(7).empty());
    const Text net = initialText(8);
    EXPECT_EQ(net, loadString(18) + loadString(8));
    EXPECT_EQ(net.find(utf8ToCp932("<概要>")), 0u);
    EXPECT_NE(net.find(kBreak + kBreak + utf8ToCp932("<主なオプション>")), Text::npos);
}
