// Steering without a mouse through the SDL back-end: a virtual game controller (SDL's test hook)
// turns the pointer like mouse motion, fires with A, and may be unplugged while playing.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/sdl2/sdl_platform.h"

namespace {

TEST(Gamepad, AVirtualControllerSteersFiresAndUnplugs) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);  // a window without a display
    // The dummy display gives no window the focus, and SDL drops controller input without one.
    setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);
    platform::Options options;
    options.noSound = true;
    auto p = sdl::MakeSdlPlatform(options);
    platform::WindowSettings window;
    window.title = "gamepad test";
    window.windowed = true;
    std::string error;
    if (!p->OpenWindow(window, &error)) GTEST_SKIP() << error;
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    p->PumpEvents(true);  // hot-plugged: the added event opens it
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    ASSERT_NE(joystick, nullptr);

    // A full stick to the right while the game re-centres the pointer: it moves right, as the mouse would.
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, 1);
    int x = 0, y = 0;
    for (int frame = 0; frame < 3; ++frame) {
        p->SetPointer(240, 240);
        p->PumpEvents(true);
        p->GetPointer(&x, &y);
    }
    EXPECT_GT(x, 240);
    EXPECT_EQ(y, 240);
    EXPECT_EQ(p->Input().mouseButtons & 1u, 1u);

    // Unplugged while the fire button is down: firing stops, nothing crashes.
    SDL_JoystickClose(joystick);
    SDL_JoystickDetachVirtual(index);
    p->PumpEvents(true);
    EXPECT_EQ(p->Input().mouseButtons & 1u, 0u);
    p->CloseWindow();
}

}  // namespace
