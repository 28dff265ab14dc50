#include "commands/Latency.h"
#include "text/Codec.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

using tg::LatencyKind;
using tg::LatencyRecord;

// A recorded output as a view holds it: cp932, every line ended by CR LF.
tg::Text output(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + "\r\n";
    return tg::utf8ToCp932(text);
}

struct Trip {
    bool lost;
    double ms;
    bool under;
};

void expectReplies(const LatencyRecord& record, std::initializer_list<Trip> expected) {
    ASSERT_EQ(record.replies().size(), expected.size());
    size_t i = 0;
    for (const Trip& trip : expected) {
        const tg::RoundTrip& got = record.replies()[i++];
        EXPECT_EQ(got.lost, trip.lost) << "reply " << i;
        EXPECT_DOUBLE_EQ(got.ms, trip.ms) << "reply " << i;
        EXPECT_EQ(got.under, trip.under) << "reply " << i;
    }
}

LatencyRecord recordOf(LatencyKind kind, const tg::Text& text) {
    LatencyRecord record;
    record.reset(kind);
    record.addText(text);
    return record;
}

} // namespace

TEST(Latency, PingRepliesAndLossesInTheJapaneseLayouts) {
    const LatencyRecord record = recordOf(
        LatencyKind::Ping,
        output(
            {"", "192.0.2.1 に ping を送信しています 32 バイトのデータ:",
             "192.0.2.1 からの応答: バイト数 =32 時間 =12ms TTL=57",
             "192.0.2.1 からの応答: バイト数 =32 時間 <1ms TTL=57", "要求がタイムアウトしました。",
             "192.0.2.1 からの応答: バイト数 =32 時間=8ms TTL=57",
             "192.168.0.1 からの応答: 宛先ホストに到達できません。", "::1 からの応答: 時間 <1ms",
             "PING: 転送に失敗しました。一般エラーです。", "", "192.0.2.1 の ping 統計:",
             "    パケット数: 送信 = 7、受信 = 6、損失 = 1 (14% の損失)、",
             "ラウンド トリップの概算時間 (ミリ秒):", "    最小 = 0ms、最大 = 12ms、平均 = 5ms"}));
    expectReplies(record, {{false, 12, false},
                           {false, 1, true},
                           {true, 0, false},
                           {false, 8, false},
                           {true, 0, false},
                           {false, 1, true},
                           {true, 0, false}});
    // As ping's own statistics count them: an error answer is received, "<1ms" is 0.
    const tg::PingSummary sum = record.summary();
    EXPECT_EQ(sum.sent, 7);
    EXPECT_EQ(sum.received, 6);
    EXPECT_EQ(sum.timed, 4);
    EXPECT_DOUBLE_EQ(sum.minimum, 0);
    EXPECT_DOUBLE_EQ(sum.maximum, 12);
    EXPECT_DOUBLE_EQ(sum.average, 5);
}

TEST(Latency, PingRepliesInTheEnglishAndLinuxLayouts) {
    const LatencyRecord english =
        recordOf(LatencyKind::Ping,
                 output({"Pinging 192.0.2.1 with 32 bytes of data:",
                         "Reply from 192.0.2.1: bytes=32 time=12ms TTL=57",
                         "Reply from 192.0.2.1: bytes=32 time<1ms TTL=57", "Request timed out.",
                         "Reply from 192.168.0.1: Destination host unreachable.", "",
                         "Ping statistics for 192.0.2.1:",
                         "    Packets: Sent = 4, Received = 2, Lost = 2 (50% loss),",
                         "Approximate round trip times in milli-seconds:",
                         "    Minimum = 0ms, Maximum = 12ms, Average = 6ms"}));
    expectReplies(english,
                  {{false, 12, false}, {false, 1, true}, {true, 0, false}, {true, 0, false}});

    const LatencyRecord linux = recordOf(
        LatencyKind::Ping, output({"PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.",
                                   "64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.045 ms",
                                   "64 bytes from 127.0.0.1: icmp_seq=2 ttl=64 time=1.50 ms", "",
                                   "2 packets transmitted, 2 received, 0% packet loss, time 1001ms",
                                   "rtt min/avg/max/mdev = 0.045/0.772/1.500/0.727 ms"}));
    expectReplies(linux, {{false, 0.045, false}, {false, 1.5, false}});
}

TEST(Latency, TraceHopsWithNamesWithoutAndTimedOut) {
    for (const auto& [header, timeout, done] :
         {std::tuple{"ルート.example [192.0.2.1] へのルートをトレースしています",
                     "要求がタイムアウトしました。", "トレースを完了しました。"},
          std::tuple{"Tracing route to route.example [192.0.2.1]", "Request timed out.",
                     "Trace complete."}}) {
        const std::string hop3 = std::string("  3     *        *        *     ") + timeout;
        const LatencyRecord record =
            recordOf(LatencyKind::Trace,
                     output({"", header, "経由するホップ数は最大 30 です:", "",
                             "  1    <1 ms    <1 ms    <1 ms  192.168.0.1",
                             "  2     5 ms     4 ms     6 ms  gw.example.net [198.51.100.1]",
                             hop3.c_str(), "  4    12 ms     *       13 ms  192.0.2.1", "", done}));
        const auto& hops = record.hops();
        ASSERT_EQ(hops.size(), 4u) << header;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(hops[size_t(i)].number, i + 1);
            EXPECT_EQ(hops[size_t(i)].probes.size(), 3u);
        }
        EXPECT_TRUE(hops[0].probes[2].under);
        EXPECT_DOUBLE_EQ(hops[0].probes[2].ms, 1);
        EXPECT_EQ(hops[0].host, "192.168.0.1");
        EXPECT_DOUBLE_EQ(hops[1].probes[2].ms, 6);
        EXPECT_EQ(hops[1].host, "gw.example.net [198.51.100.1]");
        EXPECT_TRUE(hops[2].probes[0].lost && hops[2].probes[1].lost && hops[2].probes[2].lost);
        EXPECT_EQ(hops[2].host, tg::utf8ToCp932(timeout));
        EXPECT_FALSE(hops[3].probes[0].lost);
        EXPECT_TRUE(hops[3].probes[1].lost);
        EXPECT_DOUBLE_EQ(hops[3].probes[2].ms, 13);
    }
}

TEST(Latency, LinesThatOnlyLookLikeTimesAreNone) {
    for (const char* line :
         {"4 packets transmitted, 4 received, 0% packet loss, time 3062ms",
          "ラウンド トリップの概算時間 (ミリ秒):", "lifetime=12ms", "time=12msec", "time=ms",
          "ping 要求ではホスト nohost が見つかりませんでした。"}) {
        EXPECT_FALSE(tg::parsePingLine(tg::utf8ToCp932(line))) << line;
    }
    for (const char* line :
         {" 1  _gateway (192.168.0.1)  0.345 ms  0.301 ms  0.290 ms", "  1    *x", "  2     5 msec",
          "  0     1 ms", "経由するホップ数は最大 30 です:", "1234    1 ms"}) {
        EXPECT_FALSE(tg::parseHopLine(tg::utf8ToCp932(line))) << line;
    }
}
