#include "platform/Files.h"

#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileName.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tg::platform {

namespace {

namespace fs = std::filesystem;

constexpr size_t kChunk = 1u << 20;

[[noreturn]] void fail(const char* action, const fs::path& path, FileFailure failure) {
    throw Error(fileErrorMessage(action, fromNativePath(path), failure));
}

[[noreturn]] void failWithErrno(const char* action, const fs::path& path, int error) {
    fail(action, path, failureFromErrno(error));
}

// True, with the reason, when the status is not that of a regular file.
bool refuseUnlessRegular(const struct stat& status, FileFailure& why) {
    if (S_ISREG(status.st_mode))
        return false;
    if (S_ISDIR(status.st_mode))
        why = {FileProblem::IsFolder, {}};
    else if (S_ISFIFO(status.st_mode))
        why = {FileProblem::NotRegularFile, utf8ToCp932("名前付きパイプ")};
    else if (S_ISSOCK(status.st_mode))
        why = {FileProblem::NotRegularFile, utf8ToCp932("ソケット")};
    else if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
        why = {FileProblem::NotRegularFile, utf8ToCp932("デバイス")};
    else
        why = {FileProblem::NotRegularFile, {}};
    return true;
}

FileFailure tooLarge(std::uint64_t size, std::uint64_t limit) {
    Text detail = size > limit ? sizeText(size) + utf8ToCp932("。") : Text();
    return {FileProblem::TooLarge,
            detail + utf8ToCp932("読み込めるのは ") + sizeText(limit) + utf8ToCp932(" まで")};
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, reporting what close reports: on some file systems the last write errors.
    int close() {
        int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

// The next block to read: within the room made for the file's size while there is any, so that
// the buffer is not moved for its last block.
size_t blockSize(const Text& bytes, size_t used, std::uint64_t limit) {
    size_t room = bytes.capacity() - used;
    auto block = std::min<std::uint64_t>({kChunk, limit + 1 - used, room > 0 ? room : kChunk});
    return static_cast<size_t>(block);
}

Text readOpened(int fd, const fs::path& path, std::uint64_t size, std::uint64_t limit,
                ReadProgress* progress) {
    Text bytes;
    // Room for one byte more than the size, to see the end; the file may still grow, up to the
    // limit and one byte more. Each block is made just before it is read, so that the progress
    // follows the reading.
    bytes.reserve(static_cast<size_t>(size) + 1);
    size_t used = 0;
    for (;;) {
        if (progress && progress->cancel.load(std::memory_order_relaxed))
            fail("ファイルを読み込めません", path, {FileProblem::Cancelled, {}});
        size_t want = blockSize(bytes, used, limit);
        bytes.resize(used + want);
        ssize_t got = ::read(fd, bytes.data() + used, want);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            failWithErrno("ファイルを読み込めません", path, errno);
        }
        if (got == 0)
            break;
        used += static_cast<size_t>(got);
        if (used > limit)
            fail("ファイルを読み込めません", path, tooLarge(used, limit));
        if (progress)
            progress->done.store(used, std::memory_order_relaxed);
    }
    bytes.resize(used);
    return bytes;
}

// The file a name finally stands for, links followed, so that a link keeps pointing at the saved
// file; the name itself when there is none yet.
fs::path resolvedTarget(const fs::path& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? fs::path(real.get()) : path;
}

// A fresh name beside the target, hidden, short enough for any file system.
fs::path temporaryBeside(const fs::path& target, std::mt19937& random) {
    std::string name = target.filename().string().substr(0, 200);
    std::string suffix = std::to_string(random() % 1000000000u);
    return target.parent_path() / ("." + name + "." + suffix + ".tmp");
}

} // namespace

Text readRegularFile(const fs::path& path, std::uint64_t limit, ReadProgress* progress) {
    const char* openAction = "ファイルを開けません";
    try {
        // A first look by name, so that a device or a pipe is never even opened: opening one can
        // wait for a writer or have effects of its own.
        struct stat named {};
        if (::stat(path.c_str(), &named) != 0)
            failWithErrno(openAction, path, errno);
        FileFailure why;
        if (refuseUnlessRegular(named, why))
            fail(openAction, path, why);

        Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (fd.get() < 0)
            failWithErrno(openAction, path, errno);
        // What was opened is what is read; something swapped in since the first look is refused.
        struct stat opened {};
        if (::fstat(fd.get(), &opened) != 0)
            failWithErrno(openAction, path, errno);
        if (refuseUnlessRegular(opened, why))
            fail(openAction, path, why);
        const auto size = static_cast<std::uint64_t>(opened.st_size);
        if (size > limit)
            fail(openAction, path, tooLarge(size, limit));
        if (progress)
            progress->total.store(size, std::memory_order_relaxed);
        return readOpened(fd.get(), path, size, limit, progress);
    } catch (const std::bad_alloc&) {
        fail("ファイルを読み込めません", path, {FileProblem::OutOfMemory, {}});
    }
}

void replaceFile(const fs::path& path, TextView bytes) {
    const char* createAction = "ファイルを作成できません";
    const char* writeAction = "ファイルに書き込めません";
    const fs::path target = resolvedTarget(path);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    FileFailure why;
    // Renaming over a folder fails anyway; over a pipe or a device it would replace the node.
    if (exists && refuseUnlessRegular(old, why))
        fail(createAction, path, why);
    // A file the user may not change stays as it is, though the folder would allow replacing it.
    if (exists && ::access(target.c_str(), W_OK) != 0)
        failWithErrno(writeAction, path, errno);

    std::mt19937 random(std::random_device{}());
    fs::path temporary;
    int raw = -1;
    for (int attempt = 0; attempt < 100 && raw < 0; ++attempt) {
        temporary = temporaryBeside(target, random);
        raw = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (raw < 0 && errno != EEXIST)
            break;
    }
    if (raw < 0)
        failWithErrno(createAction, path, errno);
    Descriptor fd(raw);
    auto abandon = [&](int error) {
        fd.close();
        ::unlink(temporary.c_str());
        failWithErrno(writeAction, path, error);
    };
    if (exists) {
        // The new file takes the old one's permissions and, where this user may, its owner; where
        // it may not, the file is this user's, as any file it creates.
        [[maybe_unused]] int owned = ::fchown(fd.get(), old.st_uid, old.st_gid);
        [[maybe_unused]] int moded = ::fchmod(fd.get(), old.st_mode & 07777);
    }
    size_t written = 0;
    while (written < bytes.size()) {
        size_t want = std::min(kChunk, bytes.size() - written);
        ssize_t put = ::write(fd.get(), bytes.data() + written, want);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            abandon(errno);
        }
        if (put == 0)
            abandon(ENOSPC);
        written += static_cast<size_t>(put);
    }
    if (::fsync(fd.get()) != 0)
        abandon(errno);
    if (fd.close() != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        failWithErrno(writeAction, path, error);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        failWithErrno(writeAction, path, error);
    }
    // The new name itself reaches the disk with the folder; where that cannot be asked for, the
    // file system's own order has to do.
    int folder = ::open(target.parent_path().empty() ? "." : target.parent_path().c_str(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
}

FileFailure failureFromSystemError(unsigned long code) {
    return failureFromErrno(static_cast<int>(code));
}

} // namespace tg::platform
