#include "app/Application.h"

#include "app/AppIcons.h"
#include "text/Error.h"
#include "ui/Dialogs.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QThread>

namespace tg {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("TIDEGAUGE-INFO"));
    setApplicationVersion(QStringLiteral("2.0.0"));
    setWindowIcon(programIcon());
    // Qt's own texts (standard buttons, the print preview's tools, an edit box's menu) in the
    // interface's language, from Qt's translations where the system or the zip keeps them.
    if (qtTexts_.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&qtTexts_);
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

void showHandledError() noexcept {
    try {
        try {
            throw;
        } catch (const Error& error) {
            dialogs().showError(error.text());
        } catch (...) {
            dialogs().showError({});
        }
    } catch (...) {
        // The error box itself failed; there is nowhere left to report it.
    }
}

std::filesystem::path runningExecutablePath() {
    return std::filesystem::path(QCoreApplication::applicationFilePath().toStdU16String())
        .make_preferred();
}

} // namespace tg
