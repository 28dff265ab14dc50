// Export of the document as HTML or JSON, and 一括取得: a list of views run one after another.
#include "app/Collector.h"
#include "app/Unit1.h"
#include "commands/CommandLine.h"
#include "commands/ViewCatalogue.h"
#include "platform/Files.h"
#include "text/Codec.h"
#include "text/FileName.h"
#include "text/IniFile.h"
#include "text/StringList.h"
#include "ui/Dialogs.h"
#include "ui/QtText.h"
#include "ui/Style.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using tg::Text;

// Compared in the name's own characters, which need not be cp932 or even valid text.
bool hasJsonExtension(const std::filesystem::path& name) {
    const auto extension = name.extension().native();
    constexpr std::string_view json = ".json";
    if (extension.size() != json.size())
        return false;
    for (std::size_t i = 0; i < json.size(); ++i) {
        auto c = extension[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<decltype(c)>(c - 'A' + 'a');
        if (c != static_cast<decltype(c)>(json[i]))
            return false;
    }
    return true;
}

} // namespace

void TMainForm::FileExport1Execute() {
    const tg::Dialogs::FileDialogSpec spec{
        tg::utf8ToCp932("HTML ファイル(*.html)|*.html|JSON ファイル(*.json)|*.json"), "*.html",
        document.name().parent_path()};
    if (std::optional<std::filesystem::path> name = tg::dialogs().getSaveFileName(this, spec))
        FileExport1Accept(*name);
}

void TMainForm::FileExport1Accept(const std::filesystem::path& fileName) {
    const tg::CollectFormat format =
        hasJsonExtension(fileName) ? tg::CollectFormat::Json : tg::CollectFormat::Html;
    tg::platform::replaceFile(fileName,
                              tg::collectedBytes(document, format, tg::exportHeaderNow()));
}

std::vector<tg::CollectView> TMainForm::collectList() const {
    return tg::collectListOf(*iniFile);
}

// The list in a small dialog, one view and its arguments a line; 実行 keeps it and runs it.
std::optional<std::vector<tg::CollectView>> TMainForm::editCollectList() {
    QDialog dialog(this);
    tg::useDialogFrame(dialog);
    dialog.setObjectName(QStringLiteral("CollectDlg"));
    dialog.setWindowTitle(QStringLiteral("一括取得"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("実行するビューと引数 (1 行に 1 つ):"), &dialog));
    auto* edit = new QPlainTextEdit(&dialog);
    edit->setObjectName(QStringLiteral("Memo_collect"));
    QStringList lines;
    for (const tg::CollectView& view : collectList())
        lines << tg::toQString(tg::collectViewText(view));
    edit->setPlainText(lines.join(QLatin1Char('\n')));
    layout->addWidget(edit);
    auto* problem = new QLabel(&dialog);
    problem->setObjectName(QStringLiteral("Label_problem"));
    problem->setStyleSheet(QStringLiteral("color: #b00000"));
    layout->addWidget(problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("実行"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKBtn"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    layout->addWidget(buttons);
    dialog.resize(360, 220);

    std::vector<tg::CollectView> list;
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        list.clear();
        for (const QString& line : edit->toPlainText().split(QLatin1Char('\n'))) {
            tg::CollectView view = tg::collectViewOf(tg::fromQString(line));
            if (view.label.empty())
                continue;
            // A wrong line is shown, not run: the list is kept only when every line can run.
            if (std::optional<Text> fault = tg::collectViewProblem(view, isNT)) {
                problem->setText(tg::toQString(*fault));
                return;
            }
            list.push_back(std::move(view));
        }
        if (list.empty()) {
            problem->setText(QStringLiteral("ビューがありません"));
            return;
        }
        dialog.accept();
    });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    if (!iniFile->path().empty())
        tg::keepCollectList(*iniFile, list);
    return list;
}

void TMainForm::ToolCollectAll1Execute() {
    std::optional<std::vector<tg::CollectView>> list = editCollectList();
    if (list)
        collectAll(*list);
}

// Each view in turn becomes current and runs, as if the user had pressed 更新 there; an abort
// ends the run under way and skips the rest.
void TMainForm::collectAll(const std::vector<tg::CollectView>& list) {
    Button_Update->setEnabled(false);
    struct Enable {
        QPushButton* button;
        TMainForm* form;
        ~Enable() {
            button->setEnabled(true);
            form->runStep_.clear();
        }
    } enableAgain{Button_Update, this};
    for (size_t i = 0; i < list.size(); ++i) {
        int view = -1;
        for (size_t k = 0; k < document.viewCount(); ++k) {
            if (tg::equalsIgnoreCase(document.labels()[k], list[i].label))
                view = static_cast<int>(k);
        }
        if (view < 0)
            continue;
        selectView(view);
        runStep_ = QStringLiteral("一括取得 %1/%2: %3")
                       .arg(i + 1)
                       .arg(list.size())
                       .arg(tg::toQString(tg::collectViewText(list[i])));
        StatusPanel->setText(runStep_);
        const int slot = tg::slotOfView(view, isNT);
        runView(view, {tg::slotInfo(slot).command, list[i].args});
        if (document.record(static_cast<size_t>(view))->ending == tg::RunEnding::Aborted)
            break;
    }
    StatusPanel->setText(QStringLiteral("完了"));
}
