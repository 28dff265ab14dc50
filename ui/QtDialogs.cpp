#include "ui/Dialogs.h"

#include "ui/PrinterSetupDialog.h"
#include "ui/QtText.h"
#include "ui/Style.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>

namespace tg {

namespace {

QString defaultCaption() {
    return QStringLiteral("エラー");
}

// "label|pattern|label|pattern" becomes Qt's "label (pattern);;label (pattern)".
QString qtFilter(const Text& filter, QStringList* labels) {
    QStringList parts = toQString(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the parentheses at the end; a label that already shows them
        // keeps its own wording.
        QString suffix = QLatin1Char('(') + patterns + QLatin1Char(')');
        entries << (parts[i].endsWith(suffix) ? parts[i] : parts[i] + QLatin1Char(' ') + suffix);
    }
    if (labels)
        *labels = entries;
    return entries.join(QStringLiteral(";;"));
}

// The file list's sizes and dates as a Japanese Windows writes them; the list itself writes them
// in the system's locale, whatever the program's is.
class JapaneseFileList : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || (index.column() != 1 && index.column() != 3))
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        if (index.column() == 3)
            return QLocale().toString(files->lastModified(source),
                                      QStringLiteral("yyyy/MM/dd HH:mm"));
        if (files->isDir(source))
            return QString();
        return QLocale().formattedDataSize(files->size(source), 1,
                                           QLocale::DataSizeTraditionalFormat);
    }
};

class QtDialogs final : public Dialogs {
public:
    int messageBox(QWidget* owner, const Text& text, const std::optional<Text>& caption,
                   unsigned flags) override {
        QMessageBox box(owner);
        useDialogFrame(box);
        box.setWindowTitle(caption ? toQString(*caption) : defaultCaption());
        box.setText(toMessageString(text));
        if ((flags & 0xF0) == MbIconExclamation)
            box.setIcon(QMessageBox::Warning);
        if ((flags & 0x0F) == MbYesNoCancel) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
            box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
            box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
            box.setEscapeButton(QMessageBox::Cancel);
        } else if ((flags & 0x0F) == MbYesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
            box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
            box.setEscapeButton(QMessageBox::No);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        // The second button of both question boxes is No.
        if ((flags & 0xF00) == MbDefButton2 && (flags & 0x0F) != MbOk)
            box.setDefaultButton(QMessageBox::No);
        switch (box.exec()) {
        case QMessageBox::Yes:
            return IdYes;
        case QMessageBox::No:
            return IdNo;
        case QMessageBox::Cancel:
            return IdCancel;
        default:
            return IdOk;
        }
    }

    void showError(const Text& message) override {
        // Whatever reached it, no box is left without a word.
        QString text =
            message.empty() ? QStringLiteral("エラーが起きました。") : toMessageString(message);
        // Owned by the main window, not by the active one: that may be the splash, which deletes
        // itself while the box is open and would take the box with it.
        QWidget* owner = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMainWindow*>(window) && window->isVisible())
                owner = window;
        }
        QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text,
                        QMessageBox::Ok, owner);
        useDialogFrame(box);
        box.exec();
    }

    std::optional<std::filesystem::path> getOpenFileName(QWidget* owner,
                                                         const FileDialogSpec& spec) override {
        return run(owner, spec, QFileDialog::AcceptOpen);
    }

    std::optional<std::filesystem::path> getSaveFileName(QWidget* owner,
                                                         const FileDialogSpec& spec) override {
        return run(owner, spec, QFileDialog::AcceptSave);
    }

    bool printerSetup(QWidget* owner, QPrinter& printer) override {
        PrinterSetupDialog dialog(printer, owner);
        return dialog.exec() == QDialog::Accepted;
    }

private:
    static std::optional<std::filesystem::path> run(QWidget* owner, const FileDialogSpec& spec,
                                                    QFileDialog::AcceptMode mode) {
        QFileDialog dialog(owner);
        useDialogFrame(dialog);
        dialog.setProxyModel(new JapaneseFileList(&dialog));
        dialog.setAcceptMode(mode);
        dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
        QStringList labels;
        dialog.setNameFilter(qtFilter(spec.filter, &labels));
        dialog.setNameFilters(labels);
        QString ext = toQString(spec.defaultExt);
        ext.remove(QStringLiteral("*."));
        dialog.setDefaultSuffix(ext);
        if (!spec.initialDir.empty())
            dialog.setDirectory(pathToQString(spec.initialDir));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return qStringToPath(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
    }
};

QtDialogs& qtDialogs() {
    static QtDialogs instance;
    return instance;
}

Dialogs* current = nullptr;

} // namespace

Dialogs& dialogs() {
    return current ? *current : qtDialogs();
}

void setDialogs(Dialogs* replacement) {
    current = replacement;
}

} // namespace tg
