#include "documents/Document.h"

#include "text/Codec.h"

#include <cstdio>
#include <ctime>
#include <mutex>

namespace tg {

namespace {

// Days since 1970-01-01 of a broken-down date, so that the difference of the local and the UTC
// form of one moment gives the offset without any zone data of our own.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

long long secondsOf(const std::tm& t) {
    return daysFromCivil(t.tm_year + 1900LL, static_cast<unsigned>(t.tm_mon + 1),
                         static_cast<unsigned>(t.tm_mday)) *
               86400 +
           t.tm_hour * 3600LL + t.tm_min * 60LL + t.tm_sec;
}

} // namespace

Text localTimeText(std::chrono::system_clock::time_point moment) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
    std::tm local{}, utc{};
    {
        // localtime and gmtime share one static buffer.
        static std::mutex guard;
        std::lock_guard lock(guard);
        if (const std::tm* l = std::localtime(&seconds))
            local = *l;
        if (const std::tm* u = std::gmtime(&seconds))
            utc = *u;
    }
    const long long offsetMinutes = (secondsOf(local) - secondsOf(utc)) / 60;
    const long long absMinutes = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d%c%02lld:%02lld",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, offsetMinutes < 0 ? '-' : '+', absMinutes / 60,
                  absMinutes % 60);
    return buffer;
}

const char* endingName(RunEnding ending) {
    switch (ending) {
    case RunEnding::Exited:
        return "exited";
    case RunEnding::Aborted:
        return "aborted";
    case RunEnding::CouldNotStart:
        return "notStarted";
    case RunEnding::Completed:
        break;
    }
    return "completed";
}

Text recordDescription(const RunRecord& record) {
    Text ending;
    switch (record.ending) {
    case RunEnding::Exited:
        ending = "終了コード " + (record.exitCode ? std::to_string(*record.exitCode) : Text("?"));
        break;
    case RunEnding::Aborted:
        ending = "ユーザーが中止";
        break;
    case RunEnding::CouldNotStart:
        ending = "実行できず";
        break;
    case RunEnding::Completed:
        ending = "完了";
        break;
    }
    return utf8ToCp932("コマンド: ") + record.command + "\n" + utf8ToCp932("開始: ") +
           record.started + "\n" + utf8ToCp932("終了: ") + record.ended + "\n" +
           utf8ToCp932("結果: " + ending);
}

void Document::addView(Text label, Text defaultText) {
    labels_.push_back(std::move(label));
    texts_.push_back(defaultText);
    defaultTexts_.push_back(std::move(defaultText));
    records_.emplace_back();
}

void Document::runEnded(std::size_t view, RunRecord record) {
    records_.at(view) = std::move(record);
    modified_ = true;
}

void Document::reset() {
    // A fresh vector, so that the views' old texts give back their memory.
    texts_ = std::vector<Text>(defaultTexts_);
    records_.assign(labels_.size(), std::nullopt);
    name_ = kDefaultName;
    modified_ = false;
}

void Document::applySections(DocumentSections sections) {
    for (std::size_t i = 0; i < sections.size() && i < records_.size(); ++i) {
        if (sections[i])
            records_[i].reset();
    }
    applyDocumentSections(std::move(sections), texts_, defaultTexts_);
}

Text Document::fileBytes() const {
    return documentBytes(labels_, texts_, defaultTexts_, kSeparator);
}

} // namespace tg
