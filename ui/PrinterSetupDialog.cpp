#include "ui/PrinterSetupDialog.h"

#include "ui/Style.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tg {

namespace {

// The sizes offered when the printer names none: the usual ones in Japan.
const QPageSize::PageSizeId kCommonSizes[] = {QPageSize::A3,   QPageSize::A4, QPageSize::A5,
                                              QPageSize::B4,   QPageSize::B5, QPageSize::Letter,
                                              QPageSize::Legal};

QString stateText(QPrinter::PrinterState state) {
    switch (state) {
    case QPrinter::Idle:
        return QStringLiteral("準備完了");
    case QPrinter::Active:
        return QStringLiteral("印刷中");
    case QPrinter::Aborted:
        return QStringLiteral("中止");
    case QPrinter::Error:
        return QStringLiteral("エラー");
    }
    return {};
}

QLabel* valueLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

PrinterSetupDialog::PrinterSetupDialog(QPrinter& printer, QWidget* parent)
    : QDialog(parent), printer_(printer) {
    setObjectName(QStringLiteral("PrinterSetupDialog"));
    setWindowTitle(QStringLiteral("プリンタの設定"));
    useDialogFrame(*this);

    auto* printerBox = new QGroupBox(QStringLiteral("プリンタ"), this);
    auto* printerRows = new QFormLayout(printerBox);
    printerName_ = new QComboBox(printerBox);
    printerName_->setObjectName(QStringLiteral("PrinterName"));
    printerName_->setMinimumWidth(260);
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        printerName_->addItem(name, name);
    printerName_->addItem(QStringLiteral("PDF ファイル"), QString()); // no printer: a file
    auto* nameLabel = new QLabel(QStringLiteral("プリンタ名(&N):"), printerBox);
    nameLabel->setBuddy(printerName_);
    printerRows->addRow(nameLabel, printerName_);
    status_ = valueLabel(printerBox);
    type_ = valueLabel(printerBox);
    where_ = valueLabel(printerBox);
    comment_ = valueLabel(printerBox);
    printerRows->addRow(QStringLiteral("状態:"), status_);
    printerRows->addRow(QStringLiteral("種類:"), type_);
    printerRows->addRow(QStringLiteral("場所:"), where_);
    printerRows->addRow(QStringLiteral("コメント:"), comment_);
    auto* fileRow = new QHBoxLayout;
    outputFile_ = new QLineEdit(printerBox);
    outputFile_->setObjectName(QStringLiteral("OutputFile"));
    browse_ = new QToolButton(printerBox);
    browse_->setText(QStringLiteral("..."));
    browse_->setToolTip(QStringLiteral("参照"));
    fileRow->addWidget(outputFile_);
    fileRow->addWidget(browse_);
    outputFileLabel_ = new QLabel(QStringLiteral("出力ファイル(&F):"), printerBox);
    outputFileLabel_->setBuddy(outputFile_);
    printerRows->addRow(outputFileLabel_, fileRow);

    auto* paperBox = new QGroupBox(QStringLiteral("用紙"), this);
    auto* paperRows = new QFormLayout(paperBox);
    paperSize_ = new QComboBox(paperBox);
    paperSize_->setObjectName(QStringLiteral("PaperSize"));
    paperSize_->setMinimumWidth(160);
    auto* sizeLabel = new QLabel(QStringLiteral("サイズ(&Z):"), paperBox);
    sizeLabel->setBuddy(paperSize_);
    paperRows->addRow(sizeLabel, paperSize_);

    auto* orientationBox = new QGroupBox(QStringLiteral("印刷の向き"), this);
    auto* orientationRows = new QVBoxLayout(orientationBox);
    portrait_ = new QRadioButton(QStringLiteral("縦(&O)"), orientationBox);
    portrait_->setObjectName(QStringLiteral("Portrait"));
    landscape_ = new QRadioButton(QStringLiteral("横(&A)"), orientationBox);
    landscape_->setObjectName(QStringLiteral("Landscape"));
    orientationRows->addWidget(portrait_);
    orientationRows->addWidget(landscape_);
    (printer.pageLayout().orientation() == QPageLayout::Landscape ? landscape_ : portrait_)
        ->setChecked(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PrinterSetupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* lower = new QHBoxLayout;
    lower->addWidget(paperBox, 1);
    lower->addWidget(orientationBox);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printerBox);
    layout->addLayout(lower);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The printer chosen before, else the system's default one, else the file.
    QString current =
        printer.outputFormat() == QPrinter::NativeFormat ? printer.printerName() : QString();
    if (current.isEmpty() && printer.outputFileName().isEmpty())
        current = QPrinterInfo::defaultPrinterName();
    const int at = printerName_->findData(current);
    printerName_->setCurrentIndex(at >= 0 ? at : printerName_->count() - 1);
    QString file = printer.outputFileName();
    if (file.isEmpty())
        file = QDir::home().filePath(QStringLiteral("tginfo.pdf"));
    outputFile_->setText(QDir::toNativeSeparators(file));

    connect(browse_, &QToolButton::clicked, this, &PrinterSetupDialog::browseOutputFile);
    connect(printerName_, &QComboBox::currentIndexChanged, this, &PrinterSetupDialog::showPrinter);
    connect(outputFile_, &QLineEdit::textChanged, this, [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)
            ->setEnabled(!pdfChosen() || !outputFile_->text().trimmed().isEmpty());
    });
    showPrinter();
    fillPaperSizes(printer.pageLayout().pageSize());
}

