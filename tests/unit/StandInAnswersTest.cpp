// The native answers of the stand-ins, on system files recorded on a test machine
// (tests/unit/netcmd) and on hand-written ones: the exact lines a Japanese Windows would print.

#include "netcmd/Answers.h"
#include "netcmd/Columns.h"

#include <gtest/gtest.h>

#include <linux/if_addr.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstdlib>
#include <ctime>
#include <tuple>

namespace {

using namespace tg::netcmd;

std::string fixture(const std::string& name) {
    auto content = readFile(std::string(TG_NETCMD_FIXTURES) + "/" + name);
    EXPECT_TRUE(content) << name;
    return content.value_or("");
}

std::string text(const Lines& lines, std::size_t from = 0, std::size_t count = 1000) {
    std::string out;
    for (std::size_t i = from; i < lines.size() && i < from + count; ++i)
        out += lines[i] + "\n";
    return out;
}

// Recorded: lo, two down ifb links and eth0 with IPv4, IPv6 and default routes of both.
NetState recorded() {
    NetState net;
    for (const char* dump : {"link.nl", "addr.nl", "route.nl"})
        parseNetlink(fixture(dump), net);
    return net;
}

// Hand-written: several interfaces, IPv6 of every kind, one not connected, no default route.
NetState handWritten() {
    NetState net;
    net.hostName = "tide.example.org";
    net.searchDomains = {"example.org", "lab.example.org"};
    net.dnsServers = {"192.168.1.1", "fd00::53"};
    net.links = {{1, "lo", 772, "", true, true, true, "", "loopback"},
                 {2, "eth0", 1, std::string("\x00\xe0\x4c\xc3\xdd\xd9", 6), true, true, false, "",
                  "e1000e", false, true},
                 {3, "wlan0", 1, std::string("\x02\xfc\0\0\0\x02", 6), true, false, false, "",
                  "iwlwifi", true},
                 {4, "wg0", 65534, "", true, true, false, "wireguard", "wireguard"}};
    net.addresses = {
        {AF_INET, 2, "192.168.1.5", 24},
        {AF_INET, 2, "192.168.7.5", 16},
        {AF_INET6, 2, "fd00::5", 64, IFA_F_PERMANENT, RT_SCOPE_UNIVERSE},
        {AF_INET6, 2, "fd00::a1b2", 64, IFA_F_TEMPORARY | IFA_F_DEPRECATED, RT_SCOPE_UNIVERSE},
        {AF_INET6, 2, "fe80::2e0:4cff:fec3:ddd9", 64, IFA_F_PERMANENT, RT_SCOPE_LINK},
        {AF_INET, 4, "10.8.0.2", 32}};
    net.routes = {{AF_INET, 254, RTN_UNICAST, "192.168.0.0", 16, "", 2, "192.168.7.5", 100},
                  {AF_INET6, 254, RTN_UNICAST, "fd00:1234:5678:9abc:def0:1234:5678:0", 112,
                   "fe80::1", 2, "", 1024},
                  {AF_INET, 254, RTN_UNICAST, "10.8.0.0", 24, "", 4, "", 0},
                  {AF_INET6, 254, RTN_UNREACHABLE, "::", 0, "", 1, "", 0}};
    return net;
}

TEST(StandInAnswers, RoutePrintShowsEveryTableOfTheRecordedDump) {
    Lines lines = routePrintLines(recorded(), {});
    EXPECT_EQ(text(lines, 0, 7),
              R"(===========================================================================
インターフェイス一覧
  1...........................lo (loopback)
  2...f2 d2 69 ac b4 ff ......ifb0 (ifb)
  3...32 48 1e 72 3c 5a ......ifb1 (ifb)
  4...02 fc 00 00 00 01 ......eth0
===========================================================================
)");
    // The loopback's routes come from the local table, which /proc/net/route does not show.
    EXPECT_EQ(
        text(lines, 11, 11),
        R"(ネットワーク宛先        ネットマスク          ゲートウェイ       インターフェイス  メトリック
          0.0.0.0          0.0.0.0        192.0.2.1       192.0.2.2      0
        127.0.0.0        255.0.0.0         リンク上       127.0.0.1      0
        127.0.0.1  255.255.255.255         リンク上       127.0.0.1      0
  127.255.255.255  255.255.255.255         リンク上       127.0.0.1      0
        192.0.2.0    255.255.255.0         リンク上       192.0.2.2      0
        192.0.2.2  255.255.255.255         リンク上       192.0.2.2      0
      192.0.2.255  255.255.255.255         リンク上       192.0.2.2      0
===========================================================================
固定ルート:
  なし
)");
    // Routes of the main and the local table alike, the default first.
    EXPECT_EQ(text(lines, 26, 4), R"( If メトリック ネットワーク宛先      ゲートウェイ
  4   1024 ::/0                     fd00::1
  1      0 ::1/128                  リンク上
  4    256 fd00::/64                リンク上
)");
    EXPECT_EQ(lines.size(), 37u);

    // IPv4 only, and of its rows only the loopback's three.
    Lines filtered = routePrintLines(recorded(), {true, false, "127.*"});
    EXPECT_EQ(text(filtered, 12, 3), text(lines, 13, 3));
    EXPECT_EQ(text(filtered, 15), text(lines, 19, 3));
}

TEST(StandInAnswers, RoutePrintWithoutDefaultRouteWrapsLongDestinations) {
    Lines lines = routePrintLines(handWritten(), {});
    EXPECT_EQ(text(lines, 4, 2), "  3...02 fc 00 00 00 02 ......wlan0 (iwlwifi)\n"
                                 "  4...........................wg0 (wireguard)\n");
    EXPECT_EQ(text(lines, 12, 2),
              "         10.8.0.0    255.255.255.0         リンク上        10.8.0.2      0\n"
              "      192.168.0.0      255.255.0.0         リンク上     192.168.7.5    100\n");
    EXPECT_EQ(text(lines, 21, 3), R"( If メトリック ネットワーク宛先      ゲートウェイ
  2   1024 fd00:1234:5678:9abc:def0:1234:5678:0/112
                                    fe80::1
)");
}

TEST(StandInAnswers, IpconfigOfTheRecordedMachine) {
    NetState net = recorded();
    net.hostName = "vm";
    net.dnsServers = {"10.255.255.53"};
    Lines lines = ipconfigLines(net, true);
    // A link that is down.
    EXPECT_EQ(text(lines, 7, 9), R"(イーサネット アダプター ifb0:

   メディアの状態. . . . . . . . . . . . .: メディアは接続されていません
   接続固有の DNS サフィックス . . . . . .:
   説明. . . . . . . . . . . . . . . . . .: ifb
   物理アドレス. . . . . . . . . . . . . .: F2-D2-69-AC-B4-FF
   DHCP 有効 . . . . . . . . . . . . . . .: いいえ
   自動構成有効. . . . . . . . . . . . . .: はい

)");
    EXPECT_EQ(text(lines, 25), R"(イーサネット アダプター eth0:

   接続固有の DNS サフィックス . . . . . .:
   説明. . . . . . . . . . . . . . . . . .: eth0
   物理アドレス. . . . . . . . . . . . . .: 02-FC-00-00-00-01
   DHCP 有効 . . . . . . . . . . . . . . .: いいえ
   自動構成有効. . . . . . . . . . . . . .: はい
   IPv6 アドレス . . . . . . . . . . . . .: fd00::2(優先)
   リンクローカル IPv6 アドレス. . . . . .: fe80::fc:ff:fe00:1%4(優先)
   IPv4 アドレス . . . . . . . . . . . . .: 192.0.2.2(優先)
   サブネット マスク . . . . . . . . . . .: 255.255.255.0
   デフォルト ゲートウェイ . . . . . . . .: fd00::1
                                            192.0.2.1
   DNS サーバー. . . . . . . . . . . . . .: 10.255.255.53

)");
}

TEST(StandInAnswers, IpconfigOfSeveralInterfacesWithoutDefaultRoute) {
    NetState net = handWritten();
    EXPECT_EQ(text(ipconfigLines(net, false)), R"(
Windows IP 構成


イーサネット アダプター eth0:

   接続固有の DNS サフィックス . . . . .: example.org
   IPv6 アドレス . . . . . . . . . . . .: fd00::5
   一時 IPv6 アドレス. . . . . . . . . .: fd00::a1b2
   リンクローカル IPv6 アドレス. . . . .: fe80::2e0:4cff:fec3:ddd9%2
   IPv4 アドレス . . . . . . . . . . . .: 192.168.1.5
   サブネット マスク . . . . . . . . . .: 255.255.255.0
   IPv4 アドレス . . . . . . . . . . . .: 192.168.7.5
   サブネット マスク . . . . . . . . . .: 255.255.0.0
   デフォルト ゲートウェイ . . . . . . .:

Wireless LAN アダプター wlan0:

   メディアの状態. . . . . . . . . . . .: メディアは接続されていません
   接続固有の DNS サフィックス . . . . .:

トンネル アダプター wg0:

   接続固有の DNS サフィックス . . . . .: example.org
   IPv4 アドレス . . . . . . . . . . . .: 10.8.0.2
   サブネット マスク . . . . . . . . . .: 255.255.255.255
   デフォルト ゲートウェイ . . . . . . .:

)");
    Lines all = ipconfigLines(net, true);
    EXPECT_EQ(text(all, 3, 5), R"(   ホスト名. . . . . . . . . . . . . . . .: tide
   プライマリ DNS サフィックス . . . . . .: example.org
   IP ルーティング有効 . . . . . . . . . .: いいえ
   DNS サフィックス検索一覧. . . . . . . .: example.org
                                            lab.example.org
)");
    EXPECT_EQ(text(all, 14, 4), R"(   DHCP 有効 . . . . . . . . . . . . . . .: はい
   自動構成有効. . . . . . . . . . . . . .: はい
   IPv6 アドレス . . . . . . . . . . . . .: fd00::5(優先)
   一時 IPv6 アドレス. . . . . . . . . . .: fd00::a1b2(推奨されない)
)");
    EXPECT_EQ(text(all, 24, 2), R"(   DNS サーバー. . . . . . . . . . . . . .: 192.168.1.1
                                            fd00::53
)");
}

TEST(StandInAnswers, ArpGroupsNeighboursByInterface) {
    NetState net = handWritten();
    EXPECT_EQ(text(arpLines(fixture("arp"), net, {})), R"(
インターフェイス: 192.168.1.5 --- 0x2
  インターネット アドレス 物理アドレス          種類
  192.168.1.3           52-54-00-aa-bb-cc     静的
  192.168.1.20          00-e0-4c-c3-dd-d9     動的

インターフェイス: 0.0.0.0 --- 0x3
  インターネット アドレス 物理アドレス          種類
  10.0.0.1              02-fc-00-00-00-05     動的
)");
    EXPECT_EQ(text(arpLines(fixture("arp"), net, {"", "192.168.1.5", true}), 3),
              "  192.168.1.3           52-54-00-aa-bb-cc     静的\n"
              "  192.168.1.20          00-e0-4c-c3-dd-d9     動的\n"
              "  192.168.1.99          00-00-00-00-00-00     無効\n");
    EXPECT_EQ(text(arpLines(fixture("arp"), net, {"10.9.9.9", "", false})),
              "ARP エントリが見つかりませんでした。\n");
}

std::vector<Socket> sockets() {
    std::vector<Socket> all;
    for (auto [file, protocol, v6] : {std::tuple{"tcp", "TCP", false},
                                      {"tcp6", "TCP", true},
                                      {"udp", "UDP", false},
                                      {"udp6", "UDP", true}}) {
        auto some = parseSockets(fixture(file), protocol, v6);
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

TEST(StandInAnswers, NetstatConnections) {
    const std::string heading =
        "\nアクティブな接続\n\n"
        "  プロトコル  ローカル アドレス      外部アドレス           状態\n";
    EXPECT_EQ(text(connectionLines(sockets(), {true, true, ""})),
              heading + R"(  TCP    0.0.0.0:22             0.0.0.0:0              LISTENING
  TCP    127.0.0.1:5000         127.0.0.1:40000        ESTABLISHED
  TCP    192.168.0.2:54321      192.168.0.10:443       TIME_WAIT
  TCP    [::]:80                [::]:0                 LISTENING
  TCP    [::1]:80               [::1]:40960            ESTABLISHED
  UDP    0.0.0.0:68             *:*
  UDP    [::]:546               *:*
)");
    // Without -a only connections; without -n the foreign end by name.
    ConnectionOptions named;
    named.hostName = [](const std::string& a) { return a == "192.168.0.10" ? "nas" : a; };
    named.serviceName = [](unsigned port, const std::string&) {
        return port == 443 ? "https" : std::to_string(port);
    };
    EXPECT_EQ(text(connectionLines(sockets(), named)),
              heading + R"(  TCP    127.0.0.1:5000         127.0.0.1:40000        ESTABLISHED
  TCP    192.168.0.2:54321      nas:https              TIME_WAIT
  TCP    [::1]:80               [::1]:40960            ESTABLISHED
)");
    EXPECT_EQ(text(connectionLines(sockets(), {true, true, "UDPV6"}), 4),
              "  UDP    [::]:546               *:*\n");
}

TEST(StandInAnswers, NetstatStatistics) {
    EXPECT_EQ(text(interfaceStatisticsLines(fixture("dev"), fixture("snmp"), fixture("netstat"))),
              R"(インターフェイスの統計

                               受信            送信

バイト                    309992803          314856
ユニキャスト パケット          7900            4409
ユニキャスト以外のパケット       14               3
破棄                              0               0
エラー                            0               0
不明なプロトコル                  0
)");
    Lines all = protocolStatisticsLines(fixture("snmp"), fixture("snmp6"), "");
    EXPECT_EQ(text(all, 0, 4), "\nIPv4 統計\n\n  受信したパケット                   = 8531\n");
    EXPECT_EQ(text(protocolStatisticsLines(fixture("snmp"), fixture("snmp6"), "ICMP"), 3, 4),
              R"(                            受信        送信
  メッセージ                92          93
  エラー                    0           0
  宛先に到達できません      42          41
)");
    EXPECT_EQ(text(protocolStatisticsLines(fixture("snmp"), fixture("snmp6"), "TCP")),
              R"(
TCP 統計 (IPv4 と IPv6 の合計)

  アクティブ オープン                = 496
  パッシブ オープン                  = 2
  失敗した接続試行                   = 474
  リセットされた接続                 = 0
  現在の接続                         = 0
  受信したセグメント                 = 8807
  送信したセグメント                 = 5296
  再送信されたセグメント             = 0
)");
    EXPECT_EQ(text(protocolStatisticsLines(fixture("snmp"), fixture("snmp6"), "IPV6"), 3, 1),
              "  受信したパケット                   = " +
                  std::to_string(counters(fixture("snmp6"))["Ip6InReceives"]) + "\n");
}

TEST(StandInAnswers, NetAccountsAndStatistics) {
    EXPECT_EQ(text(netUserLines("TIDE", {{"root"}, {"alice"}, {"bob"}, {"carol"}})), R"(
\\TIDE のユーザー アカウント

-------------------------------------------------------------------------------
root                     alice                    bob
carol
コマンドは正常に終了しました。

)");
    EXPECT_EQ(text(netUserDetailLines(
                  {"alice", "Alice Liddell", "/home/alice", "/bin/bash", {"alice", "sudo"}})),
              R"(ユーザー名                   alice
フル ネーム                  Alice Liddell
ホーム ディレクトリ          /home/alice
ログオン シェル              /bin/bash

ローカル グループ メンバーシップ  *alice                *sudo
コマンドは正常に終了しました。

)");
    EXPECT_EQ(text(netLocalgroupDetailLines({"sudo", {"alice", "bob"}}), 5, 3),
              std::string(79, '-') + "\nalice\nbob\n");

    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(
        text(netStatisticsLines("TIDE", "server", fixture("snmp"), fixture("netstat"), 1700000000)),
        R"(\\TIDE のサーバー統計


統計開始日時 2023/11/14 22:13:20


  受け入れたセッション                         2
  エラーで切断されたセッション                 0
  送信バイト数                                 288659
  受信バイト数                                 309918166

コマンドは正常に終了しました。

)");
    EXPECT_EQ(netHelpLines("Send").back(), "このコンピューター (Linux) にはこの機能がありません。");
    EXPECT_EQ(netHelpLines("bogus"), Lines{"NET HELP: bogus というコマンドはありません。"});
}

TEST(StandInAnswers, NetbiosNodeStatus) {
    std::string request = nodeStatusRequest(0x1234);
    ASSERT_EQ(request.size(), 50u);
    EXPECT_EQ(request.substr(0, 4), std::string("\x12\x34\0\0", 4));
    EXPECT_EQ(request.substr(13, 4), "CKAA"); // "*" then NUL padding
    EXPECT_EQ(request.substr(46), std::string("\0\x21\0\x01", 4));

    // The answer names the question by a pointer, then two names and the MAC address.
    std::string answer("\x12\x34\x84\x00\0\0\0\x01\0\0\0\0\xc0\x0c\0\x21\0\x01\0\0\0\0\0\x2b\x02",
                       25);
    answer += std::string("TIDEPC01       \x20\x04\x00", 18);
    answer += std::string("WORKGROUP      \x00\x84\x00", 18);
    answer += std::string("\x00\xe0\x4c\xc3\xdd\xd9", 6);
    auto lines = nodeStatusLines(answer, 0x1234);
    ASSERT_TRUE(lines);
    EXPECT_EQ(text(*lines), R"(           NetBIOS リモート コンピューター ネーム テーブル

       名前               種類         状態
    ---------------------------------------------
    TIDEPC01       <20>  一意        登録済
    WORKGROUP      <00>  グループ    登録済

    MAC アドレス = 00-E0-4C-C3-DD-D9
)");
    EXPECT_FALSE(nodeStatusLines(answer, 0x4321));               // another request's answer
    EXPECT_FALSE(nodeStatusLines(answer.substr(0, 40), 0x1234)); // cut short
}

TEST(StandInAnswers, PingSummaryAsWindowsPrintsIt) {
    PingOutput ping("example.net", 32, "");
    Lines all;
    for (const char* line :
         {"PING example.net (192.0.2.9) 32(60) bytes of data.",
          "40 bytes from 192.0.2.9: icmp_seq=1 ttl=57 time=12.7 ms", "no answer yet for icmp_seq=2",
          "From 192.0.2.254 icmp_seq=3 Destination Host Unreachable",
          "40 bytes from 192.0.2.9: icmp_seq=3 ttl=57 time=3.05 ms (DUP!)", "",
          "--- example.net ping statistics ---",
          "5 packets transmitted, 1 received, +1 errors, 80% packet loss",
          "rtt min/avg/max/mdev = 12.7/12.7/12.7/0.0 ms"}) {
        auto out = ping.line(line);
        all.insert(all.end(), out.begin(), out.end());
    }
    auto end = ping.finish();
    all.insert(all.end(), end.begin(), end.end());
    // The last two echoes went unanswered without a line of their own.
    EXPECT_EQ(text(all), R"(
example.net [192.0.2.9]に ping を送信しています 32 バイトのデータ:
192.0.2.9 からの応答: バイト数 =32 時間 =12ms TTL=57
要求がタイムアウトしました。
192.0.2.254 からの応答: 宛先ホストに到達できません。
要求がタイムアウトしました。
要求がタイムアウトしました。

192.0.2.9 の ping 統計:
    パケット数: 送信 = 5、受信 = 2、損失 = 3 (60% の損失)、
ラウンド トリップの概算時間 (ミリ秒):
    最小 = 12ms、最大 = 12ms、平均 = 12ms
)");

    PingOutput unknown("nowhere.invalid", 32, "");
    EXPECT_EQ(text(unknown.line("ping: nowhere.invalid: Name or service not known")),
              "ping 要求ではホスト nowhere.invalid が見つかりませんでした。ホスト名を確認して"
              "もう一度実行してください。\n");
    EXPECT_TRUE(unknown.finish().empty());
    EXPECT_FALSE(unknown.anyReply());

    PingOutput six("::1", 32, "localhost");
    EXPECT_EQ(text(six.line("PING ::1(::1) 32 data bytes")),
              "\nlocalhost [::1]に ping を送信しています 32 バイトのデータ:\n");
    EXPECT_EQ(text(six.line("40 bytes from ::1: icmp_seq=1 ttl=64 time=0.040 ms")),
              "::1 からの応答: 時間 <1ms\n");

    // -r: the hops under each reply, again for iputils' "(same route)"; Ctrl+C counts only the
    // echoes seen and says so.
    PingOutput route("127.0.0.1", 32, "");
    Lines hops;
    for (const char* line :
         {"PING 127.0.0.1 (127.0.0.1) 32(100) bytes of data.",
          "40 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.256 ms", "RR: \t127.0.0.1",
          "\t198.51.100.1", "\t127.0.0.1", "",
          "40 bytes from 127.0.0.1: icmp_seq=2 ttl=64 time=1.049 ms\t(same route)", "",
          "3 packets transmitted, 2 received, 33% packet loss"}) {
        auto out = route.line(line);
        hops.insert(hops.end(), out.begin(), out.end());
    }
    auto stopped = route.finish(true);
    hops.insert(hops.end(), stopped.begin(), stopped.end());
    EXPECT_EQ(text(hops), R"(
127.0.0.1 に ping を送信しています 32 バイトのデータ:
127.0.0.1 からの応答: バイト数 =32 時間 <1ms TTL=64
    ルート: 127.0.0.1 ->
            198.51.100.1 ->
            127.0.0.1
127.0.0.1 からの応答: バイト数 =32 時間 =1ms TTL=64
    ルート: 127.0.0.1 ->
            198.51.100.1 ->
            127.0.0.1

127.0.0.1 の ping 統計:
    パケット数: 送信 = 2、受信 = 2、損失 = 0 (0% の損失)、
ラウンド トリップの概算時間 (ミリ秒):
    最小 = 0ms、最大 = 1ms、平均 = 0ms
Ctrl+C
)");
}

TEST(StandInAnswers, TracertRowsAsWindowsPrintsThem) {
    TracertOutput trace("example.net");
    Lines all;
    for (const char* line : {"traceroute to example.net (192.0.2.9), 30 hops max, 60 byte packets",
                             " 1  gw.lan (192.168.1.1)  0.512 ms  0.401 ms  0.389 ms", " 2  * * *",
                             " 3  * 198.51.100.7 (198.51.100.7)  11.2 ms !H  12.9 ms",
                             " 4  example.net (192.0.2.9)  13.1 ms  12.8 ms  13.0 ms"}) {
        auto out = trace.line(line);
        all.insert(all.end(), out.begin(), out.end());
    }
    EXPECT_TRUE(TracertOutput(trace).finish(true).empty()); // Ctrl+C: not complete
    auto end = trace.finish();
    all.insert(all.end(), end.begin(), end.end());
    EXPECT_EQ(text(all), R"(
example.net [192.0.2.9] へのルートをトレースしています
経由するホップ数は最大 30 です:

  1    <1 ms    <1 ms    <1 ms  gw.lan [192.168.1.1]
  2     *        *        *     要求がタイムアウトしました。
  3     *       11 ms    12 ms  198.51.100.7
  4    13 ms    12 ms    13 ms  example.net [192.0.2.9]

トレースを完了しました。
)");
}

} // namespace
