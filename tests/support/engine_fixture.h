// A started engine on the headless back-end (640 x 480 x 32, back screen selected, no log), run in
// a scratch working folder that is removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "engine/frame/frame.h"
#include "engine/frame/screen.h"
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

    headless::HeadlessPlatform& Platform() { return session_->Platform(); }
    const std::filesystem::path& Folder() const { return session_->Folder(); }

private:
    std::unique_ptr<HeadlessSession> session_;
};

}  // namespace testsupport