bool PrinterSetupDialog::pdfChosen() const {
    return printerName_->currentData().toString().isEmpty();
}

void PrinterSetupDialog::showPrinter() {
    const bool pdf = pdfChosen();
    const QPrinterInfo info =
        pdf ? QPrinterInfo() : QPrinterInfo::printerInfo(printerName_->currentData().toString());
    status_->setText(pdf ? stateText(QPrinter::Idle) : stateText(info.state()));
    type_->setText(pdf ? QStringLiteral("PDF ファイルに出力") : info.makeAndModel());
    where_->setText(pdf ? QStringLiteral("ローカル ファイル") : info.location());
    comment_->setText(pdf ? QString() : info.description());
    for (QWidget* w : {static_cast<QWidget*>(outputFileLabel_), static_cast<QWidget*>(outputFile_),
                       static_cast<QWidget*>(browse_)})
        w->setVisible(pdf);
    if (!sizes_.empty())
        fillPaperSizes(sizes_[static_cast<size_t>(paperSize_->currentIndex())]);
}

void PrinterSetupDialog::fillPaperSizes(const QPageSize& wanted) {
    sizes_.clear();
    if (!pdfChosen()) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(printerName_->currentData().toString());
        for (const QPageSize& size : info.supportedPageSizes())
            sizes_.push_back(size);
    }
    if (sizes_.empty()) {
        for (QPageSize::PageSizeId id : kCommonSizes)
            sizes_.emplace_back(id);
    }
    auto same = [&](const QPageSize& size) { return size.isEquivalentTo(wanted); };
    if (wanted.isValid() && std::none_of(sizes_.begin(), sizes_.end(), same))
        sizes_.push_back(wanted);
    paperSize_->clear();
    int chosen = 0;
    for (size_t i = 0; i < sizes_.size(); ++i) {
        paperSize_->addItem(sizes_[i].name());
        if (same(sizes_[i]))
            chosen = static_cast<int>(i);
        else if (!wanted.isValid() && sizes_[i].id() == QPageSize::A4)
            chosen = static_cast<int>(i);
    }
    paperSize_->setCurrentIndex(chosen);
}

void PrinterSetupDialog::browseOutputFile() {
    const QString file =
        QFileDialog::getSaveFileName(this, QStringLiteral("出力ファイル"), outputFile_->text(),
                                     QStringLiteral("PDF ファイル (*.pdf)"));
    if (!file.isEmpty())
        outputFile_->setText(QDir::toNativeSeparators(file));
}

void PrinterSetupDialog::accept() {
    if (pdfChosen()) {
        printer_.setOutputFormat(QPrinter::PdfFormat);
        printer_.setOutputFileName(QDir::fromNativeSeparators(outputFile_->text().trimmed()));
    } else {
        printer_.setOutputFileName(QString());
        printer_.setOutputFormat(QPrinter::NativeFormat);
        printer_.setPrinterName(printerName_->currentData().toString());
    }
    printer_.setPageSize(sizes_.at(static_cast<size_t>(paperSize_->currentIndex())));
    printer_.setPageOrientation(landscape_->isChecked() ? QPageLayout::Landscape
                                                        : QPageLayout::Portrait);
    QDialog::accept();
}

} // namespace tg
