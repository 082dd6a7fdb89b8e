// Effect requests with their cooldown and the music sets, heard through the headless mixer.
#include "game/services/sound_control.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/sound/sound.h"
#include "tests/engine/sound/sound_fixture.h"

namespace {

using namespace soundtest;

const char* const kEffects[] = {"hit",    "bak1", "tekitama", "jikitama", "bak2",  "bak3",
                                "cursol", "shot", "gure",     "ext",      "bonus", "damage"};

class SoundControlTest : public SoundSession {
protected:
    void SetUp() override {
        SoundSession::SetUp();
        game::InitSoundTables();
    }
    void TearDown() override {
        game::ReleaseSounds();
        SoundSession::TearDown();
    }
    // Every effect the same: `frames` frames of a constant level, so overlapping plays add up.
    void WriteEffects(int frames) {
        for (const char* e : kEffects)
            WriteFile(std::string("data/se/") + e + ".wav", ConstantWav(frames, 1000));
    }
    bool WriteMusic() {
        if (!Exists(RealOgg()) || !Exists(RealOgg("bell"))) return false;
        std::filesystem::create_directories("data/music");
        for (const char* m : {"titl", "end", "bgm01"})
            std::filesystem::copy_file(RealOgg(), std::string("data/music/") + m + ".ogg");
        std::filesystem::copy_file(RealOgg("bell"),
                                   "data/music/bgm02.ogg");  // 0.14 s: the boss track ends soon
        return true;
    }
    // One frame of a screen: the end of the frame, then the requested sounds.
    void Frame() {
        AdvanceMillis(17);
        engine::PumpMessages();
        game::PlayRequestedSounds();
    }
};

// A bullet fired on every frame from 0 to 20 is heard on frames 0, 8 and 16 only.
TEST_F(SoundControlTest, CooldownLetsASoundRestartEveryEighthFrame) {
    WriteEffects(100);  // 2 ms: plays never overlap
    game::LoadSoundEffects();
    std::vector<int64_t> frameStarts;
    for (int frame = 0; frame <= 20; ++frame) {
        frameStarts.push_back(NowFrame());
        game::RequestSound(3);
        game::PlayRequestedSounds();
        AdvanceMillis(17);
        engine::PumpMessages();
    }
    std::vector<int> heard;
    for (int frame = 0; frame <= 20; ++frame)
        if (Peak(frameStarts[size_t(frame)], frameStarts[size_t(frame)] + 200) == 1000)
            heard.push_back(frame);
    EXPECT_EQ(heard, (std::vector<int>{0, 8, 16}));
    // Silence between the plays: each lasts its 100 frames only.
    EXPECT_EQ(Peak(frameStarts[0] + 100, frameStarts[8]), 0);
}

TEST_F(SoundControlTest, TwoRequestsInOneFramePlayOnce) {
    WriteEffects(44100);
    game::LoadSoundEffects();
    for (int i = 1; i <= 12; ++i) EXPECT_GE(game::SoundTable[i], 0) << i;
    EXPECT_EQ(game::SoundTable[0], 0);
    EXPECT_EQ(game::SoundTable[13], 0);
    game::RequestSound(5);
    game::RequestSound(5);
    game::RequestSound(-1);  // ignored
    game::RequestSound(99);  // past the table: ignored
    game::PlayRequestedSounds();
    AdvanceMillis(10);
    EXPECT_EQ(Left(NowFrame() - 1), 1000);
    // Eight frames on, a new request stops the play still going and starts again: still one play.
    for (int i = 0; i < 8; ++i) Frame();
    game::RequestSound(5);
    game::PlayRequestedSounds();
    AdvanceMillis(10);
    EXPECT_EQ(Left(NowFrame() - 1), 1000);
}

// An effect requested in frame 10 sounds from that frame on, not before.
TEST_F(SoundControlTest, AnEffectSoundsInTheFrameThatRequestedIt) {
    WriteEffects(4410);
    game::LoadSoundEffects();
    int64_t requestedAt = 0;
    for (int frame = 0; frame < 20; ++frame) {
        if (frame == 10) {
            game::RequestSound(1);
            requestedAt = NowFrame();
        }
        Frame();
    }
    EXPECT_EQ(Peak(0, requestedAt), 0);
    EXPECT_EQ(Peak(requestedAt, requestedAt + 750), 1000);  // within the frame that played it
    EXPECT_EQ(Peak(requestedAt + 750 + 4410, NowFrame()), 0);
}

TEST_F(SoundControlTest, EndedBossTrackStaysSilentUntilTheNextSet) {
    if (!WriteMusic()) GTEST_SKIP() << "sound-theme-freedesktop missing (scripts/install-deps.sh test)";
    game::LoadMusicSet(1);
    const int stage = game::MusicSlots[0].handle, boss = game::MusicSlots[1].handle;
    ASSERT_GE(stage, 0);
    ASSERT_GE(boss, 0);
    game::PlayMusic(0);
    EXPECT_EQ(engine::IsSoundPlaying(stage), 1);
    game::LoadMusicSet(1);  // the next stage of the same game: nothing changes
    EXPECT_EQ(game::MusicSlots[0].handle, stage);
    EXPECT_EQ(engine::IsSoundPlaying(stage), 1);
    game::PlayMusic(1);
    EXPECT_EQ(engine::IsSoundPlaying(stage), 0);
    for (int i = 0; i < 30; ++i) Frame();
    EXPECT_EQ(engine::IsSoundPlaying(boss), 0);
    const int64_t from = NowFrame();
    game::PlayMusic(1);
    for (int i = 0; i < 30; ++i) Frame();
    EXPECT_EQ(engine::IsSoundPlaying(boss), 0);
    EXPECT_EQ(Peak(from, NowFrame()), 0);
    EXPECT_EQ(game::currentTrack, 1);
    // A new set starts over: its first track plays again.
    game::LoadMusicSet(0);
    EXPECT_EQ(engine::IsSoundPlaying(boss), -1);
    game::PlayMusic(0);
    EXPECT_EQ(engine::IsSoundPlaying(game::MusicSlots[0].handle), 1);
}

TEST_F(SoundControlTest, BackToTheTitleKeepsTheSetAndSwitchesTracks) {
    if (!WriteMusic()) GTEST_SKIP() << "sound-theme-freedesktop missing (scripts/install-deps.sh test)";
    game::LoadMusicSet(0);
    const int title = game::MusicSlots[0].handle, ending = game::MusicSlots[1].handle;
    game::PlayMusic(1);  // the results screen
    for (int i = 0; i < 5; ++i) Frame();
    game::LoadMusicSet(0);
    EXPECT_EQ(game::MusicSlots[0].handle, title);
    EXPECT_EQ(game::MusicSlots[1].handle, ending);
    game::PlayMusic(0);
    EXPECT_EQ(engine::IsSoundPlaying(ending), 0);
    EXPECT_EQ(engine::IsSoundPlaying(title), 1);
    game::StopMusic();
    EXPECT_EQ(engine::IsSoundPlaying(title), 0);
    EXPECT_EQ(game::currentTrack, -1);
}

TEST_F(SoundControlTest, MissingFilesPlayNothingAndReleaseLeavesNothing) {
    game::LoadSoundEffects();
    game::LoadMusicSet(1);
    for (int i = 1; i <= 12; ++i) EXPECT_EQ(game::SoundTable[i], -1);
    EXPECT_EQ(game::MusicSlots[0].handle, -1);
    game::RequestSound(1);
    game::RequestSound(0);
    game::PlayRequestedSounds();
    game::PlayMusic(0);
    Frame();
    EXPECT_EQ(Peak(0, NowFrame()), 0);

    WriteEffects(100);
    game::LoadSoundEffects();
    const int hit = game::SoundTable[1];
    EXPECT_EQ(engine::IsSoundPlaying(hit), 0);
    game::ReleaseSounds();
    EXPECT_EQ(engine::IsSoundPlaying(hit), -1);
    EXPECT_EQ(game::SoundTable[1], 0);
    EXPECT_EQ(engine::LoadSound("data/se/hit.wav", 3) & 0xFFFF, 0);  // every slot was freed
}

}  // namespace
