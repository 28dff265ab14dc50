#include "platform/WmiSource.h"

namespace tg::platform {

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

} // namespace tg::platform
