// settings.ini: values read, bad values and unknown keys, and a round trip that keeps the player's text.
#include "app/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

namespace {

namespace fs = std::filesystem;

TEST(Settings, ReadsEveryKindOfValue) {
    std::vector<std::string> warnings;
    const app::SettingsFile f = app::ParseSettings(
        "# mine\n  ask_at_start = no \nfullscreen=no\r\nmouse_mode = warp\nmouse_sensitivity = 2.5\n"
        "effects_volume = 40 # quieter\nmusic_volume = 0\nmute = yes\nwindow_x = 12\nwindow_y = centred\n"
        "audio_device = \"USB Audio #2\"\ndisplay = 1\nvsync = off\nkeyboard_steering = false\n",
        &warnings);
    EXPECT_TRUE(warnings.empty());
    const app::Settings& s = f.settings;
    EXPECT_FALSE(s.askAtStart);
    EXPECT_FALSE(s.fullScreen);
    EXPECT_EQ(s.options.mouseMode, platform::MouseMode::kWarp);
    EXPECT_DOUBLE_EQ(s.options.mouseSensitivity, 2.5);
    EXPECT_EQ(s.effectsVolume, 40);
    EXPECT_EQ(s.musicVolume, 0);
    EXPECT_TRUE(s.mute);
    EXPECT_EQ(s.options.windowX, 12);
    EXPECT_EQ(s.options.windowY, platform::kWindowCentred);
    EXPECT_EQ(s.options.audioDevice, "USB Audio #2");  // quoted: " #" is part of the name
    EXPECT_EQ(s.options.display, 1);
    EXPECT_FALSE(s.options.vsync);
    EXPECT_FALSE(s.options.keyboardSteering);
}

TEST(Settings, BadValuesKeepTheDefaultWithOneLineEach) {
    struct Case {
        const char* line;
        const char* warning;
    };
    const Case cases[] = {
        {"vsync = maybe", "line 1: vsync takes yes or no, not \"maybe\"; using yes"},
        {"effects_volume = 101",
         "line 1: effects_volume takes a whole number from 0 to 100, not \"101\"; using 100"},
        {"music_volume = 5x",
         "line 1: music_volume takes a whole number from 0 to 100, not \"5x\"; using 100"},
        {"mouse_sensitivity = 0",
         "line 1: mouse_sensitivity takes a number above 0 and at most 100, not \"0\"; using 1.0"},
        {"mouse_sensitivity = nan",
         "line 1: mouse_sensitivity takes a number above 0 and at most 100, not \"nan\"; using 1.0"},
        {"display = 99999999999999999999",
         "line 1: display takes a display number from 0 to 63, not \"99999999999999999999\"; using 0"},
        {"mouse_mode = \x01", "line 1: mouse_mode takes relative or warp, not \"?\"; using relative"},
        // Larger than any window the system makes: it would stop every start.
        {"window_width = 32767",
         "line 1: window_width takes a whole number from 0 to 16384, not \"32767\"; using 0"},
        {"window_height = 16385",
         "line 1: window_height takes a whole number from 0 to 16384, not \"16385\"; using 0"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> warnings;
        const app::SettingsFile f = app::ParseSettings(c.line, &warnings);
        ASSERT_EQ(warnings.size(), 1u) << c.line;
        EXPECT_EQ(warnings[0], c.warning);
        EXPECT_TRUE(app::SameSettings(f.settings, app::Settings{})) << c.line;
    }
}

TEST(Settings, RoundTripKeepsCommentsUnknownKeysAndOrder) {
    const std::string text = "# my notes\nfuture_key = something\nmute = no\n\n  # more\nmusic_volume = 70\n";
    const app::SettingsFile f = app::ParseSettings(text, nullptr);
    app::Settings changed = f.settings;
    changed.mute = true;
    const std::string out = app::FormatSettings(f, changed);
    EXPECT_EQ(out.rfind("# my notes\nfuture_key = something\nmute = yes\n\n  # more\nmusic_volume = 70\n", 0),
              0u)
        << out;
    const app::SettingsFile back = app::ParseSettings(out, nullptr);
    EXPECT_TRUE(app::SameSettings(back.settings, changed));
    // Every key is in the file afterwards, for the player to find.
    EXPECT_NE(out.find("\neffects_volume = 100\n"), std::string::npos);
    EXPECT_NE(out.find("\nask_at_start = yes\n"), std::string::npos);
}

TEST(Settings, DeviceNamesSurviveTheRoundTrip) {
    for (const char* name :
         {"Built-in Audio Analog Stereo", "USB Audio #2", "Card#1", " padded ", "\"quoted\""}) {
        app::Settings s;
        s.options.audioDevice = name;
        const std::string text = app::FormatSettings(app::SettingsFile{}, s);
        EXPECT_EQ(app::ParseSettings(text, nullptr).settings.options.audioDevice, name) << text;
    }
    EXPECT_EQ(app::ParseSettings("audio_device = Card#1 # my card", nullptr).settings.options.audioDevice,
              "Card#1");
}

TEST(Settings, TheLargestWindowIsTaken) {
    std::vector<std::string> warnings;
    const app::SettingsFile f = app::ParseSettings("window_width = 16384\nwindow_height = 9000\n", &warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(f.settings.options.windowWidth, 16384);
    EXPECT_EQ(f.settings.options.windowHeight, 9000);
}

TEST(Settings, ARepeatedKeyIsReadLastAndWrittenOnce) {
    const app::SettingsFile f = app::ParseSettings("mute = yes\nmute = no\n", nullptr);
    EXPECT_FALSE(f.settings.mute);
    const std::string out = app::FormatSettings(f, f.settings);
    const std::string line = "\nmute =";  // a line of its own ("keys_mute =" is another key)
    EXPECT_EQ(out.find(line), out.rfind(line));
}

// Every action's keys and button can be bound; a name that is no key's keeps the default.
TEST(Settings, BindingsAreReadAndWrittenByName) {
    std::vector<std::string> warnings;
    const app::SettingsFile f = app::ParseSettings(
        "keys_fire = z x\nkeys_pause = none\npad_quit = leftshoulder\nkeys_quit = Q W E\npad_fire = Turbo\n",
        &warnings);
    const engine::Bindings defaults = engine::DefaultBindings();
    EXPECT_EQ(f.settings.bindings.keys[engine::kActionFire][0], 44);
    EXPECT_EQ(f.settings.bindings.keys[engine::kActionFire][1], 45);
    EXPECT_EQ(f.settings.bindings.keys[engine::kActionPause][0], 0);
    EXPECT_EQ(f.settings.bindings.pads[engine::kActionQuit], platform::kPadLeftShoulder);
    EXPECT_EQ(f.settings.bindings.keys[engine::kActionQuit][0], defaults.keys[engine::kActionQuit][0]);
    EXPECT_EQ(f.settings.bindings.pads[engine::kActionFire], defaults.pads[engine::kActionFire]);
    EXPECT_EQ(warnings.size(), 2u);
    const std::string out = app::FormatSettings(f, f.settings);
    for (const char* line : {"keys_fire = Z X\n", "keys_pause = none\n", "pad_quit = LeftShoulder\n",
                             "keys_turn_left = Left\n", "pad_pause = Y\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line;
}

class SettingsFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("velmoran_settings_test_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "settings.ini").string();
    }
    void TearDown() override {
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow,
                        ignored_);
        fs::remove_all(dir_);
    }
    // The names in the folder, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::string Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path dir_;
    std::string path_;
    std::error_code ignored_;
};

TEST_F(SettingsFiles, SaveReplacesTheFileWholeAndLoadReadsItBack) {
    const app::SettingsFile none = app::LoadSettings(path_);
    EXPECT_TRUE(none.readWhole);  // no file yet: the first change creates it
    EXPECT_TRUE(app::SameSettings(none.settings, app::Settings{}));
    app::Settings s;
    s.fullScreen = false;
    s.effectsVolume = 33;
    ASSERT_TRUE(app::SaveSettings(path_, none, s));
    EXPECT_EQ(Names(), std::vector<std::string>{"settings.ini"});  // no temporary file left
    EXPECT_TRUE(app::SameSettings(app::LoadSettings(path_).settings, s));
    // A folder that cannot take the file: false, and the old file is untouched.
    EXPECT_FALSE(app::SaveSettings((dir_ / "missing" / "settings.ini").string(), app::SettingsFile{}, s));
}

// Another user may plant settings.ini.new as a link to a file of the player's: the save must make a
// file of its own, and keep the mode the player gave settings.ini.
TEST_F(SettingsFiles, SaveNeverWritesThroughAPlantedFile) {
    std::ofstream(dir_ / "victim") << "precious\n";
    fs::create_symlink(dir_ / "victim", dir_ / "settings.ini.new");
    std::ofstream(path_) << "# mine\nmute = no\n";
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    app::SettingsFile f = app::LoadSettings(path_);
    app::Settings s = f.settings;
    s.mute = true;
    ASSERT_TRUE(app::SaveSettings(path_, f, s));
    EXPECT_EQ(Read(dir_ / "victim"), "precious\n");
    EXPECT_TRUE(fs::is_symlink(dir_ / "settings.ini.new"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"settings.ini", "settings.ini.new", "victim"}));
    EXPECT_EQ(Read(path_).rfind("# mine\nmute = yes\n", 0), 0u);
    EXPECT_EQ(fs::status(path_).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Players who keep settings.ini with their dotfiles make it a link: it is read, and a save replaces
// the file it leads to and leaves the link in place.
TEST_F(SettingsFiles, APlayersLinkIsReadAndKept) {
    fs::create_directory(dir_ / "dotfiles");
    std::ofstream(dir_ / "dotfiles" / "velmoran.ini") << "# mine\nmusic_volume = 70\n";
    fs::create_symlink(dir_ / "dotfiles" / "velmoran.ini", path_);
    const app::SettingsFile f = app::LoadSettings(path_);
    ASSERT_TRUE(f.readWhole);
    EXPECT_EQ(f.settings.musicVolume, 70);
    app::Settings s = f.settings;
    s.mute = true;
    ASSERT_TRUE(app::SaveSettings(path_, f, s));
    EXPECT_TRUE(fs::is_symlink(path_));
    const std::string saved = Read(dir_ / "dotfiles" / "velmoran.ini");
    EXPECT_EQ(saved.rfind("# mine\nmusic_volume = 70\n", 0), 0u);
    EXPECT_NE(saved.find("\nmute = yes\n"), std::string::npos);
}

// A settings.ini that is there but cannot be read whole gives the defaults with one line naming it,
// and is never rewritten: the player's values and comments stay as they were.
TEST_F(SettingsFiles, AFileNotReadWholeIsNeverRewritten) {
    const std::string mine = "# my notes\nmusic_volume = 70\n";
    struct Case {
        const char* what;
        std::function<void()> plant;
        const char* reason;
    };
    std::vector<Case> cases = {
        {"a folder", [&] { fs::create_directory(path_); }, "it is a folder"},
        {"a pipe", [&] { ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0); }, "it is not a regular file"},
        {"over 1 MiB", [&] { std::ofstream(path_) << mine << std::string(1 << 20, '#'); },
         "it is larger than 1 MiB"},
    };
    if (geteuid() != 0)  // root reads it all the same
        cases.push_back({"unreadable",
                         [&] {
                             std::ofstream(path_) << mine;
                             fs::permissions(path_, fs::perms::owner_write);
                         },
                         "Permission denied"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        c.plant();
        const fs::file_status before = fs::symlink_status(path_);
        const std::string content = fs::is_regular_file(before) ? Read(path_) : "";
        testing::internal::CaptureStderr();
        const app::SettingsFile f = app::LoadSettings(path_);
        const std::string loadLine = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(f.readWhole);
        EXPECT_TRUE(app::SameSettings(f.settings, app::Settings{}));
        EXPECT_EQ(loadLine, "velmoran: " + path_ + " could not be read (" + c.reason +
                                "); using the defaults, and it will not be changed\n");
        app::Settings changed = f.settings;
        changed.mute = true;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(app::SaveSettings(path_, f, changed));
        const std::string saveLine = testing::internal::GetCapturedStderr();
        EXPECT_NE(saveLine.find(path_), std::string::npos);
        EXPECT_EQ(std::count(saveLine.begin(), saveLine.end(), '\n'), 1);
        EXPECT_EQ(fs::symlink_status(path_).type(), before.type());
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow,
                        ignored_);
        if (fs::is_regular_file(before)) {
            EXPECT_EQ(Read(path_), content);
        }
        if (fs::is_symlink(before)) {
            EXPECT_EQ(Read(dir_ / "elsewhere.ini"), mine);
        }
    }
}

}  // namespace
