#include "netcmd/Translate.h"

#include "netcmd/Answers.h"
#include "netcmd/Columns.h"
#include "platform/posix/Addresses.h"
#include "platform/posix/Wildcard.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tg::netcmd {

namespace {

using Args = std::vector<std::string>;

Plan refuse(std::string message) {
    Plan p;
    p.message = std::move(message);
    return p;
}

Plan native(Plan::Answer answer, std::string subject = {}) {
    Plan p;
    p.kind = Plan::Kind::Native;
    p.answer = answer;
    p.subject = std::move(subject);
    return p;
}

Plan usage(std::string word) {
    return native(Plan::Answer::Usage, std::move(word));
}

Plan tool(std::string program, Args args, Plan::Rewrite rewrite = Plan::Rewrite::None) {
    Plan p;
    p.kind = Plan::Kind::Tool;
    p.program = std::move(program);
    p.args = std::move(args);
    p.rewrite = rewrite;
    return p;
}

std::string unsupported(const std::string& option) {
    return "オプション " + option + " はこのコンピューター (Linux) では使えません。";
}
std::string unknown(const std::string& option) {
    return "オプション " + option + " は正しくありません。";
}
std::string needsValue(const std::string& option) {
    return "オプション " + option + " には値が必要です。";
}
std::string badValue(const std::string& option, const std::string& value, unsigned long long low,
                     unsigned long long high) {
    return "オプション " + option + " の値 " + value + " が正しくありません。有効な範囲は " +
           std::to_string(low) + " から " + std::to_string(high) + " です。";
}
std::string extra(const std::string& operand) {
    return "パラメーター " + operand + " は正しくありません。";
}
std::string needsTarget(std::string_view word) {
    return std::string(word) + ": 宛先 (IP アドレスかホスト名) を指定してください。";
}

// Each command's options, declared once: the scanner reads them and the usage line lists them.
enum class Use {
    Windows,     // a Windows option answered here
    Unsupported, // a Windows option Linux cannot answer: refused with a line naming it
    Linux,       // a Linux option of the same letter, passed on to the tool (with '-' only)
};

struct OptionSpec {
    char letter;
    const char* value = nullptr; // the value's name in the usage line; none: a flag
    Use use = Use::Windows;
};

struct CommandSpec {
    std::string_view word;
    bool caseSensitive = true; // -a and -A are different options
    bool combined = false;     // -an is -a -n
    std::vector<OptionSpec> options{};
    const char* operands = ""; // after the options in the usage line
    // A usage line of alternatives that the options alone do not give; empty: from the table.
    const char* usage = "";
};

const CommandSpec kPing{"ping",
                        true,
                        false,
                        {{'t'},
                         {'a'},
                         {'n', "回数"},
                         {'l', "サイズ"},
                         {'f'},
                         {'i', "TTL"},
                         {'v', "TOS"},
                         {'r', "回数"},
                         {'w', "タイムアウト"},
                         {'S', "送信元アドレス"},
                         {'4'},
                         {'6'},
                         {'s', "回数", Use::Unsupported},
                         {'j', "ホスト一覧", Use::Unsupported},
                         {'k', "ホスト一覧", Use::Unsupported},
                         {'R', nullptr, Use::Unsupported},
                         {'p', nullptr, Use::Unsupported},
                         {'q', nullptr, Use::Linux},
                         {'D', nullptr, Use::Linux},
                         {'U', nullptr, Use::Linux},
                         {'d', nullptr, Use::Linux},
                         {'O', nullptr, Use::Linux},
                         {'c', "", Use::Linux},
                         {'I', "", Use::Linux},
                         {'W', "", Use::Linux},
                         {'m', "", Use::Linux},
                         {'M', "", Use::Linux},
                         {'Q', "", Use::Linux}},
                        "宛先"};

const CommandSpec kTracert{"tracert",
                           true,
                           false,
                           {{'d'},
                            {'h', "最大ホップ数"},
                            {'j', "ホスト一覧"},
                            {'w', "タイムアウト"},
                            {'S', "送信元アドレス"},
                            {'4'},
                            {'6'},
                            {'R', nullptr, Use::Unsupported},
                            {'I', nullptr, Use::Linux},
                            {'T', nullptr, Use::Linux},
                            {'U', nullptr, Use::Linux},
                            {'F', nullptr, Use::Linux},
                            {'q', "", Use::Linux},
                            {'N', "", Use::Linux},
                            {'f', "", Use::Linux},
                            {'m', "", Use::Linux},
                            {'p', "", Use::Linux},
                            {'t', "", Use::Linux},
                            {'s', "", Use::Linux},
                            {'z', "", Use::Linux}},
                           "宛先"};

// netstat's letters combine (-ano); -c is Linux's "every second", answered as an interval.
const CommandSpec kNetstat{"netstat",
                           false,
                           true,
                           {{'a'},
                            {'b'},
                            {'e'},
                            {'f'},
                            {'n'},
                            {'o'},
                            {'p', "プロトコル"},
                            {'r'},
                            {'s'},
                            {'i', nullptr, Use::Unsupported},
                            {'q', nullptr, Use::Unsupported},
                            {'t', nullptr, Use::Unsupported},
                            {'x', nullptr, Use::Unsupported},
                            {'y', nullptr, Use::Unsupported},
                            {'c', nullptr, Use::Linux}},
                           "[間隔]"};

const CommandSpec kArp{
    "arp",
    false,
    false,
    {{'a'}, {'g'}, {'v'}, {'s'}, {'d'}, {'n', "インターフェイス"}},
    "",
    "arp -a [IP アドレス] [-N インターフェイス] [-v] | arp -s IP アドレス 物理アドレス "
    "[インターフェイス] | arp -d IP アドレス [インターフェイス]"};

const CommandSpec kRoute{
    "route",
    false,
    false,
    {{'f', nullptr, Use::Unsupported}, {'p'}, {'4'}, {'6'}},
    "",
    "route [-4|-6] print [宛先] | route add|change 宛先 [mask ネットマスク] "
    "ゲートウェイ [metric メトリック] [if インターフェイス] | route delete 宛先"};

const CommandSpec kNbtstat{"nbtstat",
                           true,
                           false,
                           {{'a', "リモート名"},
                            {'A', "IP アドレス"},
                            {'s'},
                            {'S'},
                            {'c', nullptr, Use::Unsupported},
                            {'n', nullptr, Use::Unsupported},
                            {'r', nullptr, Use::Unsupported},
                            {'R', nullptr, Use::Unsupported}},
                           ""};

const OptionSpec* findSpec(const CommandSpec& spec, char letter) {
    for (const auto& o : spec.options)
        if (o.letter == letter)
            return &o;
    return nullptr;
}

std::string usageOf(const CommandSpec& spec) {
    if (*spec.usage)
        return spec.usage;
    std::string out(spec.word);
    for (const auto& o : spec.options)
        if (o.use == Use::Windows)
            out +=
                std::string(" [-") + o.letter + (o.value ? std::string(" ") + o.value : "") + "]";
    if (*spec.operands)
        out += std::string(" ") + spec.operands;
    return out;
}

struct Option {
    char letter;
    std::string spelled; // as typed, for messages: "-n", "/N"
    std::string value;
};

struct Scanned {
    std::vector<Option> options;
    Args operands;
    Args passOn;
    std::string error;
    bool help = false;

