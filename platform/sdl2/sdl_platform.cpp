// The SDL2 back-end. The engine draws into memory; this only shows the finished picture, turns
// window-system events into the engine's input state, and owns the OS clock and instance lock.
#include "platform/sdl2/sdl_platform.h"

#include <SDL.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/input/scan_codes.h"
#include "platform/common/force_to_disk.h"
#include "platform/common/instance_lock.h"
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
        case SDL_SCANCODE_ESCAPE:
            return engine::kScanEscape;
        case SDL_SCANCODE_MINUS:
            return 12;
        case SDL_SCANCODE_EQUALS:
            return 13;
        case SDL_SCANCODE_BACKSPACE:
            return 14;
        case SDL_SCANCODE_TAB:
            return 15;
        case SDL_SCANCODE_LEFTBRACKET:
            return 26;
        case SDL_SCANCODE_RIGHTBRACKET:
            return 27;
        case SDL_SCANCODE_RETURN:
            return 28;
        case SDL_SCANCODE_LCTRL:
            return engine::kScanLeftCtrl;
        case SDL_SCANCODE_SEMICOLON:
            return 39;
        case SDL_SCANCODE_APOSTROPHE:
            return 40;
        case SDL_SCANCODE_GRAVE:
            return 41;
        case SDL_SCANCODE_LSHIFT:
            return 42;
        case SDL_SCANCODE_BACKSLASH:
            return 43;
        case SDL_SCANCODE_COMMA:
            return 51;
        case SDL_SCANCODE_PERIOD:
            return 52;
        case SDL_SCANCODE_SLASH:
            return 53;
        case SDL_SCANCODE_RSHIFT:
            return 54;
        case SDL_SCANCODE_KP_MULTIPLY:
            return 55;
        case SDL_SCANCODE_LALT:
            return 56;
        case SDL_SCANCODE_SPACE:
            return engine::kScanSpace;
        case SDL_SCANCODE_CAPSLOCK:
            return 58;
        case SDL_SCANCODE_NUMLOCKCLEAR:
            return 69;
        case SDL_SCANCODE_SCROLLLOCK:
            return 70;
        case SDL_SCANCODE_KP_7:
            return 71;
        case SDL_SCANCODE_KP_8:
            return 72;
        case SDL_SCANCODE_KP_9:
            return 73;
        case SDL_SCANCODE_KP_MINUS:
            return 74;
        case SDL_SCANCODE_KP_4:
            return 75;
        case SDL_SCANCODE_KP_5:
            return 76;
        case SDL_SCANCODE_KP_6:
            return 77;
        case SDL_SCANCODE_KP_PLUS:
            return 78;
        case SDL_SCANCODE_KP_1:
            return 79;
        case SDL_SCANCODE_KP_2:
            return 80;
        case SDL_SCANCODE_KP_3:
            return 81;
        case SDL_SCANCODE_KP_0:
            return 82;
        case SDL_SCANCODE_KP_PERIOD:
            return 83;
        case SDL_SCANCODE_F11:
            return 87;
        case SDL_SCANCODE_F12:
            return 88;
        case SDL_SCANCODE_PAUSE:
            return engine::kScanPause;
        case SDL_SCANCODE_KP_ENTER:
            return 156;
        case SDL_SCANCODE_RCTRL:
            return engine::kScanRightCtrl;
        case SDL_SCANCODE_KP_DIVIDE:
            return 181;
        case SDL_SCANCODE_RALT:
            return 184;
        case SDL_SCANCODE_HOME:
            return 199;
        case SDL_SCANCODE_UP:
            return engine::kScanUp;
        case SDL_SCANCODE_PAGEUP:
            return 201;
        case SDL_SCANCODE_LEFT:
            return engine::kScanLeft;
        case SDL_SCANCODE_RIGHT:
            return engine::kScanRight;
        case SDL_SCANCODE_END:
            return 207;
        case SDL_SCANCODE_DOWN:
            return engine::kScanDown;
        case SDL_SCANCODE_PAGEDOWN:
            return 209;
        case SDL_SCANCODE_INSERT:
            return 210;
        case SDL_SCANCODE_DELETE:
            return 211;
        case SDL_SCANCODE_LGUI:
            return 219;
        case SDL_SCANCODE_RGUI:
            return 220;
        case SDL_SCANCODE_APPLICATION:
            return 221;
        default:
            return 0;
    }
}

