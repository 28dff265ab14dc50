#pragma once

#include <QApplication>

#include <filesystem>

namespace tg {

// The application object. An error that leaves an event handler is shown in the standard error
// box and the program goes on with the next event.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Loads Qt's Japanese translation (qtbase_ja or qt_ja) from translations/ beside the executable,
// else from Qt's own translations folder, and fills in what it lacks. False when it was found in
// neither.
bool installJapaneseTranslation(QCoreApplication& application);

// Shows the exception being handled in the standard error box: a tg::Error with its text; one
// without a text, or of any other kind, with a text of its own saying what is known, so that no
// box is ever empty. Call it only inside a catch block.
void showHandledError() noexcept;

// Wraps an event handler so that an error leaving it is shown as the general error handler shows
// it. Every handler the toolkit calls through a signal is connected this way: an exception must not
// unwind through the toolkit's own signal code.
template <typename Handler> auto guarded(Handler handler) {
    return [handler]() mutable {
        try {
            handler();
        } catch (...) {
            showHandledError();
        }
    };
}

// The running program's executable.
std::filesystem::path runningExecutablePath();

} // namespace tg
