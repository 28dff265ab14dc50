#include "app/AboutBox.h"
#include "app/Shell.h"
#include "app/Unit1.h"
#include "text/FileName.h"

// The help file sits beside the executable and carries its name, whatever it was renamed to.
void TMainForm::actHelpExecute() {
    tg::shell().open(this, tg::changeFileExt(executablePath, ".chm"));
}

void TMainForm::HelpAboutExecute() {
    if (AboutBox)
        AboutBox->exec();
}
