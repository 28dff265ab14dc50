#pragma once

#include <QIcon>
#include <QPixmap>

class QStringView;

namespace tg {

enum class ActionIcon {
    New,
    Open,
    Save,
    SaveAs,
    PageSetup,
    Print,
    Preview,
    Exit,
    Copy,
    Find,
    SelectAll,
    Tabs,
    Tree,
    CommandHelp,
    Help,
    About
};

QIcon actionIcon(ActionIcon which);
// The desktop theme's icon of that freedesktop name; where the theme has none (always on
// Windows), the Tango picture the program carries under that name; null when it carries none.
QIcon themeIcon(QStringView name);
QIcon programIcon();
// The start-up picture (465 x 164) and the about box's logo (281 x 51).
QPixmap splashPicture();
QPixmap logoPicture();

} // namespace tg
