// A started engine on the headless back-end (640 x 480 x 32, back screen selected, no log), run in
// a scratch working folder that is removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/frame/frame.h"
#include "engine/frame/screen.h"
#include "engine/image/image.h"
#include "engine/image/picture.h"
#include "support/headless_session.h"

namespace testsupport {

class EngineFixture : public ::testing::Test {
protected:
    // Colour depth of the screen; a test of 16-bit screens overrides it.
    virtual int Depth() const { return 32; }

    void SetUp() override {
        session_ = std::make_unique<HeadlessSession>();
        engine::SetLogEnabled(0);
        engine::SetScreenMode(640, 480, Depth(), 60);
        ASSERT_EQ(engine::InitEngine(), 0);
        engine::SetDrawTarget(engine::kBackScreen);
    }

    void TearDown() override { session_.reset(); }

    static uint32_t& Pixel(int x, int y) {
        engine::Surface& s = engine::BackScreen();
        return s.pixels[size_t(y) * size_t(s.pitch) + size_t(x)];
    }

    // What `draw` paints onto a fresh black 640 x 480 drawable image (where nothing is held back or
    // repeated from frame to frame), read back; the back screen is the target again afterwards.
    template <class Draw>
    static std::vector<uint32_t> DrawnOntoAnImage(Draw draw) {
        const std::vector<uint32_t> black(640 * 480, 0xFF000000u);
        const int canvas = engine::CreateImageFromArgb(black.data(), 640, 480, false);
        EXPECT_EQ(engine::SetDrawTarget(canvas), 0);
        draw();
        engine::Surface at;
        EXPECT_TRUE(engine::ImageSurface(canvas, &at));
        std::vector<uint32_t> out;
        for (int y = 0; y < 480; ++y)
            out.insert(out.end(), at.pixels + y * at.pitch, at.pixels + y * at.pitch + 640);
        engine::DeleteImage(canvas);
        engine::SetDrawTarget(engine::kBackScreen);
        return out;
    }

    headless::HeadlessPlatform& Platform() { return session_->Platform(); }
    const std::filesystem::path& Folder() const { return session_->Folder(); }

private:
    std::unique_ptr<HeadlessSession> session_;
};

}  // namespace testsupport
