#include "support/MainWindowDriver.h"

#include "app/AboutBox.h"
#include "app/Application.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStyleOptionMenuItem>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>
#include <QtTest>

#include <memory>

using tg::test::MainWindowDriver;

namespace {

// What a user reads in a window: captions, labels, titles, tool tips, column heads, and the
// entries of its actions (its tool bars and context menus) and of its file list.
QStringList textsOf(QWidget* window) {
    QStringList texts{window->windowTitle()};
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets << window;
    for (QWidget* w : widgets) {
        if (w != window && !w->isVisibleTo(window))
            continue;
        texts << w->toolTip();
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts << button->text();
        if (auto* box = qobject_cast<QGroupBox*>(w))
            texts << box->title();
        if (auto* header = qobject_cast<QHeaderView*>(w); header && header->model()) {
            for (int i = 0; i < header->count(); ++i)
                texts << header->model()->headerData(i, header->orientation()).toString();
        } else if (auto* view = qobject_cast<QTreeView*>(w); view && view->model()) {
            const QAbstractItemModel* model = view->model();
            for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
                for (int column = 0; column < model->columnCount(view->rootIndex()); ++column)
                    texts << model->index(row, column, view->rootIndex()).data().toString();
            }
        }
    }
    for (QAction* a : window->findChildren<QAction*>())
        texts << a->text() << a->toolTip();
    return texts;
}

// The texts that hold an English word; file types, key names and "OK" are what Windows shows too.
QStringList english(const QStringList& texts) {
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    QStringList found;
    for (const QString& text : texts) {
        QString rest = text;
        rest.remove(QStringLiteral("PDF"))
            .remove(QStringLiteral("txt"))
            .remove(QStringLiteral("Ctrl"));
        if (rest.contains(word))
            found << text;
    }
    return found;
}

} // namespace

class LookTest : public QObject {
    Q_OBJECT
private slots:
    void qtDialogsAndMenusSpeakJapanese();
    void oneFontForEveryWindow();
    void dialogButtonsCarryNoIcons();
    void menusMarkOnlyTheCheckedEntry();
    void printerSetupAsksForPrinterPaperAndOrientationOnly();
};

void LookTest::qtDialogsAndMenusSpeakJapanese() {
    // The open dialog on a folder that holds a folder and a file: their kinds, sizes and dates too.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("資料")));
    QFile(dir.filePath(QStringLiteral("メモ.txt"))).open(QIODevice::WriteOnly);
    QStringList openTexts;
    QTimer::singleShot(0, this, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        QTRY_COMPARE(dialog->findChild<QTreeView*>()->model()->rowCount(
                         dialog->findChild<QTreeView*>()->rootIndex()),
                     2);
        openTexts = textsOf(dialog);
        dialog->close();
    });
    tg::dialogs().getOpenFileName(
        nullptr, {"\x83\x65\x83\x4C\x83\x58\x83\x67|*.txt", "*.txt", tg::fromQString(dir.path())});
    QPrinter printer;
    QPrintPreviewDialog preview(&printer);
    QPrintDialog print(&printer); // from the preview's print button
    QMessageBox question(QMessageBox::Question, QStringLiteral("確認"), QStringLiteral("?"),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    MainWindowDriver w;
    std::unique_ptr<QMenu> editMenu(
        w.control<QLineEdit>("Edit_target")->createStandardContextMenu());
    std::unique_ptr<QMenu> paneMenu(
        w.control<QPlainTextEdit>("RichEdit_Commandhelp")->createStandardContextMenu());
    // A folder's kind, as the system's own file manager names it.
    QVERIFY(openTexts.contains(QStringLiteral("フォルダ")) ||
            openTexts.contains(QStringLiteral("ファイルフォルダ")));
    QStringList found = english(openTexts);
    for (QWidget* window : std::initializer_list<QWidget*>{&preview, &print, &question,
                                                           editMenu.get(), paneMenu.get()})
        found += english(textsOf(window));
    QVERIFY2(found.isEmpty(), qPrintable(found.join(QStringLiteral(" | "))));
}

