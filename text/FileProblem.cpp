#include "text/FileProblem.h"

#include "text/Codec.h"

#include <cerrno>
#include <cstdio>
#include <iterator>
#include <string>
#include <system_error>

namespace tg {

namespace {

const char* words(FileProblem problem) {
    switch (problem) {
    case FileProblem::NotFound:
        return "ファイルまたはフォルダーが見つかりません";
    case FileProblem::AccessDenied:
        return "アクセス権がありません";
    case FileProblem::DiskFull:
        return "ディスクの空き容量が足りません";
    case FileProblem::IsFolder:
        return "ファイルではなくフォルダーです";
    case FileProblem::FolderIsFile:
        return "フォルダーとして指定された名前がファイルです";
    case FileProblem::NotRegularFile:
        return "通常のファイルではありません";
    case FileProblem::TooLarge:
        return "ファイルが大きすぎます";
    case FileProblem::ReadOnlyPlace:
        return "読み取り専用の場所です";
    case FileProblem::NameTooLong:
        return "ファイル名が長すぎます";
    case FileProblem::InvalidName:
        return "ファイル名の形式が正しくありません";
    case FileProblem::InUse:
        return "ほかのプログラムが使用中です";
    case FileProblem::IoError:
        return "ディスクの読み書きに失敗しました";
    case FileProblem::OutOfMemory:
        return "メモリが足りません";
    case FileProblem::Cancelled:
        return "読み込みを中止しました";
    case FileProblem::Other:
        break;
    }
    return "システムのエラーです";
}

} // namespace

Text reasonText(const FileFailure& failure) {
    if (failure.problem == FileProblem::Other && failure.detail.empty())
        return utf8ToCp932("原因のわからないエラーです。");
    Text text = utf8ToCp932(words(failure.problem));
    if (!failure.detail.empty())
        text += utf8ToCp932("（") + failure.detail + utf8ToCp932("）");
    return text + utf8ToCp932("。");
}

Text fileErrorMessage(const char* action, TextView path, const FileFailure& failure) {
    Text message = utf8ToCp932(action) + ": ";
    message += path;
    return message + "\n" + reasonText(failure);
}

FileFailure failureFromErrno(int error) {
    switch (static_cast<std::errc>(error)) {
    case std::errc::no_such_file_or_directory:
        return {FileProblem::NotFound, {}};
    case std::errc::permission_denied:
    case std::errc::operation_not_permitted:
        return {FileProblem::AccessDenied, {}};
    case std::errc::no_space_on_device:
        return {FileProblem::DiskFull, {}};
    case std::errc::is_a_directory:
        return {FileProblem::IsFolder, {}};
    case std::errc::not_a_directory:
        return {FileProblem::FolderIsFile, {}};
    case std::errc::no_such_device_or_address:
    case std::errc::no_such_device:
        return {FileProblem::NotRegularFile, {}};
    case std::errc::file_too_large:
        return {FileProblem::TooLarge, {}};
    case std::errc::read_only_file_system:
        return {FileProblem::ReadOnlyPlace, {}};
    case std::errc::filename_too_long:
        return {FileProblem::NameTooLong, {}};
    case std::errc::text_file_busy:
    case std::errc::device_or_resource_busy:
        return {FileProblem::InUse, {}};
    case std::errc::io_error:
        return {FileProblem::IoError, {}};
    case std::errc::not_enough_memory:
        return {FileProblem::OutOfMemory, {}};
    default:
        break;
    }
#ifdef EDQUOT
    if (error == EDQUOT)
        return {FileProblem::DiskFull, {}};
#endif
    if (error == 0)
        return {FileProblem::Other, {}};
    // The library's own text, in whatever language it speaks, and the number to look up.
    std::string text = std::error_code(error, std::generic_category()).message();
    return {FileProblem::Other, utf8ToCp932(text) + " [errno " + std::to_string(error) + "]"};
}

Text sizeText(std::uint64_t bytes) {
    if (bytes < 1024)
        return std::to_string(bytes) + utf8ToCp932(" バイト");
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double value = bytes / 1024.0;
    size_t unit = 0;
    for (; value >= 1024.0 && unit + 1 < std::size(units); ++unit)
        value /= 1024.0;
    // One decimal below ten, where it tells something; none where it is zero.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, value < 10.0 ? "%.1f" : "%.0f", value);
    Text number = buffer;
    if (number.size() > 2 && number.compare(number.size() - 2, 2, ".0") == 0)
        number.resize(number.size() - 2);
    return number + " " + units[unit];
}

} // namespace tg
