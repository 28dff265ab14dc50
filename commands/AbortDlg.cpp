#include "commands/AbortDlg.h"

#include "commands/Getinfothread.h"
#include "ui/Style.h"
#include "ui/WindowPlace.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

TAbortDlg::TAbortDlg(QWidget* owner, GetInfoThread* worker) : QDialog(owner), worker(worker) {
    setObjectName(QStringLiteral("AbortDlg"));
    setWindowTitle(QStringLiteral("情報取得"));
    tg::useDialogFrame(*this);
    setModal(true);
    setFixedSize(254, 150);

    Label1 = new QLabel(QStringLiteral("情報取得中です。しばらくお待ちください"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(32, 40, 200, 12);
    Label1->adjustSize(); // sized to its caption, whatever the font

    OKBtn = new QPushButton(QStringLiteral("中断"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(79, 108, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &TAbortDlg::OKBtnClick);

    ProgressBar2 = new QProgressBar(this);
    ProgressBar2->setObjectName(QStringLiteral("ProgressBar2"));
    ProgressBar2->setGeometry(16, 72, 225, 16);
    ProgressBar2->setRange(0, 250);
    ProgressBar2->setValue(0);
    ProgressBar2->setTextVisible(false);
    ProgressBar2->setFocusPolicy(Qt::NoFocus);
    setTabOrder(OKBtn, ProgressBar2);
    OKBtn->setFocus();

    worker->dialogProgress = ProgressBar2;
    worker->dialog = this;
    worker->start();
}

void TAbortDlg::OKBtnClick() {
    if (worker)
        worker->requestTermination();
}

void TAbortDlg::finish() {
    finished_ = true;
    if (isVisible())
        done(QDialog::Accepted);
}

void TAbortDlg::reject() {
    // Escape does not close the dialog; only the end of the run does.
    if (finished_)
        QDialog::reject();
}

void TAbortDlg::showEvent(QShowEvent* event) {
    tg::centreOnScreen(this);
    QDialog::showEvent(event);
    // The run ended before the dialog's loop began: close as soon as the loop runs.
    if (finished_)
        QTimer::singleShot(0, this, [this] { done(QDialog::Accepted); });
}

void TAbortDlg::closeEvent(QCloseEvent* event) {
    if (finished_) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    OKBtnClick();
}
