// The platform's prober against this computer's own loopback addresses: the echo comes back
// from the target, for the request it answers.
#include "platform/Prober.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace tg::platform;

class ProberLoopback : public ::testing::TestWithParam<const char*> {};

TEST_P(ProberLoopback, EchoComesBackForItsOwnSequence) {
    std::string problem;
    const std::vector<HostAddress> target = resolveHost(GetParam(), problem);
    ASSERT_EQ(target.size(), 1u) << problem;
    EXPECT_EQ(target[0].text, GetParam());
    OpenedProber opened = openProber(target[0], 32, std::chrono::milliseconds(1000));
    if (!opened.prober)
        GTEST_SKIP() << "no ICMP here: " << opened.problem;
    opened.prober->send(1, 41);
    opened.prober->send(64, 42);
    std::vector<ProbeAnswer> answers;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (answers.size() < 2 && std::chrono::steady_clock::now() < deadline) {
        for (const ProbeAnswer& a : opened.prober->receive(std::chrono::milliseconds(100)))
            answers.push_back(a);
    }
    if (answers.empty() && std::string(GetParam()) == "::1")
        GTEST_SKIP() << "no answer from ::1: IPv6 may be off on this computer";
    ASSERT_EQ(answers.size(), 2u) << opened.method;
    for (const ProbeAnswer& a : answers) {
        EXPECT_EQ(a.identifier, opened.prober->identifier());
        EXPECT_TRUE(a.sequence == 41 || a.sequence == 42);
        EXPECT_EQ(a.kind, ReplyKind::EchoReply);
        EXPECT_EQ(a.from, GetParam());
        EXPECT_GE(a.rttMicros, 0);
        EXPECT_LT(a.rttMicros, 1'000'000);
    }
    EXPECT_NE(answers[0].sequence, answers[1].sequence);
}

INSTANTIATE_TEST_SUITE_P(, ProberLoopback, ::testing::Values("127.0.0.1", "::1"),
                         [](const auto& info) {
                             return std::string(info.param[0] == ':' ? "IPv6" : "IPv4");
                         });
