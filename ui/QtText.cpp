#include "ui/QtText.h"

#include "text/Codec.h"
#include "text/FileName.h"

#include <QFile>

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

QString pathToQString(const std::filesystem::path& path) {
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

std::filesystem::path qStringToPath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

QString toDisplayString(TextView text) {
    QString s = toQString(text);
    s.replace(QLatin1String("\r\r\n"), QLatin1String("\n"));
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

QString toMessageString(TextView text) {
    QString out;
    for (;;) {
        const size_t uri = text.find("file://");
        out += toDisplayString(text.substr(0, uri));
        if (uri == TextView::npos)
            return out;
        // Such a URI holds no blank and no control character: those are percent-encoded.
        size_t end = uri;
        while (end < text.size() && static_cast<unsigned char>(text[end]) > ' ')
            ++end;
        out += pathToQString(toNativePath(text.substr(uri, end - uri)));
        text.remove_prefix(end);
    }
}

} // namespace tg
