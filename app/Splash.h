#pragma once

#include <QWidget>

class QLabel;
class QTimer;

// The start-up picture: on top of every window, without a caption bar, for two seconds. It has
// no owner and nothing refers to it; its first timer event destroys it.
class TSplash : public QWidget {
    Q_OBJECT
public:
    TSplash();

    // Shows the splash and has it painted at once, while the other windows are still to be built.
    void showNow();

    void Timer1Timer();

protected:
    QLabel* Image1 = nullptr;
    QTimer* Timer1 = nullptr;
};
