// The page's back-end: SDL's window back-end, built for the browser, drawing into the page's canvas
// (events, Pointer Lock, gamepads and Web Audio come through SDL's emscripten drivers), with what
// a page does differently: the game's waits hand the thread back to the browser (Asyncify), full
// screen is the page's, files written are copied into the browser's storage, a hidden tab pauses,
// and there is no single-instance rule (each tab is a game of its own).
#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/platform.h"
#include "platform/common/input_script.h"
#include "platform/common/script_feed.h"
#include "platform/sdl2/sdl_platform.h"

namespace sdl {
// SDL's own window back-end, under another name in the page build (cmake/web.cmake): the name
// MakeSdlPlatform, which app/main.cpp calls, is this file's.
std::unique_ptr<platform::Platform> MakeSdlWindowPlatform(const platform::Options& options);
}  // namespace sdl

// platform/web/page/library.js: brings in the emscripten functions SDL's JS calls.
extern "C" void velmoran_page_sdl_needs();

namespace web {
namespace {

// These bodies are JavaScript, where the formatter would split "===".
// clang-format off
// The page's script (platform/web/page/page.js) owns these: full screen, the storage sync, and the
// one line a player sees when the game has something to say.
EM_JS(void, PageRequestFullScreen, (int on), {
    if (Module['velmoranFullScreen']) Module['velmoranFullScreen'](!!on);
});
EM_JS(void, PageStore, (), {
    if (Module['velmoranStore']) Module['velmoranStore']();
});
// SDL empties the canvas when its window closes: the last picture stays on the page (and readable
// by the browser test) when the game ends.
EM_JS(void, PageKeepPicture, (), {
    var c = Module['canvas'];
    if (!c || !c.width || !c.height) return;
    var copy = document.createElement('canvas');
    copy.width = c.width;
    copy.height = c.height;
    copy.getContext('2d').drawImage(c, 0, 0);
    Module['velmoranLastPicture'] = copy;
});
EM_JS(void, PageShowKeptPicture, (), {
    var c = Module['canvas'], copy = Module['velmoranLastPicture'];
    if (!c || !copy) return;
    c.width = copy.width;
    c.height = copy.height;
    c.getContext('2d').drawImage(copy, 0, 0);
});
// For bench/bench_web_page.sh: when the first picture reached the canvas, from the page's start.
EM_JS(void, PageFirstFrame, (),
      { console.log('VELMORAN-FIRST-FRAME ' + performance.now().toFixed(0) + ' ms'); });
EM_JS(int, PageHidden, (), { return typeof document === 'object' && document.hidden ? 1 : 0; });
EM_JS(void, PageMessage, (const char* text), {
    if (Module['velmoranMessage']) Module['velmoranMessage'](UTF8ToString(text));
});
// Touch (page.js): whether the game steers now, so that a finger on the canvas steers and fires
// only then; and the drag and taps gathered since the last pump, in picture pixels.
EM_JS(void, PageSteering, (int on), {
    if (Module['velmoranTouch']) Module['velmoranTouch'].steering = !!on;
});
EM_JS(int, PageTakeTouch, (double* dx, double* dy), {
    var t = Module['velmoranTouch'];
    if (!t) return 0;
    HEAPF64[dx >> 3] = t.dx;
    HEAPF64[dy >> 3] = t.dy;
    var taps = t.taps;
    t.dx = t.dy = 0;
    t.taps = 0;
    return taps;
});
// The input script page.js was asked to play as the player's own hands (tests: a game whose records
// are kept), or 0; the caller frees it.
EM_JS(char*, PagePlayScript, (), {
    var p = Module['velmoranPlayScript'];
    return p ? stringToNewUTF8(p) : 0;
});
// clang-format on

class WebPlatform final : public platform::Platform {
public:
    WebPlatform(std::unique_ptr<platform::Platform> inner, double sensitivity)
        : inner_(std::move(inner)), sensitivity_(sensitivity) {
        velmoran_page_sdl_needs();
    }

    bool OpenWindow(const platform::WindowSettings& settings, std::string* error) override {
        // The canvas keeps the picture's own size, so that SDL writes the frame 1:1 into it; the page
        // scales the canvas (and goes full screen) itself.
        platform::WindowSettings inPage = settings;
        inPage.windowed = true;
        inPage.resizable = false;
        if (!inner_->OpenWindow(inPage, error)) return false;
        if (!settings.windowed) PageRequestFullScreen(1);
        return true;
    }
    void CloseWindow() override {
        PageKeepPicture();
        inner_->CloseWindow();
        PageShowKeptPicture();
    }
    void SetTitle(const std::string& title) override { inner_->SetTitle(title); }
    bool SetWindowed(bool windowed) override {
        // Browsers grant full screen only inside a player's gesture: the page asks at the next one
        // (Alt+Enter's key-up) when it cannot now.
        PageRequestFullScreen(windowed ? 0 : 1);
        return true;
    }
    void SetResizable(bool, bool) override {}
    void SetIntegerScale(bool on) override { inner_->SetIntegerScale(on); }
    void SetMouseSensitivity(double sensitivity) override {
        sensitivity_ = sensitivity;
        inner_->SetMouseSensitivity(sensitivity);
    }
    void Present(const uint32_t* pixels, int width, int height) override {
        inner_->Present(pixels, width, height);
        if (!presented_) PageFirstFrame();
        presented_ = true;
    }
    void PresentUnchanged(const uint32_t* pixels, int width, int height) override {
        inner_->PresentUnchanged(pixels, width, height);
    }

