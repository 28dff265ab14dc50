#include "app/Unit1.h"
#include "commands/RecentValues.h"
#include "commands/ViewCatalogue.h"
#include "monitor/TRouteMonitor.h"

#include <QPointer>

#include <cstring>

// Each start opens a window of its own beside the main window; it goes when it is closed, and
// with the main window at the latest.
void TMainForm::ToolRouteMonitor1Execute() {
    tg::RouteMonitorEnvironment environment;
    tg::RecentValues targets("TARGETS", "T");
    targets.load(*iniFile);
    environment.suggestions = targets.values();
    environment.logFolder = tg::platform::monitorLogFolder();
    QPointer<TMainForm> self(this);
    // The table joins the tracert view's text, so that it is saved, printed and found with the
    // document.
    environment.addToDocument = [self](const tg::Text& text) {
        if (!self)
            return;
        for (int view = 0; view < tg::viewCount(self->isNT); ++view) {
            if (std::strcmp(tg::slotInfo(tg::slotOfView(view, self->isNT)).command, "tracert"))
                continue;
            self->document.text(static_cast<size_t>(view)) += text;
            self->document.setModified(true);
            if (view == self->currentView)
                self->showCurrentTexts();
        }
    };
    auto* window = new tg::TRouteMonitor(std::move(environment), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}
