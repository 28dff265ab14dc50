#include "app/AppIcons.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QStringView>

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

// A small drawn glyph, for a program icon that failed to load.
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

QIcon bundledIcon(QStringView name) {
    registerPictures();
    QIcon icon;
    for (int size : {16, 22, 32}) {
        QString file = QStringLiteral(":/tginfo/icons/%1/%2.png").arg(size).arg(name);
        if (QFile::exists(file))
            icon.addFile(file, QSize(size, size));
    }
    return icon;
}

} // namespace

QIcon themeIcon(QStringView name) {
    return QIcon::fromTheme(name.toString(), bundledIcon(name));
}

QIcon actionIcon(ActionIcon which) {
    switch (which) {
    case ActionIcon::New:
        return themeIcon(u"document-new");
    case ActionIcon::Open:
        return themeIcon(u"document-open");
    case ActionIcon::Save:
        return themeIcon(u"document-save");
    case ActionIcon::SaveAs:
        return themeIcon(u"document-save-as");
    case ActionIcon::PageSetup:
        return themeIcon(u"document-page-setup");
    case ActionIcon::Print:
        return themeIcon(u"document-print");
    case ActionIcon::Preview:
        return themeIcon(u"document-print-preview");
    case ActionIcon::Exit:
        return themeIcon(u"application-exit");
    case ActionIcon::Copy:
        return themeIcon(u"edit-copy");
    case ActionIcon::Find:
        return themeIcon(u"edit-find");
    case ActionIcon::SelectAll:
        return themeIcon(u"edit-select-all");
    case ActionIcon::Tabs:
        return themeIcon(u"tab-new");
    case ActionIcon::Tree:
        return themeIcon(u"folder-open");
    case ActionIcon::CommandHelp:
        return themeIcon(u"dialog-information");
    case ActionIcon::Help:
        return themeIcon(u"help-browser");
    case ActionIcon::About:
        return programIcon();
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
