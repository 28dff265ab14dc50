#include "app/WindowSettings.h"

#include "text/IniFile.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace tg {

namespace {

const char kSection[] = "POSITION";

QMargins frameMarginsOf(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

void apply(QWidget& window, const FramePlacement& placement, const QMargins& frame) {
    // A top-level window's position is its frame's; its size is the client area's.
    window.move(placement.left, placement.top);
    window.resize(placement.width - frame.left() - frame.right(),
                  placement.height - frame.top() - frame.bottom());
}

// Some window managers tell the frame only after the window is mapped; the placement is then
// applied again with the frame it really has, so the saved size does not grow from run to run.
class FrameFitter : public QObject {
public:
    static constexpr const char* kName = "FrameFitter";

    FrameFitter(QWidget& window, const FramePlacement& placement, const QMargins& assumed)
        : QObject(&window), window_(&window), placement_(placement), assumed_(assumed) {
        setObjectName(QLatin1String(kName));
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Paint) {
            QMargins frame = frameMarginsOf(*window_);
            if (frame != assumed_)
                apply(*window_, placement_, frame);
            window_->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> window_;
    FramePlacement placement_;
    QMargins assumed_;
};

} // namespace

FramePlacement framePlacement(const QWidget& window) {
    QRect frame = window.frameGeometry();
    return {frame.top(), frame.left(), frame.height(), frame.width()};
}

void placeFrame(QWidget& window, const FramePlacement& placement) {
    const QString name = QLatin1String(FrameFitter::kName);
    for (QObject* earlier : window.findChildren<QObject*>(name, Qt::FindDirectChildrenOnly))
        delete earlier;
    QMargins frame = frameMarginsOf(window);
    apply(window, placement, frame);
    if (!window.isVisible())
        new FrameFitter(window, placement, frame);
}

void restorePosition(QWidget& window, const IniFile& ini, const FramePlacement& design) {
    FramePlacement placement = design;
    if (ini.sectionExists(kSection)) {
        placement.top = ini.readInteger(kSection, "TOP", 0);
        placement.left = ini.readInteger(kSection, "LEFT", 0);
        placement.height = ini.readInteger(kSection, "HEIGHT", 400);
        placement.width = ini.readInteger(kSection, "WIDTH", 600);
    }
    placeFrame(window, placement);
}

void savePosition(const QWidget& window, IniFile& ini) noexcept {
    try {
        FramePlacement placement = framePlacement(window);
        ini.writeInteger(kSection, "TOP", placement.top);
        ini.writeInteger(kSection, "LEFT", placement.left);
        ini.writeInteger(kSection, "HEIGHT", placement.height);
        ini.writeInteger(kSection, "WIDTH", placement.width);
    } catch (...) {
        // Nothing to tell at the end of the program; the next start uses what the file holds.
    }
}

} // namespace tg
