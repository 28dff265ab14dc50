#include "netcmd/Answers.h"
#include "netcmd/Columns.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tg::netcmd {

namespace {

bool nameNotFound(std::string_view line) {
    return line.find("Name or service not known") != std::string_view::npos ||
           line.find("Temporary failure in name resolution") != std::string_view::npos ||
           line.find("No address associated with hostname") != std::string_view::npos;
}

// "name (addr)" or "addr", up to the colon that ends it.
std::string replyAddress(std::string_view from) {
    auto open = from.find('(');
    auto close = from.find(')');
    if (open != std::string_view::npos && close > open)
        return std::string(from.substr(open + 1, close - open - 1));
    return trim(from);
}

// Whole milliseconds, as the Windows tools measure them.
unsigned long wholeMs(std::string_view text) {
    try {
        double value = std::stod(std::string(text));
        return value < 0 ? 0 : static_cast<unsigned long>(std::floor(value));
    } catch (...) {
        return 0;
    }
}

std::string afterKey(std::string_view line, std::string_view key) {
    auto at = line.find(key);
    if (at == std::string_view::npos)
        return {};
    auto rest = line.substr(at + key.size());
    return std::string(rest.substr(0, rest.find(' ')));
}

} // namespace

PingOutput::PingOutput(std::string target, int dataSize, std::string resolvedName)
    : target_(std::move(target)), dataSize_(dataSize), resolvedName_(std::move(resolvedName)) {}

Lines PingOutput::routeLines() const {
    Lines out;
    for (std::size_t i = 0; i < route_.size(); ++i)
        out.push_back((i == 0 ? "    ルート: " : std::string(12, ' ')) + route_[i] +
                      (i + 1 < route_.size() ? " ->" : ""));
    return out;
}

Lines PingOutput::line(std::string_view l) {
    if (l.starts_with("RR:") || (inRoute_ && l.starts_with("\t"))) {
        if (l.starts_with("RR:"))
            route_.clear();
        inRoute_ = true;
        route_.push_back(trim(l.substr(l.starts_with("RR:") ? 3 : 0)));
        return {};
    }
    if (inRoute_) {
        inRoute_ = false;
        Lines out = routeLines();
        if (!l.empty()) {
            Lines rest = line(l);
            out.insert(out.end(), rest.begin(), rest.end());
        }
        return out;
    }
    if (l.starts_with("PING ")) {
        auto open = l.find('('), close = l.find(')');
        if (open == std::string_view::npos || close < open)
            return {std::string(l)};
        std::string name = trim(l.substr(5, open - 5));
        address_ = std::string(l.substr(open + 1, close - open - 1));
        ipv6_ = address_.find(':') != std::string::npos;
        headerDone_ = true;
        std::string shown = name != address_ ? name : resolvedName_;
        std::string destination = shown.empty() ? address_ + " " : shown + " [" + address_ + "]";
        return {"", destination + "に ping を送信しています " + std::to_string(dataSize_) +
                        " バイトのデータ:"};
    }
    if (l.find(" bytes from ") != std::string_view::npos && l.find("icmp_seq=") != l.npos) {
        if (l.find("(DUP!)") != std::string_view::npos)
            return {};
        auto from = l.find(" bytes from ") + 12;
        auto colon = l.find(": ", from);
        std::string address = replyAddress(l.substr(from, colon - from));
        unsigned long ms = wholeMs(afterKey(l, "time="));
        ++reported_;
        ++received_;
        times_.push_back(ms);
        std::string time = ms == 0 ? "<1ms" : "=" + std::to_string(ms) + "ms";
        Lines out;
        if (ipv6_) {
            out.push_back(address + " からの応答: 時間 " + time);
        } else {
            long bytes = std::atol(std::string(l.substr(0, l.find(' '))).c_str()) - 8;
            out.push_back(address +
                          " からの応答: バイト数 =" + std::to_string(std::max(0L, bytes)) +
                          " 時間 " + time + " TTL=" + trim(afterKey(l, "ttl=")));
        }
        if (l.find("(same route)") != std::string_view::npos) {
            Lines route = routeLines();
            out.insert(out.end(), route.begin(), route.end());
        }
        return out;
    }
    if (l.starts_with("From ")) {
        auto seq = l.find(" icmp_seq=");
        if (seq == std::string_view::npos)
            return {std::string(l)};
        std::string address = replyAddress(l.substr(5, seq - 5));
        auto rest = l.substr(seq + 1);
        rest.remove_prefix(std::min(rest.size(), rest.find(' ') + 1));
        std::string reason = trim(rest);
        if (reason == "Destination Host Unreachable")
            reason = "宛先ホストに到達できません。";
        else if (reason == "Destination Net Unreachable")
            reason = "宛先ネットワークに到達できません。";
        else if (reason == "Destination Port Unreachable")
            reason = "宛先ポートに到達できません。";
        else if (reason == "Time to live exceeded")
            reason = "転送中に TTL が期限切れになりました。";
        // Windows counts an error answer as an answer.
        ++reported_;
        ++received_;
        return {address + " からの応答: " + reason};
    }
    if (l.starts_with("no answer yet for icmp_seq=")) {
        ++reported_;
        return {"要求がタイムアウトしました。"};
    }
    if (l.find(" packets transmitted, ") != std::string_view::npos) {
        sent_ = std::strtoul(std::string(l).c_str(), nullptr, 10);
        return {};
    }
    if (l.empty() || l.starts_with("--- ") || l.starts_with("rtt ") || l.starts_with("round-trip"))
        return {};
    if (nameNotFound(l)) {
        failed_ = true;
        return {"ping 要求ではホスト " + target_ +
                " が見つかりませんでした。ホスト名を確認してもう一度実行してください。"};
    }
    if (l.find("Network is unreachable") != std::string_view::npos)
        return {"PING: 転送に失敗しました。一般エラーです。"};
    return {std::string(l)};
}

