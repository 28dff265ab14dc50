#include "app/AboutBox.h"
#include "app/Shell.h"
#include "app/Unit1.h"
#include "platform/ProgramFiles.h"
#include "text/FileName.h"

// The help file carries the executable's name, whatever it was renamed to: beside it, or where an
// installed program keeps its data. It opens at the current view's page, named after the view.
void TMainForm::actHelpExecute() {
    tg::shell().openHelp(this, tg::fromNativePath(tg::helpFilePath(executablePath)),
                         document.labels()[static_cast<size_t>(currentView)] + ".html");
}

void TMainForm::HelpAboutExecute() {
    if (AboutBox)
        AboutBox->exec();
}
