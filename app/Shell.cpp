#include "app/Shell.h"

#include "platform/Shell.h"

#include <QWidget>

namespace tg {

namespace {

class DesktopShell final : public Shell {
public:
    void open(QWidget* parent, const Text& target) override {
        std::uintptr_t handle = parent ? static_cast<std::uintptr_t>(parent->window()->winId()) : 0;
        platform::shellOpen(handle, target);
    }
    void openHelp(QWidget* parent, const Text& helpFile, const Text& page) override {
        std::uintptr_t handle = parent ? static_cast<std::uintptr_t>(parent->window()->winId()) : 0;
        platform::helpOpen(handle, helpFile, page);
    }
};

DesktopShell desktopShell;
Shell* current = &desktopShell;

} // namespace

Shell& shell() {
    return *current;
}

void setShell(Shell* replacement) {
    current = replacement ? replacement : &desktopShell;
}

} // namespace tg