    const Option* find(char letter) const {
        const Option* last = nullptr;
        for (const auto& o : options)
            if (o.letter == letter)
                last = &o;
        return last;
    }
};

bool looksLikeOption(const std::string& a) {
    return a.size() >= 2 && (a[0] == '-' || a[0] == '/');
}

Scanned scan(const Args& args, const CommandSpec& spec) {
    Scanned s;
    for (std::size_t i = 0; i < args.size() && s.error.empty(); ++i) {
        const std::string& a = args[i];
        if (!looksLikeOption(a)) {
            s.operands.push_back(a);
            continue;
        }
        if (a == "-?" || a == "/?") {
            s.help = true;
            continue;
        }
        std::string letters = a.substr(1);
        if (!spec.combined && letters.size() != 1) {
            s.error = unknown(a);
            break;
        }
        for (std::size_t k = 0; k < letters.size(); ++k) {
            char typed = letters[k];
            char c = spec.caseSensitive
                         ? typed
                         : static_cast<char>(std::tolower(static_cast<unsigned char>(typed)));
            std::string spelled = std::string(1, a[0]) + typed;
            bool last = k + 1 == letters.size();
            const OptionSpec* o = findSpec(spec, c);
            // A Linux option stands alone and with '-' only.
            if (o && o->use == Use::Linux && (a[0] != '-' || letters.size() != 1) &&
                spec.caseSensitive)
                o = nullptr;
            if (!o) {
                s.error = unknown(letters.size() == 1 ? a : spelled);
                break;
            }
            if (o->value && (!last || i + 1 >= args.size())) {
                s.error = needsValue(spelled);
                break;
            }
            if (o->use == Use::Linux && spec.caseSensitive) {
                s.passOn.push_back(a);
                if (o->value)
                    s.passOn.push_back(args[++i]);
                continue;
            }
            s.options.push_back({c, spelled, o->value ? args[++i] : std::string()});
        }
    }
    return s;
}

// The refusal for the first option given that Linux cannot answer.
std::optional<Plan> unsupportedIn(const Scanned& s, const CommandSpec& spec) {
    for (const auto& o : s.options)
        if (const OptionSpec* known = findSpec(spec, o.letter);
            known && known->use == Use::Unsupported)
            return refuse(unsupported(o.spelled));
    return std::nullopt;
}

// A whole number within [low, high], or an error naming the option.
bool ranged(const Option& o, unsigned long long low, unsigned long long high, std::string& error) {
    auto v = number(o.value);
    if (!v || *v < low || *v > high) {
        error = badValue(o.spelled, o.value, low, high);
        return false;
    }
    return true;
}

// Milliseconds as the seconds the Linux tools take ("4", "0.5").
std::string seconds(unsigned long long ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(std::max(1ULL, ms)) / 1000.0);
    std::string out = text;
    out.erase(out.find_last_not_of('0') + 1);
    if (out.back() == '.')
        out.pop_back();
    return out;
}