void AspectSize(int W, int H, bool widthDragged, bool heightDragged, int* w, int* h) {
    // An edge decides by itself; a corner goes by the side that grew (or shrank least) in proportion.
    const bool byHeight = widthDragged && heightDragged ? int64_t(*h) * W >= int64_t(*w) * H : heightDragged;
    if (byHeight)
        *w = *h * W / H;
    else
        *h = *w * H / W;
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

#ifdef VELMORAN_HAVE_X11
}  // namespace
}  // namespace sdl
// The few Xlib calls we make, declared here rather than through Xlib.h, whose macros (None, Status,
// Bool) would leak into this file.
extern "C" {
typedef struct _XDisplay Display;  // NOLINT(bugprone-reserved-identifier): Xlib's own name
typedef int (*XIOErrorHandler)(Display*);
XIOErrorHandler XSetIOErrorHandler(XIOErrorHandler handler);
Display* XOpenDisplay(const char* name);
int XCloseDisplay(Display* display);
int XQueryExtension(Display* display, const char* name, int* opcode, int* event, int* error);
}
namespace sdl {
namespace {

// An X server without direct rendering (Xvfb, VNC servers, a display across the network) can only
// give GL emulated on the processor, which the game does not use (RendersOnTheProcessor). Asking
// the server first spares loading the GL driver at all: some 50 MB that stay resident once loaded.
bool XServerRendersDirectly() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return true;  // SDL's own connection decides
    int opcode = 0, event = 0, error = 0;
    bool direct = false;
    for (const char* extension : {"DRI3", "DRI2", "NV-GLX"})
        direct = direct || XQueryExtension(display, extension, &opcode, &event, &error) != 0;
    XCloseDisplay(display);
    return direct;
}

void (*displayLostHook)() = nullptr;

// Xlib's own handler calls exit(), whose clean-up then calls into the dead connection and never
// returns: the game spun and held its one-copy lock. Ours ends the program at once instead; records
// and settings are written as they change, and the lock goes with the process.
int OnDisplayLost(Display*) {
    static const char line[] = "velmoran: the display has gone away; the game ends\n";
    if (write(STDERR_FILENO, line, sizeof line - 1) < 0) {
        // Nothing more can be said.
    }
    if (displayLostHook) displayLostHook();
    _exit(1);
}
#endif

class SdlPlatform final : public platform::Platform {
public:
    explicit SdlPlatform(const platform::Options& options) : options_(options) {}
    ~SdlPlatform() override { CloseWindow(); }

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
    void SetIntegerScale(bool on) override {
        options_.integerScale = on;
        if (renderer_) SDL_RenderSetIntegerScale(renderer_, on ? SDL_TRUE : SDL_FALSE);
        if (hasFrame_) Show(0, settings_.height);
    }
    void SetMouseSensitivity(double sensitivity) override { options_.mouseSensitivity = sensitivity; }
    void Present(const uint32_t* pixels, int width, int height) override;
    void PresentUnchanged(const uint32_t* pixels, int width, int height) override {
        if (!hasFrame_) return Present(pixels, width, height);
        if (needsShow_) Show(0, settings_.height);
        if (++framesShown_ == kPlacementSettleFrames) FollowPlacement(true);
    }
    void PumpEvents(bool frame) override;
    const platform::InputState& Input() const override { return input_; }
    void GetPointer(int* x, int* y) override;
    void SetPointer(int x, int y) override;
    void MovePointer(double dx, double dy) override;
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
        return !options_.noSound && audio_.Open(format, callback, user, options_.audioDevice);
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
    bool AcquireInstanceLock(const std::string& name) override { return lock_.Acquire(name); }
    int ForceToDisk(const std::string& path) override { return platform::ForceToDisk(path); }
    platform::Placement LastPlacement() const override { return placement_; }

private:
    static constexpr int kPlacementSettleFrames = 30;
    void HandleEvent(const SDL_Event& e);
    void KeepAspect(int width, int height);
    void Capture(bool on);
    void ApplyPresentationMode();
    // The steps of OpenWindow.
    bool StartVideo(std::string* error);
    bool MakeWindow(const platform::WindowSettings& settings, SDL_Rect* bounds, std::string* error);
    bool MakePicture(const platform::WindowSettings& settings, std::string* error);
    void RememberPlacement(const platform::WindowSettings& settings, const SDL_Rect& bounds);
    void Show(int top, int bottom);
    bool ShowsDirectly();
    void FollowPlacement(bool settle);
    void FramePosition(int* x, int* y);
    void OpenGamepad(int index);
    void CloseGamepad(SDL_JoystickID id);
    void ReadPads();

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
    platform::InstanceLock lock_;
    int64_t framesPumped_ = 0;
    SdlAudio audio_;
    bool hasFrame_ = false;  // a frame was presented, to repaint an uncovered window from
    // The last frame presented, as the game drew it with the overlays over it: a frame equal to it
    // is not sent again, and only the rows that differ from it are.
    std::vector<uint32_t> shown_;
    // Where the window's size equals the picture's and SDL draws on the processor, the frame goes
    // straight into the window's own pixels, with no texture and no blit between.
    bool software_ = false;
    SDL_Surface* surface_ = nullptr;  // the window's pixels as last written
    bool surfaceStale_ = true;        // ... or not holding `shown_` (new, resized, drawn by the renderer)
    bool textureStale_ = true;        // the texture does not hold `shown_`
    bool windowStale_ = true;         // the renderer has not shown `shown_` in the window as it is now
    // The window changed size or mode: the last frame is shown again at the next pump, since the
    // engine presents no frame that did not change.
    bool needsShow_ = false;
    // The window as the player leaves it; its place counts once it has settled after opening.
    platform::Placement placement_;
    int settledX_ = 0, settledY_ = 0, settledW_ = 0, settledH_ = 0;
    int64_t framesShown_ = 0;
    // Motion from MovePointer while the game puts the pointer back every frame.
    bool pointerSet_ = false;             // SetPointer since the last frame pump
    bool followingGame_ = false;          // ... and before the one before: the game is steering
    double pendingX_ = 0, pendingY_ = 0;  // motion not yet read (warp mode)
    uint32_t mouseBits_ = 0;
    struct Pad {
        SDL_JoystickID id;
        SDL_GameController* controller;
    };
    std::vector<Pad> pads_;
};

bool SdlPlatform::OpenWindow(const platform::WindowSettings& settings, std::string* error) {
    settings_ = settings;
    if (!StartVideo(error)) return false;
    SDL_Rect bounds{};
    if (!MakeWindow(settings, &bounds, error)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return false;
    }
    if (!MakePicture(settings, error)) {
        CloseWindow();
        return false;
    }
    ApplyPresentationMode();
    SDL_GetWindowSize(window_, &lastWidth_, &lastHeight_);
    SDL_DisableScreenSaver();
    SDL_ShowCursor(cursorVisible_ ? SDL_ENABLE : SDL_DISABLE);
    input_ = platform::InputState{};
    input_.active = true;  // until the window system says otherwise (Xvfb may never send focus)
    hasFrame_ = false;
    shown_.assign(size_t(settings.width) * size_t(settings.height), 0);
    surface_ = nullptr;
    surfaceStale_ = textureStale_ = windowStale_ = true;
    framesShown_ = 0;
    RememberPlacement(settings, bounds);
    if (!settings.windowed) SDL_RaiseWindow(window_);
    if (options_.gamepad && SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0) {
        for (int i = 0; i < SDL_NumJoysticks(); ++i) OpenGamepad(i);
    }
    return true;
}

bool SdlPlatform::StartVideo(std::string* error) {
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
    return true;
}

// The window at its place and size: the stored ones in a window, the display's bounds full screen
// (`bounds`, left empty in a window).
bool SdlPlatform::MakeWindow(const platform::WindowSettings& settings, SDL_Rect* bounds, std::string* error) {
    Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI;
    if (!settings.windowed) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (settings.resizable) flags |= SDL_WINDOW_RESIZABLE;
    const int displays = SDL_GetNumVideoDisplays();
    const int display = options_.display < displays ? options_.display : 0;
    if (display != options_.display)
        std::fprintf(stderr, "velmoran: there is no display %d (%d found); the window opens on display 0\n",
                     options_.display, displays);
    int x = int(SDL_WINDOWPOS_CENTERED_DISPLAY(display)), y = x, w = settings.width, h = settings.height;
    const bool storedSize =
        settings.windowed && settings.resizable && options_.windowWidth > 0 && options_.windowHeight > 0;
    if (storedSize) {
        w = options_.windowWidth;
        h = options_.windowHeight;
    }
    if (settings.windowed && options_.windowX != platform::kWindowCentred &&
        options_.windowY != platform::kWindowCentred) {
        x = options_.windowX;
        y = options_.windowY;
    }
    if (!settings.windowed && SDL_GetDisplayBounds(display, bounds) == 0 && bounds->w > 0 && bounds->h > 0) {
        // Made at the display's size from the start, so full screen fills it even where no window
        // manager resizes the window for us.
        x = bounds->x;
        y = bounds->y;
        w = bounds->w;
        h = bounds->h;
    }
    window_ = SDL_CreateWindow(settings.title.c_str(), x, y, w, h, flags);
    if (!window_ && storedSize) {
        // A remembered size the window system refuses (edited by hand, or from a larger desktop) must
        // not stop every start: open at the picture's own size, as a first start does.
        std::fprintf(stderr,
                     "velmoran: the stored window size %d x %d could not be used (%s); using %d x %d\n", w, h,
                     SDL_GetError(), settings.width, settings.height);
        options_.windowWidth = options_.windowHeight = 0;
        window_ = SDL_CreateWindow(settings.title.c_str(), x, y, settings.width, settings.height, flags);
    }
    if (!window_) {
        *error = std::string("the window could not be created: ") + SDL_GetError();
        return false;
    }
#ifdef VELMORAN_HAVE_X11
    if (const char* driver = SDL_GetCurrentVideoDriver(); driver && std::strcmp(driver, "x11") == 0) {
        displayLostHook = options_.displayLost;
        XSetIOErrorHandler(OnDisplayLost);
    }
#endif
    return true;
}

// The renderer and the streaming texture the finished picture goes into.
bool SdlPlatform::MakePicture(const platform::WindowSettings& settings, std::string* error) {
    bool tryGl = true;
#ifdef VELMORAN_HAVE_X11
    if (const char* driver = SDL_GetCurrentVideoDriver(); driver && std::strcmp(driver, "x11") == 0)
        tryGl = XServerRendersDirectly();
#endif
    if (tryGl)
        renderer_ = SDL_CreateRenderer(
            window_, -1, SDL_RENDERER_ACCELERATED | (options_.vsync ? SDL_RENDERER_PRESENTVSYNC : 0));
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
    software_ = false;
    Uint32 format = SDL_PIXELFORMAT_ARGB8888;
    SDL_RendererInfo info{};
    if (renderer_ && SDL_GetRendererInfo(renderer_, &info) == 0 && info.name &&
        std::strcmp(info.name, "software") == 0) {
        software_ = true;
        // The texture in the window's own format: a stretched frame is then a plain scaled copy,
        // not a conversion pixel by pixel.
        if (SDL_Surface* window = SDL_GetWindowSurface(window_);
            window && window->format->format == SDL_PIXELFORMAT_RGB888)
            format = SDL_PIXELFORMAT_RGB888;
    }
    if (renderer_)
        texture_ = SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING, settings.width,
                                     settings.height);
    // Every pixel the engine writes is opaque: copied, not blended over the cleared window.
    if (texture_) SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    if (!renderer_ || !texture_) *error = std::string("the picture could not be set up: ") + SDL_GetError();
    return renderer_ && texture_;
}

