#pragma once

#include "text/Text.h"

namespace tg {

// The program's number-keyed texts (help texts and option lists) in code page 932. The table is
// kept as UTF-8 in the source and converted once, on first use. An id without an entry yields the
// empty text, which the view catalogue relies on.
const Text& loadString(int id);

} // namespace tg
