#include "ui/Style.h"

#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <QWidget>

namespace tg {

namespace {

class ApplicationStyle : public QProxyStyle {
public:
    ApplicationStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows"))) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    // The classic style draws a checked entry's icon sunken instead of a check mark; a checkable
    // entry shows its state alone, as the check mark or as nothing.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_MenuItem) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
                item && item->checkType != QStyleOptionMenuItem::NotCheckable) {
                QStyleOptionMenuItem plain(*item);
                plain.icon = QIcon();
                QProxyStyle::drawControl(element, &plain, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

QStyle* newApplicationStyle() {
    return new ApplicationStyle;
}

void useDialogFrame(QWidget& dialog) {
    dialog.setWindowFlags(kDialogWindowFlags |
                          (dialog.windowFlags() & Qt::MSWindowsFixedSizeDialogHint));
}

} // namespace tg
