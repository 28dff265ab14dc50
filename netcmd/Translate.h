#pragma once

// What a Windows command line means here: a native answer, a Linux tool with its arguments
// translated to the Windows meaning, or one line saying why it cannot be honoured.

#include "netcmd/Answers.h"
#include "netcmd/NetState.h"

#include <string>
#include <string_view>
#include <vector>

namespace tg::netcmd {

// What netstat shows, and how.
struct NetstatRequest {
    bool all = false;
    bool numeric = false;
    bool programs = false; // -b
    bool fqdn = false;     // -f
    bool pids = false;     // -o
    bool ethernet = false;
    bool statistics = false;
    bool routes = false;
    std::string protocol{};          // upper case; empty: all
    unsigned long long interval = 0; // seconds between tables; 0: one table
};

struct Plan {
    enum class Kind { Native, Tool, Refuse };
    // The native answers.
    enum class Answer {
        Usage,
        Ipconfig,
        Route,
        Arp,
        Netstat,
        NetHelp,
        NetUser,
        NetLocalgroup,
        NetStatistics,
        Nbtstat,
        Nslookup
    };
    // How a tool's output is taken: as it is, rewritten the Windows way (ping, tracert), or
    // its success confirmed by Windows's line (route's " OK!", ipconfig /flushdns).
    enum class Rewrite { None, Ping, Tracert, Ok, FlushDns };

    Kind kind = Kind::Refuse;
    std::string message{}; // why it is refused

    Answer answer = Answer::Usage;
    // Usage: the command word; net help: the topic; net user and localgroup: the name; net
    // statistics: the service. Empty: none given.
    std::string subject{};
    bool ipconfigAll = false;
    RouteFilter route{};
    ArpFilter arp{};
    NetstatRequest netstat{};
    NslookupRequest nslookup{};
    std::string nbtName{}, nbtAddress{};

    std::string program{}; // the Linux tool
    std::vector<std::string> args{};
    Rewrite rewrite = Rewrite::None;
    bool resolveName = false; // ping -a: the destination's name in the first line

    // One line for tests and messages: "native netstat all numeric", "tool ping -n …",
    // "refuse <message>".
    std::string describe() const;
};

// word is one of the nine command words; net tells interface names and addresses where a
// Windows option names an interface by number or address.
Plan translate(std::string_view word, const std::vector<std::string>& args, const NetState& net);

// "使い方: …" for the command word.
std::string usageLine(std::string_view word);

} // namespace tg::netcmd
