// The SDL2 back-end. The engine draws into memory; this only shows the finished picture, turns
// window-system events into the engine's input state, and owns the OS clock and instance lock.
#include "platform/sdl2/sdl_platform.h"

#include <SDL.h>
#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <string>

#include "platform/sdl2/sdl_audio.h"
#include "platform/sdl2/sdl_convert.h"

namespace sdl {

int ScanCodeFromSdl(int code) {
    if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z) {
        static const uint8_t letters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                            49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
        return letters[code - SDL_SCANCODE_A];
    }
    if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_0) return 2 + (code - SDL_SCANCODE_1);
    if (code >= SDL_SCANCODE_F1 && code <= SDL_SCANCODE_F10) return 59 + (code - SDL_SCANCODE_F1);
    switch (code) {
        case SDL_SCANCODE_ESCAPE: return 1;
        case SDL_SCANCODE_MINUS: return 12;
        case SDL_SCANCODE_EQUALS: return 13;
        case SDL_SCANCODE_BACKSPACE: return 14;
        case SDL_SCANCODE_TAB: return 15;
        case SDL_SCANCODE_LEFTBRACKET: return 26;
        case SDL_SCANCODE_RIGHTBRACKET: return 27;
        case SDL_SCANCODE_RETURN: return 28;
        case SDL_SCANCODE_LCTRL: return 29;
        case SDL_SCANCODE_SEMICOLON: return 39;
        case SDL_SCANCODE_APOSTROPHE: return 40;
        case SDL_SCANCODE_GRAVE: return 41;
        case SDL_SCANCODE_LSHIFT: return 42;
        case SDL_SCANCODE_BACKSLASH: return 43;
        case SDL_SCANCODE_COMMA: return 51;
        case SDL_SCANCODE_PERIOD: return 52;
        case SDL_SCANCODE_SLASH: return 53;
        case SDL_SCANCODE_RSHIFT: return 54;
        case SDL_SCANCODE_KP_MULTIPLY: return 55;
        case SDL_SCANCODE_LALT: return 56;
        case SDL_SCANCODE_SPACE: return 57;
        case SDL_SCANCODE_CAPSLOCK: return 58;
        case SDL_SCANCODE_NUMLOCKCLEAR: return 69;
        case SDL_SCANCODE_SCROLLLOCK: return 70;
        case SDL_SCANCODE_KP_7: return 71;
        case SDL_SCANCODE_KP_8: return 72;
        case SDL_SCANCODE_KP_9: return 73;
        case SDL_SCANCODE_KP_MINUS: return 74;
        case SDL_SCANCODE_KP_4: return 75;
        case SDL_SCANCODE_KP_5: return 76;
        case SDL_SCANCODE_KP_6: return 77;
        case SDL_SCANCODE_KP_PLUS: return 78;
        case SDL_SCANCODE_KP_1: return 79;
        case SDL_SCANCODE_KP_2: return 80;
        case SDL_SCANCODE_KP_3: return 81;
        case SDL_SCANCODE_KP_0: return 82;
        case SDL_SCANCODE_KP_PERIOD: return 83;
        case SDL_SCANCODE_F11: return 87;
        case SDL_SCANCODE_F12: return 88;
        case SDL_SCANCODE_KP_ENTER: return 156;
        case SDL_SCANCODE_RCTRL: return 157;
        case SDL_SCANCODE_KP_DIVIDE: return 181;
        case SDL_SCANCODE_RALT: return 184;
        case SDL_SCANCODE_HOME: return 199;
        case SDL_SCANCODE_UP: return 200;
        case SDL_SCANCODE_PAGEUP: return 201;
        case SDL_SCANCODE_LEFT: return 203;
        case SDL_SCANCODE_RIGHT: return 205;
        case SDL_SCANCODE_END: return 207;
        case SDL_SCANCODE_DOWN: return 208;
        case SDL_SCANCODE_PAGEDOWN: return 209;
        case SDL_SCANCODE_INSERT: return 210;
        case SDL_SCANCODE_DELETE: return 211;
        case SDL_SCANCODE_LGUI: return 219;
        case SDL_SCANCODE_RGUI: return 220;
        case SDL_SCANCODE_APPLICATION: return 221;
        default: return 0;
    }
}

