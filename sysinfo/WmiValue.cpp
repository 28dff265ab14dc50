#include "sysinfo/WmiSource.h"

#include "text/Codec.h"

namespace tg {

WmiValue WmiValue::string(Text text) {
    WmiValue v;
    v.kind = Kind::String;
    v.text = std::move(text);
    return v;
}

WmiValue WmiValue::null() {
    return WmiValue{};
}

WmiValue WmiValue::fromBool(bool value) {
    WmiValue v;
    v.kind = Kind::Boolean;
    v.boolean = value;
    return v;
}

WmiValue WmiValue::array(std::vector<Text> elements) {
    WmiValue v;
    v.kind = Kind::Array;
    v.elements = std::move(elements);
    return v;
}

WmiValue WmiValue::other(std::optional<bool> asBoolean) {
    WmiValue v;
    v.kind = Kind::Other;
    v.boolean = asBoolean;
    return v;
}

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
