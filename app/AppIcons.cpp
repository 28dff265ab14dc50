#include "app/AppIcons.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

// The pictures live in the GUI library, which is static: its resources are registered by hand.
static void registerPictures() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(tginfo);
        return true;
    }();
    (void)registered;
}

namespace tg {

namespace {

// A small drawn glyph for the commands the style has no picture for.
QIcon glyph(const QString& text, const QColor& colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour.darker(140), 1));
    painter.setBrush(colour.lighter(170));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QFont font = painter.font();
    font.setPixelSize(10);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(colour.darker(160));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
    return QIcon(pixmap);
}

} // namespace

QIcon actionIcon(ActionIcon which) {
    QStyle* style = QApplication::style();
    switch (which) {
    case ActionIcon::New:
        return style->standardIcon(QStyle::SP_FileIcon);
    case ActionIcon::Open:
        return style->standardIcon(QStyle::SP_DialogOpenButton);
    case ActionIcon::Save:
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    case ActionIcon::Print:
        return glyph(QStringLiteral("P"), QColor(60, 90, 160));
    case ActionIcon::Preview:
        return glyph(QStringLiteral("Q"), QColor(60, 130, 160));
    case ActionIcon::Copy:
        return glyph(QStringLiteral("C"), QColor(110, 110, 110));
    case ActionIcon::Tabs:
        return glyph(QStringLiteral("T"), QColor(40, 130, 80));
    case ActionIcon::Tree:
        return style->standardIcon(QStyle::SP_DirIcon);
    case ActionIcon::CommandHelp:
        return glyph(QStringLiteral("H"), QColor(160, 120, 40));
    case ActionIcon::Help:
        return style->standardIcon(QStyle::SP_DialogHelpButton);
    }
    return {};
}

QIcon programIcon() {
    registerPictures();
    QIcon icon(QStringLiteral(":/tginfo/icon.png"));
    return icon.isNull() ? glyph(QStringLiteral("~"), QColor(30, 90, 150)) : icon;
}

QPixmap splashPicture() {
    registerPictures();
    return QPixmap(QStringLiteral(":/tginfo/splash.png"));
}

QPixmap logoPicture() {
    registerPictures();
    return QPixmap(QStringLiteral(":/tginfo/logo.png"));
}

} // namespace tg
