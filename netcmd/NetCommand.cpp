#include "netcmd/Answers.h"
#include "netcmd/Columns.h"

#include <array>
#include <cstdio>

namespace tg::netcmd {

namespace {

const std::string kRule(79, '-');
const char* const kDone = "コマンドは正常に終了しました。";

struct Subcommand {
    const char* name;
    const char* syntax;
    const char* purpose;
    bool here; // answered on this computer
};

const std::array<Subcommand, 11> kSubcommands{{
    {"HELP", "NET HELP [コマンド名]", "NET のサブコマンドの一覧、または一つの使い方を表示します。",
     true},
    {"HELPMSG", "NET HELPMSG メッセージ番号", "Windows のエラー メッセージを説明します。", false},
    {"LOCALGROUP", "NET LOCALGROUP [グループ名]",
     "ローカル グループの一覧、または一つのグループのメンバーを表示します。", true},
    {"NAME", "NET NAME [名前 {/ADD | /DELETE}]", "メッセージ用の名前を表示、追加、削除します。",
     false},
    {"PRINT", "NET PRINT \\\\コンピューター名\\共有名", "印刷ジョブを表示、制御します。", false},
    {"SEND", "NET SEND {名前 | * | /DOMAIN} メッセージ", "メッセージを送信します。", false},
    {"SESSION", "NET SESSION", "このコンピューターへのセッションを表示します (smbstatus)。", true},
    {"SHARE", "NET SHARE", "このコンピューターの共有リソースを表示します (smbclient)。", true},
    {"STATISTICS", "NET STATISTICS [WORKSTATION | SERVER]", "統計情報を表示します。", true},
    {"USER", "NET USER [ユーザー名]",
     "ユーザー アカウントの一覧、または一つのアカウントを表示します。", true},
    {"VIEW", "NET VIEW [/DOMAIN[:ドメイン名]]",
     "ネットワーク上のコンピューターを表示します (smbtree)。", true},
}};

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Names in columns of 25, three to a line, as Windows lists accounts.
void columns(Lines& out, const std::vector<std::string>& names) {
    std::string line;
    for (std::size_t i = 0; i < names.size(); ++i) {
        line += i % 3 == 2 ? names[i] : padRight(names[i], 25);
        if (i % 3 == 2 || i + 1 == names.size()) {
            line.erase(line.find_last_not_of(' ') + 1);
            out.push_back(line);
            line.clear();
        }
    }
}

std::string field(const std::string& label, const std::string& value) {
    std::string row = padRight(label, 29);
    if (displayWidth(label) >= 29)
        row += "  ";
    row += value;
    row.erase(row.find_last_not_of(' ') + 1);
    return row;
}

std::string dateTime(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return text;
}

// "\\\\HOST" and what follows. Built by appending: GCC 12 misreads "literal" + string as an
// overlapping copy.
std::string machineLine(const std::string& host, const char* rest) {
    std::string out = "\\\\";
    out += host;
    out += rest;
    return out;
}

} // namespace

Lines netHelpLines(std::string_view topic) {
    Lines out;
    if (topic.empty()) {
        out = {"このコマンドの構文は次のとおりです:", "", "NET"};
        std::string list = "    [ ";
        for (std::size_t i = 0; i < kSubcommands.size(); ++i)
            list +=
                std::string(kSubcommands[i].name) + (i + 1 < kSubcommands.size() ? " | " : " ]");
        out.push_back(list);
        out.push_back("");
        out.push_back("サブコマンド (このコンピューター (Linux) で使えないものには印があります):");
        for (const auto& s : kSubcommands)
            out.push_back("  " + padRight(s.name, 12) + (s.here ? "" : "(Linux にはありません) ") +
                          s.purpose);
        out.push_back("");
        out.push_back("NET HELP コマンド名 で、そのコマンドの使い方を表示します。");
        return out;
    }
    for (const auto& s : kSubcommands) {
        if (upper(topic) == s.name) {
            out = {"このコマンドの構文は次のとおりです:", "", s.syntax, "", s.purpose};
            if (!s.here)
                out.push_back("このコンピューター (Linux) にはこの機能がありません。");
            return out;
        }
    }
    return {"NET HELP: " + std::string(topic) + " というコマンドはありません。"};
}

Lines netUserLines(const std::string& host, const std::vector<Account>& accounts) {
    Lines out{"", machineLine(host, " のユーザー アカウント"), "", kRule};
    std::vector<std::string> names;
    for (const auto& a : accounts)
        names.push_back(a.name);
    columns(out, names);
    out.push_back(kDone);
    out.push_back("");
    return out;
}

Lines netUserDetailLines(const Account& account) {
    Lines out{field("ユーザー名", account.name), field("フル ネーム", account.fullName),
              field("ホーム ディレクトリ", account.home), field("ログオン シェル", account.shell),
              ""};
    std::string groups;
    for (const auto& g : account.groups)
        groups.append("*").append(padRight(g, 20)).append(" ");
    groups.erase(groups.find_last_not_of(' ') + 1);
    out.push_back(field("ローカル グループ メンバーシップ", groups.empty() ? "*なし" : groups));
    out.push_back(kDone);
    out.push_back("");
    return out;
}

Lines netLocalgroupLines(const std::string& host, const std::vector<Group>& groups) {
    Lines out{"", machineLine(host, " のエイリアス"), "", kRule};
    for (const auto& g : groups)
        out.push_back("*" + g.name);
    out.push_back(kDone);
    out.push_back("");
    return out;
}

Lines netLocalgroupDetailLines(const Group& group) {
    Lines out{field("エイリアス名", group.name), "コメント", "", "メンバー", "", kRule};
    for (const auto& m : group.members)
        out.push_back(m);
    out.push_back(kDone);
    out.push_back("");
    return out;
}

Lines netStatisticsLines(const std::string& host, std::string_view service, std::string_view snmp,
                         std::string_view netstat, std::time_t since) {
    if (service.empty())
        return {
            "次のサービスの統計を利用できます:", "", "   Server", "   Workstation", "", kDone, ""};
    Counters c = counters(snmp);
    for (auto& [key, value] : counters(netstat))
        c[key] = value;
    auto row = [&](const std::string& label, unsigned long long value) {
        return "  " + padRight(label, 45) + std::to_string(value);
    };
    const bool server = lower(service) == "server";
    Lines out{machineLine(host, server ? " のサーバー統計" : " のワークステーション統計"),
              "",
              "",
              "統計開始日時 " + dateTime(since),
              "",
              ""};
    const auto received = counter(c, "IpExt.InOctets"), sent = counter(c, "IpExt.OutOctets");
    if (server) {
        out.insert(out.end(), {row("受け入れたセッション", counter(c, "Tcp.PassiveOpens")),
                               row("エラーで切断されたセッション", counter(c, "Tcp.EstabResets")),
                               row("送信バイト数", sent), row("受信バイト数", received)});
    } else {
        out.insert(out.end(), {row("受信バイト数", received), row("送信バイト数", sent), "",
                               row("ネットワーク エラー",
                                   counter(c, "Ip.InHdrErrors") + counter(c, "Ip.InAddrErrors") +
                                       counter(c, "Tcp.InErrs") + counter(c, "Udp.InErrors")),
                               row("確立した接続", counter(c, "Tcp.ActiveOpens")),
                               row("失敗した接続", counter(c, "Tcp.AttemptFails"))});
    }
    out.insert(out.end(), {"", kDone, ""});
    return out;
}

} // namespace tg::netcmd
