// The script feed and the window replay built on it.
#include "platform/common/script_feed.h"

#include <algorithm>
#include <cmath>

namespace scripted {

namespace {
int Saturate(int64_t v) { return int(std::clamp<int64_t>(v, -kScriptPointerLimit, kScriptPointerLimit)); }
}  // namespace

ScriptFeed::ScriptFeed(InputScript script, int64_t frameLimit)
    : script_(std::move(script)), frameLimit_(frameLimit) {}

uint64_t ScriptFeed::Begin() { return ApplyUpTo(0); }

uint64_t ScriptFeed::Pump() {
    ++pumps_;
    const uint64_t work = ApplyUpTo(pumps_);
    if (frameLimit_ > 0 && pumps_ >= frameLimit_) input_.closeRequested = true;
    return work;
}

uint64_t ScriptFeed::ApplyUpTo(int64_t pump) {
    uint64_t workMillis = 0;
    for (; next_ < script_.events.size() && ApplyingPump(script_.events[next_]) <= pump; ++next_) {
        const ScriptEvent& e = script_.events[next_];
        switch (e.kind) {
            case ScriptEvent::Kind::kKey:
                if (e.b && !input_.keys[e.a]) ++input_.keyPresses[e.a];
                input_.keys[e.a] = uint8_t(e.b);
                break;
            case ScriptEvent::Kind::kButton:
                input_.mouseButtons =
                    e.b ? (input_.mouseButtons | uint32_t(e.a)) : (input_.mouseButtons & ~uint32_t(e.a));
                for (int bit = 0; bit < 8; ++bit)
                    if (e.b && (e.a >> bit & 1)) ++input_.buttonPresses[bit];
                break;
            case ScriptEvent::Kind::kMove:
                pointerX_ = e.a, pointerY_ = e.b;
                break;
            case ScriptEvent::Kind::kRelative:
                // Held where `move` could have put it, however many motions add up (and however far
                // the game set it).
                pointerX_ = Saturate(int64_t(pointerX_) + e.a);
                pointerY_ = Saturate(int64_t(pointerY_) + e.b);
                break;
            case ScriptEvent::Kind::kClose:
                input_.closeRequested = true;
                break;
            case ScriptEvent::Kind::kFocus:
                input_.active = e.a != 0;
                break;
            case ScriptEvent::Kind::kWork:
                workMillis += uint64_t(e.a);
                break;
        }
    }
    return workMillis;
}

void ScriptFeed::MovePointer(double dx, double dy) {
    // Fractions of a pixel add up, as a real pointer's motion does.
    fractionX_ += dx, fractionY_ += dy;
    const double wholeX = std::trunc(fractionX_), wholeY = std::trunc(fractionY_);
    fractionX_ -= wholeX, fractionY_ -= wholeY;
    pointerX_ = Saturate(int64_t(pointerX_) + int64_t(wholeX));
    pointerY_ = Saturate(int64_t(pointerY_) + int64_t(wholeY));
}

bool ScriptFeed::Seed(uint32_t* seed) const {
    if (!script_.hasSeed) return false;
    *seed = script_.seed;
    return true;
}

namespace {

class ScriptedPlatform final : public platform::Platform {
public:
    ScriptedPlatform(std::unique_ptr<platform::Platform> inner, InputScript script, int64_t frameLimit)
        : inner_(std::move(inner)), feed_(std::move(script), frameLimit) {}

    bool OpenWindow(const platform::WindowSettings& settings, std::string* error) override {
        if (!inner_->OpenWindow(settings, error)) return false;
        Spend(feed_.Begin());
        return true;
    }
    void CloseWindow() override { inner_->CloseWindow(); }
    void SetTitle(const std::string& title) override { inner_->SetTitle(title); }
    bool SetWindowed(bool windowed) override { return inner_->SetWindowed(windowed); }
    void SetResizable(bool resizable, bool keepAspect) override {
        inner_->SetResizable(resizable, keepAspect);
    }
    void SetIntegerScale(bool on) override { inner_->SetIntegerScale(on); }
    void Present(const uint32_t* pixels, int width, int height) override {
        inner_->Present(pixels, width, height);
    }

    void PumpEvents(bool frame) override {
        inner_->PumpEvents(frame);  // the window stays alive: redrawn, moved, closable
        if (frame) Spend(feed_.Pump());
        if (inner_->Input().closeRequested) feed_.MutableInput().closeRequested = true;
    }
    const platform::InputState& Input() const override { return feed_.Input(); }
    // The pointer is the script's: the player's mouse is neither read nor moved.
    void GetPointer(int* x, int* y) override { feed_.GetPointer(x, y); }
    void SetPointer(int x, int y) override { feed_.SetPointer(x, y); }
    void MovePointer(double dx, double dy) override { feed_.MovePointer(dx, dy); }
    void SetCursorVisible(bool visible) override { inner_->SetCursorVisible(visible); }

    uint64_t NowMicros() override { return inner_->NowMicros(); }
    void SleepUntilMicros(uint64_t deadline) override { inner_->SleepUntilMicros(deadline); }
    bool RandomSeedOverride(uint32_t* seed) override {
        return feed_.Seed(seed) || inner_->RandomSeedOverride(seed);
    }

    bool OpenAudio(platform::AudioSpec* format, platform::AudioCallback callback, void* user) override {
        return inner_->OpenAudio(format, callback, user);
    }
    void CloseAudio() override { inner_->CloseAudio(); }
    void LockAudio() override { inner_->LockAudio(); }
    void UnlockAudio() override { inner_->UnlockAudio(); }
    std::unique_ptr<platform::AudioConverter> NewAudioConverter(int inRate, int inChannels, int outRate,
                                                                int outChannels) override {
        return inner_->NewAudioConverter(inRate, inChannels, outRate, outChannels);
    }
    int AskYesNo(const std::string& text, const std::string& caption) override {
        return inner_->AskYesNo(text, caption);
    }
    void ShowMessage(const std::string& text, const std::string& caption) override {
        inner_->ShowMessage(text, caption);
    }
    bool AcquireInstanceLock(const std::string& name) override { return inner_->AcquireInstanceLock(name); }
    int ForceToDisk(const std::string& path) override { return inner_->ForceToDisk(path); }
    platform::Placement LastPlacement() const override { return inner_->LastPlacement(); }

private:
    // A scripted slow frame is really slow in a window too.
    void Spend(uint64_t workMillis) {
        if (workMillis > 0) inner_->SleepUntilMicros(inner_->NowMicros() + workMillis * 1000u);
    }

    std::unique_ptr<platform::Platform> inner_;
    ScriptFeed feed_;
};

}  // namespace

std::unique_ptr<platform::Platform> MakeScriptedPlatform(std::unique_ptr<platform::Platform> inner,
                                                         InputScript script, int64_t frameLimit) {
    return std::make_unique<ScriptedPlatform>(std::move(inner), std::move(script), frameLimit);
}

}  // namespace scripted
