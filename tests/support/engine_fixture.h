// A started engine on the headless back-end (640 x 480 x 32, back screen selected, no log), run in
// a scratch working folder that is removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/frame/frame.h"
#include "engine/frame/screen.h"
#include "engine/platform.h"
#include "platform/headless/headless_platform.h"

namespace testsupport {

class EngineFixture : public ::testing::Test {
protected:
    // Colour depth of the screen; a test of 16-bit screens overrides it.
    virtual int Depth() const { return 32; }

    void SetUp() override {
        platform::Options options;
        options.noSound = true;
        auto owned = std::make_unique<headless::HeadlessPlatform>(options);
        platform_ = owned.get();
        platform::Install(std::move(owned));
        previous_ = std::filesystem::current_path();
        folder_ = std::filesystem::temp_directory_path() /
                  ("velmoran-engine-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(folder_);
        std::filesystem::current_path(folder_);
        engine::SetLogEnabled(0);
        engine::SetScreenMode(640, 480, Depth(), 60);
        ASSERT_EQ(engine::InitEngine(), 0);
        engine::SetDrawTarget(engine::kBackScreen);
    }

    void TearDown() override {
        engine::EndEngine();
        platform::Install(nullptr);
        engine::SetScreenMode(640, 480, 32, 60);
        std::filesystem::current_path(previous_);
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    static uint32_t& Pixel(int x, int y) {
        engine::Surface& s = engine::BackScreen();
        return s.pixels[size_t(y) * size_t(s.pitch) + size_t(x)];
    }

    headless::HeadlessPlatform& Platform() { return *platform_; }
    const std::filesystem::path& Folder() const { return folder_; }

private:
    headless::HeadlessPlatform* platform_ = nullptr;
    std::filesystem::path previous_, folder_;
};

}  // namespace testsupport
