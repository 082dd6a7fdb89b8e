// Replacing a file whole: the mode the player gave it is kept, the new contents reach the disk before
// the rename, and a disk that refuses them leaves the old file as it was.
#include "engine/file/atomic_write.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/platform.h"
#include "platform/headless/headless_platform.h"

namespace {

namespace fs = std::filesystem;

class DiskWatcher : public headless::HeadlessPlatform {
public:
    int ForceToDisk(const std::string& path) override {
        forced.push_back(path);
        return refuse && forced.size() == 1 ? EIO : 0;
    }
    std::vector<std::string> forced;
    bool refuse = false;
};

class ReplaceFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto owned = std::make_unique<DiskWatcher>();
        disk = owned.get();
        platform::Install(std::move(owned));
        dir = fs::temp_directory_path() / ("velmoran-replace-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "score.dat").string();
        std::ofstream(path) << "old";
        fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    }
    void TearDown() override {
        platform::Install(nullptr);
        fs::remove_all(dir);
    }
    std::string Contents() {
        std::ostringstream s;
        s << std::ifstream(path).rdbuf();
        return s.str();
    }
    DiskWatcher* disk = nullptr;
    fs::path dir;
    std::string path;
};

TEST_F(ReplaceFileTest, KeepsTheModeAndForcesTheFileThenItsFolder) {
    std::string error;
    ASSERT_TRUE(engine::ReplaceFile(path, "new", &error)) << error;
    EXPECT_EQ(Contents(), "new");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(disk->forced.size(), 2u);
    EXPECT_EQ(disk->forced[0].rfind(path + ".new-", 0), 0u) << disk->forced[0];
    EXPECT_EQ(disk->forced[1], dir.string());
}

TEST_F(ReplaceFileTest, WhatTheDiskRefusesLeavesTheOldFileAndNoTemporary) {
    disk->refuse = true;
    std::string error;
    EXPECT_FALSE(engine::ReplaceFile(path, "new", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Contents(), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

}  // namespace
