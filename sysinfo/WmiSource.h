#pragma once

#include "text/Text.h"

#include <memory>
#include <optional>
#include <vector>

namespace tg {

// A property value as the report sees it. The platform's source turns its own values into this
// shape; texts are already code page 932.
struct WmiValue {
    enum class Kind { String, Null, Boolean, Array, Other };

    Kind kind = Kind::Null;
    Text text;                   // String
    std::vector<Text> elements;  // Array: every element as text, lowest index first
    std::optional<bool> boolean; // the value changed to a boolean; none when it does not change

    static WmiValue string(Text text);
    static WmiValue null();
    static WmiValue fromBool(bool value);
    static WmiValue array(std::vector<Text> elements);
    static WmiValue other(std::optional<bool> asBoolean = std::nullopt);
};

// One object of a result set.
class WmiObject {
public:
    virtual ~WmiObject() = default;
    // The named property, or none when the read fails (for example a property the class lacks).
    virtual std::optional<WmiValue> read(TextView name) = 0;
};

// A forward-only result set, read one object at a time.
class WmiEnumerator {
public:
    virtual ~WmiEnumerator() = default;
    // The next object, or none when the set is exhausted or the fetch failed.
    virtual std::unique_ptr<WmiObject> next() = 0;
};

// The connection to the system's management data. It serves one report and must outlive the
// enumerators and objects it hands out.
class WmiSource {
public:
    enum class OpenResult {
        Opened,
        InitFailed,    // the thread could not join the component runtime
        LocatorFailed, // the management service is not there
    };

    virtual ~WmiSource() = default;
    virtual OpenResult open() = 0;
    // Binds to the local "root\cimv2" namespace; false on failure.
    virtual bool connect() = 0;
    // Runs one WQL query; none when it fails.
    virtual std::unique_ptr<WmiEnumerator> query(TextView wql) = 0;
};

// The conversions the report applies to values.

// The text of a string value; empty for every other kind.
Text valueText(const std::optional<WmiValue>& value);
// The text of a string value; "情報なし" for every other kind.
Text valueTextOrNone(const std::optional<WmiValue>& value);
// The elements of an array value; none when the value is not an array.
std::optional<std::vector<Text>> valueElements(const std::optional<WmiValue>& value);
// "有効" when the value changes to true, otherwise "無効".
Text enabledText(const std::optional<WmiValue>& value);

} // namespace tg
