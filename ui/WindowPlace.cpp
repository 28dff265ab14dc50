#include "ui/WindowPlace.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace tg {

namespace {

QMargins knownFrame(const QWidget* window) {
    if (window->windowFlags() & Qt::FramelessWindowHint)
        return {};
    const QWindow* handle = window->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

QMargins frameOf(const QWidget* window) {
    if (window->windowFlags() & Qt::FramelessWindowHint)
        return {};
    if (QMargins own = knownFrame(window); !own.isNull())
        return own;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other != window && other->isVisible()) {
            if (QMargins shown = knownFrame(other); !shown.isNull())
                return shown;
        }
    }
    return {};
}

} // namespace

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QMargins frame = frameOf(window);
    const QRect outer(QPoint(), window->size().grownBy(frame));
    const QPoint outerTopLeft = screen->geometry().center() - outer.center();
    // The client's own rectangle: where a window system puts a window's frame for a position
    // that includes it differs from one system to the next.
    window->setGeometry(QRect(outerTopLeft + QPoint(frame.left(), frame.top()), window->size()));
}

} // namespace tg