// Where the window goes when the player leaves full screen; without a window manager nobody else
// remembers it.
void SdlPlatform::RememberPlacement(const platform::WindowSettings& settings, const SDL_Rect& bounds) {
    placement_.known = true;
    placement_.windowed = settings.windowed;
    if (settings.windowed) {
        FramePosition(&settledX_, &settledY_);
        SDL_GetWindowSize(window_, &settledW_, &settledH_);
        return;
    }
    const bool stored = options_.windowWidth > 0 && options_.windowHeight > 0;
    settledW_ = stored ? options_.windowWidth : settings.width;
    settledH_ = stored ? options_.windowHeight : settings.height;
    settledX_ = bounds.x + std::max(0, bounds.w - settledW_) / 2;
    settledY_ = bounds.y + std::max(0, bounds.h - settledH_) / 2;
    if (options_.windowX != platform::kWindowCentred && options_.windowY != platform::kWindowCentred)
        settledX_ = options_.windowX, settledY_ = options_.windowY;
}

// The picture keeps 4:3 with black bars, sharp pixels, optionally whole-number steps only.
void SdlPlatform::ApplyPresentationMode() {
    SDL_RenderSetLogicalSize(renderer_, settings_.width, settings_.height);
    SDL_RenderSetIntegerScale(renderer_, options_.integerScale ? SDL_TRUE : SDL_FALSE);
}

