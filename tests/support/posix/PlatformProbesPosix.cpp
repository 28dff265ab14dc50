#include "support/PlatformProbes.h"

#include <QFile>
#include <QUrl>

#include <csignal>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace tg::test {

RecentDocumentsProbe::RecentDocumentsProbe(const QString& scratchFolder)
    : scratchFolder_(scratchFolder) {
    qputenv("XDG_DATA_HOME", (scratchFolder + QStringLiteral("/share")).toLocal8Bit());
}

bool RecentDocumentsProbe::contains(const QString& file) const {
    QFile xbel(scratchFolder_ + QStringLiteral("/share/recently-used.xbel"));
    return xbel.open(QIODevice::ReadOnly) &&
           xbel.readAll().contains(QUrl::fromLocalFile(file).toEncoded());
}

// The file-size limit binds every user, the superuser too.
FileSizeLimit::FileSizeLimit(long long bytes) {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    saved_ = static_cast<long long>(limit.rlim_cur);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(saved_);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, savedHandler_);
}

long peakMemoryKb() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

} // namespace tg::test
