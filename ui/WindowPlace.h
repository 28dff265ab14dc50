#pragma once

class QWidget;

namespace tg {

// Places a top-level window so that its outer frame, title bar included, is centred on its
// screen. A window the window system has not framed yet is taken to get the frame of the windows
// already shown; a frameless one is its own frame.
void centreOnScreen(QWidget* window);

} // namespace tg
