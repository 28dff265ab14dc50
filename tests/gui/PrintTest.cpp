#include "support/MainWindowDriver.h"
#include "support/ScriptedDialogs.h"

#include "documents/PrintList.h"
#include "documents/QRMDForm.h"
#include "text/Codec.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <functional>

using tg::Text;
using tg::test::MainWindowDriver;

namespace {

// A printer dialog that, when confirmed, changes the printer as the user's choice would.
class PrinterDialogs : public ScriptedDialogs {
public:
    std::function<void(QPrinter&)> choose;
    bool printerSetup(QWidget* owner, QPrinter& printer) override {
        bool confirmed = ScriptedDialogs::printerSetup(owner, printer);
        if (confirmed && choose)
            choose(printer);
        return confirmed;
    }
};

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qWarning() << program << arguments << process.readAllStandardError();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// poppler's tools are programs of the build machine: a cross-built test under Wine cannot start
// them, and reads nothing back.
bool popplerRuns() {
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {QStringLiteral("-v")});
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit;
}

struct Word {
    int page;
    QRectF box;
    QString text;
};

// What poppler reads back from a PDF: page size in points, words with their boxes, and text.
struct PdfReadBack {
    QSizeF pageSize;
    int pages = 0;
    std::vector<Word> words;
    QStringList lines; // non-empty lines, trimmed, in reading order
    QStringList pageTexts;

    explicit PdfReadBack(const QString& file) {
        const QString info = run(QStringLiteral("pdfinfo"), {file});
        auto size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"))
                        .match(info);
        pageSize = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
        pages =
            QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info).captured(1).toInt();

        const QString html =
            run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")});
        int page = -1;
        const QRegularExpression tag(
            QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                           "yMax=\"([\\d.]+)\">([^<]*)</word>"));
        for (auto it = tag.globalMatch(html); it.hasNext();) {
            auto m = it.next();
            if (m.captured(0).startsWith(QLatin1String("<page"))) {
                ++page;
                continue;
            }
            words.push_back({page,
                             QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                    QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())),
                             m.captured(5)});
        }

        // Layout mode: the reading-order mode would join a line ending in '-' to the next one.
        const QString text = run(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-layout"), file, QStringLiteral("-")});
        pageTexts = text.split(QLatin1Char('\f'));
        for (const QString& line : text.split(QRegularExpression(QStringLiteral("[\n\f]")))) {
            if (!line.trimmed().isEmpty())
                lines << line.trimmed();
        }
    }
};

// Non-empty lines of a document as the pane holds it.
QStringList nonEmptyLines(const Text& document) {
    QStringList out;
    for (const Text& line : tg::splitLines(document)) {
        QString s = QString::fromStdString(tg::cp932ToUtf8(line)).trimmed();
        if (!s.isEmpty())
            out << s;
    }
    return out;
}

constexpr double kA4Width = 595.28;
constexpr double kA4Height = 841.89;
constexpr double kMargin = 36.0; // 12.7 mm in points

} // namespace

class PrintTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<PrinterDialogs> dialogs_;
    std::unique_ptr<MainWindowDriver> form_;
    std::unique_ptr<TQRMDForm> report_;

    QString pdfPath(const char* name) const { return dir_->filePath(QLatin1String(name)); }
    void printTo(const QString& file) {
        report_->printer().setOutputFormat(QPrinter::PdfFormat);
        report_->printer().setOutputFileName(file);
    }
    Text document() const {
        const TMainForm& f = form_->form();
        return tg::joinLinesCrLf(tg::buildPrintList(f.getViewLabels(), f.getViewText(),
                                                    f.getViewDefaultText(), "-----",
                                                    f.getViewLabels().size()));
    }
    // Every word lies on the page inside the margins.
    static void verifyInsideMargins(const PdfReadBack& pdf) {
        const double slack = 0.5;
        for (const Word& w : pdf.words) {
            QVERIFY2(w.box.left() >= kMargin - slack && w.box.top() >= kMargin - slack &&
                         w.box.right() <= pdf.pageSize.width() - kMargin + slack &&
                         w.box.bottom() <= pdf.pageSize.height() - kMargin + slack,
                     qPrintable(QStringLiteral("%1 at %2,%3-%4,%5 on page %6")
                                    .arg(w.text)
                                    .arg(w.box.left())
                                    .arg(w.box.top())
                                    .arg(w.box.right())
                                    .arg(w.box.bottom())
                                    .arg(w.page)));
        }
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        dialogs_ = std::make_unique<PrinterDialogs>();
        form_ = std::make_unique<MainWindowDriver>();
        report_ = std::make_unique<TQRMDForm>();
        QRMDForm = report_.get();
    }

    void cleanup() {
        report_.reset();
        form_.reset();
        dialogs_.reset();
    }

    void printsTheWholeDocumentOnA4PagesInsideTheMargins() {
        form_->runWith("ipconfig",
                       tg::utf8ToCp932("ＩＰ構成 テスト\r\nWindows IP Configuration\r\n"));
        Text longRun;
        for (int i = 0; i < 400; ++i)
            longRun.append("row ").append(std::to_string(1000 + i)).append(" of the long run\r\n");
        // One line far wider than the page: it wraps instead of running off the edge.
        Text wide;
        for (int i = 0; i < 60; ++i)
            wide.append("W").append(std::to_string(100 + i));
        form_->runWith("netstat", longRun + wide + "\r\n");
        form_->runWith("ping", "Reply from 127.0.0.1: bytes=32 time<1ms TTL=128\r\n");
        const QString file = pdfPath("whole.pdf");
        printTo(file);

        form_->trigger("Print1");

        QVERIFY(dialogs_->errors.empty());
        QCOMPARE(form_->paneText(), form_->form().getViewText()[4]);
        QVERIFY(QFile(file).size() > 0);
        if (!popplerRuns())
            QSKIP("poppler's pdfinfo cannot be started here to read the PDF back");
        PdfReadBack pdf(file);
        QVERIFY(qAbs(pdf.pageSize.width() - kA4Width) < 0.5);
        QVERIFY(qAbs(pdf.pageSize.height() - kA4Height) < 0.5);
        QVERIFY2(pdf.pages >= 5, qPrintable(QString::number(pdf.pages)));
        QCOMPARE(pdf.pages, report_->pageCount());
        // Title first, then every label and output line in the tree's order, nothing else.
        QCOMPARE(pdf.lines.first(), QStringLiteral("TIDEGAUGE-INFO Ver2.0.0"));
        QVERIFY(pdf.lines.contains(QStringLiteral("ＩＰ構成 テスト")));
        // Every row exactly once, in order, over all pages; a line split by a page break would
        // be drawn on both pages and read back twice.
        QStringList rows = pdf.lines.filter(QRegularExpression(QStringLiteral("^row \\d+")));
        QCOMPARE(rows.size(), 400);
        for (int i = 0; i < 400; ++i)
            QCOMPARE(rows[i], QStringLiteral("row %1 of the long run").arg(1000 + i));
        // Rows reach several pages, and each page but the last is full to its bottom margin.
        QVERIFY(pdf.pageTexts[1].contains(QStringLiteral("row ")));
        QVERIFY(pdf.pageTexts[3].contains(QStringLiteral("row ")));
        // The wide line comes back wrapped over several lines, whole and in order.
        QStringList unwrapped;
        bool inWide = false;
        for (const QString& line : pdf.lines) {
            if (inWide && line != QLatin1String("-----"))
                unwrapped.last() += line;
            else
                unwrapped << line;
            inWide = line.startsWith(QLatin1String("W100")) || (inWide && line != "-----");
        }
        QVERIFY(unwrapped.size() < pdf.lines.size());
        QCOMPARE(unwrapped, nonEmptyLines(document()));
        // The text starts at the top-left margin, full lines reach the right margin and full
        // pages the bottom one, within a character or a line, and nothing passes a margin.
        const Word& first = pdf.words.front();
        QCOMPARE(first.text, QStringLiteral("TIDEGAUGE-INFO"));
        QVERIFY2(first.box.left() < kMargin + 2, qPrintable(QString::number(first.box.left())));
        QVERIFY2(first.box.top() < kMargin + 6, qPrintable(QString::number(first.box.top())));
        double right = 0, bottom = 0;
        for (const Word& w : pdf.words) {
            right = qMax(right, w.box.right());
            if (w.page == 0)
                bottom = qMax(bottom, w.box.bottom());
        }
        QVERIFY2(right > kA4Width - kMargin - 6, qPrintable(QString::number(right)));
        QVERIFY2(bottom > kA4Height - kMargin - 14, qPrintable(QString::number(bottom)));
        verifyInsideMargins(pdf);
    }

    // Tabs stop every eighth column of the fixed font, as in the pane: the report's values stand
    // in one column beside their names, whatever the names' widths.
    void tabsStopAsInThePane() {
        form_->runWith("ipconfig", tg::utf8ToCp932("OS名:\t\tvalC (bookworm)\r\n"
                                                   "tabA\tvalA\r\n"
                                                   "ＡＢ\tvalB\r\n"));
        const QString file = pdfPath("tabs.pdf");
        printTo(file);
        form_->trigger("Print1");
        QVERIFY(dialogs_->errors.empty());
        if (!popplerRuns())
            QSKIP("poppler's pdfinfo cannot be started here to read the PDF back");
        PdfReadBack pdf(file);
        auto word = [&](const QString& text) {
            auto found = std::find_if(pdf.words.begin(), pdf.words.end(),
                                      [&](const Word& w) { return w.text == text; });
            return found == pdf.words.end() ? QRectF() : found->box;
        };
        const QRectF name = word(QStringLiteral("OS名:")), valA = word(QStringLiteral("valA")),
                     valB = word(QStringLiteral("valB")), valC = word(QStringLiteral("valC"));
        QVERIFY(!name.isNull() && !valA.isNull() && !valB.isNull() && !valC.isNull());
        // On its name's line, two stops in; the one-stop values in one column.
        QVERIFY2(qAbs(valC.top() - name.top()) < 1, qPrintable(QString::number(valC.top())));
        QVERIFY2(qAbs(valA.left() - valB.left()) < 0.5, qPrintable(QString::number(valB.left())));
        const double stop = valA.left() - name.left();
        QVERIFY(stop > 10);
        QVERIFY2(qAbs(valC.left() - name.left() - 2 * stop) < 0.5,
                 qPrintable(QString::number(valC.left())));
    }

    void previewShowsTheDocumentAndRestoresThePane() {
        form_->runWith("arp", "arp output\r\n");
        // No printer to print on: the preview still shows the pages.
        report_->printer().setOutputFileName(QString());
        report_->printer().setPrinterName(QStringLiteral("tg-no-such-printer"));

        Text paneDuringPreview;
        int previewPages = -1;
        QString title;
        QTimer poll;
        int tries = 0;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            auto* preview = dialog ? dialog->findChild<QPrintPreviewWidget*>() : nullptr;
            if ((!preview || preview->pageCount() == 0) && ++tries < 500)
                return;
            poll.stop();
            if (preview) {
                paneDuringPreview = form_->paneText();
                previewPages = preview->pageCount();
                title = dialog->windowTitle();
            }
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        poll.start(10);

        form_->trigger("PrintPreview1");

        QVERIFY(dialogs_->errors.empty());
        QCOMPARE(paneDuringPreview, document());
        QCOMPARE(previewPages, report_->pageCount());
        QCOMPARE(title, QStringLiteral("印刷プレビュー"));
        QCOMPARE(form_->paneText(), Text("arp output\r\n"));
    }

    void printingWithoutPrinterShowsAnErrorAndChangesNothing() {
        form_->runWith("route", "route output\r\n");
        report_->printer().setOutputFileName(QString());
        report_->printer().setPrinterName(QStringLiteral("tg-no-such-printer"));
        const std::vector<Text> textsBefore = form_->form().getViewText();
        const bool modifiedBefore = form_->form().isModified();

        form_->trigger("Print1");

        QCOMPARE(dialogs_->errors.size(), size_t(1));
        QVERIFY(tg::cp932ToUtf8(dialogs_->errors[0]).find("プリンタ") != std::string::npos);
        QCOMPARE(form_->paneText(), Text("route output\r\n"));
        QVERIFY(form_->form().getViewText() == textsBefore);
        QCOMPARE(form_->form().isModified(), modifiedBefore);
        QCOMPARE(report_->paperSize(), TQRMDForm::A4);
        QVERIFY(QDir(dir_->path()).isEmpty());
    }

    void printerSetupTakesALandscapePrintersPhysicalPage() {
        const QString file = pdfPath("landscape.pdf");
        // Declined: the page stays A4 portrait.
        form_->trigger("FilePrintSetup1");
        QCOMPARE(dialogs_->printerDialogs, 1);
        QCOMPARE(report_->paperSize(), TQRMDForm::A4);
        QCOMPARE(report_->orientation(), QPageLayout::Portrait);

        // A printer with legal paper (8.5 x 14 in) turned landscape, at 300 dpi.
        dialogs_->printerAnswers.push_back(true);
        dialogs_->choose = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file);
            printer.setResolution(300);
            printer.setPageSize(QPageSize(QSizeF(8.5, 14), QPageSize::Inch));
            printer.setPageOrientation(QPageLayout::Landscape);
        };
        form_->trigger("FilePrintSetup1");

        QCOMPARE(dialogs_->printerDialogs, 2);
        QVERIFY(dialogs_->errors.empty());
        QCOMPARE(report_->paperSize(), TQRMDForm::Custom);
        QCOMPARE(report_->orientation(), QPageLayout::Landscape);
        QVERIFY(qAbs(report_->pageValue(TQRMDForm::PageWidth) - 14.0) < 1e-6);
        QVERIFY(qAbs(report_->pageValue(TQRMDForm::PageLength) - 8.5) < 1e-6);
        for (int margin : {TQRMDForm::BottomMargin, TQRMDForm::LeftMargin, TQRMDForm::RightMargin,
                           TQRMDForm::TopMargin})
            QVERIFY(qAbs(report_->pageValue(margin) - 0.5) < 1e-9);
        QCOMPARE(report_->pageValue(TQRMDForm::ColumnSpace), 0.0);

        // Later prints use that page until the next setup.
        form_->trigger("Print1");
        form_->trigger("Print1");
        QVERIFY(dialogs_->errors.empty());
        QVERIFY(QFile(file).size() > 0);
        if (!popplerRuns())
            QSKIP("poppler's pdfinfo cannot be started here to read the PDF back");
        PdfReadBack pdf(file);
        QVERIFY(qAbs(pdf.pageSize.width() - 1008) < 0.5);
        QVERIFY(qAbs(pdf.pageSize.height() - 612) < 0.5);
        QCOMPARE(pdf.lines, nonEmptyLines(document()));
        verifyInsideMargins(pdf);
    }
};

QTEST_MAIN(PrintTest)
#include "PrintTest.moc"