void SdlPlatform::CloseWindow() {
    Capture(false);
    audio_.Close();
    for (const Pad& pad : pads_) SDL_GameControllerClose(pad.controller);
    pads_.clear();
    if (SDL_WasInit(SDL_INIT_GAMECONTROLLER)) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
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
    surface_ = nullptr;
    std::vector<uint32_t>().swap(shown_);
}

bool SdlPlatform::SetWindowed(bool windowed) {
    settings_.windowed = windowed;
    placement_.windowed = windowed;
    if (!window_) return true;
    if (!windowed) {
        // Without a window manager nobody enlarges the window for full screen: cover the display
        // ourselves first, or only its top-left part would show the picture.
        SDL_Rect bounds{};
        const int display = SDL_GetWindowDisplayIndex(window_);
        if (display >= 0 && SDL_GetDisplayBounds(display, &bounds) == 0 && bounds.w > 0 && bounds.h > 0) {
            SDL_SetWindowPosition(window_, bounds.x, bounds.y);
            SDL_SetWindowSize(window_, bounds.w, bounds.h);
        }
    }
    surfaceStale_ = windowStale_ = needsShow_ = true;
    const bool ok = SDL_SetWindowFullscreen(window_, windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
    if (windowed && settledW_ > 0) {
        SDL_SetWindowSize(window_, settledW_, settledH_);
        SDL_SetWindowPosition(window_, settledX_, settledY_);
    }
    return ok;
}

void SdlPlatform::Present(const uint32_t* pixels, int width, int height) {
    if (!renderer_ || width != settings_.width || height != settings_.height) return;
    // Only the rows between the first and the last that differ from the frame shown go out.
    const size_t w = size_t(width), rowBytes = w * 4;
    int top = 0, bottom = height;
    while (top < bottom &&
           std::memcmp(pixels + size_t(top) * w, shown_.data() + size_t(top) * w, rowBytes) == 0)
        ++top;
    while (bottom > top && std::memcmp(pixels + size_t(bottom - 1) * w,
                                       shown_.data() + size_t(bottom - 1) * w, rowBytes) == 0)
        --bottom;
    if (top < bottom)
        std::memcpy(shown_.data() + size_t(top) * w, pixels + size_t(top) * w,
                    size_t(bottom - top) * rowBytes);
    const bool first = !hasFrame_;
    hasFrame_ = true;
    if (first) top = 0, bottom = height;
    Show(top, bottom);
    if (++framesShown_ == kPlacementSettleFrames) FollowPlacement(true);
}

// True when the frame goes straight into the window's pixels: SDL draws on the processor and the
// window is exactly the picture's size (no bars, no stretch) in a format of 32-bit words.
bool SdlPlatform::ShowsDirectly() {
    if (!software_) return false;
    int w = 0, h = 0;
    SDL_GetWindowSizeInPixels(window_, &w, &h);
    if (w != settings_.width || h != settings_.height) return false;
    SDL_Surface* s = SDL_GetWindowSurface(window_);
    if (!s || s->w != w || s->h != h ||
        (s->format->format != SDL_PIXELFORMAT_RGB888 && s->format->format != SDL_PIXELFORMAT_ARGB8888))
        return false;
    if (s != surface_) surface_ = s, surfaceStale_ = true;
    return true;
}

// The last frame, rows [top, bottom) of it changed since it was last shown (a notice or the pause
// over it included); nothing is sent when nothing changed and the window still holds it.
void SdlPlatform::Show(int top, int bottom) {
    const int width = settings_.width, height = settings_.height;
    needsShow_ = false;
    if (ShowsDirectly()) {
        textureStale_ = true;
        if (surfaceStale_) top = 0, bottom = height;
        if (top >= bottom) return;
        const bool locked = SDL_MUSTLOCK(surface_) && SDL_LockSurface(surface_) == 0;
        for (int y = top; y < bottom; ++y)
            std::memcpy(static_cast<uint8_t*>(surface_->pixels) + size_t(y) * size_t(surface_->pitch),
                        shown_.data() + size_t(y) * size_t(width), size_t(width) * 4);
        if (locked) SDL_UnlockSurface(surface_);
        surfaceStale_ = false;
        const SDL_Rect rows{0, top, width, bottom - top};
        SDL_UpdateWindowSurfaceRects(window_, &rows, 1);
        return;
    }
    // The renderer paints the whole window, bars included, over whatever the window held.
    surfaceStale_ = true;
    if (textureStale_) top = 0, bottom = height;
    if (top >= bottom && !windowStale_) return;
    textureStale_ = windowStale_ = false;
    if (top < bottom) {
        const SDL_Rect rows{0, top, width, bottom - top};
        SDL_UpdateTexture(texture_, &rows, shown_.data() + size_t(top) * size_t(width), width * 4);
    }
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

// Where the window's frame is: a window manager puts a new or moved window's frame where it is told,
// while SDL reports the inside's place, a title bar lower. Remembering the inside's place made the
// window come back lower by the title bar after every run (and twice that after full screen).
void SdlPlatform::FramePosition(int* x, int* y) {
    SDL_GetWindowPosition(window_, x, y);
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) == 0) *x -= left, *y -= top;
}

