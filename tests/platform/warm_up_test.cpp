// The warm-up thread starts before the application object: if that object is never made (its
// constructor threw), the thread must still end instead of waiting for it for ever.
#include "platform/warm_up.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>

namespace folio {
namespace {

TEST(WarmUpTest, withoutTheApplicationObject_readsTheFontConfigurationAndEnds) {
    auto warmUp = std::async(std::launch::async, [] {
        WarmUp withoutApplication;
        awaitFontConfiguration();
    });
    EXPECT_EQ(warmUp.wait_for(std::chrono::seconds(20)), std::future_status::ready);
}

} // namespace
} // namespace folio