Plan ping(const Args& args) {
    Scanned s = scan(args, kPing);
    if (s.help)
        return usage("ping");
    if (!s.error.empty())
        return refuse(s.error);
    if (auto refused = unsupportedIn(s, kPing))
        return *refused;
    std::string error;
    Args argv{"-n", "-O"};
    if (!s.find('t')) {
        std::string count = "4";
        if (const Option* o = s.find('n')) {
            if (!ranged(*o, 1, 4294967295ULL, error))
                return refuse(error);
            count = o->value;
        }
        argv.insert(argv.end(), {"-c", count});
    }
    std::string size = "32";
    if (const Option* o = s.find('l')) {
        if (!ranged(*o, 0, 65500, error))
            return refuse(error);
        size = o->value;
    }
    argv.insert(argv.end(), {"-s", size});
    if (const Option* o = s.find('i')) {
        if (!ranged(*o, 1, 255, error))
            return refuse(error);
        argv.insert(argv.end(), {"-t", o->value});
    }
    if (const Option* o = s.find('v')) {
        if (!ranged(*o, 0, 255, error))
            return refuse(error);
        argv.insert(argv.end(), {"-Q", o->value});
    }
    unsigned long long wait = 4000;
    if (const Option* o = s.find('w')) {
        if (!ranged(*o, 0, 4294967295ULL, error))
            return refuse(error);
        wait = *number(o->value);
    }
    argv.insert(argv.end(), {"-W", seconds(wait)});
    if (s.find('f'))
        argv.insert(argv.end(), {"-M", "do"});
    // -r: the kernel records up to nine hops, as many as Windows allows.
    if (const Option* o = s.find('r')) {
        if (!ranged(*o, 1, 9, error))
            return refuse(error);
        argv.push_back("-R");
    }
    if (s.find('4'))
        argv.push_back("-4");
    if (s.find('6'))
        argv.push_back("-6");
    if (const Option* o = s.find('S'))
        argv.insert(argv.end(), {"-I", o->value});
    argv.insert(argv.end(), s.passOn.begin(), s.passOn.end());
    if (s.operands.empty())
        return refuse(needsTarget("ping"));
    if (s.operands.size() > 1)
        return refuse(extra(s.operands[0]));
    argv.push_back(s.operands[0]);
    Plan p = tool("ping", argv, Plan::Rewrite::Ping);
    p.resolveName = s.find('a') != nullptr;
    return p;
}

