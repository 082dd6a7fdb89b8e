// The folder choice: portable build folder, installed game in the XDG folders, and the fallbacks.
#include "app/user_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class UserFolders : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("velmoran_folders_" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "bin");
        fs::create_directories(root_ / "share" / "velmoran" / "data");
        fs::create_directories(root_ / "home");
        in_.programDir = (root_ / "bin").string();
        in_.installedData = "/nonexistent/velmoran";
        in_.home = (root_ / "home").string();
    }
    void TearDown() override {
        fs::permissions(root_ / "bin", fs::perms::owner_all, fs::perm_options::add);
        if (fs::exists(root_ / "bin" / "Option"))
            fs::permissions(root_ / "bin" / "Option", fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(root_);
    }
    fs::path root_;
    app::FolderInputs in_;
};

TEST_F(UserFolders, ABuildFolderWithItsOptionFolderStaysPortable) {
    fs::create_directories(root_ / "bin" / "data");
    fs::create_directories(root_ / "bin" / "Option");
    const app::Folders f = app::ChooseFolders(in_);
    EXPECT_TRUE(f.portable);
    EXPECT_EQ(f.dataRoot, in_.programDir);
    EXPECT_EQ(f.userDir, in_.programDir);
    EXPECT_EQ(f.settingsPath, (root_ / "bin" / "settings.ini").string());
    EXPECT_TRUE(fs::is_directory(root_ / "bin" / "ScreenShots"));
    EXPECT_TRUE(f.messages.empty());
}

TEST_F(UserFolders, AnInstalledGameUsesTheXdgFoldersAndTheSharedData) {
    const app::Folders f = app::ChooseFolders(in_);
    EXPECT_FALSE(f.portable);
    EXPECT_EQ(f.dataRoot, fs::weakly_canonical(root_ / "share" / "velmoran").string());
    EXPECT_EQ(f.userDir, (root_ / "home" / ".local/share" / "velmoran").string());
    EXPECT_EQ(f.settingsPath, (root_ / "home" / ".config" / "velmoran" / "settings.ini").string());
    EXPECT_TRUE(fs::is_directory(root_ / "home" / ".local/share/velmoran/Option"));
    EXPECT_TRUE(fs::is_directory(root_ / "home" / ".local/share/velmoran/ScreenShots"));

    in_.xdgDataHome = (root_ / "xdata").string();
    in_.xdgConfigHome = "relative/ignored";  // not absolute: the XDG rules say to ignore it
    const app::Folders g = app::ChooseFolders(in_);
    EXPECT_EQ(g.userDir, (root_ / "xdata" / "velmoran").string());
    EXPECT_EQ(g.settingsPath, (root_ / "home" / ".config" / "velmoran" / "settings.ini").string());
}

TEST_F(UserFolders, AnUnwritableOptionFolderHandsItsRecordsOver) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes everywhere";
    fs::create_directories(root_ / "bin" / "Option");
    std::ofstream(root_ / "bin" / "Option" / "score.dat") << "1234\r\n";
    fs::permissions(root_ / "bin" / "Option", fs::perms::owner_read | fs::perms::owner_exec);
    const app::Folders f = app::ChooseFolders(in_);
    EXPECT_FALSE(f.portable);
    EXPECT_EQ(f.userDir, (root_ / "home" / ".local/share" / "velmoran").string());
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_NE(f.messages[0].find("cannot be written"), std::string::npos);
    std::ifstream copied(root_ / "home" / ".local/share/velmoran/Option/score.dat");
    std::string value;
    copied >> value;
    EXPECT_EQ(value, "1234");
}

TEST_F(UserFolders, FoldersGivenOnTheCommandLine) {
    in_.dataDir = (root_ / "share" / "velmoran" / "data").string();  // the data folder itself is fine too
    in_.userDir = (root_ / "mine").string();
    const app::Folders f = app::ChooseFolders(in_);
    EXPECT_FALSE(f.fatal);
    EXPECT_EQ(f.dataRoot, (root_ / "share" / "velmoran").string());
    EXPECT_EQ(f.userDir, in_.userDir);
    EXPECT_EQ(f.settingsPath, (root_ / "mine" / "settings.ini").string());

    in_.dataDir = (root_ / "home").string();  // holds no data
    const app::Folders g = app::ChooseFolders(in_);
    EXPECT_TRUE(g.fatal);
    ASSERT_EQ(g.messages.size(), 1u);
    EXPECT_NE(g.messages[0].find("holds no game data"), std::string::npos);
}

TEST_F(UserFolders, NoWritableHomeMeansOneLineAndNoRecordsKept) {
    in_.home.clear();
    const app::Folders f = app::ChooseFolders(in_);
    EXPECT_FALSE(f.fatal);
    EXPECT_TRUE(f.userDir.empty());
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_NE(f.messages[0].find("will not be kept"), std::string::npos);
}

}  // namespace
