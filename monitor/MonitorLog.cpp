#include "monitor/MonitorLog.h"

#include <cstdio>
#include <ctime>
#include <mutex>
#include <system_error>

namespace tg::monitor {

namespace {

// localtime keeps its result in one buffer for the whole process; each window's thread writes
// its own log.
std::mutex localTimeLock;

std::tm localTime(std::int64_t wallMillis) {
    std::time_t seconds = std::time_t(wallMillis / 1000);
    std::lock_guard<std::mutex> lock(localTimeLock);
    return *std::localtime(&seconds);
}

} // namespace

std::string isoLocalTime(std::int64_t wallMillis) {
    const std::tm local = localTime(wallMillis);
    char date[32];
    char zone[8];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    std::strftime(zone, sizeof zone, "%z", &local);
    // strftime writes +0900; ISO 8601's extended form wants +09:00.
    std::string offset(zone);
    if (offset.size() == 5)
        offset = offset.substr(0, 3) + ':' + offset.substr(3);
    char millis[8];
    std::snprintf(millis, sizeof millis, ".%03d", int(wallMillis % 1000));
    return date + std::string(millis) + offset;
}

std::string csvLine(const Outcome& outcome) {
    std::string line = isoLocalTime(outcome.wallMillis) + "," + std::to_string(outcome.ttl) + "," +
                       outcome.address + ",";
    if (outcome.rttMicros < 0) {
        line += "lost";
    } else {
        char ms[32];
        std::snprintf(ms, sizeof ms, "%.3f", double(outcome.rttMicros) / 1000.0);
        line += ms;
    }
    return line;
}

std::filesystem::path newLogPath(const std::filesystem::path& folder, const std::string& target,
                                 std::int64_t wallMillis) {
    std::string safe;
    for (char c : target) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                           (c >= 'A' && c <= 'Z') || c == '.' || c == '-' || c == '_';
        safe += plain ? c : '_';
    }
    const std::tm local = localTime(wallMillis);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string stem = safe + "-" + stamp;
    std::error_code ignored;
    for (int n = 1;; ++n) {
        std::string name = stem;
        if (n > 1) {
            name += '-';
            name += std::to_string(n);
        }
        name += ".csv";
        std::filesystem::path candidate = folder / name;
        if (!std::filesystem::exists(candidate, ignored))
            return candidate;
    }
}

bool MonitorLog::open(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    file_.open(path, std::ios::out | std::ios::app | std::ios::binary);
    path_ = path;
    return file_.is_open();
}

void MonitorLog::write(const std::vector<Outcome>& outcomes) {
    if (!file_.is_open() || outcomes.empty())
        return;
    for (const Outcome& outcome : outcomes)
        file_ << csvLine(outcome) << "\r\n";
    file_.flush();
}

} // namespace tg::monitor
