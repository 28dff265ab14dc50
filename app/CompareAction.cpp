#include "app/Collector.h"
#include "app/TCompareForm.h"
#include "app/Unit1.h"
#include "text/Codec.h"
#include "ui/Dialogs.h"
#include "ui/QtText.h"

#include <memory>

// The saved document chosen is the old side, the open document the new one; the window can take
// another saved document for either side. It goes when it is closed, and with the main window at
// the latest.
void TMainForm::FileCompare1Execute() {
    const std::optional<std::filesystem::path> file = tg::dialogs().getOpenFileName(
        this,
        {tg::utf8ToCp932("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*"), "*.txt", {}});
    if (!file)
        return;
    auto window = std::make_unique<tg::TCompareForm>(this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->chooseOld(*file);
    window->setNew(tg::documentSections(document, tg::compareLabels()),
                   QStringLiteral("開いている文書 (%1)").arg(tg::pathToQString(document.name())));
    window.release()->show();
}
