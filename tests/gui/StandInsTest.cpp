// The nine command views through the real window with the real stand-ins of this machine: each
// ends by itself with output. Nothing leaves the loopback: the targets are 127.0.0.1, tracert
// runs with -d, nslookup asks a name server of this test's own on 127.0.0.1, and nbtstat asks
// 127.0.0.1 alone.

#include "support/MainWindowDriver.h"
#include "support/ScriptedDialogs.h"

#include "commands/CommandRunner.h"
#include "commands/LatencyChart.h"
#include "platform/posix/StandIns.h"
#include "text/Codec.h"

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

using tg::Text;
using tg::test::MainWindowDriver;

namespace {

// Answers every query for an address with 127.0.0.1, on a port of 127.0.0.1 the system chose.
class LoopbackNameServer {
public:
    LoopbackNameServer() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~LoopbackNameServer() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }
    int port() const { return port_; }

private:
    void serve() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char query[512];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            ssize_t n = ::recvfrom(fd_, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&from),
                                   &length);
            if (n < 17)
                continue;
            // The question ends with its type and class after the name's closing zero.
            std::string answer(query, static_cast<size_t>(n));
            size_t end = 12;
            while (end < answer.size() && answer[end] != 0)
                end += 1 + static_cast<unsigned char>(answer[end]);
            end += 5;
            if (end > answer.size())
                continue;
            answer.resize(end);
            bool a = answer[end - 3] == 1 && answer[end - 4] == 0;
            answer[2] = static_cast<char>(0x81); // a response, recursion wanted
            answer[3] = static_cast<char>(0x80); // recursion available, no error
            answer[7] = a ? 1 : 0;               // one answer to an A query
            answer[8] = answer[9] = answer[10] = answer[11] = 0;
            if (a)
                answer += std::string("\xc0\x0c\0\x01\0\x01\0\0\0\x3c\0\x04\x7f\0\0\x01", 16);
            ::sendto(fd_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                     length);
        }
    }

    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

Text cp932(const std::string& utf8) {
    return tg::utf8ToCp932(utf8);
}

size_t count(const Text& text, const Text& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != Text::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

} // namespace

class StandInsTest : public QObject {
    Q_OBJECT

private:
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindowDriver> w;

    Text run(const char* view, const std::string& option, const std::string& target) {
        w->select(view);
        w->type("cmbOption", QString::fromStdString(option));
        w->type("Edit_option2", QString());
        w->type("Edit_target", QString::fromStdString(target));
        w->pressRun(); // returns when the run has ended
        return w->paneText();
    }

    tg::LatencyChart* chart() const { return w->control<tg::LatencyChart>("Chart_latency"); }

private slots:
    void init() {
        MainFormEnvironment environment;
        environment.startChild = [](const Text& line, bool, const tg::platform::WakeSignal& wake) {
            return tg::platform::startChildProcessWith(line, TG_STANDIN_DIR, wake);
        };
        w = std::make_unique<MainWindowDriver>(environment);
        w->form().show();
    }
    void cleanup() { w.reset(); }

    void everyViewEndsByItselfWithOutput_data() {
        QTest::addColumn<QByteArray>("view");
        QTest::addColumn<QByteArray>("option");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("shows"); // UTF-8, alternatives separated by '|'
        QTest::newRow("ipconfig") << QByteArray("ipconfig") << QByteArray("/all") << QByteArray()
                                  << QByteArray("Windows IP 構成");
        QTest::newRow("arp") << QByteArray("arp") << QByteArray("-a") << QByteArray()
                             << QByteArray(
                                    "インターフェイス: |ARP エントリが見つかりませんでした。");
        QTest::newRow("route") << QByteArray("route") << QByteArray("print") << QByteArray()
                               << QByteArray("        127.0.0.0        255.0.0.0         リンク上");
        QTest::newRow("tracert") << QByteArray("tracert") << QByteArray("-d")
                                 << QByteArray("127.0.0.1")
                                 << QByteArray("トレースを完了しました。");
        QTest::newRow("netstat") << QByteArray("netstat") << QByteArray("-an") << QByteArray()
                                 << QByteArray("アクティブな接続");
        QTest::newRow("net") << QByteArray("net") << QByteArray("help") << QByteArray()
                             << QByteArray("NET HELP");
        QTest::newRow("nbtstat") << QByteArray("nbtstat") << QByteArray("-A")
                                 << QByteArray("127.0.0.1")
                                 << QByteArray(
                                        "127.0.0.1 の NetBIOS 名テーブルを問い合わせています");
    }

    void everyViewEndsByItselfWithOutput() {
        QFETCH(QByteArray, view);
        QFETCH(QByteArray, option);
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, shows);
        Text pane = run(view.constData(), option.toStdString(), target.toStdString());
        bool shown = false;
        for (const QByteArray& part : shows.split('|'))
            shown = shown || pane.find(cp932(part.toStdString())) != Text::npos;
        QVERIFY2(shown, pane.c_str());
        QVERIFY(pane.find(tg::cannotRunLine(view.toStdString())) == Text::npos);
    }

    void pingEndsAfterFourEchoesAndTheChartReadsThem() {
        w->trigger("ViewLatency1"); // shown: a hidden chart reads nothing
        Text pane = run("ping", "なし", "127.0.0.1");
        QCOMPARE(count(pane, cp932("127.0.0.1 からの応答: バイト数 =32 ")), size_t(4));
        QVERIFY(pane.find(cp932("送信 = 4、受信 = 4、損失 = 0 (0% の損失)、")) != Text::npos);
        // The latency chart reads the stand-ins' times, as it reads Windows' own.
        const auto& replies = chart()->record().replies();
        QCOMPARE(replies.size(), size_t(4));
        QVERIFY(std::none_of(replies.begin(), replies.end(), [](auto& r) { return r.lost; }));
        run("tracert", "-d", "127.0.0.1");
        const auto& hops = chart()->record().hops();
        QVERIFY(!hops.empty());
        QCOMPARE(hops.back().host, Text("127.0.0.1"));
        QVERIFY(!hops.back().probes.empty() && !hops.back().probes[0].lost);
    }

    void nslookupAsksTheServerItIsGiven() {
        LoopbackNameServer server;
        Text pane =
            run("nslookup", "", "-port=" + std::to_string(server.port()) + " localhost 127.0.0.1");
        QVERIFY2(pane.find(cp932("サーバー:  UnKnown\r\nAddress:  127.0.0.1\r\n")) != Text::npos,
                 pane.c_str());
        QVERIFY(pane.find(cp932("名前:    localhost\r\nAddress:  127.0.0.1\r\n")) != Text::npos);
    }
};

QTEST_MAIN(StandInsTest)
#include "StandInsTest.moc"
