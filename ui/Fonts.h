#pragma once

#include <QFont>

namespace tg {

// The fonts of every window, chosen here and nowhere else. Each names the Windows font first and
// the IPA fonts after it, all at 12 pixels.

// Sets the application's fonts, once, before any window exists: every window, menu, tool tip and
// dialog takes them from there.
void useApplicationFonts();

// "ＭＳ Ｐゴシック": the application font.
QFont interfaceFont();
// "MS UI Gothic": the menu bar.
QFont menuFont();
// "ＭＳ ゴシック", fixed pitch: the output and command help panes, and so the printed page.
QFont fixedFont();

} // namespace tg
