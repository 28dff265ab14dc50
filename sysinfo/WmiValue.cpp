#include "sysinfo/WmiValue.h"

#include "text/Codec.h"

namespace tg {

using platform::WmiValue;

Text valueText(const std::optional<WmiValue>& value) {
    if (value && value->kind == WmiValue::Kind::String)
        return value->text;
    return {};
}

Text valueTextOrNone(const std::optional<WmiValue>& value) {
    static const Text none = utf8ToCp932("情報なし");
    if (value && value->kind == WmiValue::Kind::String)
        return value->text;
    return none;
}

std::optional<std::vector<Text>> valueElements(const std::optional<WmiValue>& value) {
    if (value && value->kind == WmiValue::Kind::Array)
        return value->elements;
    return std::nullopt;
}

Text enabledText(const std::optional<WmiValue>& value) {
    static const Text enabled = utf8ToCp932("有効");
    static const Text disabled = utf8ToCp932("無効");
    // A value that does not change to a boolean (null among them) reads as a cleared one.
    return value && value->boolean.value_or(false) ? enabled : disabled;
}

} // namespace tg
