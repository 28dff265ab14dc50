#pragma once

// What a Windows command line means here: a native answer, a Linux tool with its arguments
// translated to the Windows meaning, or one line saying why it cannot be honoured.

#include "netcmd/NetState.h"

#include <string>
#include <string_view>
#include <vector>

namespace tg::netcmd {

struct Plan {
    enum class Kind { Native, Tool, Refuse };
    Kind kind = Kind::Refuse;
    std::string program;           // the native answer, or the Linux tool
    std::vector<std::string> args; // its parameters ("all", "proto=TCP") or the tool's arguments
    std::string message;           // why it is refused
    // A tool whose output is rewritten the Windows way ("ping", "tracert"), or whose success
    // Windows confirms with a line ("ok").
    std::string rewrite;
    bool resolveName = false; // ping -a: the destination's name in the first line

    // One line for tests and messages: "native netstat all numeric", "tool ping -n …",
    // "refuse <message>".
    std::string describe() const;
    // The value of a native parameter "key=value"; empty when absent.
    std::string value(std::string_view key) const;
    bool has(std::string_view flag) const;
};

// word is one of the nine command words; net tells interface names and addresses where a
// Windows option names an interface by number or address.
Plan translate(std::string_view word, const std::vector<std::string>& args, const NetState& net);

// "使い方: …" for the command word.
std::string usageLine(std::string_view word);

} // namespace tg::netcmd
