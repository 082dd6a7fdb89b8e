// A fresh headless back-end (optionally driven by an input script) in a scratch working folder.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "engine/frame/frame.h"
#include "engine/platform.h"
#include "game/shell/reset_all.h"
#include "game/state.h"
#include "platform/headless/headless_platform.h"

namespace testsupport {

class HeadlessSession {
public:
    explicit HeadlessSession(const std::string& script = "", platform::Options options = {}) {
        scripted::InputScript parsed;
        if (!script.empty()) {
            std::string error;
            EXPECT_TRUE(scripted::ParseInputScript(script, "test", &parsed, &error)) << error;
        }
        options.noSound = true;
        auto owned = std::make_unique<headless::HeadlessPlatform>(options, std::move(parsed));
        platform_ = owned.get();
        platform::Install(std::move(owned));
        previous_ = std::filesystem::current_path();
        // The process id too: tests run side by side in processes of their own, and a sanitizer's
        // allocator gives each of them the same addresses.
        folder_ = std::filesystem::temp_directory_path() /
                  ("velmoran-test-" + std::to_string(::getpid()) + "-" +
                   std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                   std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(folder_);
        std::filesystem::current_path(folder_);
        engine::ResetEngine();
        game::ResetAll();
    }
    ~HeadlessSession() {
        engine::EndEngine();
        platform::Install(nullptr);
        std::filesystem::current_path(previous_);
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    headless::HeadlessPlatform& Platform() { return *platform_; }
    const std::filesystem::path& Folder() const { return folder_; }

private:
    headless::HeadlessPlatform* platform_ = nullptr;
    std::filesystem::path previous_, folder_;
};

}  // namespace testsupport
