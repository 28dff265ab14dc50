#pragma once

#include <QPageLayout>
#include <QPrinter>
#include <QWidget>

#include <array>
#include <memory>

class QTextDocument;

namespace tg {
class OutputPane;
}

// The report form: never shown, it holds the report page and prints or previews the content of
// the output pane it is bound to, over as many pages as that content needs.
class TQRMDForm : public QWidget {
    Q_OBJECT
public:
    // Indices of the page values, held in inches, the report's unit.
    enum PageValue {
        BottomMargin = 0,
        PageLength = 1,
        LeftMargin = 2,
        PageWidth = 3,
        RightMargin = 4,
        TopMargin = 5,
        ColumnSpace = 6,
    };
    // Paper sizes by their printer numbers; a custom size takes width and length from the values.
    enum PaperSize { A4 = 9, Custom = 27 };

    explicit TQRMDForm(QWidget* parent = nullptr);
    ~TQRMDForm() override;

    // The pane whose content the report prints.
    void setRichEdit(const tg::OutputPane* pane);

    // The current printer: printer setup chooses it, Print prints on it.
    QPrinter& printer() { return printer_; }

    double pageValue(int index) const;
    void setPageValue(int index, double inches);
    PaperSize paperSize() const { return paperSize_; }
    void setPaperSize(PaperSize size) { paperSize_ = size; }
    QPageLayout::Orientation orientation() const { return orientation_; }
    void setOrientation(QPageLayout::Orientation orientation) { orientation_ = orientation; }
    // The page as the values above describe it.
    QPageLayout pageLayout() const;

    // Takes the pane's content and lays out the pages on the current printer's page.
    void Prepare();
    // Shows the prepared pages in a modal preview window.
    void Preview();
    // Prints the prepared pages on the current printer. Throws tg::Error when there is no
    // printer to print on or it cannot start.
    void Print();

    // Pages of the last layout.
    int pageCount() const;

private:
    void layOut(QPrinter& target);
    void paintPages(QPrinter& target);

    const tg::OutputPane* richEdit_ = nullptr;
    QPrinter printer_{QPrinter::HighResolution};
    std::array<double, 7> pageValues_{};
    PaperSize paperSize_ = A4;
    QPageLayout::Orientation orientation_ = QPageLayout::Portrait;
    QString content_;
    QFont font_;
    std::unique_ptr<QTextDocument> document_;
    QRectF laidOutPage_; // the page rectangle, in device pixels, the document was laid out for
    int laidOutResolution_ = 0;
};

extern TQRMDForm* QRMDForm;
