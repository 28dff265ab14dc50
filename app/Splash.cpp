#include "app/Splash.h"

#include "app/AppIcons.h"
#include "ui/WindowPlace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <qdrawutil.h>

namespace {

// A dialog frame as Windows draws it: a raised edge of two pixels and one of the face colour.
constexpr int kDialogFrame = 3;
const QSize kClientSize(463, 166);

// Windows keeps the dialog frame of a window whose caption bar is taken away; other window
// systems give such a window no frame at all.
bool systemFramesCaptionlessWindows() {
    return QGuiApplication::platformName() == QLatin1String("windows");
}

Qt::WindowFlags splashFlags() {
    Qt::WindowFlags flags = Qt::Dialog | Qt::WindowStaysOnTopHint;
    if (systemFramesCaptionlessWindows())
        return flags | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint;
    return flags | Qt::FramelessWindowHint;
}

} // namespace

TSplash::TSplash() : QWidget(nullptr, splashFlags()) {
    setObjectName(QStringLiteral("Splash"));
    setWindowTitle(QStringLiteral("Splash"));
    // Closing the main window ends the program even while the splash is still up.
    setAttribute(Qt::WA_QuitOnClose, false);
    ownFrame_ = !systemFramesCaptionlessWindows();
    const int frame = ownFrame_ ? kDialogFrame : 0;
    setFixedSize(kClientSize + QSize(2 * frame, 2 * frame));

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("ClientArea"));
    client_->setGeometry(QRect(QPoint(frame, frame), kClientSize));
    Image1 = new QLabel(client_);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 465, 164);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(tg::splashPicture());

    // A precise timer never fires early: the splash stays its full two seconds.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(2000);
    connect(Timer1, &QTimer::timeout, this, &TSplash::Timer1Timer);
    Timer1->start();
}

void TSplash::showEvent(QShowEvent* event) {
    tg::centreOnScreen(this);
    QWidget::showEvent(event);
}

void TSplash::paintEvent(QPaintEvent*) {
    if (!ownFrame_)
        return;
    QPainter painter(this);
    const QPalette& colours = palette();
    qDrawWinPanel(&painter, rect(), colours, false);
    painter.setPen(colours.color(QPalette::Button));
    painter.drawRect(rect().adjusted(2, 2, -3, -3));
}

void TSplash::showNow() {
    show();
    raise();
    // The event loop starts only after the other windows are built, so the splash is exposed
    // and painted here; a display that never exposes it is not waited for long.
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        QThread::msleep(10);
    }
    repaint();
}

void TSplash::Timer1Timer() {
    Timer1->stop();
    hide();
    deleteLater();
}
