#pragma once

#include <QFont>

namespace tg {

// The fonts of every window, chosen here and nowhere else. Each names the Windows font first and
// the nearest free fonts after it, all at 12 pixels.

// "ＭＳ Ｐゴシック": the main window, its controls and every dialog.
QFont interfaceFont();
// "MS UI Gothic": the menu bar.
QFont menuFont();
// "ＭＳ ゴシック", fixed pitch: the output and command help panes, and so the printed page.
QFont fixedFont();

} // namespace tg