    void PumpEvents(bool frame) override {
        // A frame that never waited (a slow machine catching up) still lets the page paint and take
        // its events, or the tab would hang.
        if (frame && !yielded_) emscripten_sleep(0);
        if (frame) yielded_ = false;
        inner_->PumpEvents(frame);
        if (frame) {
            // The game puts the pointer back every frame while it steers, as SDL's back-end sees.
            if (steering_ != pointerSet_) PageSteering(pointerSet_ ? 1 : 0);
            steering_ = pointerSet_;
            pointerSet_ = false;
        }
        // A finger's drag is the mouse's motion, scaled as the mouse's is, and a tap a click of the
        // left button: the same reads as the mouse's, so the game cannot tell them apart.
        double dx = 0, dy = 0;
        taps_ += uint32_t(PageTakeTouch(&dx, &dy));
        if (dx != 0 || dy != 0) inner_->MovePointer(dx * sensitivity_, dy * sensitivity_);
        input_ = inner_->Input();
        input_.buttonPresses[0] += taps_;
        // A hidden tab is a window without the focus: the game pauses until the player is back.
        if (PageHidden()) input_.active = false;
    }
    const platform::InputState& Input() const override { return input_; }
    void GetPointer(int* x, int* y) override { inner_->GetPointer(x, y); }
    void SetPointer(int x, int y) override {
        pointerSet_ = true;
        inner_->SetPointer(x, y);
    }
    void MovePointer(double dx, double dy) override { inner_->MovePointer(dx, dy); }
    void SetCursorVisible(bool visible) override { inner_->SetCursorVisible(visible); }

    uint64_t NowMicros() override { return inner_->NowMicros(); }
    bool RandomSeedOverride(uint32_t* seed) override { return inner_->RandomSeedOverride(seed); }
    void SleepUntilMicros(uint64_t deadline) override {
        // The browser runs its events, timers, sound and painting only while the page's thread is
        // given back to it: the wait is a sleep that returns to the browser (Asyncify unwinds the
        // game's loops and winds them up again).
        for (;;) {
            const uint64_t now = inner_->NowMicros();
            const uint64_t left = deadline > now ? deadline - now : 0;
            emscripten_sleep(unsigned(std::min<uint64_t>(left / 1000u, 1000u)));
            yielded_ = true;
            if (left < 1000u || inner_->NowMicros() >= deadline) break;
        }
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

    // A page has no dialog that waits: the page starts the game with its screen mode chosen.
    int AskYesNo(const std::string&, const std::string&) override { return -1; }
    void ShowMessage(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "velmoran: %s: %s\n", caption.c_str(), text.c_str());
        PageMessage((caption + ": " + text).c_str());
    }
    int ForceToDisk(const std::string& path) override {
        // The files live in memory; the page copies them into the browser's storage in the
        // background, so that a reload finds them.
        (void)path;
        PageStore();
        return 0;
    }
    // Each tab plays a game of its own: a page cannot see another tab's lock, and a second tab only
    // shares the browser's storage, which every write copies in whole.
    bool AcquireInstanceLock(const std::string&) override { return true; }

private:
    std::unique_ptr<platform::Platform> inner_;
    platform::InputState input_;
    double sensitivity_;
    bool pointerSet_ = false;  // since the last frame's pump
    bool steering_ = false;
    uint32_t taps_ = 0;  // taps since the start, added to the left button's presses
    bool yielded_ = false;
    bool presented_ = false;
};

}  // namespace
}  // namespace web

namespace sdl {

std::unique_ptr<platform::Platform> MakeSdlPlatform(const platform::Options& options) {
    std::unique_ptr<platform::Platform> inner = MakeSdlWindowPlatform(options);
    // A script played as the player's hands: the game is the player's own (records kept, recorded
    // with --record), its input the script's. The page's tests play a whole game so.
    if (char* path = web::PagePlayScript()) {
        const std::string file = path;
        std::free(path);
        scripted::InputScript script;
        std::string error;
        if (scripted::LoadInputScript(file, &script, &error))
            inner = scripted::MakeScriptedPlatform(std::move(inner), std::move(script), options.frameLimit);
        else
            std::fprintf(stderr, "velmoran: %s; the game takes the player's input\n", error.c_str());
    }
    return std::make_unique<web::WebPlatform>(std::move(inner), options.mouseSensitivity);
}

}  // namespace sdl
