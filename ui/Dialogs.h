#pragma once

#include "text/Text.h"

#include <filesystem>
#include <optional>

class QWidget;
class QPrinter;

namespace tg {

// Message boxes, file dialogs and the printer dialog, in one place so that tests can answer them.
class Dialogs {
public:
    // Win32 message-box values, kept so that the fixed boxes read as they are specified.
    enum : unsigned {
        MbOk = 0x0,
        MbYesNoCancel = 0x3,
        MbYesNo = 0x4,
        MbIconExclamation = 0x30,
        MbDefButton2 = 0x100
    };
    enum : int { IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7 };

    struct FileDialogSpec {
        Text filter;                      // "label|pattern|label|pattern"
        Text defaultExt;                  // "*.txt"
        std::filesystem::path initialDir; // empty: the dialog's own choice
    };

    virtual ~Dialogs() = default;

    // A message box: flags as MessageBoxA takes them; no caption means the system's default one.
    virtual int messageBox(QWidget* owner, const Text& text, const std::optional<Text>& caption,
                           unsigned flags) = 0;
    // The application's standard error box.
    virtual void showError(const Text& message) = 0;
    // The chosen file's native path, as the system names it.
    virtual std::optional<std::filesystem::path> getOpenFileName(QWidget* owner,
                                                                 const FileDialogSpec& spec) = 0;
    virtual std::optional<std::filesystem::path> getSaveFileName(QWidget* owner,
                                                                 const FileDialogSpec& spec) = 0;
    // The printer-setup dialog; true when the user confirmed it.
    virtual bool printerSetup(QWidget* owner, QPrinter& printer) = 0;
};

// The dialogs the program uses: the toolkit's own unless a test has put others in their place.
Dialogs& dialogs();
void setDialogs(Dialogs* replacement); // nullptr restores the toolkit's dialogs

} // namespace tg