void LookTest::oneFontForEveryWindow() {
    const QFont font = QApplication::font();
    QCOMPARE(font.families().mid(0, 2),
             (QStringList{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic")}));
    QVERIFY(font.families().contains(QStringLiteral("IPAPGothic")));
    QCOMPARE(font.pixelSize(), 12);
    MainWindowDriver w;
    TAboutBox about;
    QMessageBox box;
    QFileDialog files;
    for (QWidget* widget : std::initializer_list<QWidget*>{
             &w.form(), w.control("Edit_target"), w.control("TabControl1"), w.control("ViewMenu"),
             w.control("ActionToolBar1"), &about, &box, &files}) {
        widget->ensurePolished(); // as shown
        QVERIFY2(widget->font() == font, qPrintable(widget->objectName()));
    }
    QCOMPARE(QToolTip::font(), font);
    QCOMPARE(w.control("ActionMainMenuBar1")->font().families().first(),
             QStringLiteral("MS UI Gothic"));
    QCOMPARE(w.control("RichEdit_Output")->font(), tg::fixedFont());
}

void LookTest::dialogButtonsCarryNoIcons() {
    QMessageBox box(QMessageBox::Critical, QString(), QString(),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    QList<QAbstractButton*> buttons = box.buttons();
    buttons += files.findChild<QDialogButtonBox*>()->buttons();
    for (QAbstractButton* button : buttons)
        QVERIFY2(button->icon().isNull(), qPrintable(button->text()));
    QCOMPARE(QApplication::style()->styleHint(QStyle::SH_DialogButtonBox_ButtonsHaveIcons), 0);
}

// The 表示 menu's entries have icons and the Tools menu's have none; both are drawn alike.
void LookTest::menusMarkOnlyTheCheckedEntry() {
    QMenu menu;
    QPixmap red(16, 16);
    red.fill(Qt::red);
    auto draw = [&](bool checkable, bool checked, bool icon) {
        QStyleOptionMenuItem item;
        item.initFrom(&menu);
        item.rect = QRect(0, 0, 160, 22);
        item.text = QStringLiteral("タブビュー");
        item.menuItemType = QStyleOptionMenuItem::Normal;
        item.checkType =
            checkable ? QStyleOptionMenuItem::NonExclusive : QStyleOptionMenuItem::NotCheckable;
        item.checked = checked;
        item.icon = icon ? QIcon(red) : QIcon();
        item.maxIconWidth = 20;
        QImage image(item.rect.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QApplication::style()->drawControl(QStyle::CE_MenuItem, &item, &painter, &menu);
        return image;
    };
    const QImage plain = draw(false, false, false);
    QCOMPARE(draw(true, false, false), plain); // no empty box
    QCOMPARE(draw(true, false, true), plain);
    QVERIFY(draw(true, true, false) != plain); // a check mark
    QCOMPARE(draw(true, true, true), draw(true, true, false));
}

void LookTest::printerSetupAsksForPrinterPaperAndOrientationOnly() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.pdf"));
    QPrinter printer;
    QStringList radios;
    QStringList english;
    int others = -1;
    QTimer::singleShot(0, this, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        english = ::english(textsOf(dialog));
        for (auto* radio : dialog->findChildren<QRadioButton*>())
            radios << radio->text();
        others = int(dialog->findChildren<QSpinBox*>().size() +
                     dialog->findChildren<QCheckBox*>().size());
        auto* name = dialog->findChild<QComboBox*>(QStringLiteral("PrinterName"));
        name->setCurrentIndex(name->findText(QStringLiteral("PDF ファイル")));
        dialog->findChild<QLineEdit*>(QStringLiteral("OutputFile"))->setText(file);
        auto* paper = dialog->findChild<QComboBox*>(QStringLiteral("PaperSize"));
        paper->setCurrentIndex(paper->findText(QPageSize(QPageSize::A5).name()));
        dialog->findChild<QRadioButton*>(QStringLiteral("Landscape"))->setChecked(true);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QVERIFY(tg::dialogs().printerSetup(nullptr, printer));
    QVERIFY2(english.isEmpty(), qPrintable(english.join(QStringLiteral(" | "))));
    QCOMPARE(radios, (QStringList{QStringLiteral("縦(&O)"), QStringLiteral("横(&A)")}));
    QCOMPARE(others, 0); // no copies, no page range, no duplex
    QCOMPARE(printer.outputFormat(), QPrinter::PdfFormat);
    QCOMPARE(printer.outputFileName(), file);
    QCOMPARE(printer.pageLayout().pageSize().id(), QPageSize::A5);
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
}

int main(int argc, char* argv[]) {
    tg::Application application(argc, argv);
    LookTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "LookTest.moc"
