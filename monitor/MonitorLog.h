#pragma once

#include "monitor/RouteMonitor.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tg::monitor {

// ISO 8601 local time with milliseconds and the offset: 2026-12-07T23:40:01.123+09:00.
std::string isoLocalTime(std::int64_t wallMillis);

// time,hop,address,rtt in ms with three decimals or "lost".
std::string csvLine(const Outcome& outcome);

// A fresh file name for a window's start in folder: the target and the local time of the start,
// with a number added while the name is taken.
std::filesystem::path newLogPath(const std::filesystem::path& folder, const std::string& target,
                                 std::int64_t wallMillis);

// The CSV log of one start. Every write reaches the system before it returns, so that a crash
// of the program costs at most the round under way.
class MonitorLog {
public:
    // False when the file cannot be made; the run goes on without a log.
    bool open(const std::filesystem::path& path);
    void write(const std::vector<Outcome>& outcomes);
    const std::filesystem::path& path() const { return path_; }
    bool isOpen() const { return file_.is_open(); }

private:
    std::filesystem::path path_;
    std::ofstream file_;
};

} // namespace tg::monitor
