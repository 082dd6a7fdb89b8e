#include "server/rate_limit.h"

#include <gtest/gtest.h>

namespace scores {
namespace {

TEST(RateLimit, PerAddressPerMinute) {
    RateLimiter limiter(3);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(limiter.Allow("10.0.0.1", 1000 + i));
    EXPECT_FALSE(limiter.Allow("10.0.0.1", 1500));
    EXPECT_TRUE(limiter.Allow("10.0.0.2", 1500));  // another address has its own count
    EXPECT_FALSE(limiter.Allow("10.0.0.1", 60999));
    EXPECT_TRUE(limiter.Allow("10.0.0.1", 61000));  // a minute after the first
    EXPECT_FALSE(limiter.Allow("10.0.0.1", 61000));
    RateLimiter none(0);
    for (int i = 0; i < 1000; ++i) EXPECT_TRUE(none.Allow("10.0.0.1", 0));
}

TEST(RateLimit, AFloodOfAddressesStaysBounded) {
    RateLimiter limiter(1, 100);
    EXPECT_TRUE(limiter.Allow("busy", 0));
    for (int i = 0; i < 10000; ++i) limiter.Allow(std::to_string(i) + "a", 1 + i);
    // Past 100 addresses the longest quiet are forgotten (the first among them), the latest still
    // counted.
    EXPECT_TRUE(limiter.Allow("busy", 10001));
    EXPECT_FALSE(limiter.Allow("9999a", 10002));
}

}  // namespace
}  // namespace scores
