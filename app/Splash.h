#pragma once

#include <QWidget>

class QLabel;
class QTimer;

// The start-up picture: on top of every window, in a dialog frame without a caption bar, for two
// seconds. It has no owner and nothing refers to it; its first timer event destroys it.
class TSplash : public QWidget {
    Q_OBJECT
public:
    TSplash();

    // Shows the splash and has it painted at once, while the other windows are still to be built.
    void showNow();

    void Timer1Timer();

    // The window inside its dialog frame.
    QWidget* clientArea() const { return client_; }
    // Whether the splash draws its dialog frame itself: where the window system frames no window
    // without a caption bar.
    bool drawsOwnFrame() const { return ownFrame_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

    QLabel* Image1 = nullptr;
    QTimer* Timer1 = nullptr;

private:
    bool ownFrame_ = false;
    QWidget* client_ = nullptr;
};
