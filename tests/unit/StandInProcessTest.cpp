// The built stand-ins as the window starts them, in a process group of their own: netstat names
// the owner of a listener and a connection this test holds on the loopback, and ping answers
// the group's SIGINT with Windows's statistics.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace {

const std::string kDir = TG_STANDIN_DIR;

struct Child {
    pid_t pid = 0;
    int out = -1;
};

// The command's output on a pipe; its own process group, as the window gives it.
Child start(std::vector<std::string> argv) {
    int fds[2];
    Child c;
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return c;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    std::vector<char*> args;
    for (auto& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    if (::posix_spawn(&c.pid, args[0], &actions, &attributes, args.data(), environ) != 0)
        c.pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(fds[1]);
    c.out = fds[0];
    return c;
}

// Reads until the text holds until (or the pipe ends, or 20 s pass).
void readUntil(Child& c, std::string& text, const std::string& until) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((until.empty() || text.find(until) == std::string::npos) &&
           std::chrono::steady_clock::now() < end) {
        pollfd p{c.out, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buffer[4096];
        ssize_t n = ::read(c.out, buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

int finish(Child& c, std::string& text) {
    readUntil(c, text, "");
    ::close(c.out);
    int status = 0;
    ::waitpid(c.pid, &status, 0);
    return status;
}

std::string run(std::vector<std::string> argv) {
    Child c = start(std::move(argv));
    std::string text;
    finish(c, text);
    return text;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    return out;
}

// A listener on 127.0.0.1 and one connection to it, held by this process.
class LoopbackPair {
public:
    LoopbackPair() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
        port_ = ntohs(a.sin_port);
        client_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::connect(client_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        accepted_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    }
    ~LoopbackPair() {
        ::close(accepted_);
        ::close(client_);
        ::close(listener_);
    }
    std::string local() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    int listener_ = -1, client_ = -1, accepted_ = -1;
    unsigned port_ = 0;
};

// The row of the listener: "TCP  127.0.0.1:port  0.0.0.0:0  LISTENING ..."
std::size_t listenerRow(const std::vector<std::string>& lines, const std::string& local) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(" " + local + " ") != std::string::npos &&
            lines[i].find("LISTENING") != std::string::npos)
            return i;
    return lines.size();
}

const char* kNote = "個の接続の所有者は表示されていません。";

TEST(StandInProcess, NetstatNamesTheOwnerOfLoopbackSockets) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root: another user's sockets are compared";
    LoopbackPair pair;
    const std::string pid = std::to_string(::getpid());

    auto ano = linesOf(run({kDir + "/netstat", "-ano"}));
    std::size_t row = listenerRow(ano, pair.local());
    ASSERT_LT(row, ano.size());
    EXPECT_TRUE(ano[row].ends_with("LISTENING       " + pid)) << ano[row];
    ASSERT_GE(ano.size(), 4u);
    EXPECT_TRUE(ano[3].ends_with("状態       PID")) << ano[3];
    std::size_t established = 0;
    for (const auto& line : ano)
        if (line.find(pair.local()) != std::string::npos && line.find("ESTABLISHED") != line.npos)
            established += line.ends_with(" " + pid);
    EXPECT_EQ(established, 2u); // both ends are this process's
    for (const auto& line : ano)
        EXPECT_EQ(line.find(kNote), std::string::npos) << line;

    auto b = linesOf(run({kDir + "/netstat", "-anb"}));
    row = listenerRow(b, pair.local());
    ASSERT_LT(row + 1, b.size());
    EXPECT_EQ(b[row + 1], " [netcmd_test]");

    // Another user sees the rows but not their owner, and is told how many are hidden.
    auto hidden = linesOf(run({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                               "--clear-groups", "--", kDir + "/netstat", "-anob"}));
    row = listenerRow(hidden, pair.local());
    ASSERT_LT(row + 1, hidden.size());
    EXPECT_TRUE(hidden[row].ends_with("LISTENING")) << hidden[row];
    EXPECT_TRUE(hidden[row + 1].starts_with("  TCP")) << hidden[row + 1];
    ASSERT_FALSE(hidden.empty());
    EXPECT_NE(hidden.back().find(kNote), std::string::npos) << hidden.back();
}

TEST(StandInProcess, PingAnswersTheGroupsInterruptWithItsStatistics) {
    Child c = start({kDir + "/ping", "-t", "127.0.0.1"});
    ASSERT_GT(c.pid, 0);
    std::string text;
    readUntil(c, text, "TTL=64\n127.0.0.1 からの応答");
    ASSERT_NE(text.find("TTL="), std::string::npos) << text;
    // The window's abort: SIGINT to the whole group, the system's ping in it too.
    ::kill(-c.pid, SIGINT);
    int status = finish(c, text);
    EXPECT_TRUE(WIFEXITED(status)) << text;
    auto lines = linesOf(text);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines.back(), "Ctrl+C");
    EXPECT_NE(text.find("127.0.0.1 の ping 統計:\n    パケット数: 送信 = "), std::string::npos)
        << text;
    EXPECT_EQ(text.find("要求がタイムアウトしました。"), std::string::npos) << text;
    // Nothing of the group is left behind.
    EXPECT_EQ(::kill(-c.pid, 0), -1);
}

} // namespace
