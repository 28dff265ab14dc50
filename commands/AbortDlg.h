#pragma once

#include <QDialog>
#include <QPointer>

class GetInfoThread;
class QLabel;
class QProgressBar;
class QPushButton;

// The modal dialog of a run: a progress bar and the abort button. It stays open until the
// worker's end-of-run notification closes it; every way of closing it before that (the button,
// Enter, the title bar's close box) only asks the worker to stop.
class TAbortDlg : public QDialog {
    Q_OBJECT
public:
    // Builds the dialog, hands its progress bar and itself to the worker and starts the worker.
    TAbortDlg(QWidget* owner, GetInfoThread* worker);

    void OKBtnClick();
    // The end-of-run notification: closes the dialog, also if its loop has not started yet.
    void finish();
    bool isFinished() const { return finished_; }

    QLabel* Label1 = nullptr;
    QPushButton* OKBtn = nullptr;
    QProgressBar* ProgressBar2 = nullptr;

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<GetInfoThread> worker;
    bool finished_ = false;
};
