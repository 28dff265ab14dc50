#pragma once

#include "text/Text.h"

#include <optional>
#include <vector>

namespace tg {

// The times that ping and tracert print, read back from their output lines: the Japanese and the
// English layouts of the Windows commands, and the reply lines of the Linux ping.
enum class LatencyKind { None, Ping, Trace };

// ping and tracert; every other view prints no times.
LatencyKind latencyKindOf(int slot);

struct RoundTrip {
    bool lost = false;     // no time: a timeout, or an error reported in its place
    double ms = 0;         // the time as printed
    bool under = false;    // printed as "<ms": less than that
    bool answered = false; // lost, but an error came back, which ping counts as received
    // The time as the command's own statistics count it: "<1ms" counts as 0.
    double value() const { return lost || under ? 0 : ms; }
};

struct Hop {
    int number = 0;
    std::vector<RoundTrip> probes; // as printed, one to three
    Text host;                     // what follows the probes, cp932 as printed
};

// A reply or a lost reply of ping; nothing for any other line.
std::optional<RoundTrip> parsePingLine(TextView line);
// A hop of tracert; nothing for any other line.
std::optional<Hop> parseHopLine(TextView line);

// As ping's own statistics count: received includes error answers; the times are the replies'.
struct PingSummary {
    int sent = 0;
    int received = 0;
    int timed = 0;
    double minimum = 0;
    double average = 0;
    double maximum = 0;
};

// The times of one run, taken line by line as its output arrives, or from a view's whole text.
class LatencyRecord {
public:
    void reset(LatencyKind kind);
    void addLine(TextView line);
    // Lines ended by CR LF (a view's text); CR CR LF and a lone CR end a line too.
    void addText(TextView text);

    LatencyKind kind() const { return kind_; }
    const std::vector<RoundTrip>& replies() const { return replies_; }
    const std::vector<Hop>& hops() const { return hops_; }
    PingSummary summary() const;

private:
    LatencyKind kind_ = LatencyKind::None;
    std::vector<RoundTrip> replies_;
    std::vector<Hop> hops_;
};

} // namespace tg
