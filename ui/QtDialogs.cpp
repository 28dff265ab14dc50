#include "ui/Dialogs.h"

#include "ui/QtText.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
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

class QtDialogs final : public Dialogs {
public:
    int messageBox(QWidget* owner, const Text& text, const std::optional<Text>& caption,
                   unsigned flags) override {
        QMessageBox box(owner);
        box.setWindowTitle(caption ? toQString(*caption) : defaultCaption());
        box.setText(toDisplayString(text));
        if ((flags & 0xF0) == MbIconExclamation)
            box.setIcon(QMessageBox::Warning);
        if ((flags & 0x0F) == MbYesNoCancel) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
            box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
            box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
            box.setEscapeButton(QMessageBox::Cancel);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
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
        QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(),
                              toDisplayString(message));
    }

    std::optional<Text> getOpenFileName(QWidget* owner, const FileDialogSpec& spec) override {
        return run(owner, spec, QFileDialog::AcceptOpen);
    }

    std::optional<Text> getSaveFileName(QWidget* owner, const FileDialogSpec& spec) override {
        return run(owner, spec, QFileDialog::AcceptSave);
    }

    bool printerSetup(QWidget* owner, QPrinter& printer) override {
        // Used to choose the printer, not to print: no page range, and no "Print" button.
        QPrintDialog dialog(&printer, owner);
        dialog.setWindowTitle(QStringLiteral("プリンタの設定"));
        dialog.setOptions(QAbstractPrintDialog::PrintToFile |
                          QAbstractPrintDialog::PrintShowPageSize);
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
                ok->setText(QStringLiteral("OK"));
        }
        return dialog.exec() == QDialog::Accepted;
    }

private:
    static std::optional<Text> run(QWidget* owner, const FileDialogSpec& spec,
                                   QFileDialog::AcceptMode mode) {
        QFileDialog dialog(owner);
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
            dialog.setDirectory(toQString(spec.initialDir));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return fromQString(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
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