// Remembers where the window is once it has settled; later changes are the player's.
void SdlPlatform::FollowPlacement(bool settle) {
    if (!window_ || !settings_.windowed ||
        (SDL_GetWindowFlags(window_) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_MAXIMIZED | SDL_WINDOW_MINIMIZED)))
        return;
    int x = 0, y = 0, w = 0, h = 0;
    FramePosition(&x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    if (settle) {
        settledX_ = x, settledY_ = y, settledW_ = w, settledH_ = h;
        return;
    }
    if (framesShown_ < kPlacementSettleFrames ||
        (x == settledX_ && y == settledY_ && w == settledW_ && h == settledH_))
        return;
    settledX_ = x, settledY_ = y, settledW_ = w, settledH_ = h;
    placement_.x = x;
    placement_.y = y;
    placement_.width = w;
    placement_.height = h;
}

void SdlPlatform::PumpEvents(bool frame) {
    if (!window_) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleEvent(e);
    if (needsShow_ && hasFrame_) Show(0, settings_.height);
    input_.mouseButtons = mouseBits_;
    ReadPads();
    if (frame) {
        followingGame_ = pointerSet_;
        pointerSet_ = false;
        audio_.Recover();
        // Steering re-centres the pointer every frame; once that stops (menus), let the pointer go.
        if (captured_ && !recentred_) Capture(false);
        recentred_ = false;
        if (options_.frameLimit > 0 && ++framesPumped_ >= options_.frameLimit) input_.closeRequested = true;
    }
}

