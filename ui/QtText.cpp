#include "ui/QtText.h"

#include "text/Codec.h"

namespace tg {

QString toQString(TextView text) {
    std::u16string wide = cp932ToUtf16(text);
    return QString(reinterpret_cast<const QChar*>(wide.data()),
                   static_cast<qsizetype>(wide.size()));
}

Text fromQString(const QString& text) {
    return utf16ToCp932(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), text.size()));
}

QString toDisplayString(TextView text) {
    QString s = toQString(text);
    s.replace(QLatin1String("\r\r\n"), QLatin1String("\n"));
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

} // namespace tg
