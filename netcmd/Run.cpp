#include "netcmd/Run.h"

#include "netcmd/Answers.h"
#include "netcmd/Columns.h"
#include "netcmd/Translate.h"
#include "platform/SocketOwners.h"
#include "platform/ToolRun.h"
#include "platform/posix/Addresses.h"
#include "platform/posix/Datagram.h"
#include "platform/posix/NameService.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <thread>
#include <tuple>

namespace tg::netcmd {

namespace {

// The Debian packages of the tools, for the line that says one is missing.
const std::map<std::string, std::string> kPackages{
    {"ping", "iputils-ping"},
    {"traceroute", "traceroute"},
    {"ip", "iproute2"},
    {"dhclient", "isc-dhcp-client"},
    {"resolvectl", "systemd-resolved"},
    {"smbtree", "smbclient"},
    {"smbclient", "smbclient"},
    {"smbstatus", "samba"},
};

void print(const Lines& lines) {
    for (const auto& line : lines) {
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
}

// Runs the tool, its output rewritten line by line; returns its exit status.
template <typename Rewriter>
int runRewritten(const std::string& path, const Plan& plan, Rewriter& rw) {
    std::string pending;
    auto run = platform::runToolOutput(path, plan.args, [&](std::string_view chunk) {
        pending.append(chunk);
        std::size_t end;
        Lines out;
        while ((end = pending.find('\n')) != std::string::npos) {
            auto lines = rw.line(std::string_view(pending).substr(0, end));
            out.insert(out.end(), lines.begin(), lines.end());
            pending.erase(0, end + 1);
        }
        print(out);
    });
    if (!run.started)
        return 1;
    if (!pending.empty())
        print(rw.line(pending));
    print(rw.finish(run.interrupted));
    return run.status;
}

bool numericAddress(const std::string& text) {
    unsigned char bytes[16];
    return platform::addressBytes(platform::kInet, text, bytes) ||
           platform::addressBytes(platform::kInet6, text, bytes);
}

using platform::reverseName;

int runTool(std::string_view word, Plan plan) {
    // The DNS cache is systemd-resolved's, or else nscd's.
    if (plan.rewrite == Plan::Rewrite::FlushDns && platform::findSystemTool("resolvectl").empty() &&
        !platform::findSystemTool("nscd").empty()) {
        plan.program = "nscd";
        plan.args = {"--invalidate", "hosts"};
    }
    std::string path = platform::findSystemTool(plan.program);
    if (path.empty()) {
        auto package = kPackages.find(plan.program);
        print({std::string(word) + ": このコンピューターには " + plan.program +
               (package != kPackages.end() ? " (パッケージ " + package->second + ")" : "") +
               " がないため、実行できません。"});
        return 1;
    }
    if (plan.rewrite == Plan::Rewrite::Ping) {
        const std::string& target = plan.args.back();
        std::string size = "32";
        for (std::size_t i = 0; i + 1 < plan.args.size(); ++i)
            if (plan.args[i] == "-s")
                size = plan.args[i + 1];
        std::string name =
            plan.resolveName && numericAddress(target) ? reverseName(target) : std::string();
        PingOutput rewriter(target, std::atoi(size.c_str()), name);
        runRewritten(path, plan, rewriter);
        // As on Windows: success when anything answered.
        return rewriter.anyReply() ? 0 : 1;
    }
    if (plan.rewrite == Plan::Rewrite::Tracert) {
        TracertOutput rewriter(plan.args.back());
        return runRewritten(path, plan, rewriter);
    }
    if (plan.rewrite == Plan::Rewrite::Ok || plan.rewrite == Plan::Rewrite::FlushDns) {
        int status = platform::runToolWaiting(path, plan.args);
        if (status < 0)
            return 1;
        if (status == 0 && plan.rewrite == Plan::Rewrite::Ok)
            print({" OK!"});
        else if (status == 0)
            print({"", "Windows IP 構成", "",
                   "DNS リゾルバー キャッシュは正常にフラッシュされました。"});
        return status;
    }
    std::fflush(stdout);
    std::string reason = platform::replaceProcessWithTool(path, plan.args);
    print({std::string(word) + ": " + plan.program + " を実行できません: " + reason});
    return 1;
}

std::string hostName() {
    std::string name = platform::hostName();
    return name.substr(0, name.find('.'));
}

int netstat(const NetstatRequest& plan) {
    const std::string proto = plan.protocol;
    const bool statistics = plan.statistics, ethernet = plan.ethernet, routes = plan.routes;
    const auto interval = plan.interval;
    while (true) {
        Lines out;
        if (ethernet) {
            auto lines = interfaceStatisticsLines(readFile("/proc/net/dev").value_or(""),
                                                  readFile("/proc/net/snmp").value_or(""),
                                                  readFile("/proc/net/netstat").value_or(""));
            out.insert(out.end(), lines.begin(), lines.end());
        }
        if (statistics) {
            auto lines = protocolStatisticsLines(readFile("/proc/net/snmp").value_or(""),
                                                 readFile("/proc/net/snmp6").value_or(""), proto);
            out.insert(out.end(), lines.begin(), lines.end());
        }
        if (routes) {
            auto lines = routePrintLines(readNetState(), {});
            out.insert(out.end(), lines.begin(), lines.end());
        }
        // Connections show alone, or after the statistics of a connection protocol.
        bool connectionProtocol = proto.starts_with("TCP") || proto.starts_with("UDP");
        if ((!ethernet && !statistics && !routes) || (statistics && connectionProtocol)) {
            std::vector<Socket> sockets;
            for (auto [file, protocol, v6] : {std::tuple{"tcp", "TCP", false},
                                              {"tcp6", "TCP", true},
                                              {"udp", "UDP", false},
                                              {"udp6", "UDP", true}}) {
                auto s = parseSockets(readFile(std::string("/proc/net/") + file).value_or(""),
                                      protocol, v6);
                sockets.insert(sockets.end(), s.begin(), s.end());
            }
            ConnectionOptions options;
            options.all = plan.all;
            options.numeric = plan.numeric;
            options.protocol = proto;
            options.pids = plan.pids;
            options.programs = plan.programs;
            if (options.pids || options.programs)
                options.owners = platform::socketOwners();
            options.privileged = platform::seesEveryOwner();
            const std::string host = hostName();
            // The host part only, unless -f asks for the full name.
            const bool full = plan.fqdn;
            options.hostName = [host, full](const std::string& address) {
                if (address == "0.0.0.0" || address == "::" || address == "127.0.0.1" ||
                    address == "::1")
                    return host;
                std::string name = reverseName(address);
                if (!full && !name.empty())
                    name = name.substr(0, name.find('.'));
                return name.empty() ? address : name;
            };
            options.serviceName = [](unsigned port, const std::string& protocol) {
                return platform::serviceName(port, protocol).value_or(std::to_string(port));
            };
            auto lines = connectionLines(std::move(sockets), options);
            out.insert(out.end(), lines.begin(), lines.end());
        }
        print(out);
        if (!interval)
            return 0;
        std::this_thread::sleep_for(std::chrono::seconds(interval));
    }
}

int netUser(const Plan& plan) {
    if (!plan.subject.empty()) {
        auto p = platform::userNamed(plan.subject);
        if (!p) {
            print({"ユーザー名が見つかりません。"});
            return 2;
        }
        print(netUserDetailLines({p->name, p->fullName, p->home, p->shell, p->groups}));
        return 0;
    }
    // The people's accounts and root, as Windows lists its own: not the system's services.
    std::vector<Account> accounts;
    for (const auto& p : platform::users())
        if (p.uid == 0 || (p.uid >= 1000 && p.uid != 65534))
            accounts.push_back({p.name, {}, {}, {}, {}});
    std::sort(accounts.begin(), accounts.end(),
              [](const Account& a, const Account& b) { return lower(a.name) < lower(b.name); });
    print(netUserLines(hostName(), accounts));
    return 0;
}

int netLocalgroup(const Plan& plan) {
    if (!plan.subject.empty()) {
        auto g = platform::groupNamed(plan.subject);
        if (!g) {
            print({"指定されたローカル グループは存在しません。"});
            return 2;
        }
        Group out{g->name, g->members};
        for (const auto& p : platform::users())
            if (p.gid == g->gid &&
                std::find(out.members.begin(), out.members.end(), p.name) == out.members.end())
                out.members.emplace_back(p.name);
        print(netLocalgroupDetailLines(out));
        return 0;
    }
    std::vector<Group> groups;
    for (const auto& g : platform::groups())
        groups.push_back({g.name, {}});
    std::sort(groups.begin(), groups.end(),
              [](const Group& a, const Group& b) { return lower(a.name) < lower(b.name); });
    print(netLocalgroupLines(hostName(), groups));
    return 0;
}

int netStatistics(const Plan& plan) {
    double uptime = std::atof(readFile("/proc/uptime").value_or("0").c_str());
    std::time_t since = std::time(nullptr) - static_cast<std::time_t>(uptime);
    print(netStatisticsLines(hostName(), plan.subject, readFile("/proc/net/snmp").value_or(""),
                             readFile("/proc/net/netstat").value_or(""), since));
    return 0;
}

// One node-status datagram to port 137 of that one address; nothing is broadcast.
int nbtstat(const Plan& plan) {
    constexpr int kTries = 3;
    constexpr int kWaitMs = 1000;
    std::string target = plan.nbtAddress;
    if (target.empty()) {
        auto found = platform::ipv4OfName(plan.nbtName);
        if (!found) {
            print({"", "    ホストが見つかりません。"});
            return 1;
        }
        target = *found;
    }
    unsigned char bytes[4];
    if (!platform::addressBytes(platform::kInet, target, bytes)) {
        print({"IP アドレス " + target + " は正しくありません。"});
        return 1;
    }
    print({target + " の NetBIOS 名テーブルを問い合わせています (応答を最大 " +
           std::to_string(kTries * kWaitMs / 1000) + " 秒待ちます)..."});

    platform::Datagram socket;
    if (!socket.open(target, 137)) {
        print({"", "    ホストが見つかりません。"});
        return 1;
    }
    const std::string localText = socket.localAddress();
    NetState net = readNetState();
    std::string adapter = "ローカル エリア接続";
    for (const auto& a : net.addresses)
        if (a.text == localText)
            if (const Link* link = net.link(a.index))
                adapter = link->name;
    print({"", adapter + ":", "ノード IpAddress: [" + std::string(localText) + "] スコープ ID: []",
           ""});

    auto id = static_cast<std::uint16_t>(std::random_device{}());
    std::string request = nodeStatusRequest(id);
    std::optional<Lines> answer;
    bool refused = false;
    for (int attempt = 0; attempt < kTries && !answer && !refused; ++attempt) {
        socket.send(request);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (!answer && !refused) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
            if (left <= 0 || !socket.wait(static_cast<int>(left)))
                break;
            auto received = socket.receive();
            if (received.refused)
                refused = true;
            else if (!received.bytes.empty())
                answer = nodeStatusLines(received.bytes, id);
        }
    }
    if (!answer) {
        print({"    ホストが見つかりません。"});
        return 1;
    }
    print(*answer);
    return 0;
}

int runNative(const Plan& plan) {
    switch (plan.answer) {
    case Plan::Answer::Usage:
        print({usageLine(plan.subject)});
        return 0;
    case Plan::Answer::Ipconfig:
        print(ipconfigLines(readNetState(), plan.ipconfigAll));
        return 0;
    case Plan::Answer::Route:
        print(routePrintLines(readNetState(), plan.route));
        return 0;
    case Plan::Answer::Arp:
        print(arpLines(readFile("/proc/net/arp").value_or(""), readNetState(), plan.arp));
        return 0;
    case Plan::Answer::Netstat:
        return netstat(plan.netstat);
    case Plan::Answer::NetHelp:
        print(netHelpLines(plan.subject));
        return 0;
    case Plan::Answer::NetUser:
        return netUser(plan);
    case Plan::Answer::NetLocalgroup:
        return netLocalgroup(plan);
    case Plan::Answer::NetStatistics:
        return netStatistics(plan);
    case Plan::Answer::Nbtstat:
        return nbtstat(plan);
    case Plan::Answer::Nslookup:
        return nslookup(plan.nslookup, print);
    }
    return 1;
}

} // namespace

int run(std::string_view word, const std::vector<std::string>& args) {
    // Only the commands that name interfaces by number or address need to look at them first.
    NetState net;
    if (word == "arp" || word == "route" || word == "ipconfig")
        net = readNetState();
    Plan plan = translate(word, args, net);
    switch (plan.kind) {
    case Plan::Kind::Native:
        return runNative(plan);
    case Plan::Kind::Tool:
        return runTool(word, std::move(plan));
    case Plan::Kind::Refuse:
        print({plan.message});
        return 1;
    }
    return 1;
}

} // namespace tg::netcmd
