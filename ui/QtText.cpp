#include "ui/QtText.h"

#include "text/Codec.h"

namespace tg {

QString toQString(TextView text) {
    QString out;
    appendQString(out, text);
    return out;
}

void appendQString(QString& out, TextView text) {
    const qsizetype at = out.size();
    out.resize(at + static_cast<qsizetype>(text.size()));
    const std::size_t written = cp932ToUtf16(text, reinterpret_cast<char16_t*>(out.data() + at));
    out.truncate(at + static_cast<qsizetype>(written));
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
