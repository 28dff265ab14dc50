#include "app/AboutBox.h"
#include "app/Shell.h"
#include "app/Unit1.h"
#include "platform/ProgramFiles.h"
#include "text/FileName.h"

// The help file carries the executable's name, whatever it was renamed to: beside it, or where an
// installed program keeps its data.
void TMainForm::actHelpExecute() {
    tg::shell().open(this, tg::fromNativePath(tg::helpFilePath(executablePath)));
}

void TMainForm::HelpAboutExecute() {
    if (AboutBox)
        AboutBox->exec();
}