namespace {

// True for an OpenGL renderer whose GL is a software rasterizer (llvmpipe, softpipe, swrast).
bool RendersOnTheProcessor(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || !info.name) return false;
    if (std::strncmp(info.name, "opengl", 6) != 0) return std::strcmp(info.name, "software") == 0;
    using GetString = const unsigned char* (*)(unsigned);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = getString ? getString(0x1F01 /* GL_RENDERER */) : nullptr;
    if (!name) return false;
    const std::string text(reinterpret_cast<const char*>(name));
    return text.find("llvmpipe") != std::string::npos || text.find("softpipe") != std::string::npos ||
           text.find("Software Rasterizer") != std::string::npos || text.find("swrast") != std::string::npos;
}

class SdlPlatform final : public platform::Platform {
public:
    explicit SdlPlatform(const platform::Options& options) : options_(options) {}
    ~SdlPlatform() override {
        CloseWindow();
        if (lockFd_ >= 0) close(lockFd_);
    }

    bool OpenWindow(const platform::WindowSettings& settings, std::string* error) override;
    void CloseWindow() override;
    void SetTitle(const std::string& title) override {
        if (window_) SDL_SetWindowTitle(window_, title.c_str());
    }
    bool SetWindowed(bool windowed) override;
    void SetResizable(bool resizable, bool keepAspect) override {
        settings_.resizable = resizable;
        settings_.keepAspect = keepAspect;
        if (window_) SDL_SetWindowResizable(window_, resizable ? SDL_TRUE : SDL_FALSE);
    }
    void Present(const uint32_t* pixels, int width, int height) override;
    void PumpEvents(bool frame) override;
    const platform::InputState& Input() const override { return input_; }
    void GetPointer(int* x, int* y) override;
    void SetPointer(int x, int y) override;
    void SetCursorVisible(bool visible) override {
        cursorVisible_ = visible;
        if (window_) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
    }
    uint64_t NowMicros() override {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return uint64_t(t.tv_sec) * 1000000u + uint64_t(t.tv_nsec) / 1000u;
    }
    void SleepUntilMicros(uint64_t deadline) override {
        timespec t{};
        t.tv_sec = time_t(deadline / 1000000u);
        t.tv_nsec = long(deadline % 1000000u) * 1000L;
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR) {
        }
    }
    bool OpenAudio(platform::AudioSpec* format, platform::AudioCallback callback, void* user) override {
        return !options_.noSound && audio_.Open(format, callback, user);
    }
    void CloseAudio() override { audio_.Close(); }
    void LockAudio() override { audio_.Lock(); }
    void UnlockAudio() override { audio_.Unlock(); }
    std::unique_ptr<platform::AudioConverter> NewAudioConverter(int inRate, int inChannels, int outRate,
                                                                int outChannels) override {
        return sdl::NewAudioConverter(inRate, inChannels, outRate, outChannels);
    }
    int AskYesNo(const std::string& text, const std::string& caption) override;
    void ShowMessage(const std::string& text, const std::string& caption) override {
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), window_);
    }
    bool AcquireInstanceLock(const std::string& name) override;

private:
    void HandleEvent(const SDL_Event& e);
    void KeepAspect(int width, int height);
    void Capture(bool on);
    void ApplyPresentationMode();

    platform::Options options_;
    platform::WindowSettings settings_;
    platform::InputState input_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    bool cursorVisible_ = true;
    // Relative steering: the motion adds up into a virtual pointer while the game re-centres it.
    bool captured_ = false;
    bool recentred_ = false;
    double virtualX_ = 0, virtualY_ = 0;
    int lastWidth_ = 0, lastHeight_ = 0;
    int lockFd_ = -1;
    int64_t framesPumped_ = 0;
    SdlAudio audio_;
};

