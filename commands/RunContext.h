#pragma once

#include "text/LineIndex.h"
#include "text/Text.h"

#include <vector>

namespace tg {

// What the body of a run may do from the worker thread. Every call that changes the window is
// carried over to the GUI thread and returns only when it is done there.
class RunContext {
public:
    virtual ~RunContext() = default;

    // Set by the abort button (or the dialog's close box); read without a lock.
    virtual bool terminationRequested() const = 0;

    // Adds lines at the end of the output pane and steps both progress bars once per line. The
    // batch stays the caller's, who fills it again for the next handover.
    virtual void deliverLines(const LineBatch& lines) = 0;
    // Adds one line at the end of the output pane without moving the bars.
    virtual void appendReportLine(const Text& line) = 0;
    // Steps the main window's bar, then the dialog's, each only while no abort is pending.
    // Report lines and steps that come in a flood may be held back briefly and carried over
    // together, in their order, before anything a later call changes.
    virtual void stepProgress() = 0;
    // Both bars back to 0.
    virtual void resetProgress() = 0;
    // A message box shown for the worker, owned by the run's dialog or by no window; returns the
    // answer as Dialogs::messageBox does.
    virtual int messageBox(bool ownedByDialog, const Text& text, const Text& caption,
                           unsigned flags) = 0;
};

} // namespace tg
