#pragma once

#include <QDialog>
#include <QPageSize>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QRadioButton;
class QToolButton;

namespace tg {

// The printer-setup dialog: which printer, which paper, which way up, as Windows asks it. What to
// print and how often belongs to printing itself and is not asked here. Besides the system's
// printers it offers a PDF file.
class PrinterSetupDialog : public QDialog {
    Q_OBJECT
public:
    PrinterSetupDialog(QPrinter& printer, QWidget* parent = nullptr);

    // Gives the printer the choices made.
    void accept() override;

private:
    bool pdfChosen() const;
    void showPrinter();
    void fillPaperSizes(const QPageSize& wanted);
    void browseOutputFile();

    QPrinter& printer_;
    QComboBox* printerName_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* type_ = nullptr;
    QLabel* where_ = nullptr;
    QLabel* comment_ = nullptr;
    QLabel* outputFileLabel_ = nullptr;
    QLineEdit* outputFile_ = nullptr;
    QToolButton* browse_ = nullptr;
    QComboBox* paperSize_ = nullptr;
    QRadioButton* portrait_ = nullptr;
    QRadioButton* landscape_ = nullptr;
    std::vector<QPageSize> sizes_; // by the paper list's items
};

} // namespace tg
