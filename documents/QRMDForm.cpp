#include "documents/QRMDForm.h"

#include "documents/PrintList.h"

#include "text/Codec.h"
#include "text/Error.h"
#include "ui/OutputPane.h"
#include "ui/QtText.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinterInfo>
#include <QTextDocument>
#include <QTextOption>

#include <exception>

TQRMDForm* QRMDForm = nullptr;

namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr double kDesignPixelsPerInch = 96.0; // the grid pixel-sized fonts are given in

[[noreturn]] void fail(const char* utf8Message) {
    throw tg::Error(tg::utf8ToCp932(utf8Message));
}

// Printer fonts are sized in points: a font given in screen pixels keeps its size on paper.
QFont paperFont(QFont font) {
    if (font.pixelSize() > 0)
        font.setPointSizeF(font.pixelSize() * 72.0 / kDesignPixelsPerInch);
    return font;
}

// Something to print on: a file, or a printer the system knows.
bool hasTarget(const QPrinter& printer) {
    if (!printer.outputFileName().isEmpty())
        return true;
    return printer.outputFormat() == QPrinter::NativeFormat && !printer.printerName().isEmpty() &&
           !QPrinterInfo::printerInfo(printer.printerName()).isNull();
}

} // namespace

TQRMDForm::TQRMDForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("QRMDForm"));
    resize(870, 640);

    // A4 portrait with half-inch margins on every side, one column.
    const double millimetres[] = {12.7, 297.0, 12.7, 210.0, 12.7, 12.7, 0.0};
    for (size_t i = 0; i < pageValues_.size(); ++i)
        pageValues_[i] = millimetres[i] / kMillimetresPerInch;
    printer_.setCopyCount(1);
    printer_.setDuplex(QPrinter::DuplexNone);
}

TQRMDForm::~TQRMDForm() {
    if (QRMDForm == this)
        QRMDForm = nullptr;
}

void TQRMDForm::setRichEdit(const tg::OutputPane* pane) {
    richEdit_ = pane;
}

double TQRMDForm::pageValue(int index) const {
    return pageValues_.at(static_cast<size_t>(index));
}

void TQRMDForm::setPageValue(int index, double inches) {
    pageValues_.at(static_cast<size_t>(index)) = inches;
}

QPageLayout TQRMDForm::pageLayout() const {
    const double width = pageValues_[PageWidth];
    const double length = pageValues_[PageLength];
    // A page size is given upright and turned by the orientation, so a landscape page of
    // width x length is the upright size length x width turned.
    QPageSize size(QPageSize::A4);
    if (paperSize_ == Custom) {
        QSizeF upright =
            orientation_ == QPageLayout::Landscape ? QSizeF(length, width) : QSizeF(width, length);
        size = QPageSize(upright, QPageSize::Inch, QString(), QPageSize::ExactMatch);
    }
    const QMarginsF margins(pageValues_[LeftMargin], pageValues_[TopMargin],
                            pageValues_[RightMargin], pageValues_[BottomMargin]);
    return QPageLayout(size, orientation_, margins, QPageLayout::Inch);
}

void TQRMDForm::Prepare() {
    if (!richEdit_)
        fail("印刷する内容がありません。");
    content_ = tg::toDisplayString(tg::expandTabs(richEdit_->text()));
    // The pane's last line end closes the last line; it opens no further one on paper.
    if (content_.endsWith(QLatin1Char('\n')))
        content_.chop(1);
    font_ = paperFont(richEdit_->font());
    const QPageLayout layout = pageLayout();
    if (!layout.isValid())
        fail("用紙の大きさが正しくありません。");
    // A printer that cannot take these margins keeps the nearest it can; the text follows it.
    printer_.setPageLayout(layout);
    layOut(printer_);
}

void TQRMDForm::layOut(QPrinter& target) {
    auto document = std::make_unique<QTextDocument>();
    document->setDocumentMargin(0);
    document->setDefaultFont(font_);
    document->documentLayout()->setPaintDevice(&target);
    // Lines wider than the page wrap rather than run off its edge; the tabs are blanks already.
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDefaultTextOption(option);
    document->setPlainText(content_);
    // With a page height the layout moves every line that would cross a page's end to the next
    // page, so each line is drawn whole on exactly one page.
    const QRectF page = target.pageRect(QPrinter::DevicePixel);
    document->setPageSize(page.size());
    document_ = std::move(document);
    laidOutPage_ = page;
    laidOutResolution_ = target.resolution();
}

void TQRMDForm::paintPages(QPrinter& target) {
    if (!document_ || laidOutPage_ != target.pageRect(QPrinter::DevicePixel) ||
        laidOutResolution_ != target.resolution())
        layOut(target);

    QPainter painter;
    if (!painter.begin(&target))
        fail("印刷を開始できません。");
    const QSizeF page = document_->pageSize();
    const int pages = document_->pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !target.newPage()) {
            painter.end();
            fail("次のページを始められません。");
        }
        // The painter's origin is the page's top left inside the margins; page i shows the
        // document's band i.
        const QRectF band(0, i * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(0, -band.top());
        painter.setClipRect(band);
        // A line that starts or ends exactly on the band's edge belongs to the page beside it;
        // the layout's test for what to draw counts touching as meeting, so draw a hair inside.
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = band.adjusted(0, 0.5, 0, -0.5);
        context.palette.setColor(QPalette::Text, Qt::black);
        document_->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    if (!painter.end())
        fail("印刷を終えられません。");
}

void TQRMDForm::Preview() {
    if (!document_)
        Prepare();
    QWidget* owner = richEdit_ ? richEdit_->window() : nullptr;
    // The preview's own print button exports to a file when there is no printer; that choice
    // belongs to the preview and does not become the current printer's.
    const QString fileBefore = printer_.outputFileName();
    const QPrinter::OutputFormat formatBefore = printer_.outputFormat();

    std::exception_ptr failure;
    {
        QPrintPreviewDialog dialog(&printer_, owner);
        dialog.setObjectName(QStringLiteral("PreviewDialog"));
        dialog.setWindowTitle(QStringLiteral("印刷プレビュー"));
        dialog.resize(size());
        connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
                [this, &failure, &dialog](QPrinter* target) {
                    if (failure)
                        return;
                    // An error must not unwind through the dialog's event loop: keep it, close
                    // the dialog and raise it once the loop has returned.
                    try {
                        paintPages(*target);
                    } catch (...) {
                        failure = std::current_exception();
                        QMetaObject::invokeMethod(&dialog, &QDialog::reject, Qt::QueuedConnection);
                    }
                });
        dialog.exec();
    }

    if (printer_.outputFileName() != fileBefore) {
        printer_.setOutputFileName(fileBefore);
        printer_.setOutputFormat(formatBefore);
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TQRMDForm::Print() {
    if (!hasTarget(printer_))
        fail("印刷できるプリンタがありません。プリンタを接続するか、プリンタの設定で"
             "プリンタを選んでください。");
    if (!document_)
        Prepare();
    paintPages(printer_);
}

int TQRMDForm::pageCount() const {
    return document_ ? document_->pageCount() : 0;
}
