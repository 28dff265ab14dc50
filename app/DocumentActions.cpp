// The document commands of the File menu and the recent-file history.
#include "app/Application.h"
#include "app/DocumentRead.h"
#include "app/Unit1.h"
#include "documents/DocumentFile.h"
#include "documents/History.h"
#include "platform/Files.h"
#include "platform/RecentDocs.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileName.h"
#include "text/FileProblem.h"
#include "ui/Dialogs.h"
#include "ui/OutputPane.h"
#include "ui/QtText.h"

#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSessionManager>
#include <QTimer>

#include <chrono>
#include <new>

namespace {

using tg::Dialogs;
using tg::Text;

Text cp932(const char* utf8) {
    return tg::utf8ToCp932(utf8);
}

Dialogs::FileDialogSpec openDialogSpec() {
    return {cp932("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*"), "*.txt", {}};
}

Dialogs::FileDialogSpec saveAsDialogSpec(const std::filesystem::path& initialDir) {
    return {cp932("テキストファイル(*.txt)|*.txt|すべてのファイル|*.*"), "*.txt", initialDir};
}

// A read that ends within this time is over before the user could notice; only a longer one lets
// the window answer meanwhile.
constexpr std::chrono::milliseconds kUnnoticedRead{50};
constexpr int kReadPollMs = 50;

// The commands that would change the document or show it while another is being read.
constexpr const char* kDocumentActions[] = {"FileNew1",    "FileOpen1", "FileClose1",   "FileSave1",
                                            "FileSaveAs1", "Print1",    "PrintPreview1"};

} // namespace

namespace {

int askUnsavedChanges(QWidget* owner) {
    return tg::dialogs().messageBox(owner, cp932("保存されていない更新があります\n保存しますか？"),
                                    cp932("確認"),
                                    Dialogs::MbYesNoCancel | Dialogs::MbIconExclamation);
}

} // namespace

// The unsaved-changes prompt. False when the user cancelled the command; a failed save leaves
// through here as an error and so ends the command as well.
bool TMainForm::askToSaveChanges() {
    if (!document.modified())
        return true;
    int answer = askUnsavedChanges(this);
    if (answer == Dialogs::IdCancel)
        return false;
    if (answer == Dialogs::IdYes)
        FileSave1Execute();
    return true;
}

// The same prompt before the window goes, except that the output is kept unless it was saved or
// the user chose to drop it: a cancelled or failed save keeps the window open.
bool TMainForm::mayClose() {
    if (!document.modified())
        return true;
    switch (askUnsavedChanges(this)) {
    case Dialogs::IdNo:
        return true;
    case Dialogs::IdYes:
        try {
            FileSave1Execute();
        } catch (...) {
            tg::showHandledError();
            return false;
        }
        return !document.modified();
    default:
        return false;
    }
}

// A session that ends asks too, where the session manager lets the program ask; the answer also
// holds for the close that follows.
void TMainForm::connectSessionEnd() {
#if QT_CONFIG(sessionmanager)
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        if (!document.modified() || !manager.allowsInteraction())
            return;
        if (mayClose()) {
            closeAnswered_ = true;
        } else {
            manager.cancel();
        }
        manager.release();
    });
#endif
}

void TMainForm::FileNew1Execute() {
    if (!askToSaveChanges())
        return;
    RichEdit_Output->clearText();
    document.reset();
    RichEdit_Output->showText(document.text(0));
    selectView(0);
    Edit_target->clear();
    Edit_option->clear();
}

void TMainForm::FileClose1Execute() {
    FileNew1Execute();
}

void TMainForm::FileSave1Execute() {
    if (document.isUnnamed())
        FileSaveAs1Execute();
    else
        saveDocument();
}

void TMainForm::FileSaveAs1Execute() {
    FileSaveAs1BeforeExecute();
    if (std::optional<std::filesystem::path> name =
            tg::dialogs().getSaveFileName(this, saveAsDialogSpec(saveAsInitialDir)))
        FileSaveAs1Accept(*name);
}

void TMainForm::FileSaveAs1BeforeExecute() {
    saveAsInitialDir = document.name().parent_path();
}

// The document takes the new name only once its file is written there: after a failed save it
// keeps its name, so that the next Save does not aim at the place that just failed.
void TMainForm::FileSaveAs1Accept(const std::filesystem::path& fileName) {
    writeDocumentFile(fileName);
    document.setName(fileName);
    documentSaved();
}

void TMainForm::FileOpen1Execute() {
    if (std::optional<std::filesystem::path> name =
            tg::dialogs().getOpenFileName(this, openDialogSpec()))
        FileOpen1Accept(*name);
}

void TMainForm::FileOpen1Accept(const std::filesystem::path& fileName) {
    openDocument(fileName);
}

