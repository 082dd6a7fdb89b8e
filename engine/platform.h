// The seam between the engine and the machine: the few things only a platform can do.
// The engine calls these a few times per frame, never per sprite; everything else (drawing,
// decoding, mixing, pacing, input counters) is engine code shared by every back-end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// How the SDL back-end turns mouse motion into the pointer that the game reads during a stage.
enum class MouseMode {
    kRelative,  // relative motion added up into a virtual pointer (works on Wayland, VNC, VMs)
    kWarp,      // the system pointer is really moved back every frame
};

inline constexpr int kWindowCentred = -100000;

// Choices made in settings.ini or on the command line; a back-end ignores what does not concern it.
struct Options {
    MouseMode mouseMode = MouseMode::kRelative;
    double mouseSensitivity = 1.0;
    bool integerScale = false;
    bool noSound = false;
    std::string inputScript;   // headless: the input script to play (empty = no input)
    std::string audioCapture;  // headless: write everything mixed to this WAV file
    int64_t frameLimit = 0;    // end normally (as if the window closed) after this many frames; 0 = never
    bool vsync = true;         // presenting waits for the display's refresh
    int display = 0;           // the display the window opens on (0 the first)
    int windowWidth = 0;       // the window's inner size in screen points; 0: the picture's size
    int windowHeight = 0;
    int windowX = kWindowCentred;  // the window's position; centred unless remembered
    int windowY = kWindowCentred;
    std::string audioDevice;       // the audio device's name; empty: the system's default
    bool keyboardSteering = true;  // arrow keys steer like the mouse, Ctrl fires (the engine's choice)
    bool gamepad = true;           // game controllers are opened and reported
    // Called when the display has gone away, just before the program ends at once with one line (the
    // window system can do nothing more); it must not wait for the main thread.
    void (*displayLost)() = nullptr;
};

struct WindowSettings {
    std::string title;
    bool windowed = false;  // false: desktop full screen
    bool resizable = false;
    bool keepAspect = false;
    int width = 640;  // size of the picture the game draws
    int height = 480;
};

// Game controller buttons, as bits of InputState::padButtons.
enum PadButton {
    kPadA,
    kPadB,
    kPadX,
    kPadY,
    kPadBack,
    kPadGuide,
    kPadStart,
    kPadLeftStick,
    kPadRightStick,
    kPadLeftShoulder,
    kPadRightShoulder,
    kPadUp,
    kPadDown,
    kPadLeft,
    kPadRight,
    kPadButtonCount
};

// Filled by PumpEvents from the window system (or the input script): what the devices did, not what
// it means to the game.
struct InputState {
    uint8_t keys[256] = {};          // by set-1 scan code (+128 for extended keys); 1 while held
    uint8_t keyPresses[256] = {};    // presses per key since the back-end started (wraps)
    uint32_t mouseButtons = 0;       // bit 0 left, bit 1 right, bit 2 middle
    uint32_t buttonPresses[8] = {};  // presses per button bit since the back-end started (wraps)
    // Game controllers, all of them together: buttons held (bit per PadButton), presses per button
    // since the back-end started (wraps), and the left stick (-32768..32767, x right and y down) of
    // the controller pushed furthest on each axis.
    uint32_t padButtons = 0;
    uint32_t padPresses[kPadButtonCount] = {};
    int padStickX = 0, padStickY = 0;
    bool active = true;  // the window has the focus
    bool closeRequested = false;
};

// Pulls mixed audio: fills `frames` stereo frames of signed 16-bit samples (interleaved L, R).
using AudioCallback = void (*)(void* user, int16_t* out, int frames);

struct AudioSpec {
    int rate = 44100;
    int channels = 2;
    bool pulledOnMainThread = false;  // written back: the callback runs inside the clock's waits (headless)
    bool unheard = false;             // written back: the mix goes nowhere (headless, keeping no capture)
};

// Converts interleaved 16-bit audio between rates and channel counts, piece by piece, so that a
// long sound can be converted while it plays. Put pieces, Flush after the last, Get what is ready.
class AudioConverter {
public:
    virtual ~AudioConverter() = default;
    virtual bool Put(const int16_t* samples, int frames) = 0;
    virtual bool Flush() = 0;
    // Takes up to maxFrames converted frames; returns how many (0 when none is ready), -1 on failure.
    virtual int Get(int16_t* out, int maxFrames) = 0;
    // Forgets everything put and not yet taken (before a seek).
    virtual void Clear() = 0;
};

