// settings.ini: values read, bad values and unknown keys, and a round trip that keeps the player's text.
#include "app/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

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

TEST(Settings, ARepeatedKeyIsReadLastAndWrittenOnce) {
    const app::SettingsFile f = app::ParseSettings("mute = yes\nmute = no\n", nullptr);
    EXPECT_FALSE(f.settings.mute);
    const std::string out = app::FormatSettings(f, f.settings);
    EXPECT_EQ(out.find("mute ="), out.rfind("mute ="));
}

TEST(Settings, SaveReplacesTheFileWholeAndLoadReadsItBack) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("velmoran_settings_test_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "settings.ini").string();
    EXPECT_TRUE(app::SameSettings(app::LoadSettings(path).settings, app::Settings{}));  // no file: defaults
    app::Settings s;
    s.fullScreen = false;
    s.effectsVolume = 33;
    ASSERT_TRUE(app::SaveSettings(path, app::SettingsFile{}, s));
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
    EXPECT_TRUE(app::SameSettings(app::LoadSettings(path).settings, s));
    // A folder that cannot take the file: false, and the old file is untouched.
    EXPECT_FALSE(app::SaveSettings((dir / "missing" / "settings.ini").string(), app::SettingsFile{}, s));
    std::filesystem::remove_all(dir);
}

}  // namespace
