#pragma once

#include <QList>
#include <QRect>

class QWidget;

namespace tg {

class IniFile;

// The main window's place and size as the settings file keeps them: the outer frame in screen
// pixels.
struct FramePlacement {
    int top = 0;
    int left = 0;
    int height = 0;
    int width = 0;
};

FramePlacement framePlacement(const QWidget& window);

// Places the outer frame. The client area is the given size less the frame, as far as the
// platform knows the frame; a frame that becomes known only once the window is on the screen is
// taken off then.
void placeFrame(QWidget& window, const FramePlacement& placement);

// The placement moved and shrunk onto the nearest of the screens (their available areas) when it
// would be larger than the screen it is on, or when its top edge, where the window is taken hold
// of, would show on no screen; any other placement is kept as it is.
FramePlacement fitOnScreens(const FramePlacement& placement, const QList<QRect>& screens);

// The design placement unless section POSITION exists; then its values, each with its default,
// fitted onto the screens there are.
void restorePosition(QWidget& window, const IniFile& ini, const FramePlacement& design);

// Writes section POSITION. A settings file that cannot be written is left as it is, quietly.
void savePosition(const QWidget& window, IniFile& ini) noexcept;

} // namespace tg
