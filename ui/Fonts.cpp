#include "ui/Fonts.h"

#include <QApplication>
#include <QStringList>

namespace tg {

namespace {

QFont pixelFont(const QStringList& families, bool fixedPitch) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(12);
    font.setFixedPitch(fixedPitch);
    font.setStyleHint(fixedPitch ? QFont::Monospace : QFont::SansSerif);
    return font;
}

// The Japanese Windows names, their English names, then the free fonts of the same design
// (Debian's fonts-ipafont-gothic, or Noto CJK where only that is installed).
const QStringList kProportional = {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                                   QStringLiteral("Noto Sans CJK JP")};
const QStringList kFixed = {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP")};

} // namespace

void useApplicationFonts() {
    QApplication::setFont(interfaceFont());
    QApplication::setFont(menuFont(), "QMenuBar");
}

QFont interfaceFont() {
    return pixelFont(QStringList{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic")} +
                         kProportional,
                     false);
}

QFont menuFont() {
    return pixelFont(QStringList{QStringLiteral("MS UI Gothic")} + kProportional, false);
}

QFont fixedFont() {
    return pixelFont(
        QStringList{QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic")} + kFixed, true);
}

} // namespace tg
