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

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

} // namespace

std::string isoLocalTime(std::int64_t wallMillis) {
    const std::tm local = localTime(wallMillis);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    // The offset is the local clock's reading less UTC's: Windows' strftime writes a zone's
    // name for %z.
    const std::int64_t localSeconds =
        daysFromCivil(local.tm_year + 1900, unsigned(local.tm_mon + 1), unsigned(local.tm_mday)) *
            86400 +
        local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    const std::int64_t utcSeconds = wallMillis / 1000 - ((wallMillis % 1000) < 0);
    const std::int64_t minutes = (localSeconds - utcSeconds) / 60;
    char offset[8];
    std::snprintf(offset, sizeof offset, "%c%02d:%02d", minutes < 0 ? '-' : '+',
                  int((minutes < 0 ? -minutes : minutes) / 60),
                  int((minutes < 0 ? -minutes : minutes) % 60));
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
