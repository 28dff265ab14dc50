#pragma once

#include <QString>

namespace tg {

// The views that Find searches one after the other, in view order.
class FindViews {
public:
    virtual ~FindViews() = default;

    virtual int findViewCount() const = 0;
    virtual int findCurrentView() const = 0;
    // A view's text as the pane would show it, lines parted by '\n'.
    virtual QString findViewText(int view) const = 0;
    // Makes the view current; its text is then in the pane.
    virtual void findShowView(int view) = 0;
};

} // namespace tg
