// The engine's clock, pacing wait, random numbers and pointer rules.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "engine/input/input.h"
#include "support/headless_session.h"

namespace {

using testsupport::HeadlessSession;

TEST(RandomUpTo, PinsTheReferenceSequence) {
    HeadlessSession session;
    engine::ResetInputAndTime();
    // Never seeded: 4357. RandomUpTo(INT_MAX) is the raw 32-bit output halved.
    EXPECT_EQ(engine::RandomUpTo(INT_MAX), 1433609569);
    for (int i = 1; i < 999; ++i) engine::RandomUpTo(INT_MAX);
    EXPECT_EQ(engine::RandomUpTo(INT_MAX), 515325219);  // the 1000th, after a batch regeneration
    engine::SeedRandom(1);
    EXPECT_EQ(engine::RandomUpTo(INT_MAX), 1778081010);
}

TEST(RandomUpTo, StaysInRangeAndReachesBothEnds) {
    HeadlessSession session;
    engine::SeedRandom(12345);
    bool sawZero = false, sawTop = false;
    for (int i = 0; i < 300000; ++i) {
        EXPECT_EQ(engine::RandomUpTo(0), 0);
        const int v = engine::RandomUpTo(10000);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 10000);
        sawZero |= v == 0;
        sawTop |= v == 10000;
    }
    EXPECT_TRUE(sawZero);
    EXPECT_TRUE(sawTop);
}

TEST(RandomUpTo, InitEngineSeedsFromTheClock) {
    auto firstDraw = [](const char* clock) {
        HeadlessSession session(std::string("velmoran-input 1\nclock ") + clock + "\n");
        EXPECT_EQ(engine::InitEngine(), 0);
        return engine::RandomUpTo(INT_MAX);
    };
    EXPECT_NE(firstDraw("5000"), firstDraw("5001"));
    EXPECT_EQ(firstDraw("5000"), firstDraw("5000"));
}

TEST(Clock, WrapsAt31BitsAndNeverGoesNegative) {
    HeadlessSession session("velmoran-input 1\nclock 2147483640\n");
    EXPECT_EQ(engine::GetMilliseconds(), 2147483640);
    session.Platform().AdvanceMicros(7000);
    EXPECT_EQ(engine::GetMilliseconds(), 2147483647);
    session.Platform().AdvanceMicros(1000);
    EXPECT_EQ(engine::GetMilliseconds(), 0);
    session.Platform().AdvanceMicros(5500);
    EXPECT_EQ(engine::GetMilliseconds(), 5);
}

TEST(WaitUntilElapsed, SleepsToTheDeadlineAcrossTheWrap) {
    HeadlessSession session("velmoran-input 1\nclock 2147483640\n");
    const int stamp = engine::GetMilliseconds();
    engine::WaitUntilElapsed(stamp, 17);
    EXPECT_EQ(engine::GetMilliseconds(), 9);  // 2147483640 + 17 - 2^31
    EXPECT_LE(session.Platform().SleepCount(), 2);
}

TEST(WaitUntilElapsed, DoesNotWaitAfterASlowFrame) {
    HeadlessSession session;
    const int stamp = engine::GetMilliseconds();
    session.Platform().AdvanceMicros(25000);
    const int64_t sleeps = session.Platform().SleepCount();
    engine::WaitUntilElapsed(stamp, 17);
    EXPECT_EQ(session.Platform().SleepCount(), sleeps);
    EXPECT_EQ(engine::GetMilliseconds(), stamp + 25);
}

TEST(MousePosition, SetClampsToTheScreenIncludingItsEdge) {
    HeadlessSession session;
    ASSERT_EQ(engine::InitEngine(), 0);
    struct Case {
        int x, y, wantX, wantY;
    } cases[] = {{-5, 700, 0, 480}, {240, 240, 240, 240}, {640, 480, 640, 480}, {9999, -1, 640, 0}};
    for (const Case& c : cases) {
        engine::SetMousePosition(c.x, c.y);
        int x = -1, y = -1;
        engine::GetMousePosition(&x, &y);
        EXPECT_EQ(x, c.wantX);
        EXPECT_EQ(y, c.wantY);
    }
    engine::GetMousePosition(nullptr, nullptr);  // either out argument may be absent
}

TEST(IsKeyDown, ReadsHeldKeysByScanCode) {
    HeadlessSession session;
    ASSERT_EQ(engine::InitEngine(), 0);
    session.Platform().MutableInput().keys[57] = 1;
    EXPECT_EQ(engine::IsKeyDown(57), 1);
    EXPECT_EQ(engine::IsKeyDown(1), 0);
    EXPECT_EQ(engine::IsKeyDown(300), 0);
}

// A tap whose press and release fall between two polls is seen by exactly one poll; a held button
// by every poll while held, and a press during a hold does not outlive the hold by a poll.
TEST(GetMouseButtons, LatchesAPressUntilOnePollHasSeenIt) {
    HeadlessSession session(
        "velmoran-input 1\n"
        "2 button left down\n2 button left up\n"     // a tap inside frame 2
        "4 button right down\n4 button left down\n"  // held from frame 4 ...
        "6 button left up\n6 button right up\n");    // ... to frame 6
    ASSERT_EQ(engine::InitEngine(), 0);
    const int want[] = {0, 1, 0, 3, 3, 0, 0};  // frames 1..7
    for (int frame = 1; frame <= 7; ++frame) {
        EXPECT_EQ(engine::GetMouseButtons(), want[frame - 1]) << "frame " << frame;
        if (frame == 2) {
            EXPECT_EQ(engine::GetMouseButtons(), 0) << "a second poll in the tap's frame";
        }
        engine::PumpMessages();
    }
}

}  // namespace

namespace {

TEST(EngineLog, WritesTimedLinesWithCrLfOnlyWhenEnabled) {
    testsupport::HeadlessSession session;
    engine::SetLogEnabled(1);
    ASSERT_EQ(engine::InitEngine(), 0);
    engine::LogMessage("two\nlines\n");
    engine::EndEngine();
    std::FILE* f = std::fopen("Log.txt", "rb");
    ASSERT_NE(f, nullptr);
    char text[4096] = {};
    std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    const std::string log = text;
    EXPECT_NE(log.find("0:two\r\n0:lines\r\n"), std::string::npos) << log;  // the virtual clock stood still
    EXPECT_EQ(log.find("\n\n"), std::string::npos);
}

}  // namespace