void TMainForm::saveDocument() {
    writeDocumentFile(document.name());
    documentSaved();
}

void TMainForm::writeDocumentFile(const std::filesystem::path& path) {
    Text bytes;
    try {
        bytes = document.fileBytes();
    } catch (const std::bad_alloc&) {
        throw tg::Error(tg::fileErrorMessage("ファイルに書き込めません", tg::fromNativePath(path),
                                             {tg::FileProblem::OutOfMemory, {}}));
    }
    tg::platform::replaceFile(path, bytes);
}

void TMainForm::documentSaved() {
    document.setModified(false);
    tg::platform::addToRecentDocuments(document.name());
    updateHistory();
}

void TMainForm::openDocument(std::filesystem::path path) {
    if (!askToSaveChanges())
        return;
    // The whole file is read and checked before anything changes, so a file that cannot be read
    // or is cut short leaves the document as it was.
    std::optional<tg::DocumentSections> sections = readDocument(path);
    if (!sections)
        return;
    document.setName(std::move(path));
    // The pane may be showing one of the texts about to be replaced.
    RichEdit_Output->clearText();
    document.applySections(std::move(*sections));
    selectView(0);
    document.setModified(false);
    Edit_target->clear();
    Edit_option->clear();
    tg::platform::addToRecentDocuments(document.name());
    updateHistory();
}

// Nothing when the read was given up because the window is closing.
std::optional<tg::DocumentSections> TMainForm::readDocument(const std::filesystem::path& path) {
    tg::DocumentRead read(path, document.labels(), tg::Document::kSeparator);
    if (!read.waitFor(kUnnoticedRead)) {
        // The window answers meanwhile; what would change the document waits, disabled.
        std::vector<std::pair<QAction*, bool>> actions;
        for (const char* name : kDocumentActions)
            actions.emplace_back(action(name), action(name)->isEnabled());
        for (QAction* entry : historyActions)
            actions.emplace_back(entry, entry->isEnabled());
        const bool runEnabled = Button_Update->isEnabled();
        const QString status = StatusPanel->text();
        for (auto& [entry, enabled] : actions)
            entry->setEnabled(false);
        Button_Update->setEnabled(false);
        QApplication::setOverrideCursor(Qt::BusyCursor);
        reading_ = &read;
        auto restore = qScopeGuard([&] {
            reading_ = nullptr;
            QApplication::restoreOverrideCursor();
            StatusPanel->setText(status);
            Button_Update->setEnabled(runEnabled);
            for (auto& [entry, enabled] : actions)
                entry->setEnabled(enabled);
        });

        const QString name = tg::pathToQString(path.filename());
        auto showProgress = [&] {
            std::uint64_t done = read.bytesRead(), size = read.fileSize();
            QString amount = tg::toQString(tg::sizeText(done));
            // Some files tell no size, or grow while they are read.
            if (size >= done && size > 0)
                amount += QStringLiteral(" / ") + tg::toQString(tg::sizeText(size));
            StatusPanel->setText(QStringLiteral("読み込み中: %1  %2").arg(name, amount));
        };
        showProgress();
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (read.cancelled() || read.waitFor(std::chrono::milliseconds(0)))
                loop.quit();
            else
                showProgress();
        });
        poll.start(kReadPollMs);
        loop.exec();
        // The loop also ends when the application quits.
        if (!read.waitFor(std::chrono::milliseconds(0)))
            read.cancel();
    }
    if (read.cancelled())
        return std::nullopt;
    return read.takeSections();
}

void TMainForm::updateHistory() {
    tg::addToHistory(*iniFile, document.name());
    refreshHistoryActions();
}

void TMainForm::refreshHistoryActions() {
    for (QAction* action : historyActions)
        action->setVisible(false);
    std::vector<tg::HistoryEntry> entries = tg::readHistory(*iniFile);
    for (size_t i = 0; i < entries.size() && i < historyActions.size(); ++i) {
        QAction* action = historyActions[i];
        QString caption = tg::pathToQString(entries[i].fileName);
        caption.replace(QLatin1Char('&'), QLatin1String("&&")); // a file name has no accelerator
        action->setText(caption);
        QString hint = tg::pathToQString(entries[i].path);
        action->setToolTip(hint);
        action->setStatusTip(hint);
        // The path is opened from its own bytes, never from the text shown.
        const Text kept = tg::fromNativePath(entries[i].path);
        action->setData(QByteArray(kept.data(), static_cast<qsizetype>(kept.size())));
        action->setEnabled(true);
        action->setVisible(true);
    }
}

void TMainForm::OnHistoryClick(QAction* sender) {
    QByteArray path = sender->data().toByteArray();
    openDocument(
        tg::toNativePath(tg::TextView(path.constData(), static_cast<size_t>(path.size()))));
}