void SdlPlatform::HandleEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT:
            input_.closeRequested = true;
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                input_.active = true;
            } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                input_.active = false;
                Capture(false);
                for (uint8_t& k : input_.keys) k = 0;
                input_.mouseButtons = mouseBits_ = 0;
            } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                // SDL makes the window's pixels anew at the new size.
                surfaceStale_ = windowStale_ = needsShow_ = true;
                KeepAspect(e.window.data1, e.window.data2);
                FollowPlacement(false);
            } else if (e.window.event == SDL_WINDOWEVENT_MOVED) {
                FollowPlacement(false);
            } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
                // Paused or not, an uncovered window shows the last frame again, all of it.
                if (hasFrame_) surfaceStale_ = true, Show(0, settings_.height);
            } else if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                input_.closeRequested = true;
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const bool down = e.type == SDL_KEYDOWN;
            if (const int code = ScanCodeFromSdl(e.key.keysym.scancode)) {
                if (down && !e.key.repeat) ++input_.keyPresses[code];  // the engine latches it
                input_.keys[code] = down ? 1 : 0;
            }
            break;
        }
        case SDL_CONTROLLERDEVICEADDED:
            OpenGamepad(e.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            CloseGamepad(e.cdevice.which);
            break;
        case SDL_CONTROLLERBUTTONDOWN:
            // SDL's button numbers are the order of platform::PadButton.
            if (e.cbutton.button < platform::kPadButtonCount) ++input_.padPresses[e.cbutton.button];
            break;
        case SDL_AUDIODEVICEREMOVED:
            if (!e.adevice.iscapture) audio_.DeviceRemoved(e.adevice.which);
            break;
        case SDL_AUDIODEVICEADDED:
            if (!e.adevice.iscapture) audio_.DeviceAdded();
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const int bit = e.button.button == SDL_BUTTON_LEFT     ? 0
                            : e.button.button == SDL_BUTTON_RIGHT  ? 1
                            : e.button.button == SDL_BUTTON_MIDDLE ? 2
                                                                   : e.button.button + 1;
            if (bit < 8) {
                if (e.type == SDL_MOUSEBUTTONDOWN) {
                    mouseBits_ |= 1u << bit;
                    ++input_.buttonPresses[bit];  // the engine latches it until a poll sees it
                } else {
                    mouseBits_ &= ~(1u << bit);
                }
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
        default:
            break;
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
    if (width == lastWidth_ && height == lastHeight_) return;
    AspectSize(W, H, width != lastWidth_, height != lastHeight_, &w, &h);
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(window_), &usable) == 0 && usable.w > 0 &&
        usable.h > 0) {
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
    lx += float(pendingX_);
    ly += float(pendingY_);
    // Truncated toward zero and not clamped: outside the window it may be negative.
    *x = int(std::trunc(lx));
    *y = int(std::trunc(ly));
}

