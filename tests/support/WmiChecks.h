#pragma once

#include "platform/WmiSource.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace tg::wmichecks {

using platform::WmiObject;
using platform::WmiSource;
using platform::WmiValue;

// Every object a query returns; a failed query fails the test and gives none.
inline std::vector<std::unique_ptr<WmiObject>> allObjects(WmiSource& source, const char* wql) {
    std::vector<std::unique_ptr<WmiObject>> out;
    auto objects = source.runWqlQuery(wql);
    EXPECT_TRUE(objects) << wql;
    if (!objects)
        return out;
    while (auto o = objects->nextWmiObject())
        out.push_back(std::move(o));
    return out;
}

// The kind of a property, or Other with a failure when it cannot be read.
inline WmiValue::Kind kindOf(WmiObject& object, const char* name) {
    auto value = object.readWmiProperty(name);
    EXPECT_TRUE(value) << name;
    return value ? value->kind : WmiValue::Kind::Other;
}

} // namespace tg::wmichecks