Lines PingOutput::finish(bool interrupted) {
    if (!headerDone_ || failed_)
        return {};
    // The echo still in flight when Ctrl+C came is not counted.
    unsigned long sent = interrupted ? reported_ : std::max(sent_, reported_);
    Lines out;
    for (unsigned long i = reported_; i < sent; ++i)
        out.push_back("要求がタイムアウトしました。");
    unsigned long lost = sent - std::min(sent, received_);
    out.insert(out.end(),
               {"", address_ + " の ping 統計:",
                "    パケット数: 送信 = " + std::to_string(sent) +
                    "、受信 = " + std::to_string(received_) + "、損失 = " + std::to_string(lost) +
                    " (" + std::to_string(sent ? lost * 100 / sent : 0) + "% の損失)、"});
    if (!times_.empty()) {
        auto [least, most] = std::minmax_element(times_.begin(), times_.end());
        unsigned long average = std::accumulate(times_.begin(), times_.end(), 0UL) / times_.size();
        out.push_back("ラウンド トリップの概算時間 (ミリ秒):");
        out.push_back("    最小 = " + std::to_string(*least) + "ms、最大 = " +
                      std::to_string(*most) + "ms、平均 = " + std::to_string(average) + "ms");
    }
    if (interrupted)
        out.push_back("Ctrl+C");
    return out;
}

Lines TracertOutput::line(std::string_view l) {
    if (l.starts_with("traceroute to ")) {
        auto fields = splitFields(l);
        std::string name = fields.size() > 2 ? std::string(fields[2]) : target_;
        std::string address = fields.size() > 3 ? replyAddress(fields[3]) : name;
        std::string hops = "30";
        for (std::size_t i = 1; i < fields.size(); ++i)
            if (fields[i].starts_with("hops"))
                hops = std::string(fields[i - 1]);
        started_ = true;
        return {"",
                (name != address ? name + " [" + address + "] " : address + " ") +
                    "へのルートをトレースしています",
                "経由するホップ数は最大 " + hops + " です:", ""};
    }
    if (nameNotFound(l)) {
        started_ = false;
        return {"ターゲット システム名 " + target_ + " を解決できません。"};
    }
    auto fields = splitFields(l);
    if (fields.empty() || !number(fields[0])) {
        if (l.starts_with("Cannot handle ") || trim(l).empty())
            return {};
        return {std::string(l)};
    }
    std::string row = padLeft(fields[0], 3);
    std::string host, address;
    int probes = 0;
    for (std::size_t i = 1; i < fields.size() && probes < 3; ++i) {
        auto f = fields[i];
        if (f == "*") {
            row += "     *   ";
            ++probes;
        } else if (i + 1 < fields.size() && fields[i + 1] == "ms") {
            unsigned long ms = wholeMs(f);
            row += " " + padLeft(ms == 0 ? "<1" : std::to_string(ms), 5) + " ms";
            ++probes;
            ++i;
        } else if (f.starts_with("(") && f.ends_with(")")) {
            if (address.empty())
                address = std::string(f.substr(1, f.size() - 2));
        } else if (!f.starts_with("!") && host.empty()) {
            host = std::string(f);
        }
    }
    std::string shown = host.empty() ? "要求がタイムアウトしました。"
                        : !address.empty() && address != host ? host + " [" + address + "]"
                                                              : host;
    return {row + "  " + shown};
}

Lines TracertOutput::finish(bool interrupted) {
    if (!started_ || interrupted)
        return {};
    return {"", "トレースを完了しました。"};
}

} // namespace tg::netcmd
