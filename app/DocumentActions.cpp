// The document commands of the File menu and the recent-file history.
#include "app/Unit1.h"
#include "documents/DocumentFile.h"
#include "documents/History.h"
#include "platform/RecentDocs.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileName.h"
#include "ui/Dialogs.h"
#include "ui/QtText.h"
#include "ui/TextPane.h"

#include <QAction>
#include <QByteArray>
#include <QLineEdit>
#include <QSaveFile>

namespace {

using tg::Dialogs;
using tg::Text;

Text cp932(const char* utf8) {
    return tg::utf8ToCp932(utf8);
}

Dialogs::FileDialogSpec openDialogSpec() {
    return {cp932("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*"), "*.txt", {}};
}

Dialogs::FileDialogSpec saveAsDialogSpec(const Text& initialDir) {
    return {cp932("テキストファイル(*.txt)|*.txt|すべてのファイル|*.*"), "*.txt", initialDir};
}

Text failure(const char* what, const Text& path, const QString& reason) {
    return cp932(what) + ": " + path + " (" + tg::fromQString(reason) + ")";
}

// The bytes go to a temporary file beside the target, which takes the target's place only once
// all of them are written: a save that fails half-way leaves the old file as it was. Unbuffered,
// because a buffered QSaveFile takes a short write (a full disk) for success and commits the
// truncated file.
void writeWholeFile(const Text& path, const Text& bytes) {
    QSaveFile file(tg::toQString(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw tg::Error(failure("ファイルを作成できません", path, file.errorString()));
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.commit())
        throw tg::Error(failure("ファイルに書き込めません", path, file.errorString()));
}

} // namespace

// The unsaved-changes prompt. False when the user cancelled the command; a failed save leaves
// through here as an error and so ends the command as well.
bool TMainForm::askToSaveChanges() {
    if (!modified)
        return true;
    int answer = tg::dialogs().messageBox(
        this, cp932("保存されていない更新があります\n保存しますか？"), cp932("確認"),
        Dialogs::MbYesNoCancel | Dialogs::MbIconExclamation);
    if (answer == Dialogs::IdCancel)
        return false;
    if (answer == Dialogs::IdYes)
        FileSave1Execute();
    return true;
}

void TMainForm::FileNew1Execute() {
    if (!askToSaveChanges())
        return;
    RichEdit_Output->clearText();
    viewText = viewDefaultText;
    RichEdit_Output->setText(viewText.front());
    modified = false;
    documentName = defaultDocumentName;
    selectView(0);
    Edit_target->clear();
    Edit_option->clear();
}

void TMainForm::FileClose1Execute() {
    FileNew1Execute();
}

void TMainForm::FileSave1Execute() {
    if (documentName.empty() || documentName == defaultDocumentName)
        FileSaveAs1Execute();
    else
        saveDocument();
}

void TMainForm::FileSaveAs1Execute() {
    FileSaveAs1BeforeExecute();
    if (std::optional<Text> name =
            tg::dialogs().getSaveFileName(this, saveAsDialogSpec(saveAsInitialDir)))
        FileSaveAs1Accept(*name);
}

void TMainForm::FileSaveAs1BeforeExecute() {
    saveAsInitialDir = tg::extractFilePath(documentName);
}

void TMainForm::FileSaveAs1Accept(const Text& fileName) {
    documentName = fileName;
    saveDocument();
}

void TMainForm::FileOpen1Execute() {
    if (std::optional<Text> name = tg::dialogs().getOpenFileName(this, openDialogSpec()))
        FileOpen1Accept(*name);
}

void TMainForm::FileOpen1Accept(const Text& fileName) {
    openDocument(fileName);
}

void TMainForm::saveDocument() {
    tg::StringList lines =
        tg::buildDocumentLines(viewLabels, viewText, viewDefaultText, viewSeparator);
    writeWholeFile(documentName, tg::joinLinesCrLf(lines));
    modified = false;
    tg::platform::addToRecentDocuments(documentName);
    updateHistory();
}

void TMainForm::openDocument(Text path) {
    if (!askToSaveChanges())
        return;
    // The whole file is read and checked before anything changes, so a file that cannot be read
    // or is cut short leaves the document as it was.
    std::vector<Text> texts = tg::readDocumentFile(tg::toNativePath(path), viewLabels, viewText,
                                                   viewDefaultText, viewSeparator);
    documentName = std::move(path);
    viewText = std::move(texts);
    selectView(0);
    modified = false;
    Edit_target->clear();
    Edit_option->clear();
    tg::platform::addToRecentDocuments(documentName);
    updateHistory();
}

void TMainForm::updateHistory() {
    tg::addToHistory(*iniFile, documentName);
    refreshHistoryActions();
}

void TMainForm::refreshHistoryActions() {
    for (QAction* action : historyActions)
        action->setVisible(false);
    std::vector<tg::HistoryEntry> entries = tg::readHistory(*iniFile);
    for (size_t i = 0; i < entries.size() && i < historyActions.size(); ++i) {
        QAction* action = historyActions[i];
        QString caption = tg::toQString(entries[i].caption);
        caption.replace(QLatin1Char('&'), QLatin1String("&&")); // a file name has no accelerator
        action->setText(caption);
        QString hint = tg::toQString(entries[i].path);
        action->setToolTip(hint);
        action->setStatusTip(hint);
        // The path is opened from its own bytes, never from the text shown.
        action->setData(
            QByteArray(entries[i].path.data(), static_cast<qsizetype>(entries[i].path.size())));
        action->setEnabled(true);
        action->setVisible(true);
    }
}

void TMainForm::OnHistoryClick(QAction* sender) {
    QByteArray path = sender->data().toByteArray();
    openDocument(Text(path.constData(), static_cast<size_t>(path.size())));
}
