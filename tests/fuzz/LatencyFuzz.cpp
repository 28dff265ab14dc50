#include "commands/Latency.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

// Any output of ping or tracert: reading its times never fails, and what it finds is sound
// (times finite and not negative, one to three probes a hop, hop numbers 1 to 999), whether the
// text comes as a whole or line by line.

namespace {

bool sound(const tg::RoundTrip& trip) {
    return std::isfinite(trip.ms) && trip.ms >= 0 && trip.value() >= 0 &&
           !(trip.lost && trip.under);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tg::TextView text(reinterpret_cast<const char*>(data), size);
    for (tg::LatencyKind kind : {tg::LatencyKind::Ping, tg::LatencyKind::Trace}) {
        tg::LatencyRecord whole;
        whole.reset(kind);
        whole.addText(text);
        tg::LatencyRecord lines;
        lines.reset(kind);
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find_first_of("\r\n", start);
            if (end == tg::TextView::npos)
                end = text.size();
            lines.addLine(text.substr(start, end - start));
            start = end + 1;
        }
        if (whole.replies().size() != lines.replies().size() ||
            whole.hops().size() != lines.hops().size())
            std::abort();
        for (const tg::RoundTrip& trip : whole.replies()) {
            if (!sound(trip))
                std::abort();
        }
        for (const tg::Hop& hop : whole.hops()) {
            if (hop.number < 1 || hop.number > 999 || hop.probes.empty() || hop.probes.size() > 3)
                std::abort();
            for (const tg::RoundTrip& probe : hop.probes) {
                if (!sound(probe))
                    std::abort();
            }
        }
        const tg::PingSummary sum = whole.summary();
        if (sum.timed > sum.received || sum.received > sum.sent || sum.minimum > sum.maximum ||
            (sum.timed > 0 &&
             (sum.average < sum.minimum - 1e-9 || sum.average > sum.maximum + 1e-9)))
            std::abort();
    }
    return 0;
}
