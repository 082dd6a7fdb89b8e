// A frame that makes the same calls as the one before it is copied from it, not drawn: what the
// window is given must be what drawing it would have made, whatever changed in between.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/frame/frame.h"
#include "engine/frame/screen.h"
#include "engine/image/image.h"
#include "engine/image/picture.h"
#include "support/engine_fixture.h"

namespace {

using Pixels = std::vector<uint32_t>;

class RepeatedFrameTest : public testsupport::EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        Platform().KeepPresented(true);
        std::vector<uint32_t> v;
        for (int j = 0; j < 40; ++j)
            for (int i = 0; i < 60; ++i)
                v.push_back(
                    (i + j) % 7 == 0 ? 0u : 0xFF000000u | uint32_t(i * 4) << 16 | uint32_t(j * 6) << 8 | 77u);
        picture_ = engine::CreateImageFromArgb(v.data(), 60, 40, true);
        ASSERT_GT(picture_, 0);
    }

    // One frame as the game makes it: the calls, then presented, then the back screen cleared (or,
    // with `clearFirst`, cleared before the calls, so that nothing is held between frames).
    void Frame(int shift, bool clearFirst = false) {
        if (clearFirst) engine::ClearScreen();
        engine::SetBlendMode(0, 0);
        engine::DrawImage(100 + shift, 120, picture_, 1);
        engine::DrawImageRotated(320, 240, 1.7, 0.4, picture_, 1, 0);
        engine::SetBlendMode(1, 128);
        engine::DrawRectangle(400, 50, 470, 90, engine::MakeColor(200, 40, 90), 1);
        engine::SetBlendMode(0, 0);
        engine::PresentScreen();
        engine::SetDrawTarget(engine::kBackScreen);
        if (!clearFirst) engine::ClearScreen();
    }

    // The frame's calls drawn onto a drawable image, where nothing is ever held or repeated.
    Pixels DrawnAtOnce(int shift) {
        return DrawnOntoAnImage([&] {
            engine::DrawImage(100 + shift, 120, picture_, 1);
            engine::DrawImageRotated(320, 240, 1.7, 0.4, picture_, 1, 0);
            engine::SetBlendMode(1, 128);
            engine::DrawRectangle(400, 50, 470, 90, engine::MakeColor(200, 40, 90), 1);
            engine::SetBlendMode(0, 0);
        });
    }

    void ExpectShown(const Pixels& expected, const char* when) {
        const Pixels& shown = Platform().Presented();
        ASSERT_EQ(shown.size(), expected.size()) << when;
        for (size_t i = 0; i < shown.size(); ++i)
            ASSERT_EQ(shown[i], expected[i]) << when << ": pixel " << i % 640 << "," << i / 640;
    }

    int picture_ = 0;
};

TEST_F(RepeatedFrameTest, EveryFrameShowsWhatItsCallsDraw) {
    const Pixels still = DrawnAtOnce(0), moved = DrawnAtOnce(9);
    engine::ClearScreen();
    // Drawn, then copied to the other screen, then already in both; a change is drawn, and back.
    const int shifts[] = {0, 0, 0, 0, 9, 9, 0, 9, 9, 9};
    for (int shift : shifts) {
        Frame(shift);
        ExpectShown(shift ? moved : still, shift ? "moved" : "still");
    }
    EXPECT_EQ(Platform().PresentCount(), 10);
}

TEST_F(RepeatedFrameTest, APictureDrawnIntoBetweenFramesIsDrawnAgain) {
    Frame(0, true);
    Frame(0, true);
    ASSERT_EQ(engine::SetDrawTarget(picture_), 0);
    // Inside the picture, so that its outline and transparency stay as they were.
    engine::DrawRectangle(20, 10, 40, 30, engine::MakeColor(10, 250, 10), 1);
    ASSERT_EQ(engine::SetDrawTarget(engine::kBackScreen), 0);
    const Pixels green = DrawnAtOnce(0);
    ASSERT_NE(green, Pixels(Platform().Presented()));
    for (int i = 0; i < 3; ++i) {
        Frame(0, true);
        ExpectShown(green, "after the picture changed");
    }
    // Cleared as an image, too.
    ASSERT_EQ(engine::SetDrawTarget(picture_), 0);
    engine::ClearScreen();
    ASSERT_EQ(engine::SetDrawTarget(engine::kBackScreen), 0);
    const Pixels cleared = DrawnAtOnce(0);
    Frame(0, true);
    ExpectShown(cleared, "after the picture was cleared");
}

}  // namespace
