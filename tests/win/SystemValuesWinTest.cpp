// The Win32 system values, read for real under Wine.

#include "platform/SystemValues.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemValuesOnWindows, PlatformIsOfTheNtFamily) {
    EXPECT_TRUE(tg::platform::isNT());
}

} // namespace
