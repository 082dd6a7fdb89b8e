// The headless back-end: memory screen, virtual clock, scripted input, captured audio.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/platform.h"
#include "platform/common/force_to_disk.h"
#include "platform/common/input_script.h"
#include "platform/common/script_feed.h"
#include "platform/headless/headless_audio.h"

namespace headless {

// The virtual clock starts here unless the script says otherwise (any fixed value keeps runs equal).
inline constexpr uint64_t kDefaultClockMillis = 100000;

class HeadlessPlatform : public platform::Platform {
public:
    explicit HeadlessPlatform(const platform::Options& options = {}, scripted::InputScript script = {});

    bool OpenWindow(const platform::WindowSettings& settings, std::string* error) override;
    void CloseWindow() override;
    void SetTitle(const std::string& title) override { title_ = title; }
    bool SetWindowed(bool windowed) override {
        windowed_ = windowed;
        return true;
    }
    void SetResizable(bool, bool) override {}
    void Present(const uint32_t* pixels, int width, int height) override;
    void PumpEvents(bool frame) override;
    const platform::InputState& Input() const override { return feed_.Input(); }
    void GetPointer(int* x, int* y) override { feed_.GetPointer(x, y); }
    void SetPointer(int x, int y) override { feed_.SetPointer(x, y); }
    void MovePointer(double dx, double dy) override { feed_.MovePointer(dx, dy); }
    void SetCursorVisible(bool visible) override { cursorVisible_ = visible; }
    uint64_t NowMicros() override { return nowMicros_; }
    void SleepUntilMicros(uint64_t deadline) override;
    bool RandomSeedOverride(uint32_t* seed) override;
    bool OpenAudio(platform::AudioSpec* format, platform::AudioCallback callback, void* user) override;
    void CloseAudio() override { audio_.Close(); }
    void LockAudio() override {}
    void UnlockAudio() override {}
    std::unique_ptr<platform::AudioConverter> NewAudioConverter(int inRate, int inChannels, int outRate,
                                                                int outChannels) override;
    int AskYesNo(const std::string&, const std::string&) override { return answer_; }
    bool AcquireInstanceLock(const std::string&) override { return !instanceTaken_; }
    int ForceToDisk(const std::string& path) override { return platform::ForceToDisk(path); }

    // For tests: what the window would show (kept only after KeepPresented(true), black until then)
    // and what happened to it.
    void KeepPresented(bool keep) { keepPresented_ = keep; }
    const std::vector<uint32_t>& Presented() const { return presented_; }
    int64_t PresentCount() const { return presentCount_; }
    int64_t FramePumps() const { return feed_.Pumps(); }
    int64_t SleepCount() const { return sleepCount_; }
    bool WindowOpen() const { return windowOpen_; }
    const std::string& Title() const { return title_; }
    bool Windowed() const { return windowed_; }
    bool CursorVisible() const { return cursorVisible_; }
    // For tests: poke the input, move the clock, answer the dialog, pretend another copy runs.
    platform::InputState& MutableInput() { return feed_.MutableInput(); }
    void AdvanceMicros(uint64_t micros) { SetNow(nowMicros_ + micros); }
    void SetAnswer(int answer) { answer_ = answer; }
    void SetInstanceTaken(bool taken) { instanceTaken_ = taken; }
    HeadlessAudio& Audio() { return audio_; }

private:
    void SetNow(uint64_t micros);

    platform::Options options_;
    scripted::ScriptFeed feed_;
    uint64_t nowMicros_;
    bool cursorVisible_ = true;
    bool windowOpen_ = false;
    bool windowed_ = false;
    std::string title_;
    int answer_ = 0;
    bool instanceTaken_ = false;
    std::vector<uint32_t> presented_;
    bool keepPresented_ = false;
    int64_t presentCount_ = 0;
    int64_t sleepCount_ = 0;
    HeadlessAudio audio_;
};

}  // namespace headless
