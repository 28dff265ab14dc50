#include "app/Application.h"

#include "app/AppIcons.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/Style.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QThread>
#include <QTranslator>

#include <exception>
#include <new>

namespace tg {

namespace {

// Qt 6 asks for the file dialog's kinds of entry ("Folder", "Drive", …) under a context of their
// own, which its Japanese translation still has under the file dialog's.
class FileKindTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        const QString text = QCoreApplication::translate("QFileDialog", source, disambiguation, n);
        return text == QLatin1String(source) ? QString() : text;
    }
};

} // namespace

bool installJapaneseTranslation(QCoreApplication& application) {
    QCoreApplication::installTranslator(new FileKindTranslator(&application));
    auto* qt = new QTranslator(&application);
    // Beside the executable first: the Windows zip carries its own copy there.
    const QString folders[] = {QCoreApplication::applicationDirPath() +
                                   QStringLiteral("/translations"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    // qt_ja is what windeployqt writes: Qt's modules' translations in one file.
    for (const QString& folder : folders) {
        for (const QString& name : {QStringLiteral("qtbase_ja"), QStringLiteral("qt_ja")}) {
            if (qt->load(name, folder)) {
                QCoreApplication::installTranslator(qt);
                return true;
            }
        }
    }
    delete qt;
    return false;
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("TIDEGAUGE-INFO"));
    setApplicationVersion(QStringLiteral("2.0.0"));
    setWindowIcon(programIcon());
    // The look and the language are the same on every system, whatever its desktop or locale.
    setStyle(newApplicationStyle());
    useApplicationFonts();
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    installJapaneseTranslation(*this);
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
