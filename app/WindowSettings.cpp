#include "app/WindowSettings.h"

#include "text/IniFile.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

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

// A frame in wide numbers: the settings may hold any int, and their sums must not overflow.
struct Box {
    std::int64_t left, top, width, height;
    std::int64_t right() const { return left + width; }
    std::int64_t bottom() const { return top + height; }
};

Box boxOf(const QRect& rect) {
    return {rect.left(), rect.top(), rect.width(), rect.height()};
}

std::int64_t overlap(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1) {
    return std::max<std::int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
}

// The strip along the frame's top edge by which the window is moved, and how far a frame may
// stand beyond a screen's edge (some systems count invisible borders in it).
constexpr std::int64_t kGripHeight = 32;
constexpr std::int64_t kGripWidth = 100;
constexpr std::int64_t kSlack = 16;

bool canBeTakenHoldOf(const Box& frame, const Box& screen) {
    std::int64_t grip = std::min(kGripHeight, frame.height);
    return frame.top >= screen.top - kSlack && frame.top + grip <= screen.bottom() + kSlack &&
           overlap(frame.left, frame.right(), screen.left, screen.right()) >=
               std::min(kGripWidth, frame.width);
}

// The screen the frame is most on, else the one nearest to it.
const Box& screenFor(const Box& frame, const std::vector<Box>& screens) {
    const Box* best = &screens.front();
    std::int64_t bestArea = -1;
    for (const Box& screen : screens) {
        std::int64_t area = overlap(frame.left, frame.right(), screen.left, screen.right()) *
                            overlap(frame.top, frame.bottom(), screen.top, screen.bottom());
        if (area > bestArea) {
            best = &screen;
            bestArea = area;
        }
    }
    if (bestArea > 0)
        return *best;
    auto distance = [&](const Box& screen) {
        // Squared, in units that cannot overflow: the coordinates are ints.
        double dx = double(
            std::max<std::int64_t>({0, screen.left - frame.right(), frame.left - screen.right()}));
        double dy = double(
            std::max<std::int64_t>({0, screen.top - frame.bottom(), frame.top - screen.bottom()}));
        return dx * dx + dy * dy;
    };
    return *std::min_element(screens.begin(), screens.end(),
                             [&](const Box& a, const Box& b) { return distance(a) < distance(b); });
}

} // namespace

FramePlacement fitOnScreens(const FramePlacement& placement, const QList<QRect>& screenRects) {
    std::vector<Box> screens;
    for (const QRect& rect : screenRects) {
        if (!rect.isEmpty())
            screens.push_back(boxOf(rect));
    }
    if (screens.empty())
        return placement;
    // A size below nothing is no size; the platform makes it its smallest.
    Box frame{placement.left, placement.top, std::max(0, placement.width),
              std::max(0, placement.height)};
    const Box& screen = screenFor(frame, screens);
    bool fits =
        frame.width <= screen.width + 2 * kSlack && frame.height <= screen.height + 2 * kSlack;
    bool held = std::any_of(screens.begin(), screens.end(),
                            [&](const Box& s) { return canBeTakenHoldOf(frame, s); });
    if (fits && held)
        return {int(frame.top), int(frame.left), int(frame.height), int(frame.width)};
    std::int64_t width = std::min(frame.width, screen.width);
    std::int64_t height = std::min(frame.height, screen.height);
    std::int64_t left = std::clamp(frame.left, screen.left, screen.right() - width);
    std::int64_t top = std::clamp(frame.top, screen.top, screen.bottom() - height);
    return {int(top), int(left), int(height), int(width)};
}

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
        QList<QRect> screens;
        for (const QScreen* screen : QGuiApplication::screens())
            screens.push_back(screen->availableGeometry());
        placement = fitOnScreens(placement, screens);
    }
    placeFrame(window, placement);
}

void savePosition(const QWidget& window, IniFile& ini) noexcept {
    try {
        FramePlacement placement = framePlacement(window);
        ini.writeStrings(kSection, {{"TOP", std::to_string(placement.top)},
                                    {"LEFT", std::to_string(placement.left)},
                                    {"HEIGHT", std::to_string(placement.height)},
                                    {"WIDTH", std::to_string(placement.width)}});
    } catch (...) {
        // Nothing to tell at the end of the program; the next start uses what the file holds.
    }
}

} // namespace tg
