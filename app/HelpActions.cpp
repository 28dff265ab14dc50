#include "app/AboutBox.h"
#include "app/Shell.h"
#include "app/Unit1.h"
#include "text/FileName.h"

#include <filesystem>

// The help file sits beside the executable and carries its name, whatever it was renamed to.
void TMainForm::actHelpExecute() {
    auto help = std::filesystem::path(executablePath).replace_extension(".chm");
    tg::shell().open(this, tg::fromNativePath(help));
}

void TMainForm::HelpAboutExecute() {
    if (AboutBox)
        AboutBox->exec();
}
