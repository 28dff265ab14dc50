#pragma once

#include "text/Text.h"

#include <QString>

#include <filesystem>

namespace tg {

// The edge between the program's cp932 text and the toolkit. Stored texts never come back
// through QString; only what the user typed does.
QString toQString(TextView text);
// Appends the conversion of text to out.
void appendQString(QString& out, TextView text);
Text fromQString(const QString& text);

// File names at the toolkit's edge, never through cp932. A Linux name that is no UTF-8 shows its
// stray bytes as U+FFFD: such a QString is for showing, not for finding the file again.
QString pathToQString(const std::filesystem::path& path);
std::filesystem::path qStringToPath(const QString& path);

// For display: CR CR LF, CR LF and a lone CR each end one line, as the rich edit showed them.
QString toDisplayString(TextView text);
// For a message box: as toDisplayString, with each file name the message carries as a "file://"
// URI (a name cp932 cannot write) shown as the name itself.
QString toMessageString(TextView text);

} // namespace tg