Plan tracert(const Args& args) {
    Scanned s = scan(args, kTracert);
    if (s.help)
        return usage("tracert");
    if (!s.error.empty())
        return refuse(s.error);
    if (auto refused = unsupportedIn(s, kTracert))
        return *refused;
    // -j takes the hosts up to the destination, the last operand.
    Args route;
    if (const Option* o = s.find('j')) {
        route.push_back(o->value);
        if (s.operands.empty())
            return refuse(needsTarget("tracert"));
        route.insert(route.end(), s.operands.begin(), s.operands.end() - 1);
        s.operands.erase(s.operands.begin(), s.operands.end() - 1);
        if (route.size() > 9)
            return refuse(extra(route[9]));
    }
    std::string error;
    Args argv;
    if (s.find('d'))
        argv.push_back("-n");
    if (const Option* o = s.find('h')) {
        if (!ranged(*o, 1, 255, error))
            return refuse(error);
        argv.insert(argv.end(), {"-m", o->value});
    }
    if (const Option* o = s.find('w')) {
        if (!ranged(*o, 1, 4294967295ULL, error))
            return refuse(error);
        argv.insert(argv.end(), {"-w", seconds(*number(o->value))});
    }
    for (const auto& host : route)
        argv.insert(argv.end(), {"-g", host});
    if (const Option* o = s.find('S'))
        argv.insert(argv.end(), {"-s", o->value});
    if (s.find('4'))
        argv.push_back("-4");
    if (s.find('6'))
        argv.push_back("-6");
    argv.insert(argv.end(), s.passOn.begin(), s.passOn.end());
    if (s.operands.empty())
        return refuse(needsTarget("tracert"));
    if (s.operands.size() > 1)
        return refuse(extra(s.operands[0]));
    argv.push_back(s.operands[0]);
    return tool("traceroute", argv, Plan::Rewrite::Tracert);
}

Plan netstat(const Args& args) {
    Scanned s = scan(args, kNetstat);
    if (s.help)
        return usage("netstat");
    if (!s.error.empty())
        return refuse(s.error);
    if (auto refused = unsupportedIn(s, kNetstat))
        return *refused;
    Plan p = native(Plan::Answer::Netstat);
    NetstatRequest& n = p.netstat;
    n.all = s.find('a');
    n.numeric = s.find('n');
    n.programs = s.find('b');
    n.fqdn = s.find('f');
    n.pids = s.find('o');
    n.ethernet = s.find('e');
    n.statistics = s.find('s');
    n.routes = s.find('r');
    if (const Option* o = s.find('p')) {
        std::string proto = o->value;
        for (char& c : proto)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        Args known{"TCP", "UDP", "TCPV6", "UDPV6"};
        if (s.find('s'))
            known.insert(known.end(), {"IP", "IPV6", "ICMP", "ICMPV6"});
        if (std::find(known.begin(), known.end(), proto) == known.end())
            return refuse("オプション " + o->spelled + " のプロトコル " + o->value +
                          " は正しくありません。");
        n.protocol = proto;
    }
    // A number repeats the answer every so many seconds; Linux's -c means every second.
    if (s.find('c'))
        n.interval = 1;
    for (const auto& operand : s.operands) {
        auto seconds = number(operand);
        if (!seconds || *seconds == 0)
            return refuse(extra(operand));
        n.interval = *seconds;
    }
    return p;
}

std::uint32_t ipv4(const std::string& text, bool& ok) {
    return platform::ipv4Number(text, ok);
}

// The interface whose address is ifAddress, or else the one whose subnet holds address.
const Link* interfaceFor(const NetState& net, const std::string& address,
                         const std::string& ifAddress) {
    bool ok = false;
    std::uint32_t target = ipv4(address, ok);
    for (const auto& a : net.addresses) {
        if (a.family != platform::kInet)
            continue;
        if (!ifAddress.empty()) {
            if (a.text == ifAddress)
                return net.link(a.index);
            continue;
        }
        bool mine = false;
        std::uint32_t own = ipv4(a.text, mine);
        std::uint32_t mask = a.prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - a.prefix);
        if (ok && mine && (own & mask) == (target & mask))
            return net.link(a.index);
    }
    return nullptr;
}

