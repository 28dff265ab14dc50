#pragma once

#include <QIcon>
#include <QPixmap>

namespace tg {

enum class ActionIcon { New, Open, Save, Print, Preview, Copy, Tabs, Tree, CommandHelp, Help };

QIcon actionIcon(ActionIcon which);
QIcon programIcon();
// The start-up picture (465 x 164) and the about box's logo (281 x 51).
QPixmap splashPicture();
QPixmap logoPicture();

} // namespace tg
