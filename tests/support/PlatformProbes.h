#pragma once

#include <QDateTime>
#include <QString>

namespace tg::test {

// The system's list of recent documents as a test sees it. On Linux the freedesktop list is kept
// under the test's own folder; on Windows the shortcuts in the user's Recent folder count from the
// probe's making on, as that folder is shared with every earlier run.
class RecentDocumentsProbe {
public:
    explicit RecentDocumentsProbe(const QString& scratchFolder);
    bool contains(const QString& file) const;

private:
    QString scratchFolder_;
    QDateTime since_;
};

// Makes every file write of this process fail once the file would pass `bytes`, for as long as it
// lives, where the system can do that (isActive()).
class FileSizeLimit {
public:
    explicit FileSizeLimit(long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool isActive() const { return active_; }

private:
    bool active_ = false;
    long long saved_ = 0;
    void (*savedHandler_)(int) = nullptr;
};

// The most memory this process has held at once so far, in KiB; 0 where the system does not say.
long peakMemoryKb();

} // namespace tg::test