void SdlPlatform::SetPointer(int x, int y) {
    if (!window_) return;
    pointerSet_ = true;
    pendingX_ = pendingY_ = 0;
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

// Captured, the motion adds up into the virtual pointer. Otherwise, while the game puts the pointer
// back every frame, it waits for the next read; in the menus the system pointer really moves.
void SdlPlatform::MovePointer(double dx, double dy) {
    if (captured_) {
        virtualX_ += dx;
        virtualY_ += dy;
        return;
    }
    if (followingGame_) {
        pendingX_ += dx;
        pendingY_ += dy;
        return;
    }
    if (!window_ || !renderer_) return;
    int x = 0, y = 0;
    GetPointer(&x, &y);
    int wx = 0, wy = 0;
    SDL_RenderLogicalToWindow(renderer_, float(x + dx), float(y + dy), &wx, &wy);
    SDL_WarpMouseInWindow(window_, wx, wy);
}

static_assert(int(SDL_CONTROLLER_BUTTON_A) == platform::kPadA &&
                  int(SDL_CONTROLLER_BUTTON_START) == platform::kPadStart &&
                  int(SDL_CONTROLLER_BUTTON_DPAD_RIGHT) == platform::kPadRight,
              "controller buttons are reported by SDL's numbers");

// Every controller together: buttons held, and the left stick of the one pushed furthest each way.
void SdlPlatform::ReadPads() {
    input_.padButtons = 0;
    input_.padStickX = input_.padStickY = 0;
    for (const Pad& pad : pads_) {
        for (int b = 0; b < platform::kPadButtonCount; ++b)
            if (SDL_GameControllerGetButton(pad.controller, SDL_GameControllerButton(b)))
                input_.padButtons |= 1u << b;
        const int ax = SDL_GameControllerGetAxis(pad.controller, SDL_CONTROLLER_AXIS_LEFTX);
        const int ay = SDL_GameControllerGetAxis(pad.controller, SDL_CONTROLLER_AXIS_LEFTY);
        if (std::abs(ax) > std::abs(input_.padStickX)) input_.padStickX = ax;
        if (std::abs(ay) > std::abs(input_.padStickY)) input_.padStickY = ay;
    }
}

void SdlPlatform::OpenGamepad(int index) {
    if (!options_.gamepad || !SDL_IsGameController(index)) return;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
    for (const Pad& pad : pads_)
        if (pad.id == id) return;
    if (SDL_GameController* c = SDL_GameControllerOpen(index)) pads_.push_back({id, c});
}

void SdlPlatform::CloseGamepad(SDL_JoystickID id) {
    for (size_t i = 0; i < pads_.size(); ++i)
        if (pads_[i].id == id) {
            SDL_GameControllerClose(pads_[i].controller);
            pads_.erase(pads_.begin() + long(i));
            return;
        }
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

}  // namespace

std::unique_ptr<platform::Platform> MakeSdlPlatform(const platform::Options& options) {
    return std::make_unique<SdlPlatform>(options);
}

}  // namespace sdl
