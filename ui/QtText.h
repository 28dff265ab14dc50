#pragma once

#include "text/Text.h"

#include <QString>

namespace tg {

// The edge between the program's cp932 text and the toolkit. Stored texts never come back
// through QString; only what the user typed does.
QString toQString(TextView text);
// Appends the conversion of text to out.
void appendQString(QString& out, TextView text);
Text fromQString(const QString& text);

// For display: CR CR LF, CR LF and a lone CR each end one line, as the rich edit showed them.
QString toDisplayString(TextView text);

} // namespace tg
