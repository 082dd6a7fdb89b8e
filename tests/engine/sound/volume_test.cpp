// The player's volume and mute: what is heard changes, what plays and when it ends does not.
#include <gtest/gtest.h>

#include "engine/sound/sound.h"
#include "engine/sound/sound_system.h"
#include "tests/engine/sound/sound_fixture.h"

namespace {

using namespace soundtest;

class VolumeTest : public SoundSession {
protected:
    void TearDown() override {
        engine::SetSoundVolumes(100, 100);
        engine::SetSoundMuted(false);
        SoundSession::TearDown();
    }
    int Load(const std::vector<uint8_t>& wav, const char* name = "s.wav") {
        WriteFile(name, wav);
        return engine::LoadSound(name, 1);
    }
};

TEST_F(VolumeTest, EffectsVolumeScalesWavAndFullVolumeIsExact) {
    const int h = Load(ConstantWav(44100, 1000));
    struct Case {
        int effects, music, heard;
    };
    for (const Case c : {Case{100, 100, 1000}, Case{50, 100, 250}, Case{100, 0, 1000}, Case{0, 100, 0}}) {
        engine::SetSoundVolumes(c.effects, c.music);
        engine::StartSound(h, engine::kPlayLoop, 1);
        AdvanceMillis(30);
        EXPECT_EQ(Peak(NowFrame() - 441, NowFrame()), c.heard) << c.effects << " " << c.music;
        engine::StopSound(h);
    }
}

TEST_F(VolumeTest, MutedPlaysStillEndOnTime) {
    const int h = Load(ConstantWav(4410, 1000));  // 100 ms
    engine::SetSoundMuted(true);
    EXPECT_TRUE(engine::SoundMuted());
    engine::StartSound(h, engine::kPlayBackground, 1);
    AdvanceMillis(90);
    EXPECT_EQ(engine::IsSoundPlaying(h), 1);
    EXPECT_EQ(Peak(NowFrame() - 3000, NowFrame()), 0);
    AdvanceMillis(20);
    EXPECT_EQ(engine::IsSoundPlaying(h), 0);
    engine::SetSoundMuted(false);
    engine::StartSound(h, engine::kPlayBackground, 1);
    AdvanceMillis(20);
    EXPECT_EQ(Peak(NowFrame() - 441, NowFrame()), 1000);
}

TEST_F(VolumeTest, MusicVolumeAppliesToOggVorbis) {
    const std::string ogg = RealOgg();
    const int h = engine::LoadSound(ogg, 1);
    ASSERT_NE(h, -1);
    engine::SetSoundVolumes(100, 0);
    engine::StartSound(h, engine::kPlayLoop, 1);
    AdvanceMillis(300);
    EXPECT_EQ(Peak(NowFrame() - 8820, NowFrame()), 0);
    engine::SetSoundVolumes(0, 100);
    AdvanceMillis(300);
    EXPECT_GT(Peak(NowFrame() - 8820, NowFrame()), 0);
}

}  // namespace
