#pragma once

#include "platform/WmiSource.h"
#include "text/Text.h"

#include <optional>
#include <vector>

namespace tg {

// The conversions the report applies to property values.

// The text of a string value; empty for every other kind.
Text valueText(const std::optional<platform::WmiValue>& value);
// The text of a string value; "情報なし" for every other kind.
Text valueTextOrNone(const std::optional<platform::WmiValue>& value);
// The elements of an array value; none when the value is not an array.
std::optional<std::vector<Text>> valueElements(const std::optional<platform::WmiValue>& value);
// "有効" when the value changes to true, otherwise "無効".
Text enabledText(const std::optional<platform::WmiValue>& value);

} // namespace tg