bool SdlPlatform::OpenWindow(const platform::WindowSettings& settings, std::string* error) {
    settings_ = settings;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        *error = std::string("no display found (") + SDL_GetError() +
                 "); to run without a window use: velmoran --headless";
        return false;
    }
    // SDL falls back to a driver that shows nothing; a player without a display should hear why.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::string(driver) == "offscreen" || std::string(driver) == "dummy") &&
        !(asked && std::string(asked) == driver)) {
        *error = "no display found; to run without a window use: velmoran --headless";
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return false;
    }
    Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI;
    if (!settings.windowed) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (settings.resizable) flags |= SDL_WINDOW_RESIZABLE;
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED, w = settings.width, h = settings.height;
    SDL_DisplayMode desktop{};
    if (!settings.windowed && SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0 && desktop.h > 0) {
        // Made at the desktop's size from the start, so full screen fills it even where no window
        // manager resizes the window for us.
        x = 0;
        y = 0;
        w = desktop.w;
        h = desktop.h;
    }
    window_ = SDL_CreateWindow(settings.title.c_str(), x, y, w, h, flags);
    if (!window_) {
        *error = std::string("the window could not be created: ") + SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return false;
    }
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (renderer_ && RendersOnTheProcessor(renderer_)) {
        // GL emulated on the processor (Xvfb, VMs, remote desktops) costs far more than handing
        // our finished picture straight to the window system.
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
    }
    if (!renderer_) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    }
    if (renderer_)
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                     settings.width, settings.height);
    if (!renderer_ || !texture_) {
        *error = std::string("the picture could not be set up: ") + SDL_GetError();
        CloseWindow();
        return false;
    }
    ApplyPresentationMode();
    SDL_GetWindowSize(window_, &lastWidth_, &lastHeight_);
    SDL_DisableScreenSaver();
    SDL_ShowCursor(cursorVisible_ ? SDL_ENABLE : SDL_DISABLE);
    input_ = platform::InputState{};
    input_.active = true;  // until the window system says otherwise (Xvfb may never send focus)
    if (!settings.windowed) SDL_RaiseWindow(window_);
    return true;
}

// The picture keeps 4:3 with black bars, sharp pixels, optionally whole-number steps only.
void SdlPlatform::ApplyPresentationMode() {
    SDL_RenderSetLogicalSize(renderer_, settings_.width, settings_.height);
    SDL_RenderSetIntegerScale(renderer_, options_.integerScale ? SDL_TRUE : SDL_FALSE);
}

void SdlPlatform::CloseWindow() {
    Capture(false);
    audio_.Close();
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) {
        SDL_DestroyWindow(window_);
        SDL_EnableScreenSaver();
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    }
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
}

bool SdlPlatform::SetWindowed(bool windowed) {
    settings_.windowed = windowed;
    if (!window_) return true;
    return SDL_SetWindowFullscreen(window_, windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}

void SdlPlatform::Present(const uint32_t* pixels, int width, int /*height*/) {
    if (!renderer_) return;
    SDL_UpdateTexture(texture_, nullptr, pixels, width * 4);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

void SdlPlatform::PumpEvents(bool frame) {
    if (!window_) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleEvent(e);
    if (frame) {
        // Steering re-centres the pointer every frame; once that stops (menus), let the pointer go.
        if (captured_ && !recentred_) Capture(false);
        recentred_ = false;
        if (options_.frameLimit > 0 && ++framesPumped_ >= options_.frameLimit) input_.closeRequested = true;
    }
}

void SdlPlatform::HandleEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT: input_.closeRequested = true; break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                input_.active = true;
            } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                input_.active = false;
                Capture(false);
                for (uint8_t& k : input_.keys) k = 0;
                input_.mouseButtons = 0;
            } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                KeepAspect(e.window.data1, e.window.data2);
            } else if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                input_.closeRequested = true;
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const bool down = e.type == SDL_KEYDOWN;
            if (down && !e.key.repeat && e.key.keysym.scancode == SDL_SCANCODE_RETURN && (e.key.keysym.mod & KMOD_ALT)) {
                SetWindowed(!settings_.windowed);  // Alt+Enter: window <-> full screen
                break;
            }
            if (const int code = ScanCodeFromSdl(e.key.keysym.scancode)) input_.keys[code] = down ? 1 : 0;
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const int bit = e.button.button == SDL_BUTTON_LEFT ? 0 : e.button.button == SDL_BUTTON_RIGHT ? 1
                          : e.button.button == SDL_BUTTON_MIDDLE ? 2 : e.button.button + 1;
            if (bit < 8) {
                if (e.type == SDL_MOUSEBUTTONDOWN) input_.mouseButtons |= 1u << bit;
                else input_.mouseButtons &= ~(1u << bit);
            }
            if (!cursorVisible_) SDL_ShowCursor(SDL_DISABLE);
            break;
        }
        case SDL_MOUSEMOTION:
            if (captured_) {
                virtualX_ += e.motion.xrel * options_.mouseSensitivity;
                virtualY_ += e.motion.yrel * options_.mouseSensitivity;
            }
            break;
        default: break;
    }
}