bool macAddress(std::string text, std::string& out) {
    std::replace(text.begin(), text.end(), '-', ':');
    if (text.size() != 17)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool colon = i % 3 == 2;
        if (colon ? text[i] != ':' : !std::isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    out = lower(text);
    return true;
}

Plan arp(const Args& args, const NetState& net) {
    Scanned s = scan(args, kArp);
    if (!s.error.empty())
        return refuse(s.error);
    if (s.help || s.options.empty())
        return usage("arp");
    const Option* ifOption = s.find('n');
    std::string ifAddress = ifOption ? ifOption->value : "";
    auto noInterface = [](const std::string& address) {
        return refuse(address + " を届けるインターフェイスが見つかりません。");
    };
    if (const Option* o = s.find('s')) {
        if (s.operands.size() < 2)
            return refuse(o->spelled + " には IP アドレスと物理アドレスが必要です。");
        if (s.operands.size() > 3)
            return refuse(extra(s.operands[3]));
        bool ok = false;
        ipv4(s.operands[0], ok);
        std::string mac;
        if (!ok)
            return refuse(extra(s.operands[0]));
        if (!macAddress(s.operands[1], mac))
            return refuse("物理アドレス " + s.operands[1] + " は正しくありません。");
        if (s.operands.size() == 3)
            ifAddress = s.operands[2];
        const Link* link = interfaceFor(net, s.operands[0], ifAddress);
        if (!link)
            return noInterface(s.operands[0]);
        return tool("ip", {"neigh", "replace", s.operands[0], "lladdr", mac, "nud", "permanent",
                           "dev", link->name});
    }
    if (const Option* o = s.find('d')) {
        if (s.operands.empty())
            return refuse(o->spelled + " には IP アドレスが必要です。");
        if (s.operands.size() > 2)
            return refuse(extra(s.operands[2]));
        if (s.operands.size() == 2)
            ifAddress = s.operands[1];
        if (s.operands[0] == "*") {
            if (ifAddress.empty())
                return tool("ip", {"-4", "neigh", "flush", "all"});
            const Link* link = interfaceFor(net, "", ifAddress);
            if (!link)
                return noInterface(ifAddress);
            return tool("ip", {"-4", "neigh", "flush", "dev", link->name});
        }
        const Link* link = interfaceFor(net, s.operands[0], ifAddress);
        if (!link)
            return noInterface(s.operands[0]);
        return tool("ip", {"neigh", "del", s.operands[0], "dev", link->name});
    }
    if (s.operands.size() > 1)
        return refuse(extra(s.operands[1]));
    Plan p = native(Plan::Answer::Arp);
    p.arp = {s.operands.empty() ? "" : s.operands[0], ifAddress, s.find('v') != nullptr};
    return p;
}

Plan route(const Args& args, const NetState& net) {
    Scanned s = scan(args, kRoute);
    if (!s.error.empty())
        return refuse(s.error);
    if (s.help || s.operands.empty())
        return usage("route");
    if (auto refused = unsupportedIn(s, kRoute))
        return *refused;
    std::string command = lower(s.operands[0]);
    Args rest(s.operands.begin() + 1, s.operands.end());
    if (command == "print") {
        if (rest.size() > 1)
            return refuse(extra(rest[1]));
        Plan p = native(Plan::Answer::Route);
        // -4 alone shows IPv4 only, -6 alone IPv6 only.
        p.route.ipv4 = !s.find('6') || s.find('4');
        p.route.ipv6 = !s.find('4') || s.find('6');
        p.route.destination = rest.empty() ? "" : rest[0];
        return p;
    }
    if (command != "add" && command != "delete" && command != "change")
        return refuse("route: " + s.operands[0] + " というコマンドはありません。");
    if (const Option* o = s.find('p'))
        return refuse(unsupported(o->spelled));
    if (rest.empty())
        return refuse("route " + command + " には宛先が必要です。");

    // dest [MASK mask] [gateway] [METRIC n] [IF n], keywords in any case.
    std::string destination = rest[0], mask, gateway, metric, interface;
    for (std::size_t i = 1; i < rest.size(); ++i) {
        std::string key = lower(rest[i]);
        std::string* slot = key == "mask"     ? &mask
                            : key == "metric" ? &metric
                            : key == "if"     ? &interface
                                              : nullptr;
        if (slot) {
            if (i + 1 >= rest.size())
                return refuse(needsValue(rest[i]));
            *slot = rest[++i];
        } else if (gateway.empty()) {
            gateway = rest[i];
        } else {
            return refuse(extra(rest[i]));
        }
    }
    bool v6 = destination.find(':') != std::string::npos || s.find('6');
    if (!v6) {
        bool ok = false;
        std::uint32_t dest = ipv4(destination, ok);
        if (!ok)
            return refuse("宛先 " + destination + " は正しくありません。");
        int prefix = mask.empty() ? 32 : ipv4Prefix(mask);
        if (prefix < 0)
            return refuse("ネットマスク " + mask + " は正しくありません。");
        std::uint32_t bits = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
        if ((dest & bits) != dest)
            return refuse("指定されたマスク パラメーターが無効です。(宛先 & マスク) != 宛先。");
        destination += "/" + std::to_string(prefix);
    }
    Args argv{v6 ? "-6" : "-4", "route", command == "delete" ? "del" : command, destination};
    if (command != "delete" && gateway.empty())
        return refuse("route " + command + " にはゲートウェイが必要です。");
    if (!gateway.empty())
        argv.insert(argv.end(), {"via", gateway});
    if (!metric.empty()) {
        if (!number(metric))
            return refuse("メトリック " + metric + " は正しくありません。");
        argv.insert(argv.end(), {"metric", metric});
    }
    if (!interface.empty()) {
        auto index = number(lower(interface).starts_with("0x") ? interface.substr(2) : interface,
                            lower(interface).starts_with("0x") ? 16 : 10);
        const Link* link = index ? net.link(static_cast<int>(*index)) : nullptr;
        if (!link)
            return refuse("インターフェイス " + interface + " が見つかりません。");
        argv.insert(argv.end(), {"dev", link->name});
    }
    return tool("ip", argv, Plan::Rewrite::Ok);
}

Plan ipconfig(const Args& args, const NetState& net) {
    std::string command;
    Args operands;
    for (const auto& a : args) {
        if (looksLikeOption(a) && command.empty())
            command = lower(a.substr(1));
        else if (looksLikeOption(a))
            return refuse(extra(a));
        else
            operands.push_back(a);
    }
    if (command.empty() || command == "all") {
        if (!operands.empty())
            return refuse(extra(operands[0]));
        Plan p = native(Plan::Answer::Ipconfig);
        p.ipconfigAll = !command.empty();
        return p;
    }
    if (command == "?")
        return usage("ipconfig");
    if (command == "flushdns")
        return tool("resolvectl", {"flush-caches"}, Plan::Rewrite::FlushDns);
    bool release = command == "release" || command == "release6";
    bool six = command.ends_with("6");
    if (!release && command != "renew" && command != "renew6") {
        const Args known{"displaydns",      "registerdns",  "showclassid", "setclassid",
                         "allcompartments", "showclassid6", "setclassid6"};
        if (std::find(known.begin(), known.end(), command) != known.end())
            return refuse(unsupported(args[0]));
        return refuse(unknown(args[0]));
    }
    Args argv;
    if (six)
        argv.push_back("-6");
    if (release)
        argv.push_back("-r");
    if (operands.size() > 1)
        return refuse(extra(operands[1]));
    if (!operands.empty()) {
        // An adapter by its place in ipconfig's list, or by its name (with wildcards).
        auto adapters = ipconfigAdapters(net);
        if (auto n = number(operands[0])) {
            if (*n >= adapters.size())
                return refuse("アダプター " + operands[0] + " が見つかりません。");
            argv.push_back(adapters[*n]->name);
        } else {
            std::size_t before = argv.size();
            for (const Link* link : adapters)
                if (platform::wildcardMatch(operands[0], link->name))
                    argv.push_back(link->name);
            if (argv.size() == before)
                return refuse("アダプター " + operands[0] + " が見つかりません。");
        }
    }
    return tool("dhclient", argv);
}

Plan netCommand(const Args& args) {
    if (args.empty() || args[0] == "/?" || args[0] == "-?")
        return native(Plan::Answer::NetHelp);
    std::string command = lower(args[0]);
    Args operands, switches;
    for (std::size_t i = 1; i < args.size(); ++i)
        (args[i].starts_with("/") ? switches : operands).push_back(args[i]);
    auto noSwitches = [&]() -> std::optional<Plan> {
        if (!switches.empty())
            return refuse(unsupported(switches[0]));
        if (operands.size() > 1)
            return refuse(extra(operands[1]));
        return std::nullopt;
    };
    auto withOperand = [&](Plan::Answer answer) {
        return native(answer, operands.empty() ? "" : operands[0]);
    };
    if (command == "help") {
        if (auto refused = noSwitches())
            return *refused;
        return withOperand(Plan::Answer::NetHelp);
    }
    if (command == "user" || command == "localgroup") {
        if (auto refused = noSwitches())
            return *refused;
        return withOperand(command == "user" ? Plan::Answer::NetUser : Plan::Answer::NetLocalgroup);
    }
    if (command == "statistics") {
        if (auto refused = noSwitches())
            return *refused;
        if (!operands.empty() && lower(operands[0]) != "workstation" &&
            lower(operands[0]) != "server")
            return refuse(extra(operands[0]));
        return native(Plan::Answer::NetStatistics, operands.empty() ? "" : lower(operands[0]));
    }
    if (command == "view") {
        if (operands.empty() && switches.empty())
            return tool("smbtree", {"-N"});
        if (operands.empty() && switches.size() == 1 && lower(switches[0]) == "/domain")
            return tool("smbtree", {"-N", "-D"});
        if (operands.size() == 1 && switches.empty() && operands[0].starts_with("\\\\"))
            return tool("smbclient", {"-N", "-L", operands[0].substr(2)});
        return refuse(unsupported(switches.empty() ? operands[0] : switches[0]));
    }
    if (command == "share" || command == "session") {
        if (!operands.empty() || !switches.empty())
            return refuse(unsupported(operands.empty() ? switches[0] : operands[0]));
        return command == "share" ? tool("smbclient", {"-N", "-L", "127.0.0.1"})
                                  : tool("smbstatus", {"-b"});
    }
    if (command == "helpmsg") {
        if (operands.empty() || !number(operands[0]))
            return refuse("NET HELPMSG にはメッセージ番号が必要です。");
        return refuse("Windows のメッセージ " + operands[0] +
                      " の説明はこのコンピューター (Linux) にはありません。");
    }
    const Args windowsOnly{"send", "name",  "print", "accounts", "computer", "config", "continue",
                           "file", "group", "pause", "start",    "stop",     "time",   "use"};
    if (std::find(windowsOnly.begin(), windowsOnly.end(), command) != windowsOnly.end())
        return refuse("NET " + args[0] + " はこのコンピューター (Linux) では使えません。");
    return refuse("NET " + args[0] + " というコマンドはありません。");
}

Plan nbtstat(const Args& args) {
    // -RR is one option of two letters.
    Args rest;
    for (const auto& a : args) {
        if (a == "-RR" || a == "/RR")
            return refuse(unsupported(a));
        rest.push_back(a);
    }
    Scanned s = scan(rest, kNbtstat);
    if (!s.error.empty())
        return refuse(s.error);
    if (s.help || s.options.empty())
        return usage("nbtstat");
    if (auto refused = unsupportedIn(s, kNbtstat))
        return *refused;
    for (const auto& operand : s.operands)
        if (!number(operand))
            return refuse(extra(operand));
    if (!s.operands.empty())
        return refuse(unsupported(s.operands[0] + " (間隔)"));
    if (s.find('s') || s.find('S'))
        return tool("smbstatus", {"-b"});
    Plan p = native(Plan::Answer::Nbtstat);
    if (const Option* o = s.find('A'))
        p.nbtAddress = o->value;
    else
        p.nbtName = s.find('a')->value;
    return p;
}

// Windows's nslookup reads "-name=value" options before the name and the server.
Plan nslookup(const Args& args) {
    Plan p = native(Plan::Answer::Nslookup);
    NslookupRequest& r = p.nslookup;
    Args operands;
    for (const auto& a : args) {
        if (a == "/?")
            return usage("nslookup");
        if (!a.starts_with("-") || a == "-") {
            operands.push_back(a);
            continue;
        }
        auto equals = a.find('=');
        std::string key = lower(a.substr(1, equals == std::string::npos ? a.npos : equals - 1));
        std::string value = equals == std::string::npos ? "" : a.substr(equals + 1);
        if (key == "?" || key == "help")
            return usage("nslookup");
        if (key == "vc" || key == "novc") {
            r.tcp = key == "vc";
        } else if (key == "type" || key == "q" || key == "query" || key == "querytype") {
            r.type = dnsTypeNumber(value);
            if (!r.type)
                return refuse("オプション " + a + " の種類 " + value + " は正しくありません。");
        } else if (key == "timeout" || key == "retry" || key == "port") {
            unsigned long long high = key == "port" ? 65535 : key == "timeout" ? 3600 : 100;
            auto n = number(value);
            if (!n || *n < 1 || *n > high)
                return refuse(badValue("-" + key, value, 1, high));
            (key == "port"      ? r.port
             : key == "timeout" ? r.timeoutSeconds
                                : r.tries) = static_cast<unsigned>(*n);
        } else if (key == "ignore" || key == "debug" || key == "d2" || key == "recurse" ||
                   key == "domain" || key == "class" || key == "srchlist" || key == "root") {
            return refuse(unsupported(a));
        } else {
            return refuse(unknown(a));
        }
    }
    if (operands.empty() || operands[0] == "-")
        return refuse("nslookup: 対話モードは使えません (標準入力がありません)。調べる名前か "
                      "IP アドレスを指定してください。");
    if (operands.size() > 2)
        return refuse(extra(operands[2]));
    r.name = operands[0];
    r.server = operands.size() == 2 ? operands[1] : "";
    return p;
}

} // namespace

