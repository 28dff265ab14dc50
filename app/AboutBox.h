#pragma once

#include "text/Text.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The about box: version, notice and two links, the product page and the support address. One
// instance lives from start-up to exit and is shown modally each time it is asked for.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    static const tg::Text productPage;
    static const tg::Text supportAddress;

    void URLClick();
    void URLMouseEnter();
    void URLMouseLeave();
    void Label2Click();
    void Label2MouseEnter();
    void Label2MouseLeave();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* LablePVersion = nullptr;
    QLabel* Notice1 = nullptr;
    QLabel* Notice2 = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* URL = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* OKButton = nullptr;
};

extern TAboutBox* AboutBox;
