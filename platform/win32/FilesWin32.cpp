#include "platform/Files.h"

#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileName.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <random>
#include <string>

namespace tg::platform {

namespace {

namespace fs = std::filesystem;

constexpr DWORD kChunk = 1u << 20;
// ERROR_DISK_QUOTA_EXCEEDED, which not every SDK's headers name.
constexpr DWORD kDiskQuotaExceeded = 1295;

[[noreturn]] void fail(const char* action, const fs::path& path, FileFailure failure) {
    throw Error(fileErrorMessage(action, fromNativePath(path), failure));
}

[[noreturn]] void failWithLastError(const char* action, const fs::path& path) {
    fail(action, path, failureFromSystemError(GetLastError()));
}

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool close() {
        bool closed = !valid() || CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

// Names in the device namespace (\\.\pipe\..., \\.\COM1) reach no file; opening one connects to
// a pipe or a device.
bool isDeviceName(const std::wstring& name) {
    return name.size() >= 4 && name[0] == L'\\' && name[1] == L'\\' && name[2] == L'.' &&
           name[3] == L'\\';
}

FileFailure tooLarge(std::uint64_t size, std::uint64_t limit) {
    Text detail = size > limit ? sizeText(size) + utf8ToCp932("。") : Text();
    return {FileProblem::TooLarge,
            detail + utf8ToCp932("読み込めるのは ") + sizeText(limit) + utf8ToCp932(" まで")};
}

// Windows says only that the path is not found where a folder on the way is a file; the nearest
// existing name tells which it is.
FileFailure creationFailure(DWORD error, const fs::path& folder) {
    if (error == ERROR_PATH_NOT_FOUND) {
        for (fs::path up = folder; up.has_relative_path(); up = up.parent_path()) {
            const DWORD attributes = GetFileAttributesW(up.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES)
                continue;
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
                return {FileProblem::FolderIsFile, {}};
            break;
        }
    }
    return failureFromSystemError(error);
}

} // namespace

Text readRegularFile(const fs::path& path, std::uint64_t limit, ReadProgress* progress) {
    const char* openAction = "ファイルを開けません";
    const char* readAction = "ファイルを読み込めません";
    const std::wstring name = path.wstring();
    try {
        if (isDeviceName(name))
            fail(openAction, path, {FileProblem::NotRegularFile, utf8ToCp932("デバイス")});
        DWORD attributes = GetFileAttributesW(name.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            failWithLastError(openAction, path);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            fail(openAction, path, {FileProblem::IsFolder, {}});

        Handle file(CreateFileW(name.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file.valid())
            failWithLastError(openAction, path);
        // What was opened is what is read: a reserved name such as NUL or CON opens a device.
        switch (GetFileType(file.get())) {
        case FILE_TYPE_DISK:
            break;
        case FILE_TYPE_PIPE:
            fail(openAction, path, {FileProblem::NotRegularFile, utf8ToCp932("名前付きパイプ")});
        default:
            fail(openAction, path, {FileProblem::NotRegularFile, utf8ToCp932("デバイス")});
        }
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.get(), &size))
            failWithLastError(openAction, path);
        const auto total = static_cast<std::uint64_t>(size.QuadPart);
        if (total > limit)
            fail(openAction, path, tooLarge(total, limit));
        if (progress)
            progress->total.store(total, std::memory_order_relaxed);

        Text bytes;
        // As on POSIX systems: each block is made just before it is read.
        bytes.reserve(static_cast<size_t>(total) + 1);
        size_t used = 0;
        for (;;) {
            if (progress && progress->cancel.load(std::memory_order_relaxed))
                fail(readAction, path, {FileProblem::Cancelled, {}});
            size_t room = bytes.capacity() - used;
            DWORD want = static_cast<DWORD>(
                std::min<std::uint64_t>({kChunk, limit + 1 - used, room > 0 ? room : kChunk}));
            bytes.resize(used + want);
            DWORD got = 0;
            if (!ReadFile(file.get(), bytes.data() + used, want, &got, nullptr))
                failWithLastError(readAction, path);
            if (got == 0)
                break;
            used += got;
            if (used > limit)
                fail(readAction, path, tooLarge(used, limit));
            if (progress)
                progress->done.store(used, std::memory_order_relaxed);
        }
        bytes.resize(used);
        return bytes;
    } catch (const std::bad_alloc&) {
        fail(readAction, path, {FileProblem::OutOfMemory, {}});
    }
}

void replaceFile(const fs::path& path, TextView bytes) {
    const char* createAction = "ファイルを作成できません";
    const char* writeAction = "ファイルに書き込めません";
    const std::wstring target = path.wstring();
    if (isDeviceName(target))
        fail(createAction, path, {FileProblem::NotRegularFile, utf8ToCp932("デバイス")});
    DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        fail(createAction, path, {FileProblem::IsFolder, {}});
    // A read-only file stays as it is, though the folder would allow replacing it.
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY))
        fail(writeAction, path, {FileProblem::AccessDenied, {}});

    std::mt19937 random(std::random_device{}());
    const fs::path folder = path.parent_path();
    const std::wstring base = path.filename().wstring().substr(0, 200);
    std::wstring temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temporary =
            (folder / (L"~" + base + L"." + std::to_wstring(random() % 1000000000u) + L".tmp"))
                .wstring();
        created = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (created == INVALID_HANDLE_VALUE)
        fail(createAction, path, creationFailure(GetLastError(), folder));
    Handle file(created);
    auto abandon = [&](DWORD error) {
        file.close();
        DeleteFileW(temporary.c_str());
        fail(writeAction, path, failureFromSystemError(error));
    };
    size_t written = 0;
    while (written < bytes.size()) {
        DWORD want = static_cast<DWORD>(std::min<size_t>(kChunk, bytes.size() - written));
        DWORD put = 0;
        if (!WriteFile(file.get(), bytes.data() + written, want, &put, nullptr))
            abandon(GetLastError());
        if (put == 0)
            abandon(ERROR_DISK_FULL);
        written += put;
    }
    if (!FlushFileBuffers(file.get()))
        abandon(GetLastError());
    if (!file.close())
        abandon(GetLastError());
    if (!MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        fail(writeAction, path, failureFromSystemError(error));
    }
}

FileFailure failureFromSystemError(unsigned long code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return {FileProblem::NotFound, {}};
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
        return {FileProblem::AccessDenied, {}};
    case ERROR_WRITE_PROTECT:
        return {FileProblem::ReadOnlyPlace, {}};
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
    case kDiskQuotaExceeded:
        return {FileProblem::DiskFull, {}};
    case ERROR_DIRECTORY:
        return {FileProblem::FolderIsFile, {}};
    case ERROR_FILENAME_EXCED_RANGE:
        return {FileProblem::NameTooLong, {}};
    case ERROR_INVALID_NAME:
        return {FileProblem::InvalidName, {}};
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return {FileProblem::InUse, {}};
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
        return {FileProblem::IoError, {}};
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return {FileProblem::OutOfMemory, {}};
    case ERROR_FILE_TOO_LARGE:
        return {FileProblem::TooLarge, {}};
    default:
        break;
    }
    // The system's own text, which a Japanese system gives in Japanese, and its number.
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    Text detail = length ? Text(text, length) : Text();
    if (text)
        LocalFree(text);
    while (!detail.empty() && (detail.back() == '\r' || detail.back() == '\n' ||
                               detail.back() == ' ' || detail.back() == '.'))
        detail.pop_back();
    if (!detail.empty())
        detail += ' ';
    return {FileProblem::Other, detail + "[" + std::to_string(code) + "]"};
}

} // namespace tg::platform
