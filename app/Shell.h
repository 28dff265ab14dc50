#pragma once

#include "text/Text.h"

class QWidget;

namespace tg {

// Opening documents and addresses through the desktop, in one place so that tests can record the
// requests instead of starting a browser.
class Shell {
public:
    virtual ~Shell() = default;
    // The shell's "open" verb on target, with parent's window as the owner; never reports.
    virtual void open(QWidget* parent, const Text& target) = 0;
    // The help file at one of its pages; an empty page is its start page.
    virtual void openHelp(QWidget* parent, const Text& helpFile, const Text& page) = 0;
};

// The shell the program uses: the desktop's own unless a test has put another in its place.
Shell& shell();
void setShell(Shell* replacement); // nullptr restores the desktop's

} // namespace tg
