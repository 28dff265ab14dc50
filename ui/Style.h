#pragma once

#include <Qt>

class QStyle;
class QWidget;

namespace tg {

// The style of every window on every platform: the classic Windows look (dotted tree lines with
// +/- boxes, chunked progress bars), with dialog buttons that carry no icons and menus that show
// a check mark on a checked entry and nothing on an unchecked one.
QStyle* newApplicationStyle();

// The title bar of a modal dialog as Windows draws it: the caption and the close button only. The
// toolkit passes these to an X11 window manager as Motif hints, which it writes only when asked
// to customise the frame. Openbox ignores the hints' minimise and maximise on purpose: it keeps
// minimise for every dialog, and takes maximise away only from a fixed-size window, still drawing
// its button, disabled, where minimise stands beside it.
inline constexpr Qt::WindowFlags kDialogWindowFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// Gives dialog those flags, keeping a fixed size's thin frame; call it before the dialog shows.
void useDialogFrame(QWidget& dialog);

} // namespace tg
