// Game controllers through the SDL back-end: a virtual controller (SDL's test hook) is reported as
// it is (stick, buttons, presses), may be unplugged while playing, and the motion the engine makes of
// it reaches the game's next read of the pointer.
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

    // A full stick to the right and A held, reported as they are.
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, 1);
    p->PumpEvents(true);
    EXPECT_EQ(p->Input().padStickX, 32767);
    EXPECT_EQ(p->Input().padStickY, 0);
    EXPECT_EQ(p->Input().padButtons, 1u << platform::kPadA);
    EXPECT_EQ(p->Input().padPresses[platform::kPadA], 1u);
    EXPECT_EQ(p->Input().mouseButtons, 0u);  // firing is the engine's reading, not the back-end's

    // While the game puts the pointer back every frame, motion goes into its next read.
    int x = 0, y = 0;
    p->SetPointer(240, 240);
    p->PumpEvents(true);
    p->MovePointer(8, 0);
    p->GetPointer(&x, &y);
    EXPECT_EQ(x, 248);
    EXPECT_EQ(y, 240);

    // Unplugged while the button is down: nothing stays held, nothing crashes.
    SDL_JoystickClose(joystick);
    SDL_JoystickDetachVirtual(index);
    p->PumpEvents(true);
    EXPECT_EQ(p->Input().padButtons, 0u);
    EXPECT_EQ(p->Input().padStickX, 0);
    p->CloseWindow();
}

}  // namespace