// A resizable window keeps the picture's 4:3: the side dragged more decides the other.
void SdlPlatform::KeepAspect(int width, int height) {
    if (!settings_.windowed || !settings_.keepAspect || !window_ ||
        (SDL_GetWindowFlags(window_) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_MAXIMIZED))) {
        lastWidth_ = width;
        lastHeight_ = height;
        return;
    }
    const int W = settings_.width, H = settings_.height;
    int w = width, h = height;
    if (std::abs(width - lastWidth_) >= std::abs(height - lastHeight_)) h = w * H / W;
    else w = h * W / H;
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(window_), &usable) == 0 && usable.w > 0 && usable.h > 0) {
        if (w > usable.w) w = usable.w, h = w * H / W;
        if (h > usable.h) h = usable.h, w = h * W / H;
    }
    lastWidth_ = w;
    lastHeight_ = h;
    if (w != width || h != height) SDL_SetWindowSize(window_, w, h);
}

void SdlPlatform::Capture(bool on) {
    if (on == captured_) return;
    captured_ = on;
    if (!window_) return;
    SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE);
    if (!on) {
        // Hand the pointer back where the game last put it.
        int wx = 0, wy = 0;
        SDL_RenderLogicalToWindow(renderer_, float(virtualX_), float(virtualY_), &wx, &wy);
        SDL_WarpMouseInWindow(window_, wx, wy);
    }
}

void SdlPlatform::GetPointer(int* x, int* y) {
    if (captured_) {
        *x = int(std::trunc(virtualX_));
        *y = int(std::trunc(virtualY_));
        return;
    }
    int px = 0, py = 0;
    if (SDL_GetMouseFocus() == window_) {
        SDL_GetMouseState(&px, &py);  // over the window: the position its own motion events gave
    } else {
        // Elsewhere on the desktop: relative to the window, possibly negative or past its size.
        int gx = 0, gy = 0, wx = 0, wy = 0;
        SDL_GetGlobalMouseState(&gx, &gy);
        if (window_) SDL_GetWindowPosition(window_, &wx, &wy);
        px = gx - wx;
        py = gy - wy;
    }
    float lx = float(px), ly = float(py);
    if (renderer_) SDL_RenderWindowToLogical(renderer_, px, py, &lx, &ly);
    // Truncated toward zero and not clamped: outside the window it may be negative.
    *x = int(std::trunc(lx));
    *y = int(std::trunc(ly));
}

void SdlPlatform::SetPointer(int x, int y) {
    if (!window_) return;
    if (options_.mouseMode == platform::MouseMode::kRelative) {
        recentred_ = true;
        if (input_.active) Capture(true);
        if (captured_) {
            // Keep the fraction of motion the game has not seen yet.
            virtualX_ = x + (virtualX_ - std::trunc(virtualX_));
            virtualY_ = y + (virtualY_ - std::trunc(virtualY_));
            return;
        }
    }
    virtualX_ = x;
    virtualY_ = y;
    int wx = 0, wy = 0;
    SDL_RenderLogicalToWindow(renderer_, float(x), float(y), &wx, &wy);
    SDL_WarpMouseInWindow(window_, wx, wy);
}

int SdlPlatform::AskYesNo(const std::string& text, const std::string& caption) {
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
    };
    SDL_MessageBoxData box{};
    box.flags = SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.title = caption.c_str();
    box.message = text.c_str();
    box.numbuttons = 2;
    box.buttons = buttons;
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) return -1;
    return pressed == 1 ? 1 : 0;
}

// flock'd file: the system drops the lock when the process ends, so a crash never blocks a start.
bool SdlPlatform::AcquireInstanceLock(const std::string& name) {
    if (lockFd_ >= 0) return true;
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    std::string safe;
    for (char c : name) safe += (std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    const std::string path = std::string(dir && *dir ? dir : "/tmp") + "/" + safe + "-" +
                             std::to_string(getuid()) + ".lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;  // no place for a lock: do not refuse to play for that
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    lockFd_ = fd;
    return true;
}

}  // namespace

std::unique_ptr<platform::Platform> MakeSdlPlatform(const platform::Options& options) {
    return std::make_unique<SdlPlatform>(options);
}

}  // namespace sdl