// The window as the player left it, for settings.ini.
struct Placement {
    bool known = false;  // false: no window was shown (headless)
    bool windowed = false;
    // The window's place and inner size in window mode when the player moved or resized it; width 0
    // when the player did neither.
    int x = 0, y = 0, width = 0, height = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Window and picture.
    virtual bool OpenWindow(const WindowSettings& settings, std::string* error) = 0;
    virtual void CloseWindow() = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual bool SetWindowed(bool windowed) = 0;
    virtual void SetResizable(bool resizable, bool keepAspect) = 0;
    // The player's choices from the options screen, taking effect at once.
    virtual void SetIntegerScale(bool on) { (void)on; }
    virtual void SetMouseSensitivity(double sensitivity) { (void)sensitivity; }
    // Shows a finished picture of width x height pixels, 0xAARRGGBB, rows top first.
    virtual void Present(const uint32_t* pixels, int width, int height) = 0;
    // The same picture as the last Present, known to be so by the engine (the frame repeated the one
    // before it, under the same overlays): a back-end still showing it need not look at it again.
    virtual void PresentUnchanged(const uint32_t* pixels, int width, int height) {
        Present(pixels, width, height);
    }

    // Events: handles what is pending and updates the input state. `frame` is true for the
    // once-per-frame pump (the headless back-end advances its input script on those only).
    virtual void PumpEvents(bool frame) = 0;
    virtual const InputState& Input() const = 0;

    // Pointer, in picture pixels (the back-end applies the window's stretch both ways).
    virtual void GetPointer(int* x, int* y) = 0;
    virtual void SetPointer(int x, int y) = 0;
    // Moves the pointer as the player's own motion of (dx, dy) picture pixels would: motion that the
    // game reads after putting the pointer back goes into its next read.
    virtual void MovePointer(double dx, double dy) = 0;
    virtual void SetCursorVisible(bool visible) = 0;

    // Clock: a monotonic microsecond count since an arbitrary start (the system start where it
    // can be had) and a sleep until such a moment. The headless clock is virtual.
    virtual uint64_t NowMicros() = 0;
    virtual void SleepUntilMicros(uint64_t deadline) = 0;
    // A fixed seed for the engine's random generator, where the back-end wants one (tests).
    virtual bool RandomSeedOverride(uint32_t* seed) {
        (void)seed;
        return false;
    }

    // Audio device: opens at `want` or what the device offers (written back); the callback runs
    // on the audio thread, serialised with LockAudio/UnlockAudio.
    virtual bool OpenAudio(AudioSpec* format, AudioCallback callback, void* user) = 0;
    virtual void CloseAudio() = 0;
    virtual void LockAudio() = 0;
    virtual void UnlockAudio() = 0;
    // Audio format conversion (works without an open device); nullptr when it cannot be made.
    virtual std::unique_ptr<AudioConverter> NewAudioConverter(int inRate, int inChannels, int outRate,
                                                              int outChannels) {
        (void)inRate, (void)inChannels, (void)outRate, (void)outChannels;
        return nullptr;
    }

    // The start-up question: 1 yes, 0 no, -1 when no dialog can be shown.
    virtual int AskYesNo(const std::string& text, const std::string& caption) = 0;
    // A message for the player with one button, over the window when there is one; nothing where no
    // dialog can be shown.
    virtual void ShowMessage(const std::string& text, const std::string& caption) {
        (void)text, (void)caption;
    }
    // Forces what was written to the file or folder `path` onto the disk (the file opened afresh, a
    // link not followed); 0, or the system's error number. Where no back-end can, nothing is forced.
    virtual int ForceToDisk(const std::string& path) {
        (void)path;
        return 0;
    }
    // True when no other copy of the game holds `name`; the lock ends with the process.
    virtual bool AcquireInstanceLock(const std::string& name) = 0;

    virtual Placement LastPlacement() const { return {}; }
};

// The back-end the engine talks to; set once at start-up by the program entry or a test.
Platform* Current();
void Install(std::unique_ptr<Platform> platform);

}  // namespace platform
