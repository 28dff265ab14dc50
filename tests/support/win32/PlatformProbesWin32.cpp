#include "support/PlatformProbes.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <windows.h>

#include <psapi.h>
#include <shlobj.h>

namespace tg::test {

namespace {

QString recentFolder() {
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_RECENT, nullptr, 0, path) != S_OK)
        return {};
    return QString::fromWCharArray(path);
}

} // namespace

RecentDocumentsProbe::RecentDocumentsProbe(const QString& scratchFolder)
    : scratchFolder_(scratchFolder), since_(QDateTime::currentDateTimeUtc()) {}

// The shell names a document's shortcut after the document's file name, with " (2)" and so on
// when a shortcut of that name is there already.
bool RecentDocumentsProbe::contains(const QString& file) const {
    const QString name = QFileInfo(file).fileName();
    const QRegularExpression linkName(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(name) + QStringLiteral("( \\(\\d+\\))?\\.lnk")));
    const QFileInfoList links =
        QDir(recentFolder()).entryInfoList({name + QStringLiteral("*.lnk")}, QDir::Files);
    for (const QFileInfo& link : links) {
        if (linkName.match(link.fileName()).hasMatch() && link.lastModified().toUTC() >= since_)
            return true;
    }
    return false;
}

// Windows has no limit of this kind.
FileSizeLimit::FileSizeLimit(long long) {}
FileSizeLimit::~FileSizeLimit() = default;

long peakMemoryKb() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return long(counters.PeakWorkingSetSize / 1024);
}

} // namespace tg::test
