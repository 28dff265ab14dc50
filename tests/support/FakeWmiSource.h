#pragma once

#include "platform/WmiSource.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tg::test {

using platform::WmiEnumerator;
using platform::WmiObject;
using platform::WmiSource;
using platform::WmiValue;

// A scripted source: each query answers a list of objects, each object a set of properties. A
// property scripted as none, or one not scripted at all, fails to read.
class FakeWmiSource : public WmiSource {
public:
    using Object = std::map<std::string, std::optional<WmiValue>>;

    OpenResult openResult = OpenResult::Opened;
    bool connectResult = true;
    std::map<std::string, std::vector<Object>> results; // by query text; a missing query fails

    // "open", "connect", "query <wql>", "next", "read <name>", "close"
    std::vector<std::string> calls;
    // Called after every call is recorded, to abort at a chosen moment.
    std::function<void(const std::string&)> afterCall;
    int liveEnumerators = 0;
    int liveObjects = 0;
    int liveAtClose = -1; // enumerators and objects still held when the source was closed

    OpenResult openWmiConnection() override {
        record("open");
        return openResult;
    }
    bool connectWmiNamespace() override {
        record("connect");
        return connectResult;
    }
    void closeWmiConnection() override {
        record("close");
        liveAtClose = liveEnumerators + liveObjects;
    }
    std::unique_ptr<WmiEnumerator> runWqlQuery(TextView wql) override {
        std::string text(wql);
        record("query " + text);
        auto it = results.find(text);
        if (it == results.end())
            return nullptr;
        return std::make_unique<Enumerator>(*this, it->second);
    }

    int count(const std::string& prefix) const {
        int n = 0;
        for (const auto& c : calls)
            n += c.rfind(prefix, 0) == 0;
        return n;
    }

private:
    void record(std::string call) {
        calls.push_back(call);
        if (afterCall)
            afterCall(call);
    }

    class FakeObject : public WmiObject {
    public:
        FakeObject(FakeWmiSource& source, const Object& properties)
            : source_(source), properties_(properties) {
            ++source_.liveObjects;
        }
        ~FakeObject() override { --source_.liveObjects; }
        std::optional<WmiValue> readWmiProperty(TextView name) override {
            source_.record("read " + std::string(name));
            auto it = properties_.find(std::string(name));
            return it == properties_.end() ? std::nullopt : it->second;
        }

    private:
        FakeWmiSource& source_;
        Object properties_;
    };

    class Enumerator : public WmiEnumerator {
    public:
        Enumerator(FakeWmiSource& source, std::vector<Object> objects)
            : source_(source), objects_(std::move(objects)) {
            ++source_.liveEnumerators;
        }
        ~Enumerator() override { --source_.liveEnumerators; }
        std::unique_ptr<WmiObject> nextWmiObject() override {
            source_.record("next");
            if (next_ >= objects_.size())
                return nullptr;
            return std::make_unique<FakeObject>(source_, objects_[next_++]);
        }

    private:
        FakeWmiSource& source_;
        std::vector<Object> objects_;
        std::size_t next_ = 0;
    };
};

} // namespace tg::test
