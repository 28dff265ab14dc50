#include "support/PlatformProbes.h"

#include <QFileInfo>

#include <windows.h>

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

// The shell names a document's shortcut after the document's file name.
bool RecentDocumentsProbe::contains(const QString& file) const {
    QFileInfo link(recentFolder() + QLatin1Char('/') + QFileInfo(file).fileName() +
                   QStringLiteral(".lnk"));
    return link.exists() && link.lastModified().toUTC() >= since_;
}

// Windows has no limit of this kind.
FileSizeLimit::FileSizeLimit(long long) {}
FileSizeLimit::~FileSizeLimit() = default;

} // namespace tg::test
