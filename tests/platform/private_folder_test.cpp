// Private folders in shared places: made 0700 when missing, and whatever another user could have put
// under the name (a link, a file, an open folder, a folder of theirs) refused.
#include "platform/common/private_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class PrivateFolder : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = fs::temp_directory_path() / ("velmoran_private_" + std::to_string(getpid()));
        fs::remove_all(base_);
        fs::create_directories(base_);
        mine_ = (base_ / ("velmoran-" + std::to_string(geteuid()))).string();
    }
    void TearDown() override { fs::remove_all(base_); }
    fs::path base_;
    std::string mine_;
};

TEST_F(PrivateFolder, IsMadeForThisUserAloneAndFoundAgain) {
    std::string error;
    EXPECT_EQ(platform::PrivateFolder(base_.string() + "/", &error), mine_) << error;
    struct stat st {};
    ASSERT_EQ(lstat(mine_.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, geteuid());
    std::ofstream(mine_ + "/kept") << "x";
    EXPECT_EQ(platform::PrivateFolder(base_.string(), &error), mine_) << error;
    EXPECT_TRUE(fs::exists(mine_ + "/kept"));

    const ScopedEnv tmp("TMPDIR", base_.string());
    EXPECT_EQ(platform::ScratchBase(&error), mine_) << error;
}

TEST_F(PrivateFolder, WhatOthersCouldHavePlantedIsRefused) {
    struct Case {
        const char* what;
        std::function<void()> plant;
        const char* reason;
    };
    std::vector<Case> cases = {
        {"a link to a good folder",
         [&] {
             fs::create_directory(base_ / "theirs");
             fs::permissions(base_ / "theirs", fs::perms::owner_all);
             fs::create_directory_symlink(base_ / "theirs", mine_);
         },
         " is a symbolic link"},
        {"a dangling link", [&] { fs::create_symlink(base_ / "nowhere", mine_); }, " is a symbolic link"},
        {"a file", [&] { std::ofstream(mine_) << "x"; }, " is not a folder"},
        {"a folder open to others",
         [&] {
             fs::create_directory(mine_);
             fs::permissions(mine_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
         },
         " is open to other users (mode 0755)"},
    };
    if (geteuid() == 0)  // only root can give a folder away
        cases.push_back({"another user's folder",
                         [&] {
                             fs::create_directory(mine_);
                             fs::permissions(mine_, fs::perms::owner_all);
                             ASSERT_EQ(chown(mine_.c_str(), 65534, 65534), 0);
                         },
                         " belongs to another user"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        c.plant();
        const fs::file_type before = fs::symlink_status(mine_).type();
        std::string error;
        EXPECT_EQ(platform::PrivateFolder(base_.string(), &error), "");
        EXPECT_EQ(error, mine_ + c.reason);
        EXPECT_EQ(fs::symlink_status(mine_).type(), before);  // left as it was
        EXPECT_FALSE(fs::exists(base_ / "nowhere"));
    }
    std::string error;
    EXPECT_EQ(platform::PrivateFolder("relative", &error), "");
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists("velmoran-" + std::to_string(geteuid())));
}

TEST_F(PrivateFolder, TheRuntimeFolderIsTakenOnlyWhenPrivate) {
    fs::create_directory(base_ / "run");
    fs::permissions(base_ / "run", fs::perms::owner_all);
    const ScopedEnv runtime("XDG_RUNTIME_DIR", (base_ / "run").string());
    std::string error;
    EXPECT_EQ(platform::RuntimeFolder(&error), (base_ / "run").string()) << error;
    // (The refusals fall back to a folder in /tmp, which a test must not make; PrivateFolder's checks
    // are the same and tested above.)
}

}  // namespace
