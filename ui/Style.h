#pragma once

class QStyle;

namespace tg {

// The style of every window on every platform: the classic Windows look (dotted tree lines with
// +/- boxes, chunked progress bars), with dialog buttons that carry no icons and menus that show
// a check mark on a checked entry and nothing on an unchecked one.
QStyle* newApplicationStyle();

} // namespace tg
