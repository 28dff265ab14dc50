#pragma once

#include <QIcon>

namespace tg {

enum class ActionIcon { New, Open, Save, Print, Preview, Copy, Tabs, Tree, CommandHelp, Help };

QIcon actionIcon(ActionIcon which);
QIcon programIcon();

} // namespace tg
