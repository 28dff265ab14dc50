#include "app/Application.h"

#include "app/AppIcons.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "ui/Dialogs.h"

#include <QThread>

#include <exception>
#include <new>

namespace tg {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("TIDEGAUGE-INFO"));
    setApplicationVersion(QStringLiteral("2.0.0"));
    setWindowIcon(programIcon());
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // Only the GUI thread may show a box; a worker handles its own errors.
        if (QThread::currentThread() != thread())
            throw;
        showHandledError();
        return false;
    }
}

namespace {

Text handledErrorText() {
    const Text unexpected =
        utf8ToCp932("予期しないエラーが起きたため、操作を終えられませんでした。");
    try {
        throw;
    } catch (const Error& error) {
        return error.text().empty() ? unexpected : error.text();
    } catch (const std::bad_alloc&) {
        return utf8ToCp932("メモリが足りないため、操作を終えられませんでした。");
    } catch (const std::exception& error) {
        // The library's own words, whatever their language, are better than none.
        Text what = error.what() ? Text(error.what()) : Text();
        return what.empty() ? unexpected
                            : unexpected + utf8ToCp932("\n（") + what + utf8ToCp932("）");
    } catch (...) {
        return unexpected;
    }
}

} // namespace

void showHandledError() noexcept {
    try {
        dialogs().showError(handledErrorText());
    } catch (...) {
        // The error box itself failed; there is nowhere left to report it.
    }
}

std::filesystem::path runningExecutablePath() {
    return std::filesystem::path(QCoreApplication::applicationFilePath().toStdU16String())
        .make_preferred();
}

} // namespace tg