std::string Plan::describe() const {
    if (kind == Kind::Refuse)
        return "refuse " + message;
    std::vector<std::string> words;
    auto add = [&](bool on, std::string word) {
        if (on)
            words.push_back(std::move(word));
    };
    if (kind == Kind::Tool) {
        words = {"tool", program};
        words.insert(words.end(), args.begin(), args.end());
        const char* rewrites[] = {"", "ping", "tracert", "ok", "flushdns"};
        if (rewrite != Rewrite::None)
            words.push_back(std::string("| ") + rewrites[static_cast<int>(rewrite)] +
                            (resolveName ? " names" : ""));
    } else {
        const char* answers[] = {"usage",          "ipconfig", "route",    "arp",
                                 "netstat",        "net-help", "net-user", "net-localgroup",
                                 "net-statistics", "nbtstat",  "nslookup"};
        words = {"native", answers[static_cast<int>(answer)]};
        add(!subject.empty(), subject);
        add(ipconfigAll, "all");
        if (answer == Answer::Route) {
            add(!route.ipv6, "ipv4");
            add(!route.ipv4, "ipv6");
            add(!route.destination.empty(), "destination=" + route.destination);
        }
        if (answer == Answer::Arp) {
            add(!arp.address.empty(), "address=" + arp.address);
            add(!arp.interfaceAddress.empty(), "interface=" + arp.interfaceAddress);
            add(arp.verbose, "verbose");
        }
        if (answer == Answer::Netstat) {
            const NetstatRequest& n = netstat;
            add(n.all, "all");
            add(n.numeric, "numeric");
            add(n.programs, "programs");
            add(n.fqdn, "fqdn");
            add(n.pids, "pids");
            add(n.ethernet, "ethernet");
            add(n.statistics, "statistics");
            add(n.routes, "routes");
            add(!n.protocol.empty(), "proto=" + n.protocol);
            add(n.interval != 0, "interval=" + std::to_string(n.interval));
        }
        add(!nbtName.empty(), "name=" + nbtName);
        add(!nbtAddress.empty(), "address=" + nbtAddress);
        if (answer == Answer::Nslookup) {
            const NslookupRequest& r = nslookup;
            const NslookupRequest defaults;
            add(true, "name=" + r.name);
            add(!r.server.empty(), "server=" + r.server);
            add(r.type != 0, "type=" + std::to_string(r.type));
            add(r.port != defaults.port, "port=" + std::to_string(r.port));
            add(r.timeoutSeconds != defaults.timeoutSeconds,
                "timeout=" + std::to_string(r.timeoutSeconds));
            add(r.tries != defaults.tries, "retry=" + std::to_string(r.tries));
            add(r.tcp, "vc");
        }
    }
    std::string out;
    for (const auto& w : words) {
        if (!out.empty())
            out += ' ';
        out += w;
    }
    return out;
}

