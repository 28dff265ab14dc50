#include "netcmd/Answers.h"
#include "netcmd/Columns.h"
#include "platform/posix/Addresses.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <tuple>

namespace tg::netcmd {

namespace {

const char* tcpState(int state) {
    static const char* const names[] = {
        "",           "ESTABLISHED", "SYN_SENT",    "SYN_RECEIVED", "FIN_WAIT_1",
        "FIN_WAIT_2", "TIME_WAIT",   "CLOSED",      "CLOSE_WAIT",   "LAST_ACK",
        "LISTENING",  "CLOSING",     "SYN_RECEIVED"};
    return state > 0 && state < 13 ? names[state] : "UNKNOWN";
}
constexpr int kListen = 10;

// "0100007F:0035": the address as the kernel holds it in memory, in 32-bit words.
bool decodeEndpoint(std::string_view field, bool ipv6, std::string& address, unsigned& port) {
    auto colon = field.find(':');
    if (colon == std::string_view::npos || colon != (ipv6 ? 32u : 8u))
        return false;
    unsigned char bytes[16];
    for (std::size_t word = 0; word < colon / 8; ++word) {
        auto value = number(field.substr(word * 8, 8), 16);
        if (!value)
            return false;
        auto raw = static_cast<std::uint32_t>(*value);
        std::memcpy(bytes + word * 4, &raw, 4);
    }
    auto p = number(field.substr(colon + 1), 16);
    if (!p)
        return false;
    address = platform::addressText(
        ipv6 ? platform::kInet6 : platform::kInet,
        std::string_view(reinterpret_cast<const char*>(bytes), ipv6 ? 16 : 4));
    port = static_cast<unsigned>(*p);
    return true;
}

std::array<unsigned char, 16> sortKey(const Socket& s) {
    std::array<unsigned char, 16> out{};
    platform::addressBytes(s.ipv6 ? platform::kInet6 : platform::kInet, s.localAddress, out.data());
    return out;
}

std::string endpoint(const Socket& s, const std::string& address, const std::string& port) {
    return s.ipv6 ? "[" + address + "]:" + port : address + ":" + port;
}

std::string statisticsRow(const std::string& label, unsigned long long value) {
    return "  " + padRight(label, 35) + "= " + std::to_string(value);
}

struct Row {
    const char* label;
    const char* key;
};

void section(Lines& out, const std::string& title, const Counters& c,
             std::initializer_list<Row> rows) {
    out.insert(out.end(), {"", title, ""});
    for (const auto& row : rows)
        out.push_back(statisticsRow(row.label, counter(c, row.key)));
}

struct PairRow {
    const char* label;
    const char* received;
    const char* sent;
};

void pairSection(Lines& out, const std::string& title, const Counters& c,
                 std::initializer_list<PairRow> rows) {
    out.insert(out.end(), {"", title, "", std::string(28, ' ') + "受信        送信"});
    for (const auto& row : rows)
        out.push_back("  " + padRight(row.label, 26) +
                      padRight(std::to_string(counter(c, row.received)), 12) +
                      std::to_string(counter(c, row.sent)));
}

} // namespace

std::vector<Socket> parseSockets(std::string_view content, std::string_view protocol, bool ipv6) {
    std::vector<Socket> out;
    for (auto line : splitLines(content)) {
        auto f = splitFields(line);
        // sl local_address rem_address st ...
        if (f.size() < 4 || !f[0].ends_with(":"))
            continue;
        Socket s;
        s.protocol = std::string(protocol);
        s.ipv6 = ipv6;
        auto state = number(f[3], 16);
        if (!state || !decodeEndpoint(f[1], ipv6, s.localAddress, s.localPort) ||
            !decodeEndpoint(f[2], ipv6, s.remoteAddress, s.remotePort))
            continue;
        s.state = static_cast<int>(*state);
        if (f.size() > 9)
            s.inode = number(f[9]).value_or(0);
        out.push_back(std::move(s));
    }
    return out;
}

Lines connectionLines(std::vector<Socket> sockets, const ConnectionOptions& options) {
    std::stable_sort(sockets.begin(), sockets.end(), [](const Socket& a, const Socket& b) {
        return std::make_tuple(a.protocol, a.ipv6, sortKey(a), a.localPort) <
               std::make_tuple(b.protocol, b.ipv6, sortKey(b), b.localPort);
    });
    const std::string header = "  プロトコル  ローカル アドレス      外部アドレス           状態";
    Lines out{"", "アクティブな接続", "", options.pids ? padRight(header, 71) + "PID" : header};
    std::size_t hidden = 0;
    for (const auto& s : sockets) {
        const bool udp = s.protocol == "UDP";
        if (!options.protocol.empty() && options.protocol != s.protocol + (s.ipv6 ? "V6" : ""))
            continue;
        // Without -a only connections show: no listening TCP socket and no UDP socket.
        if (!options.all && (udp || s.state == kListen))
            continue;
        std::string local = endpoint(s, s.localAddress, std::to_string(s.localPort));
        std::string foreign = "*:*";
        if (!udp) {
            bool names = !options.numeric && options.hostName && options.serviceName;
            foreign = endpoint(s, names ? options.hostName(s.remoteAddress) : s.remoteAddress,
                               names && s.remotePort != 0 ? options.serviceName(s.remotePort, "tcp")
                                                          : std::to_string(s.remotePort));
        }
        // A socket of no process is the system's (PID 0 on Windows); one whose process this
        // user may not read stays blank.
        auto owner = options.owners.find(s.inode);
        const bool known = owner != options.owners.end();
        const bool blank = s.inode != 0 && !known;
        if (blank && (options.pids || options.programs))
            ++hidden;
        std::string row = "  " + padRight(s.protocol, 7) + padRight(local, 23) +
                          padRight(foreign, 23) + (udp ? "" : tcpState(s.state));
        if (options.pids)
            row = padRight(row, 71) + (known   ? std::to_string(owner->second.pid)
                                       : blank ? std::string()
                                               : std::string("0"));
        row.erase(row.find_last_not_of(' ') + 1);
        out.push_back(std::move(row));
        if (options.programs && known)
            out.push_back(" [" + owner->second.program + "]");
        else if (options.programs && !blank)
            out.push_back(" 所有者情報を取得できません");
    }
    if (hidden > 0 && !options.privileged)
        out.insert(out.end(), {"", std::to_string(hidden) +
                                       " 個の接続の所有者は表示されていません。所有者をすべて"
                                       "表示するには管理者 (root) として実行してください。"});
    return out;
}

Lines interfaceStatisticsLines(std::string_view procNetDev, std::string_view procNetSnmp,
                               std::string_view procNetNetstat) {
    unsigned long long rxBytes = 0, rxPackets = 0, rxMulticast = 0, rxDrop = 0, rxErrors = 0;
    unsigned long long txBytes = 0, txPackets = 0, txDrop = 0, txErrors = 0;
    for (auto line : splitLines(procNetDev)) {
        auto colon = line.find(':');
        if (colon == std::string_view::npos || line.find('|') != std::string_view::npos)
            continue;
        // The loopback is no network card; Windows leaves it out as well.
        if (trim(line.substr(0, colon)) == "lo")
            continue;
        auto f = splitFields(line.substr(colon + 1));
        if (f.size() < 16)
            continue;
        auto at = [&](std::size_t i) { return number(f[i]).value_or(0); };
        rxBytes += at(0), rxPackets += at(1), rxErrors += at(2), rxDrop += at(3);
        rxMulticast += at(7);
        txBytes += at(8), txPackets += at(9), txErrors += at(10), txDrop += at(11);
    }
    auto ext = counters(procNetNetstat);
    unsigned long long txNonUnicast =
        counter(ext, "IpExt.OutMcastPkts") + counter(ext, "IpExt.OutBcastPkts");
    auto row = [](const std::string& label, const std::string& received, const std::string& sent) {
        return label + padLeft(received, 35 - std::min<std::size_t>(34, displayWidth(label))) +
               padLeft(sent, 16);
    };
    auto text = [](unsigned long long v) { return std::to_string(v); };
    return {
        "インターフェイスの統計",
        "",
        row("", "受信", "送信"),
        "",
        row("バイト", text(rxBytes), text(txBytes)),
        row("ユニキャスト パケット", text(rxPackets - std::min(rxPackets, rxMulticast)),
            text(txPackets - std::min(txPackets, txNonUnicast))),
        row("ユニキャスト以外のパケット", text(rxMulticast), text(txNonUnicast)),
        row("破棄", text(rxDrop), text(txDrop)),
        row("エラー", text(rxErrors), text(txErrors)),
        trim(row("不明なプロトコル", text(counter(counters(procNetSnmp), "Ip.InUnknownProtos")),
                 "")),
    };
}

Lines protocolStatisticsLines(std::string_view snmp, std::string_view snmp6,
                              std::string_view protocol) {
    Counters c = counters(snmp);
    for (auto& [key, value] : counters(snmp6))
        c[key] = value;
    auto wanted = [&](std::initializer_list<std::string_view> names) {
        if (protocol.empty())
            return true;
        return std::find(names.begin(), names.end(), protocol) != names.end();
    };
    Lines out;
    if (wanted({"IP"}))
        section(out, "IPv4 統計", c,
                {{"受信したパケット", "Ip.InReceives"},
                 {"受信したヘッダー エラー", "Ip.InHdrErrors"},
                 {"受信したアドレス エラー", "Ip.InAddrErrors"},
                 {"転送されたデータグラム", "Ip.ForwDatagrams"},
                 {"受信した不明なプロトコル", "Ip.InUnknownProtos"},
                 {"破棄された受信パケット", "Ip.InDiscards"},
                 {"配信された受信パケット", "Ip.InDelivers"},
                 {"出力要求", "Ip.OutRequests"},
                 {"破棄された出力パケット", "Ip.OutDiscards"},
                 {"ルートのない出力パケット", "Ip.OutNoRoutes"},
                 {"必要な再アセンブリ", "Ip.ReasmReqds"},
                 {"再アセンブリの成功", "Ip.ReasmOKs"},
                 {"再アセンブリの失敗", "Ip.ReasmFails"},
                 {"断片化に成功したデータグラム", "Ip.FragOKs"},
                 {"断片化に失敗したデータグラム", "Ip.FragFails"},
                 {"作成されたフラグメント", "Ip.FragCreates"}});
    if (wanted({"IPV6"}))
        section(out, "IPv6 統計", c,
                {{"受信したパケット", "Ip6InReceives"},
                 {"受信したヘッダー エラー", "Ip6InHdrErrors"},
                 {"受信したアドレス エラー", "Ip6InAddrErrors"},
                 {"転送されたデータグラム", "Ip6OutForwDatagrams"},
                 {"受信した不明なプロトコル", "Ip6InUnknownProtos"},
                 {"破棄された受信パケット", "Ip6InDiscards"},
                 {"配信された受信パケット", "Ip6InDelivers"},
                 {"出力要求", "Ip6OutRequests"},
                 {"破棄された出力パケット", "Ip6OutDiscards"},
                 {"ルートのない出力パケット", "Ip6OutNoRoutes"},
                 {"必要な再アセンブリ", "Ip6ReasmReqds"},
                 {"再アセンブリの成功", "Ip6ReasmOKs"},
                 {"再アセンブリの失敗", "Ip6ReasmFails"},
                 {"断片化に成功したデータグラム", "Ip6FragOKs"},
                 {"断片化に失敗したデータグラム", "Ip6FragFails"},
                 {"作成されたフラグメント", "Ip6FragCreates"}});
    if (wanted({"ICMP"}))
        pairSection(out, "ICMPv4 統計", c,
                    {{"メッセージ", "Icmp.InMsgs", "Icmp.OutMsgs"},
                     {"エラー", "Icmp.InErrors", "Icmp.OutErrors"},
                     {"宛先に到達できません", "Icmp.InDestUnreachs", "Icmp.OutDestUnreachs"},
                     {"時間超過", "Icmp.InTimeExcds", "Icmp.OutTimeExcds"},
                     {"パラメーターの問題", "Icmp.InParmProbs", "Icmp.OutParmProbs"},
                     {"発信元抑制", "Icmp.InSrcQuenchs", "Icmp.OutSrcQuenchs"},
                     {"リダイレクト", "Icmp.InRedirects", "Icmp.OutRedirects"},
                     {"エコー応答", "Icmp.InEchoReps", "Icmp.OutEchoReps"},
                     {"エコー", "Icmp.InEchos", "Icmp.OutEchos"},
                     {"タイムスタンプ", "Icmp.InTimestamps", "Icmp.OutTimestamps"},
                     {"タイムスタンプ応答", "Icmp.InTimestampReps", "Icmp.OutTimestampReps"},
                     {"アドレス マスク", "Icmp.InAddrMasks", "Icmp.OutAddrMasks"},
                     {"アドレス マスク応答", "Icmp.InAddrMaskReps", "Icmp.OutAddrMaskReps"}});
    if (wanted({"ICMPV6"}))
        pairSection(
            out, "ICMPv6 統計", c,
            {{"メッセージ", "Icmp6InMsgs", "Icmp6OutMsgs"},
             {"エラー", "Icmp6InErrors", "Icmp6OutErrors"},
             {"宛先に到達できません", "Icmp6InDestUnreachs", "Icmp6OutDestUnreachs"},
             {"パケットが大きすぎます", "Icmp6InPktTooBigs", "Icmp6OutPktTooBigs"},
             {"時間超過", "Icmp6InTimeExcds", "Icmp6OutTimeExcds"},
             {"パラメーターの問題", "Icmp6InParmProblems", "Icmp6OutParmProblems"},
             {"エコー", "Icmp6InEchos", "Icmp6OutEchos"},
             {"エコー応答", "Icmp6InEchoReplies", "Icmp6OutEchoReplies"},
             {"ルーター要請", "Icmp6InRouterSolicits", "Icmp6OutRouterSolicits"},
             {"ルーター通知", "Icmp6InRouterAdvertisements", "Icmp6OutRouterAdvertisements"},
             {"近隣要請", "Icmp6InNeighborSolicits", "Icmp6OutNeighborSolicits"},
             {"近隣通知", "Icmp6InNeighborAdvertisements", "Icmp6OutNeighborAdvertisements"},
             {"リダイレクト", "Icmp6InRedirects", "Icmp6OutRedirects"}});
    // The kernel counts TCP over both IP versions together.
    if (wanted({"TCP", "TCPV6"}))
        section(out, "TCP 統計 (IPv4 と IPv6 の合計)", c,
                {{"アクティブ オープン", "Tcp.ActiveOpens"},
                 {"パッシブ オープン", "Tcp.PassiveOpens"},
                 {"失敗した接続試行", "Tcp.AttemptFails"},
                 {"リセットされた接続", "Tcp.EstabResets"},
                 {"現在の接続", "Tcp.CurrEstab"},
                 {"受信したセグメント", "Tcp.InSegs"},
                 {"送信したセグメント", "Tcp.OutSegs"},
                 {"再送信されたセグメント", "Tcp.RetransSegs"}});
    if (wanted({"UDP"}))
        section(out, "IPv4 の UDP 統計", c,
                {{"受信したデータグラム", "Udp.InDatagrams"},
                 {"ポートなし", "Udp.NoPorts"},
                 {"受信エラー", "Udp.InErrors"},
                 {"送信したデータグラム", "Udp.OutDatagrams"}});
    if (wanted({"UDPV6"}))
        section(out, "IPv6 の UDP 統計", c,
                {{"受信したデータグラム", "Udp6InDatagrams"},
                 {"ポートなし", "Udp6NoPorts"},
                 {"受信エラー", "Udp6InErrors"},
                 {"送信したデータグラム", "Udp6OutDatagrams"}});
    return out;
}

} // namespace tg::netcmd
