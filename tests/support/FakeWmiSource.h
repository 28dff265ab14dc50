#pragma once

#include "sysinfo/WmiSource.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tg::test {

// A scripted source: each query answers a list of objects, each object a set of properties. A
// property scripted as none, or one not scripted at all, fails to read.
class FakeWmiSource : public WmiSource {
public:
    using Object = std::map<std::string, std::optional<WmiValue>>;

    OpenResult openResult = OpenResult::Opened;
    bool connectResult = true;
    std::map<std::string, std::vector<Object>> results; // by query text; a missing query fails

    std::vector<std::string> calls; // "open", "connect", "query <wql>", "next", "read <name>"
    // Called after every call is recorded, to abort at a chosen moment.
    std::function<void(const std::string&)> afterCall;
    int liveEnumerators = 0;
    int liveObjects = 0;

    OpenResult open() override {
        record("open");
        return openResult;
    }
    bool connect() override {
        record("connect");
        return connectResult;
    }
    std::unique_ptr<WmiEnumerator> query(TextView wql) override {
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
        std::optional<WmiValue> read(TextView name) override {
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
        std::unique_ptr<WmiObject> next() override {
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
