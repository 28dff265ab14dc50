#include "app/Application.h"
#include "app/Unit1.h"

#include "documents/PrintList.h"
#include "documents/QRMDForm.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "ui/Dialogs.h"
#include "ui/OutputPane.h"

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <exception>

namespace {

// The report form lives for the whole process; without it there is nothing to print with.
TQRMDForm& reportForm() {
    if (!QRMDForm)
        throw tg::Error(tg::utf8ToCp932("印刷の準備ができていません。"));
    return *QRMDForm;
}

// What escapes a print handler is shown in the standard error box, and the program goes on.
template <typename Handler> void showingErrors(Handler&& handler) {
    try {
        handler();
    } catch (...) {
        tg::showHandledError();
    }
}

} // namespace

void TMainForm::printDocument(PrintTarget target) {
    try {
        // The views in the order of the tree's nodes below its root.
        size_t nodes = 0;
        for (QTreeWidgetItemIterator it(TreeView1); *it; ++it)
            if ((*it)->parent())
                ++nodes;
        const tg::StringList list =
            tg::buildPrintList(document.labels(), document.texts(), document.defaultTexts(),
                               tg::Document::kSeparator, nodes);
        RichEdit_Output->setText(tg::joinLinesCrLf(list));

        TQRMDForm& report = reportForm();
        report.setRichEdit(RichEdit_Output);
        report.Prepare();
        if (target == PrintTarget::Preview)
            report.Preview();
        else
            report.Print();
    } catch (...) {
        RichEdit_Output->showText(document.text(static_cast<size_t>(currentView)));
        throw;
    }
    RichEdit_Output->showText(document.text(static_cast<size_t>(currentView)));
}

void TMainForm::PrintPreview1Execute() {
    showingErrors([this] { printDocument(PrintTarget::Preview); });
}

void TMainForm::Print1Execute() {
    showingErrors([this] { printDocument(PrintTarget::Printer); });
}

void TMainForm::FilePrintSetup1Execute() {
    showingErrors([this] {
        if (tg::dialogs().printerSetup(this, reportForm().printer()))
            FilePrintSetup1Accept();
    });
}

void TMainForm::FilePrintSetup1Accept() {
    TQRMDForm& report = reportForm();
    QPrinter& printer = report.printer();
    // The whole sheet as the printer reports it for its orientation, in its own pixels.
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const double dpiX = printer.logicalDpiX();
    const double dpiY = printer.logicalDpiY();
    if (dpiX <= 0 || dpiY <= 0 || paper.isEmpty())
        throw tg::Error(tg::utf8ToCp932("プリンタの用紙の大きさを読み取れません。"));
    const double width = paper.width() / dpiX;
    const double length = paper.height() / dpiY;

    report.setPaperSize(TQRMDForm::Custom);
    report.setPageValue(TQRMDForm::PageWidth, width);
    report.setPageValue(TQRMDForm::PageLength, length);
    report.setOrientation(printer.pageLayout().orientation());
}
