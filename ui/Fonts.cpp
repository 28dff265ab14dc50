#include "ui/Fonts.h"

#include <QStringList>

namespace tg {

namespace {

QFont pixelFont(const QStringList& families, bool fixedPitch) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(12);
    font.setFixedPitch(fixedPitch);
    if (fixedPitch)
        font.setStyleHint(QFont::Monospace);
    return font;
}

} // namespace

QFont interfaceFont() {
    return pixelFont({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("sans-serif")},
                     false);
}

QFont menuFont() {
    return pixelFont({QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("sans-serif")},
                     false);
}

QFont fixedFont() {
    return pixelFont({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                      QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                      QStringLiteral("monospace")},
                     true);
}

} // namespace tg
