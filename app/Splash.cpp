#include "app/Splash.h"

#include "app/AppIcons.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>

TSplash::TSplash()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Splash"));
    setWindowTitle(QStringLiteral("Splash"));
    // Closing the main window ends the program even while the splash is still up.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(463, 164);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 465, 164);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(tg::splashPicture());

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    // A precise timer never fires early: the splash stays its full two seconds.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(2000);
    connect(Timer1, &QTimer::timeout, this, &TSplash::Timer1Timer);
    Timer1->start();
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
