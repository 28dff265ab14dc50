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

// Shows the exception being handled in the standard error box: a tg::Error with its text, any
// other kind with an empty message. Call it only inside a catch block.
void showHandledError() noexcept;

// The running program's executable.
std::filesystem::path runningExecutablePath();

} // namespace tg
