#pragma once

#include "text/Text.h"

#include <memory>
#include <optional>
#include <vector>

namespace tg::platform {

// A property value as the report sees it. The source turns the system's own values into this
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
    virtual std::optional<WmiValue> readWmiProperty(TextView name) = 0;
};

// A forward-only result set, read one object at a time.
class WmiEnumerator {
public:
    virtual ~WmiEnumerator() = default;
    // The next object, or none when the set is exhausted or the fetch failed.
    virtual std::unique_ptr<WmiObject> nextWmiObject() = 0;
};

// The connection to the system's management data: opened, connected, queried one query after
// another and closed, all on the one thread that runs the report. The enumerators and objects it
// hands out must be gone before it is closed.
class WmiSource {
public:
    enum class OpenResult {
        Opened,
        InitFailed,    // the thread could not join the component runtime
        LocatorFailed, // the management service is not there
    };

    virtual ~WmiSource() = default;
    virtual OpenResult openWmiConnection() = 0;
    // Binds to the local "root\cimv2" namespace; false on failure.
    virtual bool connectWmiNamespace() = 0;
    // Runs one WQL query; none when it fails.
    virtual std::unique_ptr<WmiEnumerator> runWqlQuery(TextView wql) = 0;
    // Releases all the connection holds; what was never obtained is skipped, and closing twice
    // does nothing more.
    virtual void closeWmiConnection() = 0;
};

// The system's own source: WMI on Windows, the kernel's and the distribution's files elsewhere.
std::unique_ptr<WmiSource> createSystemInfoSource();

} // namespace tg::platform