Plan translate(std::string_view word, const Args& args, const NetState& net) {
    if (word == "ping")
        return ping(args);
    if (word == "tracert")
        return tracert(args);
    if (word == "netstat")
        return netstat(args);
    if (word == "arp")
        return arp(args, net);
    if (word == "route")
        return route(args, net);
    if (word == "ipconfig")
        return ipconfig(args, net);
    if (word == "net")
        return netCommand(args);
    if (word == "nbtstat")
        return nbtstat(args);
    if (word == "nslookup")
        return nslookup(args);
    return refuse(std::string(word) + " はこのプログラムの知らないコマンドです。");
}

std::string usageLine(std::string_view word) {
    for (const CommandSpec* spec : {&kPing, &kTracert, &kNetstat, &kArp, &kRoute, &kNbtstat})
        if (spec->word == word)
            return "使い方: " + usageOf(*spec);
    const char* syntax =
        word == "ipconfig" ? "ipconfig [/all | /release [アダプター] | /renew [アダプター] | "
                             "/release6 | /renew6 | /flushdns]"
        : word == "nslookup"
            ? "nslookup [-type=種類] [-timeout=秒] [-retry=回数] [-port=ポート] [-vc] 名前 "
              "[サーバー]"
            : "";
    return std::string("使い方: ") + syntax;
}

} // namespace tg::netcmd
